#include "ternex/history.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "ternex/console_state.h"

namespace {

// Each missing folder of the file's path, readable by its owner only.
void make_parent_folders(const std::string& file) {
    for (size_t slash = file.find('/', 1); slash != std::string::npos; slash = file.find('/', slash + 1)) {
        const std::string folder = file.substr(0, slash);
        if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return;
    }
}

// Characters of a UTF-8 line: its bytes but the continuation ones.
size_t characters(const std::string& line) {
    size_t n = 0;
    for (const char c : line) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

}  // namespace

ternex_history::ternex_history(std::string file, size_t max, size_t maxLineLength)
    : path(std::move(file)), maxLines(max) {
    if (path.empty()) return;
    loaded = read_file(maxLineLength);
    if (loaded != load_result::read && loaded != load_result::absent) path.clear();  // never written over
}

// Opened without waiting (a FIFO would wait for a writer), then read only
// when regular, and never more than the lines can be.
ternex_history::load_result ternex_history::read_file(size_t maxLineLength) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? load_result::absent : load_result::unreadable;
    struct stat st {};
    const bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    const size_t bound = maxLines * (4 * maxLineLength + 2);  // UTF-8, a line end of "\r\n"
    std::string text;
    bool failed = false;
    char buffer[65536];
    while (regular && text.size() <= bound) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failed = n < 0;
            break;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    if (!regular) return load_result::not_regular;
    if (failed) return load_result::unreadable;
    if (text.size() > bound) return load_result::too_large;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || characters(line) > maxLineLength || (!entries.empty() && entries.back() == line)) continue;
        entries.push_back(std::move(line));
    }
    if (entries.size() > maxLines) entries.erase(entries.begin(), entries.end() - static_cast<long>(maxLines));
    return load_result::read;
}

bool ternex_history::add(const std::string& line) {
    if (line.empty() || line.find('\n') != std::string::npos || maxLines == 0) return false;
    if (!entries.empty() && entries.back() == line) return false;
    entries.push_back(line);
    if (entries.size() > maxLines) entries.erase(entries.begin());
    save();
    return true;
}

// Through a new file renamed over the old one: a run ended half-way through a
// write leaves the previous history whole.
void ternex_history::save() const {
    if (path.empty()) return;
    make_parent_folders(path);
    const std::string temporary = path + ".new";
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return;
    std::string text;
    for (const std::string& e : entries) {
        text += e;
        text += '\n';
    }
    const bool written = ternex_write_all(fd, text.data(), text.size()) && fsync(fd) == 0;
    close(fd);
    if (!written || rename(temporary.c_str(), path.c_str()) != 0) unlink(temporary.c_str());
}

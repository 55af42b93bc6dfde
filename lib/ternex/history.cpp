#include "ternex/history.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
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

}  // namespace

ternex_history::ternex_history(std::string file, size_t max) : path(std::move(file)), maxLines(max) {
    if (path.empty()) return;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || (!entries.empty() && entries.back() == line)) continue;
        entries.push_back(std::move(line));
    }
    if (entries.size() > maxLines) entries.erase(entries.begin(), entries.end() - static_cast<long>(maxLines));
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

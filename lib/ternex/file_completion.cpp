// Completion of file names at the prompts that ask for one.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "ternex/charset.h"
#include "ternex/ternex.h"

namespace {

// Names on disk are in the locale's charset; the line is Windows-1252.
ternex_charset& locale_charset() {
    static ternex_charset charset(nullptr);
    return charset;
}

std::string to_locale(const std::string& windows) {
    std::string bytes;
    for (const char c : windows) locale_charset().encode(c, bytes);
    return bytes;
}

// Empty when the name has a character Windows-1252 cannot spell: typed back,
// it would not open the same file.
std::string to_windows(const std::string& bytes) {
    std::string windows;
    for (size_t at = 0; at < bytes.size();) {
        int c = -1;
        const size_t used = locale_charset().decode(bytes.data() + at, bytes.size() - at, true, &c);
        if (used == 0) return {};
        at += used;
        if (c >= 0) windows += static_cast<char>(c);
    }
    return to_locale(windows) == bytes ? windows : std::string();
}

}  // namespace

// The whole answer is the name: the word starts at the line's start. Hidden
// entries are offered only once their leading dot is typed.
std::vector<std::string> ternex_complete_file_name(const std::string& before, size_t* wordStart) {
    *wordStart = 0;
    const size_t slash = before.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : before.substr(0, slash + 1);
    const std::string start = before.substr(folder.size());
    const std::string folderOnDisk = folder.empty() ? "." : to_locale(folder);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folderOnDisk.c_str()), closedir);
    std::vector<std::string> names;
    if (!dir) return names;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string onDisk = entry->d_name;
        if (onDisk == "." || onDisk == "..") continue;
        const std::string name = to_windows(onDisk);
        if (name.empty() || name.compare(0, start.size(), start) != 0) continue;
        if (name[0] == '.' && (start.empty() || start[0] != '.')) continue;
        struct stat info {};
        const bool isFolder = fstatat(dirfd(dir.get()), entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
        names.push_back(folder + name + (isFolder ? "/" : ""));
    }
    std::sort(names.begin(), names.end());
    return names;
}

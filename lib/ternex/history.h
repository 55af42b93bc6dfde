// The lines kept between runs for the line editor: a text file of one line
// per entry, oldest first, UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class ternex_history {
public:
    enum class load_result {
        read,         // read (or nothing to read: an empty path)
        absent,       // no file yet: it is made at the first line added
        not_regular,  // a FIFO, a device, a folder: neither read nor written
        too_large,    // more bytes than maxLines lines of maxLineLength can take: neither read nor written
        unreadable,   // it could not be opened or read: neither read nor written
    };

    // Reads path when it names a regular file no longer than maxLines lines
    // of maxLineLength characters can be (lines longer than that are left
    // out); an empty path, or a file that is not so, keeps the lines in
    // memory only (load says why).
    ternex_history(std::string path, size_t maxLines, size_t maxLineLength);
    load_result load() const { return loaded; }

    // Oldest first: at most maxLines, no line equal to the one before it, no
    // empty line.
    const std::vector<std::string>& lines() const { return entries; }

    // Appends a line (UTF-8, without its line end) unless it is empty or equal
    // to the last one, drops the oldest beyond maxLines and rewrites the file:
    // a new file is readable by its owner only, and its folder is made if
    // missing. False when the line was not added. Write failures are ignored.
    bool add(const std::string& line);

private:
    std::string path;
    size_t maxLines;
    std::vector<std::string> entries;
    load_result loaded = load_result::read;

    load_result read_file(size_t maxLineLength);

    void save() const;
};

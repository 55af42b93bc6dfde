// The lines kept between runs for the line editor: a text file of one line
// per entry, oldest first, UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class ternex_history {
public:
    // Reads path when it names a file; an empty path keeps the lines in memory.
    ternex_history(std::string path, size_t maxLines);

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

    void save() const;
};

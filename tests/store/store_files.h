// Scratch folders and raw file access for the store tests.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "etat/vec3.h"
#include "store/best_store.h"
#include "store/record_db.h"

namespace storetest {

// A fresh folder under /dev/shm (else the system's temporary folder),
// removed with its contents by the destructor.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

std::vector<uint8_t> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteText(const std::string& path, const std::string& text);

// Little-endian 32-bit word at offset of a byte image.
int32_t WordAt(const std::vector<uint8_t>& bytes, size_t offset);
void SetWordAt(std::vector<uint8_t>& bytes, size_t offset, int32_t value);

// The check word of bytes[from, from + length), computed here independently:
// each byte sign-extended, shifted by 8 * (i mod 4), ORed.
uint32_t CheckWordOf(const std::vector<uint8_t>& bytes, size_t from, size_t length);

// Writes bytes from position 0 through a MODE_WRITE handle, then closes it.
void PutRecord(RecordDb& db, int32_t r, const std::vector<uint8_t>& bytes);
// The used bytes of record r.
std::vector<uint8_t> GetRecord(RecordDb& db, int32_t r);

// The energy and the minimum distance of positions, as INFO gives them and
// as the store checks them against the positions stored with them.
BestValues ValuesOf(const std::vector<Vec3>& positions);

// Arms dbio::faultHook to kill the process at the first write in place of a
// commit: the first write after the journal's sync and its folder's (two
// syncs in a row), so that the journal is complete and nothing is in place.
void KillAtTheFirstWriteInPlace();

// Runs body in a child process and returns its exit code (or 128 + signal).
int InChild(void (*body)(const std::string&), const std::string& argument);

}  // namespace storetest

namespace storetest {

// A database image written by hand from the layout, independently of the
// engine: L link tables and A allocation tables of N entries, the given link
// entries and first slots, every other slot {-1, 0, 0}, check words right.
struct Image {
    int32_t N = 16, L = 1, A = 1;
    std::vector<int32_t> links;                 // N entries, -1 by default
    std::vector<std::array<int32_t, 3>> slots;  // allocCount entries
    std::vector<uint8_t> bytes;

    explicit Image(int32_t n, int32_t l = 1, int32_t a = 1);
    size_t linkTable(int32_t i) const { return 20 + static_cast<size_t>(i) * (4 * N + 4); }
    size_t allocTable(int32_t a) const { return linkTable(L) + static_cast<size_t>(a) * (12 * N + 8); }
    size_t recordArea() const { return 16 + static_cast<size_t>(L) * (4 * N + 4) + static_cast<size_t>(A) * (12 * N + 4); }
    // Lays out header and tables (the file grows to hold them), then seals.
    void build();
    // Recomputes every check word from the bytes.
    void seal();
};

}  // namespace storetest

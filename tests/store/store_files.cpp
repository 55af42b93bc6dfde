#include "store_files.h"

#include "store/best_format.h"
#include "store/record_io.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace storetest {

namespace {

// Memory-backed when there is such a folder: the engine syncs every change,
// which costs milliseconds on a busy disk, and the tests make thousands of
// changes; what they check does not depend on the medium.
std::filesystem::path ScratchRoot() {
    if (access("/dev/shm", W_OK | X_OK) == 0) return "/dev/shm";
    return std::filesystem::temp_directory_path();
}

}  // namespace

TempDir::TempDir() {
    std::string pattern = (ScratchRoot() / "glomerix-store-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteText(const std::string& path, const std::string& text) {
    WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

int32_t WordAt(const std::vector<uint8_t>& bytes, size_t offset) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | bytes.at(offset + static_cast<size_t>(i));
    return static_cast<int32_t>(v);
}

void SetWordAt(std::vector<uint8_t>& bytes, size_t offset, int32_t value) {
    for (size_t i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
}

uint32_t CheckWordOf(const std::vector<uint8_t>& bytes, size_t from, size_t length) {
    uint32_t word = 0;
    for (size_t i = 0; i < length; ++i) {
        const int32_t b = static_cast<int8_t>(bytes.at(from + i));
        word |= static_cast<uint32_t>(b) << (8 * (i % 4));
    }
    return word;
}

void PutRecord(RecordDb& db, int32_t r, const std::vector<uint8_t>& bytes) {
    RecordHandle h = OpenRecord(db, r, MODE_WRITE);
    WriteRecord(h, bytes.data(), static_cast<int32_t>(bytes.size()));
    CloseRecord(h);
}

std::vector<uint8_t> GetRecord(RecordDb& db, int32_t r) {
    RecordHandle h = OpenRecord(db, r, MODE_READ);
    std::vector<uint8_t> bytes(static_cast<size_t>(h.used));
    if (!bytes.empty()) ReadRecord(h, bytes.data(), h.used);
    CloseRecord(h);
    return bytes;
}

BestValues ValuesOf(const std::vector<Vec3>& positions) {
    std::vector<double> xyz;
    for (const Vec3& p : positions) xyz.insert(xyz.end(), {p.x, p.y, p.z});
    const auto n = static_cast<int32_t>(positions.size());
    return {bestformat::EnergyOf(xyz.data(), n), bestformat::MinDistanceOf(xyz.data(), n)};
}

void KillAtTheFirstWriteInPlace() {
    dbio::faultHook = [](dbio::Step step) {
        static int syncsInARow = 0;
        if (step == dbio::Step::Write && syncsInARow >= 2) raise(SIGKILL);
        syncsInARow = step == dbio::Step::Sync ? syncsInARow + 1 : 0;
        return 0;
    };
}

int InChild(void (*body)(const std::string&), const std::string& argument) {
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork");
    if (pid == 0) {
        body(argument);
        _exit(0);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

}  // namespace storetest

namespace storetest {

Image::Image(int32_t n, int32_t l, int32_t a) : N(n), L(l), A(a), links(static_cast<size_t>(n), -1) {}

void Image::build() {
    if (bytes.size() < allocTable(A)) bytes.resize(allocTable(A), 0);
    SetWordAt(bytes, 0, static_cast<int32_t>(0x281F0D9F));
    SetWordAt(bytes, 4, 0x5EED);
    SetWordAt(bytes, 8, A);
    SetWordAt(bytes, 12, L);
    SetWordAt(bytes, 16, N);
    for (int32_t i = 0; i < L; ++i)
        for (int32_t r = 0; r < N; ++r) SetWordAt(bytes, linkTable(i) + 4 + 4 * static_cast<size_t>(r), links[r]);
    for (int32_t t = 0; t < A; ++t) {
        SetWordAt(bytes, allocTable(t) + 4, static_cast<int32_t>(slots.size()));
        for (int32_t k = 0; k < N; ++k) {
            const size_t at = allocTable(t) + 8 + 12 * static_cast<size_t>(k);
            const bool live = static_cast<size_t>(k) < slots.size();
            SetWordAt(bytes, at, live ? slots[k][0] : -1);
            SetWordAt(bytes, at + 4, live ? slots[k][1] : 0);
            SetWordAt(bytes, at + 8, live ? slots[k][2] : 0);
        }
    }
    seal();
}

void Image::seal() {
    for (int32_t i = 0; i < L; ++i)
        SetWordAt(bytes, linkTable(i), static_cast<int32_t>(CheckWordOf(bytes, linkTable(i) + 4, 4 * static_cast<size_t>(N))));
    for (int32_t t = 0; t < A; ++t)
        SetWordAt(bytes, allocTable(t), static_cast<int32_t>(CheckWordOf(bytes, allocTable(t) + 8, 12 * static_cast<size_t>(N))));
}

}  // namespace storetest

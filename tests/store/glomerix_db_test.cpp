// The inspection tool on files made by the engine and the store.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <zlib.h>

#include "etat/particules.h"
#include "store/best_format.h"
#include "store/best_store.h"
#include "store/record_db.h"
#include "store/record_journal.h"
#include "store_files.h"

using namespace storetest;

namespace {

struct ToolRun {
    std::string out;
    int status;
};

// Standard error joins standard output unless `erreurs` says where it goes.
ToolRun Inspect(const std::string& path, const std::string& options = "--dump", const char* erreurs = "2>&1") {
    const std::string command =
        std::string(GLOMERIX_BINARY_DIR "/glomerix-db ") + options + " '" + path + "' " + erreurs;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return {"", -1};
    ToolRun run{"", 0};
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

bool Has(const ToolRun& run, const std::string& text) { return run.out.find(text) != std::string::npos; }

std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

TEST(GlomerixDbTest, ShowsANewDatabase) {
    TempDir dir;
    const std::string path = dir.file("new.dat");
    CreateDatabase(path, 10000);
    const ToolRun run = Inspect(path);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(Has(run, "length: 160032 bytes\n")) << run.out;
    EXPECT_TRUE(Has(run, "magic: 0x281F0D9F (database)\n")) << run.out;
    EXPECT_TRUE(Has(run, "A: 1\nL: 1\nN: 10000\nrecordAreaBase: 160024\n")) << run.out;
    EXPECT_TRUE(Has(run, "link table 0 at 20: check word stored 0xFFFFFFFF, recomputed 0xFFFFFFFF (ok)\n"))
        << run.out;
    EXPECT_TRUE(Has(run, "allocation table 0 at 40024: check word stored 0xFFFFFFFF, recomputed 0xFFFFFFFF (ok)\n"))
        << run.out;
    EXPECT_TRUE(Has(run, "allocCount: 0\ntables: coherent\nrecords:\n")) << run.out;
}

TEST(GlomerixDbTest, ShowsRecordsAndTheBestValuesOfCounts) {
    TempDir dir;
    setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    ASSERT_TRUE(OuvrirBase());
    std::vector<Vec3> positions;
    for (int i = 0; i < 5; ++i) positions.push_back(fromAngles(1.25 * i, 0.5 + 0.5 * i));
    const BestValues v = ValuesOf(positions);
    MettreAJourReferences(5, v.energy, v.minDistance, positions);
    MarquerValide(5, true);
    SauverModes();
    FermerBase();

    const ToolRun run = Inspect(databasePath);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(Has(run, "allocCount: 3\n")) << run.out;
    // One byte a switch, up to the last one's (MINIMA, the eleventh).
    EXPECT_TRUE(Has(run, "  record 0: entry 2 offset 1510 size 100 used 11\n")) << run.out;
    EXPECT_TRUE(Has(run, "  record 1: entry 1 offset 260 size 1250 used 1250\n")) << run.out;
    char line[200];
    std::snprintf(line, sizeof line, "  record 5: entry 0 offset 0 size 260 used 260  energy %.17g  distance %.17g\n",
                  v.energy, v.minDistance);
    EXPECT_TRUE(Has(run, line)) << run.out;
}

TEST(GlomerixDbTest, ReportsDamageAndForeignFiles) {
    TempDir dir;
    const std::string path = dir.file("damaged.dat");
    CreateDatabase(path, 100);
    std::vector<uint8_t> bytes = ReadFile(path);
    SetWordAt(bytes, 20, 0x00000F00);
    WriteFile(path, bytes);
    ToolRun run = Inspect(path);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Has(run, "link table 0 at 20: check word stored 0x00000F00, recomputed 0xFFFFFFFF (MISMATCH)\n"))
        << run.out;

    SetWordAt(bytes, 20, -1);
    SetWordAt(bytes, 24 + 4 * 3, 7);  // record 3 -> entry 7, beyond allocCount 0
    WriteFile(path, bytes);
    run = Inspect(path);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Has(run, "tables: error 5\n")) << run.out;
    EXPECT_TRUE(Has(run, "  record 3: link 7 outside the allocation table\n")) << run.out;

    WriteFile(path, std::vector<uint8_t>(bytes.begin(), bytes.begin() + 1000));
    run = Inspect(path);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Has(run, "header: error 2\n")) << run.out;

    WriteText(path, "plain text, long enough for a header\n");
    run = Inspect(path);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Has(run, "(not a database)")) << run.out;

    run = Inspect(dir.file("absent.dat"));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run, reinterpret_cast<const char*>(u8"ne peut pas être lu"))) << run.out;
}

// A store's file with counts 12, 20 and 32, 20 marked, the switches saved.
class CheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
        ASSERT_TRUE(OuvrirBase());
        for (const int n : {12, 20, 32}) {
            std::vector<Vec3> positions;
            for (int i = 0; i < n; ++i) positions.push_back(fromAngles(2.4 * i, std::acos(1.0 - (2.0 * i + 1.0) / n)));
            const BestValues v = ValuesOf(positions);
            MettreAJourReferences(n, v.energy, v.minDistance, positions);
        }
        MarquerValide(20, true);
        SauverModes();
        FermerBase();
        path = databasePath;
        sound = ReadFile(path);
    }

    // Record r's entry and the file offset of its bytes.
    size_t Slot(int32_t r) const { return 40032 + 12 * static_cast<size_t>(WordAt(sound, 24 + 4 * static_cast<size_t>(r))); }
    size_t Bytes(int32_t r) const { return 160024 + static_cast<size_t>(WordAt(sound, Slot(r))); }

    ToolRun CheckWith(const std::vector<uint8_t>& bytes) {
        WriteFile(path, bytes);
        return Inspect(path, "--check");
    }

    TempDir dir;
    std::string path;
    std::vector<uint8_t> sound;
};

TEST_F(CheckTest, ASoundStoreFilePasses) {
    const ToolRun run = Inspect(path, "--check");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out, "file: " + path + "\ncheck: sound\n");
}

// The mix-up a torn table write made: links shifted by one, each count
// reading its neighbour's bytes. Check words and table invariants hold; the
// sizes give it away.
TEST_F(CheckTest, LinksToAnotherCountsBytesAreFound) {
    std::vector<uint8_t> bytes = sound;
    const int32_t twelve = WordAt(sound, 24 + 4 * 12), twenty = WordAt(sound, 24 + 4 * 20);
    SetWordAt(bytes, 24 + 4 * 12, twenty);
    SetWordAt(bytes, 24 + 4 * 20, twelve);
    SetWordAt(bytes, 20, static_cast<int32_t>(CheckWordOf(bytes, 24, 40000)));
    ASSERT_EQ(Inspect(path).status, 0);  // the tables alone look coherent
    const ToolRun run = CheckWith(bytes);
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_TRUE(Has(run, "problem: record 12: 980 bytes allocated, a record of 12 points has 596 (or 592 before the count "
                         "was kept in it): not this count's bytes\n"))
        << run.out;
    EXPECT_TRUE(Has(run, "problem: record 20: 596 bytes allocated, a record of 20 points has 980 (or 976 before the count "
                         "was kept in it): not this count's bytes\n"))
        << run.out;
    EXPECT_TRUE(Has(run, "check: 2 faults\n")) << run.out;
}

TEST_F(CheckTest, ValuesNoConfigurationCanHaveAreSuspect) {
    std::vector<uint8_t> bytes = sound;
    const double low = 60.249632, far = 2.5, nan = std::nan("");
    std::memcpy(&bytes[Bytes(20)], &low, sizeof low);
    std::memcpy(&bytes[Bytes(32) + bestformat::kDistanceOffset], &far, sizeof far);
    std::memcpy(&bytes[Bytes(12)] + bestformat::PositionSetOffset(12, false) + bestformat::kPositionSize * 3, &far, sizeof far);
    ToolRun run = CheckWith(bytes);
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_TRUE(Has(run, "suspect: record 20: energy 60.249631999999998 below 139.23901410979823, the least 20 points "
                         "can have\n")) << run.out;
    EXPECT_TRUE(Has(run, "suspect: record 32: minimum distance 2.5 outside (0, ")) << run.out;
    EXPECT_TRUE(Has(run, "suspect: record 12: position 3 of the best distance off the unit sphere")) << run.out;

    bytes = sound;
    std::memcpy(&bytes[Bytes(32)], &nan, sizeof nan);
    run = CheckWith(bytes);
    EXPECT_TRUE(Has(run, "problem: record 32: values not finite (nan, ")) << run.out;
}

// Bytes of another count of the same size: the count written in them shows
// it. A value that is not that of its positions (a bit of the energy
// flipped, a coordinate's sign) passes every bound: recomputed, it does not.
TEST_F(CheckTest, AnotherCountsBytesAndValuesThatAreNotTheirPositions) {
    std::vector<uint8_t> bytes = sound;
    SetWordAt(bytes, Bytes(12) + static_cast<size_t>(bestformat::CountRecordSize(12)), 13);
    bytes[Bytes(20) + 5] ^= 0x08;
    bytes[Bytes(32) + static_cast<size_t>(bestformat::PositionSetOffset(32, false)) + 7] ^= 0x80;
    const ToolRun run = CheckWith(bytes);
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_TRUE(Has(run, "problem: record 12: holds the count 13: not this count's bytes\n")) << run.out;
    EXPECT_TRUE(Has(run, "problem: record 20: best energy ")) << run.out;
    EXPECT_TRUE(Has(run, "problem: record 32: best distance ")) << run.out;
    EXPECT_TRUE(Has(run, "check: 3 faults\n")) << run.out;
}

TEST_F(CheckTest, TheStoresOtherRecordsAndIncompleteCounts) {
    setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    auto db = OpenDatabase(path);
    ResizeRecord(*db, 0, 120);
    CreateRecord(*db, 2, 8);
    CreateRecord(*db, 40, bestformat::CountRecordSize(40));
    PutRecord(*db, 40, std::vector<uint8_t>(100, 0));
    db.reset();
    const ToolRun run = Inspect(path, "--check");
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_TRUE(Has(run, "problem: record 0: 120 bytes allocated instead of 100\n")) << run.out;
    EXPECT_TRUE(Has(run, "problem: record 2: not a record of the store\n")) << run.out;
    EXPECT_TRUE(Has(run, "problem: record 40: 100 of 1936 bytes written\n")) << run.out;
}

// A change stopped with its journal complete: the check sees the file as the
// next opening will.
TEST_F(CheckTest, AFileIsJudgedWithItsJournalReplayed) {
    std::vector<uint8_t> torn = sound;
    SetWordAt(torn, 40028, 2);  // allocCount written, the rest not: a link now points past it
    dbjournal::Journal journal;
    journal.header = {WordAt(sound, 4), 1, 1, 10000};
    journal.length = static_cast<int64_t>(sound.size());
    std::vector<uint8_t> count(sound.begin() + 40028, sound.begin() + 40032);
    journal.chunks.push_back({40028, 0, count});
    std::vector<uint8_t> old(torn.begin() + 40028, torn.begin() + 40032);
    journal.chunks.back().before = static_cast<uint32_t>(crc32(0, old.data(), 4));
    WriteFile(path, torn);
    ToolRun run = Inspect(path, "--check");
    EXPECT_EQ(run.status, 2) << run.out;
    WriteFile(path + "-journal", dbjournal::Encode(journal));
    run = Inspect(path, "--check");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(Has(run, "journal: complete, 1 chunks, replayed here as at the next opening\n")) << run.out;
    EXPECT_EQ(ReadFile(path), torn);  // read only
    // Through a link: the journal of the file it names.
    const std::string link = dir.file("link.dat");
    std::filesystem::create_symlink(path, link);
    run = Inspect(link, "--check");
    EXPECT_EQ(run.status, 0) << run.out;
}

// A file that sessions have open is judged as it stands. A change under
// way holds the lock: the check waits a few seconds for it, then says the
// file is locked (status 3) instead of reporting faults that may not be
// there. The plain dump goes on, saying so.
TEST_F(CheckTest, AChangeUnderWayIsWaitedForThenNotJudged) {
    setenv("GLOMERIX_ATTENTE_VERROU_MS", "500", 1);
    auto db = OpenDatabase(path);
    EXPECT_EQ(Inspect(path, "--check").status, 0);
    BeginChanges(*db);
    ToolRun run = Inspect(path, "--check");
    EXPECT_EQ(run.status, 3) << run.out;
    EXPECT_TRUE(Has(run, U8(u8"verrouillé"))) << run.out;
    EXPECT_FALSE(Has(run, "check:")) << run.out;
    run = Inspect(path);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(Has(run, U8(u8"verrouillé"))) << run.out;
    // A list or an export is not made from a file caught in the middle of a change.
    run = Inspect(path, "--liste");
    EXPECT_EQ(run.status, 3) << run.out;
    EXPECT_TRUE(Has(run, U8(u8"rien n'est listé"))) << run.out;
    CancelChanges(*db);
    EXPECT_EQ(Inspect(path, "--check").status, 0);
    unsetenv("GLOMERIX_ATTENTE_VERROU_MS");
}

TEST(GlomerixDbTest, Usage) {
    TempDir dir;
    for (const char* arguments :
         {"--verify x", "x --fusionner", "x --merge y", "x y", "--exporter 2 x", "--exporter 10000 x",
          "--exporter 12x x", "--exporter x", "--dump --liste x", "--distance x", "--liste --distance x",
          "--liste --format xyz x", "--exporter 12 --format texte x", "--check --format csv x", "--format"}) {
        const std::string command = std::string(GLOMERIX_BINARY_DIR "/glomerix-db ") + arguments + " >/dev/null 2>&1";
        EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 1) << arguments;
    }
    // --help and --version on standard output, status 0, whatever follows.
    ToolRun run = Inspect("x", "--help", "2>/dev/null");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("Usage : glomerix-db", 0), 0u) << run.out;
    EXPECT_TRUE(Has(run, "--exporter N")) << run.out;
    run = Inspect("x", "-V", "2>/dev/null");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "glomerix-db " GLOMERIX_VERSION "\n");
    // A line it does not take: why, then the usage, on standard error only.
    run = Inspect("x", "--liste --format yaml", "2>&1 >/dev/null");
    EXPECT_EQ(run.out.rfind(U8(u8"glomerix-db : format inconnu yaml"), 0), 0u) << run.out;
    EXPECT_TRUE(Has(run, "Usage : glomerix-db")) << run.out;
}

// --- --fusionner ------------------------------------------------------------------

// Random points on the sphere; from seed 1000 on, crowded into a small cap
// around the pole (worse in energy and in distance than any spread).
std::vector<Vec3> RandomPoints(int n, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> normal;
    const double spread = seed >= 1000 ? 0.01 : 1.0;
    std::vector<Vec3> points;
    for (int i = 0; i < n; ++i) {
        Vec3 p{spread * normal(random), spread * normal(random), seed >= 1000 ? 1.0 : normal(random)};
        setLength(p, 1.0);
        points.push_back(p);
    }
    return points;
}

// A store file holding, for each count, the random configurations of the
// seeds given (INFO with each in turn), and the marks.
struct Side {
    std::map<int, std::vector<unsigned>> seeds;
    std::vector<int> marks;
};

void Make(const std::string& path, const Side& side) {
    ASSERT_TRUE(OuvrirBase(path));
    for (const auto& [n, seeds] : side.seeds) {
        for (const unsigned seed : seeds) {
            const std::vector<Vec3> p = RandomPoints(n, seed);
            const BestValues v = ValuesOf(p);
            MettreAJourReferences(n, v.energy, v.minDistance, p);
        }
    }
    for (const int n : side.marks) MarquerValide(n, true);
    FermerBase();
}

ToolRun MergeInto(const std::string& target, const std::vector<std::string>& others) {
    std::string arguments = "--fusionner";
    for (const std::string& other : others) arguments += " '" + other + "'";
    const std::string command =
        std::string(GLOMERIX_BINARY_DIR "/glomerix-db '") + target + "' " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ToolRun run{"", -1};
    if (pipe == nullptr) return run;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class MergeTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Counts on both sides, on one only, and above the positions' limit.
        Make(a, {{{5, {1}}, {6, {2, 3}}, {7, {4}}, {3001, {5}}}, {5}});
        Make(b, {{{5, {11}}, {6, {12}}, {8, {13}}, {3001, {14}}}, {8}});
        Make(target, {{{5, {1021}}, {9, {22}}}, {9}});
    }

    // What the record of n must hold: the best of every configuration written
    // for n on any side, each value with its positions.
    void Expect(int n, const std::vector<unsigned>& seeds) {
        BestValues best{INFINITY, 0.0};
        std::vector<Vec3> energyPositions, distancePositions;
        for (const unsigned seed : seeds) {
            const std::vector<Vec3> p = RandomPoints(n, seed);
            const BestValues v = ValuesOf(p);
            if (v.energy < best.energy) best.energy = v.energy, energyPositions = p;
            if (v.minDistance > best.minDistance) best.minDistance = v.minDistance, distancePositions = p;
        }
        const BestValues stored = LireReferences(n);
        EXPECT_EQ(stored.energy, best.energy) << n;
        EXPECT_EQ(stored.minDistance, best.minDistance) << n;
        if (n >= bestformat::kPositionsBelow) return;
        for (const bool byEnergy : {true, false}) {
            std::vector<Vec3> loaded(static_cast<size_t>(n));
            ASSERT_TRUE(ChargerPosition(n, byEnergy, loaded)) << n;
            const std::vector<Vec3>& expected = byEnergy ? energyPositions : distancePositions;
            for (size_t i = 0; i < loaded.size(); ++i)
                EXPECT_TRUE(loaded[i].x == expected[i].x && loaded[i].y == expected[i].y && loaded[i].z == expected[i].z)
                    << n << (byEnergy ? " energy" : " distance") << " position " << i;
        }
    }

    TempDir dir;
    std::string a = dir.file("a.dat"), b = dir.file("b.dat"), target = dir.file("target.dat");
};

TEST_F(MergeTest, TheBetterOfEachSideWinsWithItsPositions) {
    ToolRun run = MergeInto(target, {a, b});
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out, U8(u8"Fusion dans ") + target +
                           U8(u8" : 5 enregistrements ajoutés ou améliorés, 2 marques ajoutées.\n"));
    EXPECT_EQ(Inspect(target, "--check").status, 0);
    ASSERT_TRUE(OuvrirBase(target));
    Expect(5, {1, 11, 1021});
    Expect(6, {2, 3, 12});
    Expect(7, {4});
    Expect(8, {13});
    Expect(9, {22});
    Expect(3001, {5, 14});
    for (const int n : {5, 8, 9}) EXPECT_TRUE(EstValide(n)) << n;
    for (const int n : {6, 7, 3001}) EXPECT_FALSE(EstValide(n)) << n;
    FermerBase();
    // Nothing better the second time: the file is left as it is.
    const std::vector<uint8_t> merged = ReadFile(target);
    run = MergeInto(target, {b, a});
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out, U8(u8"Fusion dans ") + target + U8(u8" : 0 enregistrement ajouté ou amélioré, 0 marque ajoutée.\n"));
    EXPECT_EQ(ReadFile(target), merged);
    // Into a file that does not exist yet: made from the others.
    const std::string fresh = dir.file("fresh.dat");
    EXPECT_EQ(MergeInto(fresh, {a}).status, 0);
    ASSERT_TRUE(OuvrirBase(fresh));
    Expect(6, {2, 3});
    EXPECT_EQ(LireReferences(8).minDistance, 0.0);
    FermerBase();
}

// A damaged record of another file is passed over, the rest merged; a file
// that is no sound database, or cannot be read, stops the merge before the
// target is touched.
TEST_F(MergeTest, DamagedRecordsAndFilesAreNotMerged) {
    std::vector<uint8_t> bytes = ReadFile(b);
    auto db = OpenDatabase(b);
    const int64_t at = RecordAreaBase(*db) + RecordOffset(*db, 6) + bestformat::PositionSetOffset(6, true) + 3;
    db.reset();
    bytes[static_cast<size_t>(at)] ^= 0x40;  // the energy no longer that of its positions
    WriteFile(b, bytes);
    ToolRun run = MergeInto(target, {a, b});
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find(U8(u8"l'enregistrement de 6 particules de ") + b + U8(u8" est endommagé")), std::string::npos)
        << run.out;
    ASSERT_TRUE(OuvrirBase(target));
    Expect(6, {2, 3});
    Expect(8, {13});
    FermerBase();

    const std::vector<uint8_t> before = ReadFile(target);
    const std::string text = dir.file("text.dat");
    WriteText(text, "plain text, long enough for a header\n");
    run = MergeInto(target, {a, text});
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_NE(run.out.find(U8(u8"n'est pas une base de données saine")), std::string::npos) << run.out;
    run = MergeInto(target, {dir.file("absent.dat"), a});
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_EQ(ReadFile(target), before);
    EXPECT_NE(MergeInto(dir.file("new.dat"), {text}).status, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("new.dat")));
}

// --- --liste and --exporter -------------------------------------------------------

bool Same(const Vec3& a, const Vec3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// Every record's values to the last bit, with its mark, in each format.
TEST_F(CheckTest, ListsTheRecordsInFull) {
    ASSERT_TRUE(OuvrirBase(path));
    std::map<int, BestValues> stored;
    for (const int n : {12, 20, 32}) stored[n] = LireReferences(n);
    FermerBase();

    ToolRun run = Inspect(path, "--liste --format json", "2>/dev/null");
    ASSERT_EQ(run.status, 0);
    const nlohmann::json liste = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_TRUE(liste.is_array()) << run.out;
    std::map<int, int> seen;
    for (const nlohmann::json& r : liste) {
        const int n = r.at("n").get<int>();
        ++seen[n];
        EXPECT_EQ(r.at("energy").get<double>(), stored[n].energy) << n;
        EXPECT_EQ(r.at("min_distance").get<double>(), stored[n].minDistance) << n;
        EXPECT_EQ(r.at("marked").get<bool>(), n == 20) << n;
    }
    EXPECT_EQ(seen, (std::map<int, int>{{12, 1}, {20, 1}, {32, 1}})) << run.out;

    run = Inspect(path, "--format csv --liste", "2>/dev/null");
    ASSERT_EQ(run.status, 0);
    std::istringstream csv(run.out);
    std::string line;
    std::getline(csv, line);
    EXPECT_EQ(line, "n,energy,min_distance,marked");
    seen.clear();
    while (std::getline(csv, line)) {
        int n = 0, marked = -1;
        double e = 0.0, d = 0.0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%d,%lf,%lf,%d", &n, &e, &d, &marked), 4) << line;
        ++seen[n];
        EXPECT_EQ(e, stored[n].energy) << line;
        EXPECT_EQ(d, stored[n].minDistance) << line;
        EXPECT_EQ(marked, n == 20 ? 1 : 0) << line;
    }
    EXPECT_EQ(seen, (std::map<int, int>{{12, 1}, {20, 1}, {32, 1}})) << run.out;

    // Without an action: the table, the mark in words.
    run = Inspect(path, "", "2>/dev/null");
    EXPECT_EQ(run.status, 0);
    for (const int n : {12, 20, 32}) {
        char row[100];
        std::snprintf(row, sizeof row, "%10d  %-23.17g  %-23.17g  %s\n", n, stored[n].energy, stored[n].minDistance,
                      n == 20 ? "oui" : "non");
        EXPECT_TRUE(Has(run, row)) << run.out;
    }
}

// A record whose bytes are damaged is passed over with a warning; the others
// are listed.
TEST_F(CheckTest, ADamagedRecordIsLeftOutOfTheList) {
    std::vector<uint8_t> bytes = sound;
    bytes[Bytes(12) + 3] ^= 0x40;  // the energy no longer one 12 points can have, or not that of its positions
    bytes[Bytes(12) + 7] ^= 0x7f;
    WriteFile(path, bytes);
    ToolRun run = Inspect(path, "--liste --format csv", "2>/dev/null");
    EXPECT_EQ(run.status, 0);
    EXPECT_FALSE(Has(run, "\n12,")) << run.out;
    EXPECT_TRUE(Has(run, "\n20,")) << run.out;
    run = Inspect(path, "--liste", "2>&1 >/dev/null");
    EXPECT_TRUE(Has(run, U8(u8"l'enregistrement de 12 particules de ") + path + U8(u8" est endommagé"))) << run.out;
    EXPECT_EQ(Inspect(path, "--exporter 12", "2>/dev/null").status, 1);
}

// Two random configurations of n points, one lower in energy, the other
// wider apart: the seeds of each.
std::pair<unsigned, unsigned> EnergyAndDistanceApart(int n) {
    const BestValues first = ValuesOf(RandomPoints(n, 1));
    for (unsigned seed = 2; seed < 200; ++seed) {
        const BestValues v = ValuesOf(RandomPoints(n, seed));
        if (v.energy < first.energy && v.minDistance < first.minDistance) return {seed, 1};
        if (v.energy > first.energy && v.minDistance > first.minDistance) return {1, seed};
    }
    return {0, 0};
}

std::vector<Vec3> Triples(const nlohmann::json& positions) {
    std::vector<Vec3> p;
    for (const nlohmann::json& t : positions)
        p.push_back({t.at(0).get<double>(), t.at(1).get<double>(), t.at(2).get<double>()});
    return p;
}

// The best energy's configuration, or the best distance's, to the last bit in
// XYZ, CSV and JSON, with what the XYZ comment and the JSON say of it.
TEST(ExportTest, TheConfigurationOfEachBestInEachFormat) {
    TempDir dir;
    const std::string base = dir.file("export.dat");
    const auto [energySeed, distanceSeed] = EnergyAndDistanceApart(9);
    ASSERT_NE(energySeed, 0u);
    Make(base, {{{9, {energySeed, distanceSeed}}, {3001, {5}}}, {}});

    for (const bool byDistance : {false, true}) {
        const std::vector<Vec3> expected = RandomPoints(9, byDistance ? distanceSeed : energySeed);
        const BestValues v = ValuesOf(expected);
        const std::string exporter = byDistance ? "--exporter 9 --distance" : "--exporter=9";

        ToolRun run = Inspect(base, exporter, "2>/dev/null");
        ASSERT_EQ(run.status, 0);
        std::istringstream xyz(run.out);
        std::string count, comment, symbol;
        std::getline(xyz, count);
        std::getline(xyz, comment);
        EXPECT_EQ(count, "9");
        char line[300];
        std::snprintf(line, sizeof line, "n=9 s=1 energy=%.17g riesz_energy=%.17g min_distance=%.17g", v.energy,
                      v.energy, v.minDistance);
        EXPECT_EQ(comment, line);
        for (const Vec3& p : expected) {
            Vec3 q;
            xyz >> symbol >> q.x >> q.y >> q.z;
            EXPECT_EQ(symbol, "X");
            EXPECT_TRUE(Same(p, q)) << run.out;
        }
        EXPECT_FALSE(xyz >> symbol) << run.out;

        run = Inspect(base, exporter + " --format csv", "2>/dev/null");
        ASSERT_EQ(run.status, 0);
        std::istringstream csv(run.out);
        std::getline(csv, comment);
        EXPECT_EQ(comment, "x,y,z");
        for (const Vec3& p : expected) {
            Vec3 q;
            std::getline(csv, comment);
            ASSERT_EQ(std::sscanf(comment.c_str(), "%lf,%lf,%lf", &q.x, &q.y, &q.z), 3) << comment;
            EXPECT_TRUE(Same(p, q)) << run.out;
        }
        EXPECT_FALSE(std::getline(csv, comment)) << run.out;

        run = Inspect(base, exporter + " --format json", "2>/dev/null");
        ASSERT_EQ(run.status, 0);
        const nlohmann::json j = nlohmann::json::parse(run.out, nullptr, false);
        ASSERT_TRUE(j.is_object()) << run.out;
        EXPECT_EQ(j.at("n").get<int>(), 9);
        EXPECT_EQ(j.at("s").get<double>(), 1.0);
        EXPECT_EQ(j.at("energy").get<double>(), v.energy);
        EXPECT_EQ(j.at("riesz_energy").get<double>(), v.energy);
        EXPECT_EQ(j.at("min_distance").get<double>(), v.minDistance);
        const std::vector<Vec3> read = Triples(j.at("positions"));
        ASSERT_EQ(read.size(), expected.size());
        for (size_t i = 0; i < read.size(); ++i) EXPECT_TRUE(Same(read[i], expected[i])) << i;
    }

    // Nothing to export: a count without a record, one kept without positions.
    ToolRun run = Inspect(base, "--exporter 10", "2>&1");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, U8(u8"glomerix-db : ") + base +
                           U8(u8" n'a pas de record sain de 10 particules ; rien n'est exporté.\n"));
    run = Inspect(base, "--exporter 3001", "2>&1");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run, U8(u8"ne garde que les valeurs"))) << run.out;
    // A full disk: told, and not taken for an export made.
    run = Inspect(base, "--exporter 9 --format json", "2>&1 >/dev/full");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, U8(u8"glomerix-db : la sortie standard n'a pas pu être écrite en entier.\n"));
    run = Inspect(dir.file("absent.dat"), "--exporter 9", "2>&1");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run, U8(u8"ne peut pas être lu"))) << run.out;
}

}  // namespace

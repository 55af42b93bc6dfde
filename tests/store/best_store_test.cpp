// The best-configuration store on a real file in a scratch XDG_DATA_HOME.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "etat/modes.h"
#include "etat/particules.h"
#include "store/best_format.h"
#include "store/best_store.h"
#include "store/record_io.h"
#include "store_files.h"

using namespace storetest;
using bestformat::CountRecordSize;
using bestformat::TaggedRecordSize;

namespace {

std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// Deterministic unit positions for n particles.
void PlaceParticles(int n, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> normal;
    etat.count = n;
    etat.particles.assign(static_cast<size_t>(n), ParticleRecord{});
    for (ParticleRecord& p : etat.particles) {
        p.position = {normal(random), normal(random), normal(random)};
        setLength(p.position, 1.0);
    }
    MarquerDeplacement();
}

std::vector<Vec3> Positions() {
    std::vector<Vec3> out;
    for (const ParticleRecord& p : etat.particles) out.push_back(p.position);
    return out;
}

// The store's calls with the current particles, as the shell makes them.
BestValues Update(int n, double energy, double minDistance) {
    return MettreAJourReferences(n, energy, minDistance, Positions());
}

// INFO with the current particles: their own energy and minimum distance.
BestValues Info(int n) {
    const BestValues v = ValuesOf(Positions());
    return MettreAJourReferences(n, v.energy, v.minDistance, Positions());
}

// Places n particles from the first seed after `after` whose values pass test.
template <typename Test>
BestValues PlaceWhere(int n, unsigned after, Test test) {
    for (unsigned seed = after + 1;; ++seed) {
        PlaceParticles(n, seed);
        const BestValues v = ValuesOf(Positions());
        if (test(v)) return v;
    }
}

bool Load(int n, bool byEnergy) {
    std::vector<Vec3> p = Positions();
    if (!ChargerPosition(n, byEnergy, p)) return false;
    for (size_t i = 0; i < p.size(); ++i) etat.particles[i].position = p[i];
    MarquerDeplacement();
    return true;
}

bool Same(const std::vector<Vec3>& a, const std::vector<Vec3>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].x != b[i].x || a[i].y != b[i].y || a[i].z != b[i].z) return false;
    return true;
}

class Env {
public:
    explicit Env(const char* name) : name_(name) {
        if (const char* v = std::getenv(name)) saved_ = v;
    }
    ~Env() {
        if (saved_) setenv(name_, saved_->c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> saved_;
};

class BestStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_DATA_HOME", data.c_str(), 1);
        databasePath.clear();
        PlaceParticles(5, 1);
    }
    void TearDown() override {
        try {
            FermerBase();
        } catch (const DbError&) {
        }
    }
    bool Open() {
        testing::internal::CaptureStdout();
        const bool ok = OuvrirBase();
        opening = testing::internal::GetCapturedStdout();
        return ok;
    }
    RecordDb& Db() { return *database; }

    TempDir dir;
    std::string data = (dir.path() / "data" / "deeper").string();
    std::string file = data + "/glomerix.dat";
    std::string opening;
    Env xdg{"XDG_DATA_HOME"}, home{"HOME"};
};

TEST_F(BestStoreTest, OpeningCreatesFolderAndDatabase) {
    ASSERT_TRUE(Open());
    EXPECT_EQ(opening, "");
    EXPECT_TRUE(databaseAvailable);
    EXPECT_EQ(databasePath, file);
    EXPECT_EQ(ReadFile(file).size(), 160032u);
    EXPECT_EQ(Db().header.N, 10000);
    FermerBase();
    EXPECT_FALSE(databaseAvailable);
    ASSERT_TRUE(Open());  // and opens it again as it is
    EXPECT_EQ(opening, "");
}

TEST_F(BestStoreTest, FolderComesFromXdgElseHomeElseTheWorkingFolder) {
    setenv("HOME", dir.path().c_str(), 1);
    setenv("XDG_DATA_HOME", "relative/ignored", 1);
    ASSERT_TRUE(Open());
    EXPECT_EQ(databasePath, (dir.path() / ".local/share/glomerix.dat").string());
    FermerBase();

    unsetenv("XDG_DATA_HOME");
    setenv("HOME", "/dev/null/nowhere", 1);
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    const bool ok = Open();
    const int back = chdir(cwd);
    ASSERT_TRUE(ok);
    ASSERT_EQ(back, 0);
    EXPECT_EQ(databasePath, "./glomerix.dat");
    EXPECT_EQ(ReadFile((dir.path() / "glomerix.dat").string()).size(), 160032u);
}

TEST_F(BestStoreTest, FirstAndSecondInfoForACount) {
    ASSERT_TRUE(Open());
    PlaceParticles(5, 1);
    const std::vector<Vec3> first = Positions();
    const BestValues a = ValuesOf(first);
    BestValues v = Info(5);
    EXPECT_EQ(v.energy, a.energy);
    EXPECT_EQ(v.minDistance, a.minDistance);
    EXPECT_EQ(RecordSize(Db(), 5), TaggedRecordSize(5));
    EXPECT_EQ(RecordUsed(Db(), 5), TaggedRecordSize(5));

    // Worse energy, better distance.
    const BestValues b = PlaceWhere(5, 1, [&](BestValues w) { return w.energy > a.energy && w.minDistance > a.minDistance; });
    const std::vector<Vec3> second = Positions();
    v = Info(5);
    EXPECT_EQ(v.energy, a.energy);
    EXPECT_EQ(v.minDistance, b.minDistance);

    // Values equal to the stored ones change nothing.
    const std::vector<uint8_t> before = ReadFile(file);
    for (const std::vector<Vec3>* p : {&first, &second}) {
        for (int i = 0; i < 5; ++i) etat.particles[i].position = (*p)[i];
        v = Info(5);
        EXPECT_EQ(v.energy, a.energy);
        EXPECT_EQ(v.minDistance, b.minDistance);
    }
    EXPECT_EQ(ReadFile(file), before);

    ASSERT_TRUE(Load(5, true));
    EXPECT_TRUE(Same(Positions(), first));
    ASSERT_TRUE(Load(5, false));
    EXPECT_TRUE(Same(Positions(), second));
    v = LireReferences(5);
    EXPECT_EQ(v.energy, a.energy);
    EXPECT_EQ(v.minDistance, b.minDistance);
    EXPECT_FALSE(Load(6, true));
}

TEST_F(BestStoreTest, LargeCountsKeepValuesOnly) {
    ASSERT_TRUE(Open());
    PlaceParticles(3000, 4);
    Update(3000, 4.5e6, 0.02);
    BestValues v = Update(3000, 4.4e6, 0.03);
    EXPECT_EQ(v.energy, 4.4e6);
    EXPECT_EQ(v.minDistance, 0.03);
    EXPECT_EQ(RecordSize(Db(), 3000), TaggedRecordSize(3000));
    EXPECT_EQ(RecordUsed(Db(), 3000), TaggedRecordSize(3000));
    EXPECT_FALSE(Load(3000, true));
    EXPECT_FALSE(Load(3000, false));
    PlaceParticles(2999, 5);
    Info(2999);
    EXPECT_EQ(RecordSize(Db(), 2999), TaggedRecordSize(2999));
    EXPECT_TRUE(Load(2999, false));
}

TEST_F(BestStoreTest, DamagedCountRecordsAreDroppedOrRefused) {
    ASSERT_TRUE(Open());
    CreateRecord(Db(), 8, 100);  // fewer than 16 bytes written
    RecordHandle h = OpenRecord(Db(), 8, MODE_WRITE);
    WriteRecord(h, "abcd", 4);
    CloseRecord(h);
    BestValues v = LireReferences(8);
    EXPECT_EQ(v.minDistance, 0.0);
    EXPECT_FALSE(RecordExists(Db(), 8));
    EXPECT_EQ(LireReferences(9).energy, 0.0);

    CreateRecord(Db(), 8, 10);
    PlaceParticles(8, 6);
    v = Info(8);  // the short record is replaced
    EXPECT_EQ(v.energy, ValuesOf(Positions()).energy);
    EXPECT_EQ(RecordSize(Db(), 8), TaggedRecordSize(8));

    // Positions that are not numbers are not loaded: their record goes.
    h = OpenRecord(Db(), 8, MODE_WRITE);
    SeekRecord(h, bestformat::PositionSetOffset(8, true), SEEK_FROM_START);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    WriteRecord(h, &nan, sizeof nan);
    CloseRecord(h);
    PlaceParticles(8, 7);
    const std::vector<Vec3> current = Positions();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Load(8, false));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("ne sont pas celles de ses positions"), std::string::npos);
    EXPECT_TRUE(Same(Positions(), current));
    EXPECT_FALSE(RecordExists(Db(), 8));
}

TEST_F(BestStoreTest, ValidityBits) {
    ASSERT_TRUE(Open());
    EXPECT_FALSE(EstValide(17));
    MarquerValide(17, true);
    EXPECT_EQ(RecordSize(Db(), 1), 1250);
    EXPECT_EQ(RecordUsed(Db(), 1), 1250);
    EXPECT_TRUE(EstValide(17));
    EXPECT_FALSE(EstValide(16));
    EXPECT_FALSE(EstValide(18));
    MarquerValide(9999, true);
    MarquerValide(3, true);
    RecordHandle h = OpenRecord(Db(), 1, MODE_READ);
    std::vector<uint8_t> bits(1250);
    ReadRecord(h, bits.data(), 1250);
    CloseRecord(h);
    EXPECT_EQ(bits[0], 0x08);
    EXPECT_EQ(bits[2], 0x02);
    EXPECT_EQ(bits[1249], 0x80);
    MarquerValide(17, false);
    EXPECT_FALSE(EstValide(17));
    EXPECT_TRUE(EstValide(9999));
    EXPECT_TRUE(EstValide(3));
}

TEST_F(BestStoreTest, ModesComeBackOnTheNextRun) {
    ASSERT_TRUE(Open());
    ChargerModes();  // no record 0 yet: defaults
    EXPECT_TRUE(modes.info);
    EXPECT_FALSE(modes.axes);
    modes.info = false;
    modes.particules = false;
    modes.lignes = false;
    modes.polygones = false;
    modes.enveloppe = false;
    modes.axes = true;
    modes.openmp = false;
    modes.dual = false;
    SauverModes();
    EXPECT_EQ(RecordSize(Db(), 0), 100);
    RecordHandle h = OpenRecord(Db(), 0, MODE_READ);
    uint8_t bytes[8];
    ReadRecord(h, bytes, 8);
    CloseRecord(h);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 8), (std::vector<uint8_t>{0, 0, 0, 0, 0, 1, 0, 0}));
    modes.dual = true;
    modes.polygones = true;
    SauverModes();
    FermerBase();

    modes.resetDefaults();
    ASSERT_TRUE(Open());
    ChargerModes();
    EXPECT_FALSE(modes.info);
    EXPECT_FALSE(modes.lignes);
    EXPECT_TRUE(modes.polygones);
    EXPECT_TRUE(modes.axes);
    EXPECT_TRUE(modes.dual);
    EXPECT_FALSE(modes.openmp);
    FermerBase();

    ChargerModes();  // without the database: defaults again
    EXPECT_TRUE(modes.info);
    EXPECT_FALSE(modes.axes);
    modes.resetDefaults();
}

// A switch added later has its byte past those an older record holds: it
// reads as its default there (off, or on for one on by default); and a record
// written by a later program, longer than ours, keeps the bytes we do not
// know when we save ours.
TEST_F(BestStoreTest, SwitchesBeyondTheRecordReadAsDefaultsAndUnknownBytesSurvive) {
    const Interrupteur plusTard[] = {{"info", nullptr, &ModeFlags::info, 0, false, false},
                                     {"axes", nullptr, &ModeFlags::axes, 8, true, false}};
    EXPECT_EQ(OctetsModes(plusTard), 9);
    modes.axes = true;
    ModesDepuisOctets(std::vector<uint8_t>(8, 1), plusTard);
    EXPECT_TRUE(modes.info);
    EXPECT_FALSE(modes.axes);
    const Interrupteur allumePlusTard[] = {{"info", nullptr, &ModeFlags::info, 9, false, false}};
    modes.info = false;
    ModesDepuisOctets(std::vector<uint8_t>(8, 0), allumePlusTard);
    EXPECT_TRUE(modes.info);
    modes.axes = true;
    EXPECT_EQ(OctetsDesModes(plusTard), (std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 0, 1}));

    ASSERT_TRUE(Open());
    CreateRecord(Db(), 0, 100);
    const uint8_t plusLong[12] = {0, 1, 0, 0, 0, 1, 0, 0, 1, 1, 1, 1};
    RecordHandle h = OpenRecord(Db(), 0, MODE_WRITE);
    WriteRecord(h, plusLong, sizeof plusLong);
    CloseRecord(h);
    ChargerModes();
    EXPECT_FALSE(modes.info);
    EXPECT_TRUE(modes.particules);
    EXPECT_TRUE(modes.axes);
    EXPECT_FALSE(modes.lignes);
    modes.info = true;
    SauverModes();
    uint8_t relu[12];
    h = OpenRecord(Db(), 0, MODE_READ);
    ReadRecord(h, relu, sizeof relu);
    CloseRecord(h);
    EXPECT_EQ(std::vector<uint8_t>(relu, relu + 12), (std::vector<uint8_t>{1, 1, 0, 0, 0, 1, 0, 0, 1, 1, 1, 1}));
    FermerBase();
    modes.resetDefaults();
}

TEST_F(BestStoreTest, WithoutTheDatabaseNothingIsStored) {
    EXPECT_FALSE(databaseAvailable);
    BestValues v = Update(5, 3.0, 0.25);
    EXPECT_EQ(v.energy, 3.0);
    EXPECT_EQ(v.minDistance, 0.25);
    EXPECT_EQ(LireReferences(5).minDistance, 0.0);
    EXPECT_FALSE(Load(5, true));
    testing::internal::CaptureStdout();
    MarquerValide(5, true);
    SupprimerReferences(5);
    SauverModes();
    FermerBase();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_FALSE(EstValide(5));
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(BestStoreTest, ForeignEmptyAndDamagedFilesAreReportedAndLeftAlone) {
    std::filesystem::create_directories(data);
    WriteText(file, "Ceci n'est pas une base.\n");
    EXPECT_FALSE(Open());
    EXPECT_EQ(opening, U8(u8"\nERREUR : 14\nERREUR : Le fichier existe déjà et n'est pas une base de données de "
                          u8"Glomerix : il n'a pas été modifié.\n"));
    EXPECT_EQ(ReadFile(file).size(), 25u);
    EXPECT_FALSE(databaseAvailable);
    EXPECT_EQ(Update(5, 1.0, 0.5).energy, 1.0);

    // An empty file is no database yet: it becomes one.
    WriteText(file, "");
    EXPECT_TRUE(Open());
    EXPECT_EQ(opening, "");
    FermerBase();
    EXPECT_EQ(ReadFile(file).size(), 160032u);

    std::filesystem::remove(file);
    CreateDatabase(file, 10000);
    std::vector<uint8_t> bytes = ReadFile(file);
    SetWordAt(bytes, 20, 0x12345678);
    WriteFile(file, bytes);
    EXPECT_FALSE(Open());
    EXPECT_EQ(opening, "\nERREUR : 5\nERREUR : La table de lien est corrompu.\n");
    EXPECT_EQ(ReadFile(file), bytes);
}

// Nothing that no configuration of n points on the sphere can give is ever
// recorded: such a best could never be beaten again.
TEST_F(BestStoreTest, ImpossibleConfigurationsAreNeverRecorded) {
    ASSERT_TRUE(Open());
    PlaceParticles(20, 3);
    const std::vector<Vec3> good = Positions();
    std::vector<Vec3> far = good, broken = good;
    for (Vec3& p : far) p *= 100.0;  // a position file at distance 100
    broken[7].x = std::numeric_limits<double>::quiet_NaN();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* what;
        const std::vector<Vec3>* positions;
        double energy, distance;
    };
    const Case cases[] = {
        {"off the sphere", &far, 165.0, 0.5},
        {"a NaN position", &broken, 165.0, 0.5},
        {"too few positions", nullptr, 165.0, 0.5},
        {"the sentinel distance", &good, 165.0, std::sqrt(5.0)},
        {"a NaN distance", &good, 165.0, nan},
        {"a NaN energy", &good, nan, 0.5},
        {"an energy below the bound", &good, 60.249632, 0.5},
        {"a distance of zero", &good, 165.0, 0.0},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStderr();
        const std::vector<Vec3> few(good.begin(), good.begin() + 10);
        const BestValues v = MettreAJourReferences(20, c.energy, c.distance, c.positions ? *c.positions : few);
        const std::string warning = testing::internal::GetCapturedStderr();
        EXPECT_EQ(v.energy, 0.0) << c.what;
        EXPECT_EQ(v.minDistance, 0.0) << c.what;
        EXPECT_FALSE(RecordExists(Db(), 20)) << c.what;
        EXPECT_NE(warning.find(U8(u8"n'est pas enregistrée comme référence.\n")), std::string::npos) << c.what;
    }
    // With a record there, it is what comes back, unchanged.
    const BestValues stored = MettreAJourReferences(20, 165.0, 0.5, good);
    const std::vector<uint8_t> before = GetRecord(Db(), 20);
    testing::internal::CaptureStderr();
    const BestValues v = MettreAJourReferences(20, 100.0, 0.9, far);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(v.energy, stored.energy);
    EXPECT_EQ(v.minDistance, stored.minDistance);
    EXPECT_EQ(GetRecord(Db(), 20), before);
}

// Bytes of another count behind a link (the size or the count written in
// them shows it), or values no configuration has: the record is not n's, and
// it goes with a warning.
TEST_F(BestStoreTest, RecordsThatCannotBeTheCountsAreDropped) {
    ASSERT_TRUE(Open());
    PlaceParticles(12, 4);
    MettreAJourReferences(12, 49.5, 1.0, Positions());
    const std::vector<uint8_t> twelve = GetRecord(Db(), 12);
    CreateRecord(Db(), 20, TaggedRecordSize(12));  // as the mixed-up links left it
    PutRecord(Db(), 20, twelve);
    PlaceParticles(32, 5);
    MettreAJourReferences(32, 450.0, 0.3, Positions());
    RecordHandle h = OpenRecord(Db(), 32, MODE_WRITE);
    const double tooLow = 60.249632;
    WriteRecord(h, &tooLow, sizeof tooLow);
    CloseRecord(h);
    // From 3000 points on every record has the same size: 3003 holding 3002's bytes.
    for (const int n : {3002, 3003}) {
        PlaceParticles(n, 6);
        MettreAJourReferences(n, 5e6 + n, 0.01, Positions());
    }
    PutRecord(Db(), 3003, GetRecord(Db(), 3002));

    testing::internal::CaptureStderr();
    EXPECT_EQ(LireReferences(20).minDistance, 0.0);
    EXPECT_EQ(LireReferences(32).minDistance, 0.0);
    EXPECT_EQ(LireReferences(3003).minDistance, 0.0);
    EXPECT_EQ(LireReferences(12).energy, 49.5);
    EXPECT_EQ(LireReferences(3002).energy, 5e6 + 3002);
    const std::string warnings = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(RecordExists(Db(), 20));
    EXPECT_FALSE(RecordExists(Db(), 32));
    EXPECT_FALSE(RecordExists(Db(), 3003));
    EXPECT_EQ(GetRecord(Db(), 12), twelve);
    std::string expected;
    for (const int n : {20, 32, 3003})
        expected += "Avertissement : l'enregistrement de " + std::to_string(n) +
                    U8(u8" particules était endommagé (taille, nombre inscrit ou valeurs impossibles) ; il a été "
                       u8"supprimé.\n");
    EXPECT_EQ(warnings, expected);
    // The count is usable again: the next INFO stores its own best.
    EXPECT_EQ(MettreAJourReferences(32, 455.0, 0.25, Positions()).energy, 455.0);
}

// A record written before the count was kept in it (48n + 16 bytes, or 16)
// is read as it is, and gets its count when it next changes.
TEST_F(BestStoreTest, RecordsWithoutTheirCountAreReadAndGetIt) {
    ASSERT_TRUE(Open());
    for (const int n : {40, 3004}) {
        PlaceParticles(n, 8);
        const std::vector<Vec3> p = Positions();
        const BestValues v = ValuesOf(p);
        std::vector<double> doubles = {v.energy, v.minDistance};
        if (n < 3000)
            for (int set = 0; set < 2; ++set)
                for (const Vec3& q : p) doubles.insert(doubles.end(), {q.x, q.y, q.z});
        std::vector<uint8_t> bytes(doubles.size() * sizeof(double));
        std::memcpy(bytes.data(), doubles.data(), bytes.size());
        CreateRecord(Db(), n, CountRecordSize(n));
        PutRecord(Db(), n, bytes);

        testing::internal::CaptureStderr();
        EXPECT_EQ(LireReferences(n).energy, v.energy) << n;
        EXPECT_EQ(Info(n).energy, v.energy) << n;  // compared, nothing better: unchanged
        EXPECT_EQ(GetRecord(Db(), n), bytes) << n;
        EXPECT_EQ(Load(n, true), n < 3000) << n;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << n;

        const BestValues better =
            PlaceWhere(n, 8, [&](BestValues w) { return w.minDistance > v.minDistance && w.energy > v.energy; });
        EXPECT_EQ(Info(n).minDistance, better.minDistance) << n;
        const std::vector<uint8_t> now = GetRecord(Db(), n);
        ASSERT_EQ(now.size(), static_cast<size_t>(TaggedRecordSize(n))) << n;
        EXPECT_EQ(WordAt(now, static_cast<size_t>(CountRecordSize(n))), n);
        EXPECT_EQ(std::vector<uint8_t>(now.begin(), now.begin() + 8), std::vector<uint8_t>(bytes.begin(), bytes.begin() + 8))
            << n;  // the energy kept
    }
}

// A value that is not that of the positions stored with it (one bit of the
// energy flipped, below the best known, so never beaten; a coordinate's sign
// flipped) passes every bound; INFO and CHARGER recompute it and set the
// record aside.
TEST_F(BestStoreTest, ValuesThatAreNotThoseOfTheirPositionsAreSetAside) {
    ASSERT_TRUE(Open());
    const int n = 100;
    for (int damage = 0; damage < 2; ++damage) {
        PlaceParticles(n, 11);
        const BestValues v = Info(n);
        std::vector<uint8_t> bytes = GetRecord(Db(), n);
        if (damage == 0) {
            bytes[5] ^= 0x08;  // in the energy's mantissa: a few percent lower
        } else {
            bytes[static_cast<size_t>(bestformat::PositionSetOffset(n, true)) + 7] ^= 0x80;  // x of particle 0
        }
        PutRecord(Db(), n, bytes);
        EXPECT_EQ(LireReferences(n).minDistance, v.minDistance);  // LISTE does not recompute
        testing::internal::CaptureStderr();
        if (damage == 0) {
            EXPECT_EQ(Info(n).energy, v.energy);  // the record is n's again, from these positions
        } else {
            EXPECT_FALSE(Load(n, true));
        }
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  U8(u8"Avertissement : l'enregistrement de 100 particules était endommagé (valeurs qui ne sont pas "
                     u8"celles de ses positions) ; il a été supprimé.\n"));
    }
}

// What the opening mends is told on standard error; the other counts stay.
TEST_F(BestStoreTest, TheOpeningTellsWhatItMended) {
    ASSERT_TRUE(Open());
    PlaceParticles(6, 6);
    MettreAJourReferences(6, 10.0, 0.8, Positions());
    FermerBase();
    std::vector<uint8_t> bytes = ReadFile(file);
    SetWordAt(bytes, 24 + 4 * 9, 5);  // record 9 linked past allocCount (1)
    SetWordAt(bytes, 20, static_cast<int32_t>(CheckWordOf(bytes, 24, 40000)));
    WriteFile(file, bytes);
    WriteFile(file + "-journal", std::vector<uint8_t>(10, 1));  // cut short: dropped silently

    testing::internal::CaptureStderr();
    ASSERT_TRUE(Open());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              U8(u8"Avertissement : 1 enregistrement de la base de données désignait des octets absents du "
                 u8"fichier ; il est ignoré, les autres restent accessibles.\n"));
    EXPECT_EQ(opening, "");
    EXPECT_EQ(LireReferences(6).energy, 10.0);
    EXPECT_FALSE(RecordExists(Db(), 9));
    FermerBase();
    testing::internal::CaptureStderr();
    ASSERT_TRUE(Open());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // mended on the disk
}

// Anything but a regular file at the path is refused at once (a FIFO would
// hang the opening), and a file that may not be read says so.
void OpenInChild(const std::string&) {
    testing::internal::CaptureStdout();
    alarm(20);  // a hang fails the test instead of stopping it
    _exit(OuvrirBase() ? 0 : 1);
}

TEST_F(BestStoreTest, OnlyARegularFileWeMayUseIsOpened) {
    std::filesystem::create_directories(data);
    ASSERT_EQ(mkfifo(file.c_str(), 0644), 0);
    EXPECT_EQ(InChild(OpenInChild, ""), 1);
    EXPECT_FALSE(Open());
    const std::string notRegular = U8(u8"\nERREUR : 1\nERREUR : Le chemin de la base de données ne désigne pas un "
                                      u8"fichier ordinaire (c'est un tube, un périphérique ou un dossier) : il n'a pas "
                                      u8"été ouvert.\n");
    EXPECT_EQ(opening, notRegular);
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);
    EXPECT_FALSE(Open());
    EXPECT_EQ(opening, notRegular);
    std::filesystem::remove(file);
}

// Root reads any file: the opening runs as nobody then. Its lines go to a
// pipe read back here (nobody may not read a capture file of root's).
void OpenAsNobody(const std::string&) {
    int lines[2];
    if (pipe(lines) != 0 || dup2(lines[1], STDOUT_FILENO) < 0) _exit(4);
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
    const bool opened = OuvrirBase();
    close(STDOUT_FILENO);
    close(lines[1]);
    std::string out;
    char buffer[1024];
    for (ssize_t n; (n = read(lines[0], buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<size_t>(n));
    const std::string expected = U8(u8"\nERREUR : 1\nERREUR : L'accès au fichier de la base de données est refusé "
                                    u8"(droits insuffisants sur le fichier ou sur son dossier).\n");
    _exit(opened ? 1 : out == expected ? 0 : 2);
}

TEST_F(BestStoreTest, APermissionErrorIsNamed) {
    ASSERT_TRUE(Open());
    FermerBase();
    for (std::filesystem::path p = data; p != dir.path().parent_path(); p = p.parent_path())
        chmod(p.c_str(), 0755);
    chmod(file.c_str(), 0);
    EXPECT_EQ(InChild(OpenAsNobody, ""), 0);
    chmod(file.c_str(), 0644);
}

// Two programs started together with no database: one creates it, the
// other finds it whole, never half-written, and both open it.
int gate[2];

void StartTogether(const std::string&) {
    testing::internal::CaptureStdout();
    close(gate[1]);
    char go;
    if (read(gate[0], &go, 1) != 1) _exit(9);
    const bool opened = OuvrirBase();
    if (opened) usleep(20000);  // still open while the other one opens it
    _exit(opened ? 0 : 1);
}

TEST_F(BestStoreTest, TwoStartsWithoutADatabase) {
    for (int round = 0; round < 10; ++round) {
        std::filesystem::remove_all(data);
        std::filesystem::create_directories(data);
        ASSERT_EQ(pipe(gate), 0);
        pid_t children[2];
        for (pid_t& child : children) {
            child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) StartTogether("");
        }
        close(gate[0]);
        ASSERT_EQ(write(gate[1], "gg", 2), 2);  // both go at once
        close(gate[1]);
        int opened = 0;
        for (const pid_t child : children) {
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFEXITED(status));
            opened += WEXITSTATUS(status) == 0;
        }
        EXPECT_EQ(opened, 2) << round;
        EXPECT_NO_THROW(OpenDatabase(file)) << round;
    }
}

// A better INFO for count 6 through `path` (argument), killed once its
// journal is on the disk and before anything is written in place.
void ImproveSixAndDie(const std::string& path) {
    testing::internal::CaptureStdout();
    if (!OuvrirBase(path)) _exit(1);
    KillAtTheFirstWriteInPlace();
    PlaceParticles(6, 60);
    const BestValues stored = ValuesOf(Positions());
    PlaceWhere(6, 60, [&](BestValues v) { return v.energy < stored.energy; });
    Info(6);
    _exit(0);
}

// A link to the database (--base through a link) reaches the file it names,
// and that file's journal: a change cut short while the file was reached so
// is completed when it is reached by its own name.
TEST_F(BestStoreTest, ALinkReachesTheFileAndItsJournal) {
    std::filesystem::create_directories(data);
    const std::string real = data + "/real.dat", link = data + "/link.dat";
    std::filesystem::create_symlink("real.dat", link);
    ASSERT_TRUE(OuvrirBase(link));
    EXPECT_EQ(databasePath, real);
    PlaceParticles(6, 60);
    const BestValues stored = Info(6);
    FermerBase();
    ASSERT_EQ(InChild(ImproveSixAndDie, link), 128 + SIGKILL);
    EXPECT_TRUE(std::filesystem::exists(real + "-journal"));
    EXPECT_FALSE(std::filesystem::exists(link + "-journal"));
    ASSERT_TRUE(OuvrirBase(real));
    EXPECT_FALSE(std::filesystem::exists(real + "-journal"));
    EXPECT_LT(LireReferences(6).energy, stored.energy);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
}

// A program that keeps the lock (stopped in the middle of a change): the
// opening waits LockWait() (1 s here), says so on standard error and goes on;
// what the session has to write is kept, and written once the lock is free.
// The switches, which could not be read, are not saved over the stored ones.
TEST_F(BestStoreTest, AStuckProgramIsWaitedForAndNothingIsLost) {
    const Env attente("GLOMERIX_ATTENTE_VERROU_MS");
    setenv("GLOMERIX_ATTENTE_VERROU_MS", "1000", 1);
    ASSERT_TRUE(Open());
    FermerBase();
    auto stuck = OpenDatabase(file);
    BeginChanges(*stuck);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(Open());
    EXPECT_EQ(opening, "");
    ChargerModes();
    PlaceParticles(6, 6);
    const BestValues six = ValuesOf(Positions());
    BestValues v = Info(6);
    EXPECT_EQ(v.energy, six.energy);
    MarquerValide(6, true);
    EXPECT_TRUE(EstValide(6));
    SauverModes();
    const std::string waiting = testing::internal::GetCapturedStderr();
    EXPECT_NE(waiting.find("\nERREUR : 1\n"), std::string::npos) << waiting;
    EXPECT_NE(waiting.find(U8(u8"verrouillée depuis plus de 1 s")), std::string::npos) << waiting;
    CancelChanges(*stuck);

    testing::internal::CaptureStderr();
    v = LireReferences(6);
    EXPECT_NE(testing::internal::GetCapturedStderr().find(U8(u8"de nouveau libre")), std::string::npos);
    EXPECT_EQ(v.energy, six.energy);
    EXPECT_EQ(v.minDistance, six.minDistance);
    FermerBase();
    BeginChanges(*stuck);
    EXPECT_FALSE(RecordExists(*stuck, kModesRecord));
    EXPECT_TRUE(RecordExists(*stuck, 6));
    CommitChanges(*stuck);
    ASSERT_TRUE(Open());
    EXPECT_TRUE(EstValide(6));
}

TEST_F(BestStoreTest, SupprimerReferencesAndSupprimerBase) {
    ASSERT_TRUE(Open());
    Update(5, 7.0, 0.5);
    MarquerValide(5, true);
    testing::internal::CaptureStdout();
    SupprimerReferences(5);
    SupprimerReferences(5);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), U8(u8"Erreur : l'enregistrement spécifié n'existe pas.\n"));
    EXPECT_EQ(LireReferences(5).minDistance, 0.0);
    EXPECT_TRUE(EstValide(5));

    FermerBase();
    databasePath.clear();  // found again from the environment
    EXPECT_TRUE(SupprimerBase());
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_FALSE(SupprimerBase());
}

// A deletion that cannot be written says so as every other engine error.
TEST_F(BestStoreTest, SupprimerThatCannotWriteGivesTheUsualMessage) {
    ASSERT_TRUE(Open());
    Info(5);
    dbio::faultHook = [](dbio::Step) { return ENOSPC; };
    testing::internal::CaptureStdout();
    EXPECT_FALSE(SupprimerReferences(5));
    dbio::faultHook = nullptr;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), U8(u8"\nERREUR : 3\nERREUR : Erreur en écriture.\n"));
    EXPECT_TRUE(RecordExists(Db(), 5));
}

TEST_F(BestStoreTest, ErrorLinesForTheShell) {
    testing::internal::CaptureStdout();
    SignalerErreurBase(DB_ALLOC_TABLE_CORRUPT);
    SignalerErreurBase(99);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              U8(u8"\nERREUR : 6\nERREUR : La table d'allocation est corrompu.\n"
                 u8"\nERREUR : 99\nERREUR : Aucune erreur avec ce numéro n'existe.\n"));
}

// The child stores and is killed before any orderly exit.
void StoreAndDie(const std::string&) {
    testing::internal::CaptureStdout();
    if (!OuvrirBase()) _exit(1);
    SupprimerReferences(5);
    PlaceParticles(4, 40);
    Info(4);  // lands in the gap record 5 left
    PlaceParticles(7, 70);
    Info(7);
    MarquerValide(7, true);
    raise(SIGKILL);
}

TEST_F(BestStoreTest, RecordsStoredBeforeAKillAreFoundAgain) {
    ASSERT_TRUE(Open());
    PlaceParticles(5, 50);
    Info(5);
    PlaceParticles(6, 60);
    Info(6);
    const std::vector<Vec3> six = Positions();
    FermerBase();

    EXPECT_EQ(InChild(StoreAndDie, ""), 128 + SIGKILL);

    ASSERT_TRUE(Open());
    EXPECT_EQ(LireReferences(5).minDistance, 0.0);
    EXPECT_EQ(RecordOffset(Db(), 4), 0);
    PlaceParticles(4, 40);
    const BestValues four = ValuesOf(Positions());
    BestValues v = LireReferences(4);
    EXPECT_EQ(v.energy, four.energy);
    EXPECT_EQ(v.minDistance, four.minDistance);
    PlaceParticles(7, 70);
    v = LireReferences(7);
    EXPECT_EQ(v.energy, ValuesOf(Positions()).energy);
    EXPECT_TRUE(EstValide(7));
    PlaceParticles(7, 1);
    ASSERT_TRUE(Load(7, true));
    const std::vector<Vec3> loaded = Positions();
    PlaceParticles(7, 70);
    EXPECT_TRUE(Same(loaded, Positions()));
    PlaceParticles(6, 1);
    ASSERT_TRUE(Load(6, false));
    EXPECT_TRUE(Same(Positions(), six));
}

void UpdateOnAFullDisk(const std::string&) {
    signal(SIGXFSZ, SIG_IGN);
    testing::internal::CaptureStdout();
    if (!OuvrirBase()) _exit(1);
    const rlimit limit{160032, 160032};
    setrlimit(RLIMIT_FSIZE, &limit);
    PlaceParticles(50, 5);
    try {
        Update(50, 1300.0, 0.1);
    } catch (const DbError& e) {
        _exit(e.code);
    }
    _exit(0);
}

TEST_F(BestStoreTest, AFullDiskIsAnErrorTheShellCanReport) {
    ASSERT_TRUE(Open());
    FermerBase();
    EXPECT_EQ(InChild(UpdateOnAFullDisk, ""), DB_WRITE_ERROR);
    ASSERT_TRUE(Open());
    EXPECT_EQ(LireReferences(50).minDistance, 0.0);  // the empty record is dropped
    PlaceParticles(50, 5);
    EXPECT_EQ(Update(50, 1300.0, 0.1).energy, 1300.0);
}

TEST_F(BestStoreTest, DamagedStoreFilesNeverCrashTheStore) {
    ASSERT_TRUE(Open());
    for (int n = 3; n < 30; n += 2) {
        PlaceParticles(n, static_cast<unsigned>(n));
        Update(n, n * n * 0.5, 1.0 / n);
        MarquerValide(n, n % 3 == 0);
    }
    SauverModes();
    FermerBase();
    const std::vector<uint8_t> original = ReadFile(file);
    std::mt19937 random(7);
    for (int round = 0; round < 60; ++round) {
        std::vector<uint8_t> bytes = original;
        for (int f = 0; f < 4; ++f) {
            const size_t at = round % 2 == 0 ? random() % 400 : 40024 + random() % 250;
            bytes[at] ^= static_cast<uint8_t>(1u << (random() % 8));
        }
        WriteFile(file, bytes);
        if (!Open()) continue;
        for (int n = 3; n < 40; ++n) {
            try {
                PlaceParticles(n, 9);
                LireReferences(n);
                EstValide(n);
                Load(n, n % 2 == 0);
                Update(n, n * n * 0.45, 0.5 / n);
                ChargerModes();
            } catch (const DbError&) {
            }
        }
        FermerBase();
    }
    modes.resetDefaults();
}

}  // namespace

// The database file as the shell leaves it, and start-up with a file that is
// not a usable database. The file is read here by its layout alone: 32-bit
// little-endian N at 16, link entries from 24, allocation slots {offset, size,
// used} from 20 + 4N + 4 + 8, record bytes from recordAreaBase = 16 + (4N + 4) + (12N + 4).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sys/stat.h>

#include "e2e/harness.h"

namespace {

int32_t Entier(const std::string& f, size_t at) {
    uint32_t v = 0;
    for (int k = 3; k >= 0; --k) v = v << 8 | static_cast<uint8_t>(f.at(at + k));
    return static_cast<int32_t>(v);
}

struct Enregistrement {
    int32_t alloue = 0;
    std::string octets;  // the used bytes
};

std::optional<Enregistrement> Lire(const std::string& f, int32_t r) {
    const int64_t n = Entier(f, 16);
    const int32_t index = Entier(f, 24 + 4 * r);
    if (index < 0) return std::nullopt;
    const int64_t slot = 20 + 4 * n + 4 + 8 + 12 * int64_t{index};
    const int64_t base = 16 + (4 * n + 4) + (12 * n + 4);
    Enregistrement e;
    e.alloue = Entier(f, slot + 4);
    e.octets = f.substr(base + Entier(f, slot), Entier(f, slot + 8));
    return e;
}

double Reel(const std::string& octets, size_t at) {
    double d;
    std::memcpy(&d, octets.data() + at, 8);
    return d;
}

std::string Apres(e2e::Session& s, const std::string& input, int code = 0) {
    const e2e::Result r = s.run(input);
    EXPECT_EQ(r.exitCode, code) << r.out;
    return e2e::ApresDemarrage(r.out);
}

const std::string kBanniere =
    "\t\tGlomerix\nLogiciel de simulations physiques et mathématiques, réalisé dans le cadres "
    "d'un <credit>.\n\nPour obtenir de l'aide sur les commandes disponibles, tapez aide.\n\n";
const std::string kExplication =
    "\nErreur : impossible d'initialiser la base de données, le logiciel peut tout de même être "
    "utilisé, mais les résultat ne seront pas sauvegardé. Pour plus d'information, contactez moi "
    "(<credit>) en m'indiquant le numéro de l'erreur ainsi que des informations sur votre système.\n";
const std::string kDebut = "Le logiciel va utiliser 1 thread pour s'exécuter.\n\n> ";

}  // namespace

TEST(Base, RecordsAfterInfoAndQuitter) {
    e2e::Session s;
    ASSERT_TRUE(s.startAtPrompt());
    ASSERT_TRUE(s.sendAndWait("info\nenregistrer\npos.txt\n", 2));

    // While running: record 400 holds the values and both position sets.
    std::string f = e2e::LireFichier(s.dbPath());
    ASSERT_EQ(Entier(f, 0), 0x281F0D9F);
    ASSERT_EQ(Entier(f, 16), 10000);
    const auto r = Lire(f, 400);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->alloue, 48 * 400 + 20);
    ASSERT_EQ(r->octets.size(), 48u * 400 + 20);
    EXPECT_EQ(Entier(r->octets, 48 * 400 + 16), 400);  // the count the record belongs to
    const std::string positions = e2e::LireFichier(s.workDir() / "pos.txt");
    std::string depuisBase;
    for (int i = 0; i < 400; ++i) {
        char ligne[128];
        std::snprintf(ligne, sizeof ligne, "%i:\t%.15lg\t%.15lg\t%.15lg\n", i, Reel(r->octets, 16 + 24 * i),
                      Reel(r->octets, 24 + 24 * i), Reel(r->octets, 32 + 24 * i));
        depuisBase += ligne;
        EXPECT_EQ(r->octets.substr(16 + 24 * i, 24), r->octets.substr(16 + 24 * 400 + 24 * i, 24));
    }
    EXPECT_EQ(depuisBase, positions);
    const std::string& out = s.outputSoFar();
    const auto valeur = [&](const std::string& label) {
        const size_t at = out.find(label) + label.size();
        return std::stod(out.substr(at, out.find('\n', at) - at));
    };
    EXPECT_NEAR(Reel(r->octets, 0), valeur("Energie Potentielle  : "), 1e-8 * Reel(r->octets, 0));
    EXPECT_NEAR(Reel(r->octets, 8), valeur("Distance minimale    : "), 1e-8);
    EXPECT_FALSE(Lire(f, 0));  // the modes are saved at the end only
    EXPECT_FALSE(Lire(f, 1));

    s.send("marquer\nmode axes on\nmode info off\nmode tammes on\nquitter\n");
    EXPECT_EQ(s.finish().exitCode, 0);
    f = e2e::LireFichier(s.dbPath());
    const auto modes = Lire(f, 0);
    ASSERT_TRUE(modes);
    EXPECT_EQ(modes->alloue, 100);
    // INFO, PARTICULES, LIGNES, POLYGONES, ENVELOPPE, AXES, OPENMP, DUAL, TAMMES, DEFAUTS, MINIMA.
    EXPECT_EQ(modes->octets, std::string("\0\1\1\0\1\1\0\0\1\0\1", 11));
    const auto marques = Lire(f, 1);
    ASSERT_TRUE(marques);
    std::string bits(1250, '\0');
    bits[400 / 8] = 1 << (400 % 8);
    EXPECT_EQ(marques->octets, bits);
    EXPECT_TRUE(Lire(f, 400));
}

TEST(Base, CountsFrom3000StoreValuesOnly) {
    e2e::Session s;
    const std::string out = Apres(s, "mode info off\nnb 3000\ninfo\ncharger ep\ncharger dist\nnb 2999\ninfo\n");
    const std::string aucune =
        "Aucune position enregistrée pour ce nombre de particules, ou le fichier n'était pas valide.\n> ";
    EXPECT_EQ(e2e::Compter(out, aucune + aucune), 1) << out;
    const std::string f = e2e::LireFichier(s.dbPath());
    const auto grand = Lire(f, 3000);
    ASSERT_TRUE(grand);
    EXPECT_EQ(grand->alloue, 20);
    EXPECT_EQ(grand->octets.size(), 20u);
    EXPECT_GT(Reel(grand->octets, 0), 0.0);
    EXPECT_EQ(Entier(grand->octets, 16), 3000);
    const auto petit = Lire(f, 2999);
    ASSERT_TRUE(petit);
    EXPECT_EQ(petit->alloue, 48 * 2999 + 20);
    // The values INFO stored are those the check recomputes from the positions.
    const std::string check = e2e::Programme("glomerix-db").string() + " --check '" + s.dbPath().string() + "'";
    EXPECT_EQ(std::system((check + " > /dev/null").c_str()), 0);
}

TEST(Base, ForeignFileIsLeftUntouched) {
    e2e::Session s;
    const std::string etranger = "Ceci n'est pas une base de données, mais un fichier de l'utilisateur.\n";
    e2e::EcrireFichier(s.dbPath(), etranger);
    const e2e::Result r = s.run("mode axes on\ninfo\nmarquer\nliste tout\nsupprimer\ncharger ep\nquitter\n");
    EXPECT_EQ(r.exitCode, 0);
    const std::string out = e2e::Masque(r.out);
    const std::string entete = "\nERREUR : 14\nERREUR : Le fichier existe déjà et n'est pas une base de données de "
                               "Glomerix : il n'a pas été modifié.\n" +
                               kExplication + kBanniere + kDebut;
    ASSERT_EQ(out.substr(0, entete.size()), entete);
    EXPECT_NE(out.find("Valeurs de références :\n"), std::string::npos);
    EXPECT_NE(out.find("> > > Aucune position enregistrée pour ce nombre de particules, ou le fichier n'était pas "
                       "valide.\n> "),
              std::string::npos)
        << out;
    EXPECT_EQ(e2e::LireFichier(s.dbPath()), etranger);
    // Nothing was saved: the next run has the default modes (AXES off).
    EXPECT_NE(s.run("mode\n").out.find("  AXES        ARRET\n"), std::string::npos);
    EXPECT_EQ(e2e::LireFichier(s.dbPath()), etranger);
}

// An empty file (a creation cut short by something else, a file emptied)
// is no database yet: the start makes one in its place, as with none.
TEST(Base, AnEmptyFileBecomesTheDatabase) {
    e2e::Session s;
    e2e::EcrireFichier(s.dbPath(), "");
    const e2e::Result r = s.run("k\nmode axes on\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(e2e::Masque(r.out), kBanniere + kDebut + "La constante de normalisation de la force est : 1.\n> > ");
    EXPECT_NE(s.run("mode\n").out.find("  AXES        MARCHE\n"), std::string::npos);
}

TEST(Base, DesinstallerDeletesTheFile) {
    e2e::Session s;
    Apres(s, "mode axes on\nquitter\n");
    ASSERT_TRUE(std::filesystem::exists(s.dbPath()));
    EXPECT_EQ(Apres(s, "mode lignes off\ndesinstaller\nk\n"), "> ");
    EXPECT_FALSE(std::filesystem::exists(s.dbPath()));
    // A fresh database with the default modes next time.
    EXPECT_NE(Apres(s, "mode\n").find("  LIGNES      MARCHE\n  POLYGONES   ARRET\n  INFO        MARCHE\n"
                                      "  OPENMP      ARRET\n  ENVELOPPE   MARCHE\n  AXES        ARRET\n"),
              std::string::npos);
}

TEST(Base, DesinstallerThatCannotDeleteWaitsAndExitsWithOne) {
    e2e::Session s;
    std::filesystem::create_directories(s.dbPath() / "occupé");  // cannot be unlinked
    const e2e::Result r = s.run("desinstaller\nk\nk\n");
    EXPECT_EQ(r.exitCode, 1);
    const std::string out = e2e::Masque(r.out);
    ASSERT_NE(out.find(kDebut), std::string::npos) << out;
    EXPECT_EQ(out.substr(out.find(kDebut) + kDebut.size()),
              "La base de données du programme n'a pas pu être supprimée.\nAppuyer sur entrée pour "
              "quitter le programme.\n> ");
    EXPECT_TRUE(std::filesystem::is_directory(s.dbPath()));
    // -q leaves out the question, as it does the prompts; the answer stays.
    s.setArgs({"-q"});
    const e2e::Result q = s.run("desinstaller\nk\nk\n");
    EXPECT_EQ(q.exitCode, 1);
    const std::string fin = "système.\nLa base de données du programme n'a pas pu être supprimée.\n";
    EXPECT_EQ(q.out.substr(q.out.size() - std::min(q.out.size(), fin.size())), fin) << q.out;
}

// A second session, which shares the database with the first, must not
// delete it under the first: everything the first records would go with it.
TEST(Base, DesinstallerLeavesTheDatabaseOfAnotherSession) {
    e2e::Session premiere;
    ASSERT_TRUE(premiere.startAtPrompt());
    ASSERT_TRUE(premiere.sendAndWait("nb 50\ninfo\n", 2));
    e2e::Session seconde;
    seconde.setEnv("XDG_DATA_HOME", premiere.dataDir().string());
    const e2e::Result r = seconde.run("desinstaller\n\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out.find("ERREUR"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("La base de données du programme n'a pas pu être supprimée."), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("une autre session"), std::string::npos) << r.err;
    ASSERT_TRUE(std::filesystem::exists(premiere.dbPath()));
    premiere.send("quitter\n");
    EXPECT_EQ(premiere.finish().exitCode, 0);
    EXPECT_TRUE(Lire(e2e::LireFichier(premiere.dbPath()), 50));
}

TEST(Base, EngineErrorDuringACommandIsReportedAndTheLoopGoesOn) {
    e2e::Session s;
    ASSERT_TRUE(s.startAtPrompt());
    ASSERT_TRUE(s.sendAndWait("info\n"));
    // Cut the record area away behind the program's back.
    std::filesystem::resize_file(s.dbPath(), 160032);
    s.send("info\nliste tout\nk\nquitter\n");
    const e2e::Result r = s.finish();
    EXPECT_EQ(r.exitCode, 0);
    const std::string out = r.out;
    EXPECT_EQ(e2e::Compter(out, "\nERREUR : 2\nERREUR : Erreur en lecture.\n> "), 2) << out;
    EXPECT_NE(out.find("> La constante de normalisation de la force est : 1.\n> "), std::string::npos);
}

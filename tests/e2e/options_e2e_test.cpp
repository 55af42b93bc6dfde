// The command line: help and version, refused options, scripts (-q, -f, a
// bare file, -c), the database's place (--base, --sans-base) and the exit
// status with --strict.
#include <gtest/gtest.h>

#include <cmath>

#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "shell/credits.h"
#include "shell/messages.h"

namespace {

namespace fs = std::filesystem;
using e2e::Result;
using e2e::Session;

// Commands whose answers do not depend on the random start: the spiral is
// fixed, and each session has a fresh database.
const std::string kScript =
    "k\n"
    "placer spirale\n"
    "mode\n"
    "\n"
    "foo\n"
    "aide k\n"
    "enregistrer\n"
    "positions.txt\n"
    "charger fichier\n"
    "positions.txt\n"
    "champ 1.0 0.0 0.0\n"
    "champ\n"
    "quitter\n"
    "k\n";

const std::string kQuestions[] = {
    "Tapez le nom du fichier à enregistrer. Si celui-ci existe déjà, il sera supprimer.\n",
    "Tapez le nom du fichier à charger. Celui-ci doit contenir des informations pour 400 particules.\n",
};

// A piped session's output as -q gives it: nothing before the first prompt
// (banner, help hint, thread line), no prompt at the start of a line, and
// no question for a file name.
std::string SansBanniereNiInvites(const std::string& out) {
    std::string reste = e2e::ApresDemarrage(out);
    for (const std::string& question : kQuestions) {
        for (size_t at = reste.find(question); at != std::string::npos; at = reste.find(question)) {
            reste.erase(at, question.size());
        }
    }
    std::string sans;
    bool debutDeLigne = true;
    for (size_t k = 0; k < reste.size();) {
        if (debutDeLigne && reste.compare(k, 2, "> ") == 0) {
            k += 2;
            continue;
        }
        debutDeLigne = reste[k] == '\n';
        sans += reste[k++];
    }
    return sans;
}

Result Lancer(const std::vector<std::string>& args, const std::string& input = "",
              const std::function<void(Session&)>& avant = nullptr) {
    Session s;
    s.setArgs(args);
    if (avant) avant(s);
    return s.run(input);
}

bool DossierVide(const fs::path& dir) { return fs::is_empty(dir); }

TEST(Options, HelpAndVersionAnswerOnStandardOutputAndStartNothing) {
    for (const char* option : {"--help", "-h"}) {
        Session s;
        s.setArgs({option});
        const Result r = s.run("quitter\n");
        EXPECT_EQ(r.exitCode, 0) << option;
        EXPECT_EQ(r.out.rfind("Usage : glomerix [OPTION]... [FICHIER]\n", 0), 0u) << option;
        for (const char* mot : {"--fichier", "-c ", "--quiet", "--strict", "--base", "--sans-base", "--version"}) {
            EXPECT_NE(r.out.find(mot), std::string::npos) << option << " " << mot;
        }
        EXPECT_EQ(r.err, "") << option;
        EXPECT_TRUE(DossierVide(s.dataDir())) << option << ": no database";
    }
    for (const char* option : {"--version", "-V"}) {
        Session s;
        s.setArgs({option});
        const Result r = s.run("");
        EXPECT_EQ(r.exitCode, 0) << option;
        EXPECT_EQ(r.out, std::string("glomerix ") + GLOMERIX_VERSION + "\n") << option;
        EXPECT_TRUE(DossierVide(s.dataDir())) << option;
    }
}

TEST(Options, WhatCannotBeRunIsRefusedWithStatusTwoAndTheUsageOnStandardError) {
    fs::path dossier = fs::temp_directory_path();
    const std::vector<std::pair<std::vector<std::string>, std::string>> cas = {
        {{"--inconnue"}, "glomerix : option inconnue --inconnue.\n"},
        {{"-z"}, "glomerix : option inconnue -z.\n"},
        {{"-qz"}, "glomerix : option inconnue -z.\n"},
        {{"-f"}, "glomerix : l'option -f demande un argument.\n"},
        {{"--base"}, "glomerix : l'option --base demande un argument.\n"},
        {{"--base", ""}, "glomerix : --base demande un nom de fichier.\n"},
        {{"-f", "absent.txt"}, "glomerix : impossible de lire le fichier de commandes absent.txt.\n"},
        {{"absent.txt"}, "glomerix : impossible de lire le fichier de commandes absent.txt.\n"},
        {{"-f", dossier.string()}, "glomerix : impossible de lire le fichier de commandes " + dossier.string() + ".\n"},
        {{"a.txt", "b.txt"}, "glomerix : un seul fichier de commandes peut être donné.\n"},
        {{"-c", "info", "a.txt"}, "glomerix : -c et un fichier de commandes s'excluent.\n"},
        {{"--base", "x.dat", "--sans-base"}, "glomerix : --base et --sans-base s'excluent.\n"},
    };
    for (const auto& [args, message] : cas) {
        Session s;
        s.setArgs(args);
        const Result r = s.run("quitter\n");
        const std::string vu = args.empty() ? "" : args[0];
        EXPECT_EQ(r.exitCode, 2) << vu;
        EXPECT_EQ(r.out, "") << vu;
        EXPECT_EQ(r.err.rfind(message, 0), 0u) << vu << "\n" << r.err;
        EXPECT_NE(r.err.find("Usage : glomerix"), std::string::npos) << vu;
        EXPECT_TRUE(DossierVide(s.dataDir())) << vu << ": refused before start-up";
    }
}

TEST(Options, QuietLeavesOnlyTheAnswersOfAPipedSession) {
    const Result piped = Lancer({}, kScript);
    const Result quiet = Lancer({"-q"}, kScript);
    ASSERT_EQ(piped.exitCode, 0);
    ASSERT_EQ(quiet.exitCode, 0);
    ASSERT_NE(piped.out.find("Glomerix\n"), std::string::npos);
    EXPECT_EQ(quiet.out.find("Glomerix\n"), std::string::npos);
    EXPECT_EQ(quiet.out.find("thread"), std::string::npos);
    for (const std::string& question : kQuestions) {
        EXPECT_NE(piped.out.find(question), std::string::npos) << question;
        EXPECT_EQ(quiet.out.find("Tapez le nom"), std::string::npos);
    }
    EXPECT_EQ(e2e::Masque(quiet.out), e2e::Masque(SansBanniereNiInvites(piped.out)));
    EXPECT_NE(quiet.out.find("Commande inconnue.\n"), std::string::npos);
    EXPECT_EQ(quiet.out.find("La constante de normalisation"), 0u) << "the first answer comes first";
}

TEST(Options, AFileOfCommandsRunsAsThePipedSessionAndEndsItself) {
    const Result piped = Lancer({}, kScript);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-f", "script.txt"}, {"--fichier", "script.txt"}, {"script.txt"},
          {"--fichier=script.txt"}}) {
        Session s;
        e2e::EcrireFichier(s.workDir() / "script.txt", kScript);
        s.setArgs(args);
        s.start();  // standard input stays open: the file alone is read
        const Result r = s.finish(std::chrono::seconds(60));
        EXPECT_FALSE(r.timedOut) << args[0];
        EXPECT_EQ(r.exitCode, 0) << args[0];
        EXPECT_EQ(e2e::Masque(r.out), e2e::Masque(piped.out)) << args[0];
        EXPECT_TRUE(fs::exists(s.workDir() / "positions.txt")) << "the name came from the file";
    }
    // "-" names standard input.
    EXPECT_EQ(Lancer({"-q", "-"}, "k\n").out, "La constante de normalisation de la force est : 1.\n");

    // Without QUITTER the end of the file ends the run, as QUITTER does.
    Session s;
    e2e::EcrireFichier(s.workDir() / "court.txt", "mode info off\nk 2.0\nk");
    s.setArgs({"-q", "court.txt"});
    s.start();
    const Result r = s.finish(std::chrono::seconds(60));
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "La constante de normalisation de la force est : 2.\n");
    Session suivante;  // the switch was saved at the end, as after QUITTER
    fs::copy_file(s.dbPath(), suivante.dbPath());
    EXPECT_NE(suivante.run("mode\nquitter\n").out.find("  INFO        ARRET\n"), std::string::npos);
}

// Ctrl+C stops the command under way, then ends a script (-c, -f, a bare
// file) as QUITTER does, with status 130: the commands after it assumed it
// had finished. A piped session goes on (calcul_e2e_test).
TEST(Options, CtrlCEndsAScriptAsQuitterDoesWithStatus130) {
    const std::string script = "mode axes on; mode info off; nb 2000; relax 9999 k; mode polygones on; k";
    std::string lignes;  // one command a line (g++ 12 warns falsely on replace() here)
    for (size_t debut = 0, fin; debut != std::string::npos; debut = fin == std::string::npos ? fin : fin + 2) {
        fin = script.find("; ", debut);
        lignes += script.substr(debut, fin - debut) + "\n";
    }
    lignes.pop_back();
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-q", "-c", script}, {"-q", "-f", "script.txt"}, {"-q", "script.txt"}}) {
        Session s;
        e2e::EcrireFichier(s.workDir() / "script.txt", lignes + "\n");
        s.setArgs(args);
        s.setTerminal(Session::Terminal::Erreurs);  // the progress line says the loop runs
        s.start();
        ASSERT_TRUE(s.waitForError("RELAX étape ")) << args[1];
        s.signal(SIGINT);
        const Result r = s.finish();
        EXPECT_EQ(r.exitCode, 130) << args[1];
        EXPECT_EQ(e2e::Masque(r.out), "Temps de calcul (ms) : <ms>\n") << args[1];
        Session suivante;  // the switches were saved at the end, as after QUITTER
        fs::copy_file(s.dbPath(), suivante.dbPath());
        const std::string modes = suivante.run("mode\nquitter\n").out;
        EXPECT_NE(modes.find("  AXES        MARCHE\n"), std::string::npos) << args[1];
        EXPECT_NE(modes.find("  POLYGONES   ARRET\n"), std::string::npos) << args[1] << ": not run";
    }
}

TEST(Options, CommandsGivenWithDashCRunAsLines) {
    const Result lignes = Lancer({"-q"}, "k 2.5\nk\nfoo\np\nr\n");
    const Result c = Lancer({"-q", "-c", "  k 2.5 ;k;  foo\np ;", "-c", "r"});
    ASSERT_EQ(lignes.exitCode, 0);
    EXPECT_EQ(c.exitCode, 0);
    EXPECT_EQ(c.out, lignes.out);
    EXPECT_EQ(c.out,
              "La constante de normalisation de la force est : 2.5\n"
              "Commande inconnue.\n"
              "Le pourcentage de déplacement des particules est : 0.005\n"
              "La résistance des cordes est : 0.1\n");
    // QUITTER among them ends the run there.
    EXPECT_EQ(Lancer({"-q", "-c", "k; quitter; p"}).out, "La constante de normalisation de la force est : 1.\n");
}

TEST(Options, TheDatabaseGoesWhereBaseSaysOrNowhere) {
    Session s;
    s.setArgs({"-q", "--base", "records.dat"});
    ASSERT_EQ(s.run("nb 10\nplacer spirale\nmarquer\nquitter\n").exitCode, 0);
    ASSERT_TRUE(fs::exists(s.workDir() / "records.dat"));
    EXPECT_FALSE(fs::exists(s.dbPath())) << "not the usual place";
    const Result encore = s.run("liste\nquitter\n");
    EXPECT_EQ(encore.out.find("Nombre de particules : 10 "), 0u) << encore.out;

    // --sans-base: no file anywhere, the references are the values shown,
    // and DESINSTALLER leaves the usual database alone.
    Session sans;
    Session usuelle;
    ASSERT_EQ(usuelle.run("quitter\n").exitCode, 0);
    fs::copy_file(usuelle.dbPath(), sans.dbPath());
    const std::string avant = e2e::LireFichier(sans.dbPath());
    sans.setArgs({"-q", "--sans-base"});
    const Result r = sans.run("placer spirale\nliste tout\ndesinstaller\nk\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(fs::is_empty(sans.workDir()));
    EXPECT_EQ(e2e::LireFichier(sans.dbPath()), avant);
    EXPECT_EQ(r.out.find("ERREUR"), std::string::npos);
    EXPECT_EQ(r.out.find("Erreur"), std::string::npos);
    EXPECT_NE(r.out.find("Le programme fonctionne sans base de données : aucune n'est supprimée.\n"),
              std::string::npos);
    EXPECT_EQ(r.out.find("La constante"), std::string::npos) << "DESINSTALLER ended the run";
}

// How to make the program write one message of the catalogue: the options,
// the lines typed (each string a run of its own), the words of its "%s".
struct Declencheur {
    std::vector<std::string> args;
    std::vector<std::string> entrees;
    std::vector<std::string> mots;
    std::function<void(Session&)> avant = nullptr;
    int sansStrict = 0;  // the exit status without --strict
};

std::map<Msg, Declencheur> Declencheurs() {
    const auto dossierALaPlaceDeLaBase = [](Session& s) { fs::create_directories(s.dbPath() / "occupé"); };
    const auto baseEtrangere = [](Session& s) { e2e::EcrireFichier(s.workDir() / "autre.dat", "pas une base"); };
    // Position files: one particle of 400 placed off the sphere, then more
    // lines than are read; 400 distinct columns at radius 2.
    const auto fichiers = [](Session& s) {
        std::string trop = "0:\t2\t0\t0\n", cercle;
        for (int i = 0; i < 1500; ++i) trop += "rien\n";
        for (int i = 0; i < 400; ++i)
            cercle += std::to_string(2.0 * std::cos(0.01 * i)) + " " + std::to_string(2.0 * std::sin(0.01 * i)) + " 0\n";
        e2e::EcrireFichier(s.workDir() / "vide.txt", "");
        e2e::EcrireFichier(s.workDir() / "trop.txt", trop);
        e2e::EcrireFichier(s.workDir() / "cercle.txt", cercle);
    };
    const std::string charger = "mode info off\ncharger fichier\n";
    return {
        {Msg::CommandeInconnue, {{}, {"foo\n"}, {}}},
        // The refusals of the commands added since, and CHARGER's.
        {Msg::ParametreNonValide,
         {{}, {"charger foo\n", "minimiser 99999\n", "explorer 0\n", "s -3.0\n", "s 1001.0\n", "tammes 99999\n"}, {}}},
        {Msg::AucuneAide, {{}, {"aide foo\n"}, {}}},
        {Msg::AucunePosition, {{}, {"charger ep\n", "charger fichier\nabsent.txt\n"}, {}}},
        {Msg::NomFichierNonValide, {{}, {"enregistrer\ndossier/absent/pos.txt\n"}, {}}},
        {Msg::EcritureIncomplete, {{}, {"enregistrer\n/dev/full\n"}, {"/dev/full"}}},
        {Msg::FacesOuAretes, {{}, {"ajouter\n"}, {}}},
        {Msg::MaximumDepasse, {{}, {"mode info off\nnb 3400\najouter faces\n"}, {}}},
        {Msg::ModeNonValide, {{}, {"mode foo\n"}, {}}},
        {Msg::GraphNecessaire, {{}, {"image\n"}, {}}},
        {Msg::PasDAffichage, {{}, {"graph\n"}, {}}},
        {Msg::BaseIndisponible, {{"--base", "autre.dat"}, {""}, {kAdresseContact}, baseEtrangere}},
        {Msg::BaseNonSupprimee, {{}, {"desinstaller\n\n"}, {}, dossierALaPlaceDeLaBase, 1}},
        {Msg::SansBase, {{"--sans-base"}, {"desinstaller\n"}, {}}},
        {Msg::CatalogueVide, {{}, {"minima\n"}, {}}},
        {Msg::CatalogueDesactive, {{}, {"mode minima off\nminima\n"}, {}}},
        {Msg::MinimumAbsent, {{}, {"mode info off\nnb 12\nexplorer 1\nminima charger 50\n"}, {"50", "1"}}},
        {Msg::IterationsHorsBornes, {{}, {"relax x\n"}, {"\"x\"", "RELAX", "1 itération"}}},
        {Msg::ParticulesHorsBornes, {{}, {"nb 2\n"}, {"\"2\"", "400"}}},
        {Msg::TropDeChiffres, {{}, {"k 1.123456\n"}, {"1.123456", "K", "1."}}},
        {Msg::PasUnReel, {{}, {"s 1.5e3\n"}, {"1.5e3", "S", "1.5"}}},
        {Msg::FormeReelle, {{}, {"s 6\n"}, {"S 6", "affiche la valeur sans la modifier", "S 6.0"}}},
        {Msg::MotNonCompris,
         {{}, {"mode info off\nnb 12\nminimiser 10 x\n"}, {"\"x\"", "MINIMISER", "K ou M", "il est ignoré"}}},
        {Msg::MotEnTrop, {{}, {"enveloppe x\n"}, {"\"x\"", "ENVELOPPE"}}},
        {Msg::ParametreManquant, {{}, {"charger\n"}, {"CHARGER", "EP, DIST ou FICHIER"}}},
        {Msg::LigneTropLongue, {{}, {std::string(300, 'z') + "\n"}, {"255"}}},
        {Msg::NomTropLong, {{}, {"enregistrer\n" + std::string(300, 'x') + "\n"}, {"255"}}},
        {Msg::FichierRefuse, {{}, {"charger fichier\nvide.txt\n"}, {"vide.txt", "il est vide"}, fichiers}},
        {Msg::LignesIgnorees, {{}, {charger + "trop.txt\n"}, {"trop.txt", "1399", "399"}, fichiers}},
        {Msg::LectureArretee, {{}, {charger + "trop.txt\n"}, {"trop.txt", "1400"}, fichiers}},
        {Msg::ParticulesInchangees, {{}, {charger + "trop.txt\n"}, {"trop.txt", "399", "400"}, fichiers}},
        {Msg::PositionsGardees, {{}, {charger + "trop.txt\n"}, {"trop.txt", "1"}, fichiers}},
        {Msg::PositionsRamenees, {{}, {charger + "cercle.txt\n"}, {"cercle.txt", "400"}, fichiers}},
    };
}

// Written only where a test cannot bring them about through the command line
// (or where it needs a display: viewer_e2e_test shows IMAGE's failure).
const std::set<Msg> kAilleurs = {Msg::PasDOpenGL, Msg::ProgrammeLineaire, Msg::ImageNonEnregistree};

// Every message of the catalogue, walked from the catalogue itself: brought
// about through the program, it is where its row says (standard output, or a
// warning on standard error) and gives status 1 under --strict exactly when
// its row calls it an error. A new message without a way here fails the test.
TEST(Options, StrictFollowsEveryMessageOfTheCatalogue) {
    const std::map<Msg, Declencheur> declencheurs = Declencheurs();
    for (const Message& m : kMessages) {
        const int cle = static_cast<int>(m.cle);
        const auto d = declencheurs.find(m.cle);
        if (kAilleurs.count(m.cle) != 0) {
            EXPECT_EQ(d, declencheurs.end()) << cle;
            EXPECT_TRUE(m.erreur) << cle;
            continue;
        }
        if (d == declencheurs.end()) {
            ADD_FAILURE() << "message " << cle << " (" << m.texte << "): no way to bring it about here";
            continue;
        }
        const std::vector<std::string_view> mots(d->second.mots.begin(), d->second.mots.end());
        std::string attendu = Former(m, mots);
        if (m.avertissement) attendu = "Attention : " + attendu + "\n";
        for (const std::string& entree : d->second.entrees) {
            std::vector<std::string> args = d->second.args;
            args.insert(args.begin(), "--strict");
            // Ended by the end of the input, then by QUITTER.
            const Result strict = Lancer(args, entree + "k\n", d->second.avant);
            const Result sans = Lancer(d->second.args, entree + "k\nquitter\n", d->second.avant);
            EXPECT_NE((m.avertissement ? strict.err : strict.out).find(attendu), std::string::npos)
                << entree << "\n" << strict.out << strict.err;
            EXPECT_EQ(strict.exitCode, m.erreur ? 1 : d->second.sansStrict) << entree;
            EXPECT_EQ(sans.exitCode, d->second.sansStrict) << entree;
        }
    }

    // Commands that succeed, answers of every kind, and empty lines.
    const std::string bonnes =
        "k\nk 2.0\nmode\nmode info off\nplacer spirale\ninfo\nliste tout\naide\naide image\naide r\n\n"
        " nb\nenregistrer\npos.txt\nnb 7\ncharger fichier\npos.txt\ninfo\ngraph off\nmarquer\nsupprimer\nquitter\n";
    EXPECT_EQ(Lancer({"--strict"}, bonnes).exitCode, 0);
}

}  // namespace

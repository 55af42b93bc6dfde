// Command lines: the fold, the cutting into words and the number grammar.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "shell/avertissements.h"
#include "shell/boucle.h"
#include "shell/commande.h"
#include "shell/mots.h"
#include "shell/table_commandes.h"

namespace {

std::vector<CommandWord> Mots(const std::string& texte, int max = kMaxWords) {
    const Ligne ligne = DecouperLigne(texte.c_str(), max);
    return {ligne.codes, ligne.codes + ligne.count};
}

long long Iterations(const std::string& texte) { return LireIterations(DecouperLigne(texte.c_str()), 50); }

double Reel(const std::string& texte) {  // "k a.b": the real of words 1 and 2
    const auto w = Mots(texte);
    EXPECT_GE(w.size(), 3u) << texte;
    return LireReel(w[1], w[2]);
}

}  // namespace

TEST(Pliage, KnownCodes) {
    EXPECT_EQ(Plier("quitter"), 0x741B1005u);
    EXPECT_EQ(Plier("desinstaller"), 0x7A627A66u);
    EXPECT_EQ(Plier("aide"), 0x65646961u);
    EXPECT_EQ(Plier("nb"), 0x0000626Eu);
    EXPECT_EQ(Plier("k"), 0x0000006Bu);
    EXPECT_EQ(Plier(""), 0u);
    // A byte above 0x7F is sign-extended before the shift: it sets the upper bytes.
    EXPECT_EQ(Plier("\xE9"), 0xFFFFFFE9u);
    EXPECT_EQ(Plier("a\xE9"), 0xFFFFE961u);
}

TEST(Decoupage, CaseIsIgnoredForAsciiOnly) {
    EXPECT_EQ(Mots("QuItTeR"), std::vector<CommandWord>{Plier("quitter")});
    EXPECT_EQ(Mots("QUITTER"), Mots("quitter"));
    EXPECT_EQ(Mots("\xC9"), std::vector<CommandWord>{Plier("\xC9")});  // 'É' stays 'É'
    EXPECT_NE(Mots("\xC9"), Mots("\xE9"));
}

TEST(Decoupage, SeparatorsAndEmptyWords) {
    EXPECT_EQ(Mots(""), std::vector<CommandWord>{0});
    EXPECT_EQ(Mots(" nb"), (std::vector<CommandWord>{0, Plier("nb")}));
    EXPECT_EQ(Mots("nb,100"), (std::vector<CommandWord>{Plier("nb"), Plier("100")}));
    EXPECT_EQ(Mots("nb=100"), Mots("nb,100"));
    EXPECT_EQ(Mots("nb:100"), Mots("nb,100"));
    EXPECT_EQ(Mots("nb  100"), (std::vector<CommandWord>{Plier("nb"), 0, Plier("100")}));
    EXPECT_EQ(Mots("k 1.5"), (std::vector<CommandWord>{mot::kK, Plier("1"), Plier("5")}));
    EXPECT_EQ(Mots("nb "), (std::vector<CommandWord>{Plier("nb"), 0}));
    // CR and LF end the line like NUL.
    EXPECT_EQ(Mots("nb\r100"), std::vector<CommandWord>{Plier("nb")});
    EXPECT_EQ(Mots("nb\n100"), std::vector<CommandWord>{Plier("nb")});
}

TEST(Decoupage, AtMostMaxWords) {
    const auto w = Mots("a b c d e f g h i j k l");
    ASSERT_EQ(w.size(), 10u);
    EXPECT_EQ(w[9], Plier("j"));
    EXPECT_EQ(Mots("a b c d", 2).size(), 2u);
    // A word of 255 characters folds without trouble.
    EXPECT_EQ(Mots(std::string(255, 'x')).size(), 1u);
}

TEST(LireEntier, Grammar) {
    EXPECT_EQ(LireEntier(Plier("20")), 20);
    EXPECT_EQ(LireEntier(Plier("-20")), 20);  // the sign is not part of the value
    EXPECT_EQ(LireEntier(Plier("9999")), 9999);
    EXPECT_EQ(LireEntier(Plier("0012")), 12);
    EXPECT_EQ(LireEntier(Plier("-999")), 999);
    EXPECT_EQ(LireEntier(Plier("-1234")), 0);  // four digits after '-' fold onto byte 0
    EXPECT_EQ(LireEntier(Plier("12345")), 0);
    EXPECT_EQ(LireEntier(Plier("0")), 0);
    EXPECT_EQ(LireEntier(Plier("abc")), 0);
    EXPECT_EQ(LireEntier(Plier("5k")), 5);
    EXPECT_EQ(LireEntier(Plier("-")), 0);
    EXPECT_EQ(LireEntier(0), 0);
}

TEST(LireReel, Grammar) {
    EXPECT_EQ(Reel("k 2.0"), 2.0);
    EXPECT_EQ(Reel("k 2,5"), 2.5);
    EXPECT_EQ(Reel("k 2 5"), 2.5);
    EXPECT_EQ(Reel("k 2.abc"), 2.0);
    EXPECT_EQ(Reel("k -0.5"), -0.5);
    EXPECT_EQ(Reel("k 1.05"), 1.05);  // leading zeros of the fraction count
    EXPECT_EQ(Reel("k 0.005"), 0.005);
    EXPECT_EQ(Reel("k 9999.9999"), 9999.9999);
    EXPECT_EQ(Reel("k -999.25"), -999.25);
    EXPECT_EQ(Reel("k x.5"), 0.5);
    EXPECT_EQ(Reel("k -.5"), -0.5);
    EXPECT_EQ(Reel("k 3.12345"), 3.0);  // a five-digit fraction folds to a non-digit first byte
    EXPECT_EQ(Reel("k 0.0"), 0.0);
}

// The sign is the whole part's own: reading one number leaves nothing for
// the next, whichever order they come in.
TEST(LireReel, TheSignBelongsToItsWholePart) {
    EXPECT_EQ(LireReel(Plier("-1"), Plier("5")), -1.5);
    EXPECT_EQ(LireReel(Plier("1"), Plier("5")), 1.5);
    EXPECT_EQ(LireEntier(Plier("-3")), 3);
    EXPECT_EQ(LireReel(Plier("0"), Plier("25")), 0.25);
    EXPECT_EQ(LireReel(Plier("-0"), Plier("25")), -0.25);
}

TEST(LireIterations, CountsAndSuffixes) {
    EXPECT_EQ(Iterations("relax"), 50);
    EXPECT_EQ(Iterations("relax 0"), 1);
    EXPECT_EQ(Iterations("relax x"), 1);
    EXPECT_EQ(Iterations("relax 5 k"), 5000);
    EXPECT_EQ(Iterations("relax 5k"), 5000);  // glued: as "relax 5 k"
    EXPECT_EQ(Iterations("relax 2 m"), 2000000);
    EXPECT_EQ(Iterations("relax 12345"), 1);
    EXPECT_EQ(Iterations("relax 20 foo"), 20);
    EXPECT_EQ(Iterations("relax -20"), 20);
    EXPECT_EQ(Iterations("relax 9999 k"), 9999000);
    // Beyond 32 bits: counted exactly.
    EXPECT_EQ(Iterations("relax 9999 m"), 9999000000LL);
    EXPECT_EQ(Iterations("relax 2148 m"), 2148000000LL);
}

TEST(LireIterations, MultiplierGluedToTheCount) {
    EXPECT_EQ(Iterations("relax 20M"), 20000000);
    EXPECT_EQ(Iterations("relax 3k m"), 3000);  // the glued one counts, a third word is ignored
    // Five characters fold beyond the code's four bytes: read from the typed text.
    EXPECT_EQ(Iterations("relax 9999k"), 9999000);
    EXPECT_EQ(Iterations("relax 0k"), 1000);    // the count is clamped to 1 first, as "0 k"
    // Not a count glued to a multiplier: the number grammar as before.
    EXPECT_EQ(Iterations("relax 5kx"), 5);
    EXPECT_EQ(Iterations("relax k"), 1);
    EXPECT_EQ(Iterations("relax 12345k"), 1);
}

// Ten digits or more, glued to a multiplier or not: read without an int
// overflowing (the sanitizer build watches), and told as not taken.
TEST(LireIterations, CountsOfManyDigits) {
    EXPECT_EQ(Iterations("relax 12345678901234k"), Iterations("relax 12345678901234"));
    EXPECT_EQ(Iterations("relax 99999999999"), 999);  // the folded code reads "999"
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    for (const char* ligne : {"relax 12345678901234k", "relax 99999999999"}) LireCompte(DecouperLigne(ligne));
    VerifierNombreParticules(DecouperLigne("nb 123456789012"), 400);
    const std::string avertissements = testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    for (const char* mot : {"\"12345678901234k\"", "\"99999999999\"", "\"123456789012\""})
        EXPECT_NE(avertissements.find(mot), std::string::npos) << mot << "\n" << avertissements;
}

TEST(DecouperLigne, EachWordKeepsItsTextAndTheLineItsCommand) {
    const Ligne ligne = DecouperLigne("K  -12345.5x,Champ");
    ASSERT_EQ(ligne.count, 5);
    const char* attendus[] = {"k", "", "-12345", "5x", "champ"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(ligne.texte(i), attendus[i]) << i;
        EXPECT_EQ(ligne[i], Plier(attendus[i])) << i;
    }
    EXPECT_EQ(ligne[5], 0u);  // beyond the line: the empty word
    EXPECT_EQ(ligne.texte(5), "");
    ASSERT_NE(ligne.commande, nullptr);
    EXPECT_STREQ(ligne.commande->mot, "k");
    EXPECT_EQ(DecouperLigne("xyz 5").commande, nullptr);
    EXPECT_EQ(DecouperLigne(" k 5").commande, nullptr);  // the empty word first
}

// One reader for every counted command; its row gives the default and
// whether a count that is not a number runs one step or is refused.
TEST(LireCompte, DefaultsAndPolicyComeFromTheRow) {
    const auto compte = [](const char* texte, std::string* sortie = nullptr, std::string* erreurs = nullptr) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const std::optional<long long> n = LireCompte(DecouperLigne(texte));
        const std::string out = testing::internal::GetCapturedStdout();
        const std::string err = testing::internal::GetCapturedStderr();
        if (sortie != nullptr) *sortie = out;
        if (erreurs != nullptr) *erreurs = err;
        return n;
    };
    EXPECT_EQ(compte("relax"), 50);
    EXPECT_EQ(compte("montecarlo"), 50);
    EXPECT_EQ(compte("minimiser"), 1000);
    EXPECT_EQ(compte("explorer"), 100);
    EXPECT_EQ(compte("tammes"), 1000);
    EXPECT_EQ(compte("explorer 3k"), 3000);
    EXPECT_EQ(compte("tammes 7 m"), 7000000);

    std::string out, err;
    EXPECT_EQ(compte("relax abc", &out, &err), 1);
    EXPECT_EQ(out, "");
    // The console writes UTF-8 here: the literals keep to ASCII.
    EXPECT_NE(err.find("\"abc\" n'est pas un nombre entre 1 et 9999, RELAX effectue 1 it"), std::string::npos) << err;
    for (const char* refuse : {"minimiser abc", "explorer 0", "tammes 12345", "minimiser 0k"}) {
        EXPECT_EQ(compte(refuse, &out, &err), std::nullopt) << refuse;
        EXPECT_EQ(out.rfind("Param", 0), 0u) << refuse;
        EXPECT_EQ(out.substr(out.find(' ')), " non valide.\n") << refuse;
        EXPECT_EQ(err, "") << refuse;
    }
    EXPECT_EQ(compte("minimiser 5 x", &out, &err), 5);
    EXPECT_NE(err.find("\"x\" n'est pas compris, MINIMISER attend ici K ou M"), std::string::npos) << err;
}

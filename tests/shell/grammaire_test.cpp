// Command lines: the fold, the cutting into words and the number grammar.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "shell/avertissements.h"
#include "shell/boucle.h"
#include "shell/commande.h"
#include "shell/mots.h"

namespace {

std::vector<CommandWord> Mots(const std::string& texte, int max = kMaxWords) {
    char ligne[256] = {};
    std::strncpy(ligne, texte.c_str(), 255);
    CommandWord words[kMaxWords] = {};
    const int n = DecouperLigne(ligne, words, max);
    return {words, words + n};
}

long long Iterations(const std::string& texte) {
    const auto w = Mots(texte);
    return LireIterations(static_cast<int>(w.size()), w.data());
}

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

TEST(LireReel, SignFlagIsResetByEachNumber) {
    EXPECT_EQ(Reel("k -1.5"), -1.5);
    EXPECT_EQ(Reel("k 1.5"), 1.5);
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
    // Codes that were not cut from a line (no typed text): their bytes are the text.
    const CommandWord codes[] = {Plier("relax"), Plier("7k")};
    EXPECT_EQ(LireIterations(2, codes), 7000);
}

// Ten digits or more, glued to a multiplier or not: read without an int
// overflowing (the sanitizer build watches), and told as not taken.
TEST(LireIterations, CountsOfManyDigits) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(Iterations("relax 12345678901234k"), Iterations("relax 12345678901234"));
    EXPECT_EQ(Iterations("relax 99999999999"), 999);  // the folded code reads "999"
    const auto w = Mots("nb 123456789012");
    VerifierNombreParticules(w.data(), 400);
    const std::string avertissements = testing::internal::GetCapturedStderr();
    for (const char* mot : {"\"12345678901234k\"", "\"99999999999\"", "\"123456789012\""})
        EXPECT_NE(avertissements.find(mot), std::string::npos) << mot << "\n" << avertissements;
}

TEST(TexteMot, TheWordsOfTheLastLineAsTyped) {
    char ligne[] = "K  -12345.5x,Champ";
    CommandWord words[kMaxWords];
    ASSERT_EQ(DecouperLigne(ligne, words, kMaxWords), 5);
    const char* attendus[] = {"k", "", "-12345", "5x", "champ"};
    for (int i = 0; i < 5; ++i) {
        ASSERT_NE(TexteMot(words, i), nullptr) << i;
        EXPECT_STREQ(TexteMot(words, i), attendus[i]) << i;
    }
    EXPECT_EQ(TexteMot(words, 5), nullptr);  // beyond the line
    words[2] = Plier("autre");               // no longer the word cut
    EXPECT_EQ(TexteMot(words, 2), nullptr);
}

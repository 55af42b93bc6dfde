// Reading position files: which lines place a particle.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "shell/commandes_fichiers.h"

namespace {

std::vector<LignePosition> Lire(const std::string& texte, int count = 10) {
    std::FILE* f = fmemopen(const_cast<char*>(texte.data()), texte.size(), "r");
    EXPECT_NE(f, nullptr);
    auto lues = LirePositions(f, count);
    std::fclose(f);
    return lues;
}

}  // namespace

TEST(LirePositions, WrittenFormatAndFileOrder) {
    const auto l = Lire("3:\t0.5\t-0.25\t1e-05\n1:\t1\t0\t0\n3:\t0\t0\t1\n");
    ASSERT_EQ(l.size(), 3u);
    EXPECT_EQ(l[0].index, 3);
    EXPECT_EQ(l[0].position.x, 0.5);
    EXPECT_EQ(l[0].position.y, -0.25);
    EXPECT_EQ(l[0].position.z, 1e-05);
    EXPECT_EQ(l[1].index, 1);
    EXPECT_EQ(l[2].index, 3);  // applied last, so it wins
    EXPECT_EQ(l[2].position.z, 1.0);
}

TEST(LirePositions, AnySeparatorAndWhiteSpace) {
    const auto l = Lire("2;  1 2\t\t3\r\n  4:1,5 6 7\n");
    ASSERT_EQ(l.size(), 1u);  // "1,5" stops the reals: the second line lacks one
    EXPECT_EQ(l[0].index, 2);
    EXPECT_EQ(l[0].position.z, 3.0);
}

TEST(LirePositions, IndicesOutsideTheTableAreIgnored) {
    // 2^32 + 5 would be 5 in a 32-bit conversion.
    EXPECT_TRUE(Lire("10:\t1\t0\t0\n-1:\t1\t0\t0\n4294967301:\t1\t0\t0\n99999999999999999999:\t1\t0\t0\n").empty());
    EXPECT_EQ(Lire("9:\t1\t0\t0\n").size(), 1u);
    EXPECT_TRUE(Lire("0:\t1\t0\t0\n", 0).empty());
}

TEST(LirePositions, UnreadableLinesAreSkipped) {
    const std::string longue(4096, '7');  // the longest line read
    const auto l = Lire("rien\n\n:\t1\t2\t3\n5:\tx\t1\t2\n5:\t1\t2\n6:\tnan\t0\t0\n6:\t0\tinf\t0\n" + longue +
                        "\n\x01\xff\n7:\t1\t1\t1");
    ASSERT_EQ(l.size(), 1u);
    EXPECT_EQ(l[0].index, 7);
}

// A zero vector has no direction: once scaled to the sphere it is NaN, and
// the NaN spreads to every particle. So is a vector whose length, as
// computed, overflows or underflows.
TEST(LirePositions, PositionsWithoutALengthAreNoPlace) {
    const auto l = Lire("6: 0 0 0\n5:\t-0\t0\t0\n4:\t1e200\t1e200\t0\n1:\t1e-300\t0\t0\n"
                        "3:\t1e-150\t0\t0\n2:\t0\t0\t100\n");
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(l[0].index, 3);
    EXPECT_EQ(l[1].index, 2);
    EXPECT_EQ(l[1].position.z, 100.0);  // far from the sphere, still a place: kept as read
}

// Whatever the file, the reading stops: a line past 4096 characters makes it
// invalid (there may be no line end at all), and no more than count + 1000
// lines are read.
TEST(LirePositions, ReadingIsBounded) {
    const std::string tropLongue(4097, '7');
    EXPECT_TRUE(Lire("1:\t1\t0\t0\n" + tropLongue + "\n2:\t0\t1\t0\n").empty());
    EXPECT_TRUE(Lire("1:\t1\t0\t0\n" + std::string(100000, ' ')).empty());

    std::FILE* zero = std::fopen("/dev/zero", "r");
    ASSERT_NE(zero, nullptr);
    EXPECT_TRUE(LirePositions(zero, 10).empty());
    std::fclose(zero);

    std::string lignes;
    for (int i = 0; i < 1009; ++i) lignes += "rien\n";
    EXPECT_EQ(Lire(lignes + "9:\t1\t0\t0\n").size(), 1u);  // line 1010: the last one read for 10
    EXPECT_TRUE(Lire(lignes + "rien\n9:\t1\t0\t0\n").empty());
}

TEST(LirePositions, IndexTakesHexAndOctalLikeItsConversion) {
    const auto l = Lire("0x3:\t1\t0\t0\n010:\t1\t0\t0\n");
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(l[0].index, 3);
    EXPECT_EQ(l[1].index, 8);
}

namespace {

LecturePositions LireTout(const std::string& texte, int count) {
    std::FILE* f = fmemopen(const_cast<char*>(texte.data()), texte.size(), "r");
    EXPECT_NE(f, nullptr);
    LecturePositions l = LireFichierPositions(f, count);
    std::fclose(f);
    return l;
}

}  // namespace

// The forms other tools write: Windows line ends, blanks around commas,
// numpy's "#" header, XYZ with more columns than the position; each read
// as exactly its count, in file order.
TEST(LireFichierPositions, OtherFormatsAreKnownByTheirContent) {
    struct Cas {
        const char* texte;
        FormatPositions format;
    };
    const Cas cas[] = {
        {"3\r\nn=3\r\nO 1 0 0 0.5\r\nH 0 -1 0 0.5\r\nH 0 0 1 0.5\r\n", FormatPositions::Xyz},
        {"  X , Y,z\n1,0,0\n\n0, -1 ,0\n0,0,1\n", FormatPositions::Csv},
        {"# x y z\n#\n1.0e+00 0 0\n0\t-1 0\n0 0 1e0\n", FormatPositions::Colonnes},
        {"\n1,0,0\n0,-1,0\n# fin\n0,0,1\n\n", FormatPositions::Colonnes},
    };
    for (const Cas& c : cas) {
        const LecturePositions l = LireTout(c.texte, 3);
        EXPECT_TRUE(l.valide()) << c.texte << l.refus;
        EXPECT_EQ(l.format, c.format) << c.texte;
        ASSERT_EQ(l.lignes.size(), 3u) << c.texte;
        for (int i = 0; i < 3; ++i) EXPECT_EQ(l.lignes[i].index, i);
        EXPECT_EQ(l.lignes[0].position.x, 1.0) << c.texte;
        EXPECT_EQ(l.lignes[1].position.y, -1.0) << c.texte;
        EXPECT_EQ(l.lignes[2].position.z, 1.0) << c.texte;
        EXPECT_EQ(l.horsSphere, 0);
    }
    // The program's own lines are not three columns, even with commas.
    const LecturePositions propre = LireTout("1:\t0\t1\t0\n0:,1,0,0\n", 3);
    EXPECT_EQ(propre.format, FormatPositions::Glomerix);
    EXPECT_EQ(propre.lignes.size(), 1u);
    EXPECT_EQ(propre.ignorees, 1);
    // Brought onto the sphere, direction kept; a count too big for any integer is refused.
    const LecturePositions loin = LireTout("0 0 3\n0 -0.5 0\n1 1 0\n", 3);
    ASSERT_TRUE(loin.valide());
    EXPECT_EQ(loin.horsSphere, 3);
    EXPECT_EQ(loin.lignes[0].position.z, 1.0);
    EXPECT_EQ(loin.lignes[1].position.y, -1.0);
    EXPECT_DOUBLE_EQ(loin.lignes[2].position.x, std::sqrt(0.5));
    EXPECT_FALSE(LireTout("99999999999999999999999\n\nX 1 0 0\n", 3).valide());
}

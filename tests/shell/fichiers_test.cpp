// Reading position files: which lines place a particle.
#include <gtest/gtest.h>

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
    const std::string longue(100000, '7');
    const auto l = Lire("rien\n\n:\t1\t2\t3\n5:\tx\t1\t2\n5:\t1\t2\n6:\tnan\t0\t0\n6:\t0\tinf\t0\n" + longue +
                        "\n\x01\xff\n7:\t1\t1\t1");
    ASSERT_EQ(l.size(), 1u);
    EXPECT_EQ(l[0].index, 7);
}

TEST(LirePositions, IndexTakesHexAndOctalLikeItsConversion) {
    const auto l = Lire("0x3:\t1\t0\t0\n010:\t1\t0\t0\n");
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(l[0].index, 3);
    EXPECT_EQ(l[1].index, 8);
}

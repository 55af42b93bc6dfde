// The off-screen surface: primitives, clipping, resizing and BMP files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "ternex2/ternex2.h"

namespace {

using ternex2::rgb;
using ternex2::surface;

constexpr rgb kBlack{0, 0, 0}, kWhite{255, 255, 255}, kRed{255, 0, 0}, kGreen{0, 200, 0};

uint32_t Le32(const std::vector<unsigned char>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// Counts the pixels of colour c inside [x0, x1] x [y0, y1].
int Compter(const surface& s, rgb c, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) n += s.pixel(x, y) == c;
    }
    return n;
}

TEST(Surface, StartsAsAWhite400SquareWithBlackPen) {
    surface s;
    EXPECT_EQ(s.get_width(), 400);
    EXPECT_EQ(s.get_height(), 400);
    EXPECT_TRUE(s.is_allocated());
    EXPECT_EQ(s.get_foreground(), kBlack);
    EXPECT_EQ(s.get_background(), kWhite);
    EXPECT_EQ(Compter(s, kWhite, 0, 0, 399, 399), 400 * 400);
}

TEST(Surface, FilledAndOutlinedRectangles) {
    surface s(20, 10);
    s.set_foreground(kRed);
    s.rectangle(2, 1, 5, 3, true);
    EXPECT_EQ(Compter(s, kRed, 0, 0, 19, 9), 4 * 3);
    EXPECT_EQ(s.pixel(2, 1), kRed);
    EXPECT_EQ(s.pixel(5, 3), kRed);
    EXPECT_EQ(s.pixel(6, 3), kWhite);

    s.set_background(kGreen);
    s.rectangle(3, 2, 4, 2, true, true);  // the background brush
    EXPECT_EQ(s.pixel(3, 2), kGreen);
    EXPECT_EQ(s.pixel(4, 2), kGreen);

    surface t(20, 20);
    t.rectangle(12, 15, 5, 5, false);  // corners in any order; outline only
    EXPECT_EQ(t.pixel(5, 5), kBlack);
    EXPECT_EQ(t.pixel(12, 15), kBlack);
    EXPECT_EQ(t.pixel(8, 10), kWhite);
    EXPECT_EQ(Compter(t, kBlack, 0, 0, 19, 19), 2 * 8 + 2 * 9);
    t.clear();
    t.set_pen_width(2);
    t.rectangle(5, 5, 12, 15, false);
    EXPECT_EQ(t.pixel(6, 6), kBlack);
    EXPECT_EQ(t.pixel(7, 7), kWhite);
}

TEST(Surface, RectanglesAreClippedToThePicture) {
    surface s(10, 10);
    s.rectangle(-5, -5, 3, 100, true);
    EXPECT_EQ(Compter(s, kBlack, 0, 0, 9, 9), 4 * 10);
    s.rectangle(50, 50, 60, 60, true);  // entirely outside: nothing
    EXPECT_EQ(Compter(s, kBlack, 0, 0, 9, 9), 4 * 10);
}

TEST(Surface, BlockCopyClipsAndHandlesOverlap) {
    surface src(8, 8);
    src.set_foreground(kRed);
    src.rectangle(0, 0, 3, 3, true);
    surface dst(6, 6);
    dst.copy_from(src, 0, 0, 4, 4, 4, 4);  // only 2 x 2 fits
    EXPECT_EQ(Compter(dst, kRed, 0, 0, 5, 5), 4);
    EXPECT_EQ(dst.pixel(5, 5), kRed);

    dst.clear();
    dst.copy_from(src, -2, -2, 4, 4, 0, 0);  // source clipped: the block starts at (0,0) -> (2,2)
    EXPECT_EQ(dst.pixel(1, 1), kWhite);
    EXPECT_EQ(dst.pixel(2, 2), kRed);
    EXPECT_EQ(Compter(dst, kRed, 0, 0, 5, 5), 4);

    // Overlapping copy within one picture moves the block intact.
    src.copy_from(src, 0, 0, 4, 4, 2, 2);
    EXPECT_EQ(Compter(src, kRed, 2, 2, 5, 5), 16);
    EXPECT_EQ(src.pixel(0, 0), kRed);  // the source area outside the block stays
}

TEST(Surface, ResizeKeepsOrDiscardsThePicture) {
    surface s(4, 4);
    s.rectangle(0, 0, 3, 3, true);
    ASSERT_TRUE(s.resize(6, 2, false));
    EXPECT_EQ(s.get_width(), 6);
    EXPECT_EQ(Compter(s, kBlack, 0, 0, 3, 1), 8);
    EXPECT_EQ(s.pixel(4, 0), kWhite);
    ASSERT_TRUE(s.resize(3, 3, true));
    EXPECT_EQ(Compter(s, kWhite, 0, 0, 2, 2), 9);
    EXPECT_FALSE(s.resize(0, 3, true));
    EXPECT_EQ(s.get_width(), 3);
}

TEST(Surface, WorldWindowRefusesEmptyRanges) {
    surface s;
    EXPECT_TRUE(s.set_world_window(-1.1, 1.1, 1.1, -1.1));
    EXPECT_FALSE(s.set_world_window(2.0, 2.0, 0.0, 1.0));
    EXPECT_FALSE(s.set_world_window(0.0, 1.0, 3.0, 3.0));
}

TEST(Surface, SavesABottomUpBitmapWithPaddedRows) {
    surface s(3, 2);  // 9 bytes of pixels per row, padded to 12
    s.set_foreground(rgb{10, 20, 30});
    s.rectangle(0, 0, 0, 0, true);    // top-left
    s.set_foreground(rgb{200, 100, 50});
    s.rectangle(2, 1, 2, 1, true);    // bottom-right
    const auto path = std::filesystem::temp_directory_path() / ("ternex2_bmp_" + std::to_string(getpid()));
    ASSERT_TRUE(s.save_bitmap(path.c_str()));
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::filesystem::remove(path);
    ASSERT_EQ(b.size(), 14u + 40u + 2u * 12u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(Le32(b, 2), b.size());
    EXPECT_EQ(Le32(b, 10), 54u);      // pixels follow the two headers
    EXPECT_EQ(Le32(b, 14), 40u);
    EXPECT_EQ(Le32(b, 18), 3u);
    EXPECT_EQ(Le32(b, 22), 2u);       // positive height: bottom row first
    EXPECT_EQ(b[28], 24);
    EXPECT_EQ(Le32(b, 30), 0u);       // uncompressed
    // First stored row is the bottom one; pixels are blue, green, red.
    const size_t bottomRight = 54 + 2 * 3;
    EXPECT_EQ(b[bottomRight], 50);
    EXPECT_EQ(b[bottomRight + 1], 100);
    EXPECT_EQ(b[bottomRight + 2], 200);
    const size_t topLeft = 54 + 12;
    EXPECT_EQ(b[topLeft], 30);
    EXPECT_EQ(b[topLeft + 1], 20);
    EXPECT_EQ(b[topLeft + 2], 10);
    EXPECT_EQ(b[54 + 1 * 3], 255);    // a white pixel
    EXPECT_FALSE(s.save_bitmap("/nonexistent-dir/x.bmp"));
}

}  // namespace

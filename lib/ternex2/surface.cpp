#include <algorithm>
#include <cstdio>

#include "ternex2/ternex2.h"

namespace {

uint32_t Pack(ternex2::rgb c) {
    return (uint32_t{c.red} << 16) | (uint32_t{c.green} << 8) | c.blue;
}

void PutLe16(unsigned char* at, uint32_t v) {
    at[0] = v & 0xFF;
    at[1] = (v >> 8) & 0xFF;
}

void PutLe32(unsigned char* at, uint32_t v) {
    for (int k = 0; k < 4; ++k) at[k] = (v >> (8 * k)) & 0xFF;
}

// BITMAPFILEHEADER (14 bytes) then BITMAPINFOHEADER (40 bytes), 24 bits per
// pixel, no colour table, rows bottom-up and padded to 4 bytes.
constexpr int kFileHeader = 14;
constexpr int kInfoHeader = 40;

void BmpHeaders(unsigned char* h, int width, int height, uint32_t rowBytes) {
    const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(height);
    h[0] = 'B';
    h[1] = 'M';
    PutLe32(h + 2, kFileHeader + kInfoHeader + imageBytes);
    PutLe32(h + 6, 0);
    PutLe32(h + 10, kFileHeader + kInfoHeader);
    unsigned char* info = h + kFileHeader;
    PutLe32(info, kInfoHeader);
    PutLe32(info + 4, static_cast<uint32_t>(width));
    PutLe32(info + 8, static_cast<uint32_t>(height));
    PutLe16(info + 12, 1);   // planes
    PutLe16(info + 14, 24);  // bits per pixel
    PutLe32(info + 16, 0);   // BI_RGB
    PutLe32(info + 20, imageBytes);
    PutLe32(info + 24, 2835);  // 72 dpi
    PutLe32(info + 28, 2835);
    PutLe32(info + 32, 0);
    PutLe32(info + 36, 0);
}

}  // namespace

// ---------------------------------------------------------------------------
// ternex2::surface
// ---------------------------------------------------------------------------

namespace ternex2 {

surface::surface() : surface(400, 400) {}

surface::surface(int w, int h) {
    resize(w, h, true);
}

surface::~surface() = default;

bool surface::resize(int w, int h, bool discard) {
    if (w <= 0 || h <= 0) return false;
    std::vector<uint32_t> old;
    old.swap(pixels);
    const int oldWidth = width, oldHeight = height;
    width = w;
    height = h;
    pixels.assign(static_cast<size_t>(w) * h, Pack(background));
    allocated = true;
    if (!discard && !old.empty()) {
        const int cw = std::min(oldWidth, w), ch = std::min(oldHeight, h);
        for (int y = 0; y < ch; ++y) {
            std::copy_n(old.begin() + static_cast<size_t>(y) * oldWidth, cw,
                        pixels.begin() + static_cast<size_t>(y) * w);
        }
    }
    return true;
}

bool surface::save_bitmap(const char* path) {
    if (!allocated) return false;
    const uint32_t rowBytes = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    unsigned char headers[kFileHeader + kInfoHeader];
    BmpHeaders(headers, width, height, rowBytes);
    FILE* f = std::fopen(path, "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(headers, sizeof headers, 1, f) == 1;
    std::vector<unsigned char> row(rowBytes, 0);
    for (int y = height - 1; ok && y >= 0; --y) {
        const uint32_t* src = &pixels[static_cast<size_t>(y) * width];
        for (int x = 0; x < width; ++x) {
            row[3 * x] = src[x] & 0xFF;
            row[3 * x + 1] = (src[x] >> 8) & 0xFF;
            row[3 * x + 2] = (src[x] >> 16) & 0xFF;
        }
        ok = std::fwrite(row.data(), rowBytes, 1, f) == 1;
    }
    return std::fclose(f) == 0 && ok;
}

void surface::refresh(int, int, int, int) {}

bool surface::set_world_window(double from, double to, double top, double bottom) {
    if (from == to || top == bottom) return false;
    xFrom = from;
    xTo = to;
    yFrom = top;
    yTo = bottom;
    world_window_changed();
    return true;
}

void surface::set_foreground(rgb colour) { foreground = colour; }
void surface::set_background(rgb colour) { background = colour; }
void surface::set_pen_width(int w) { penWidth = std::max(w, 0); }

void surface::fill(int left, int top, int right, int bottom, uint32_t colour) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, width - 1);
    bottom = std::min(bottom, height - 1);
    for (int y = top; y <= bottom; ++y) {
        std::fill_n(pixels.begin() + static_cast<size_t>(y) * width + left, std::max(right - left + 1, 0),
                    colour);
    }
}

void surface::rectangle(int left, int top, int right, int bottom, bool filled, bool useBackground) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    if (filled) {
        fill(left, top, right, bottom, Pack(useBackground ? background : foreground));
    } else {
        const int t = std::max(penWidth, 1) - 1;
        const uint32_t pen = Pack(foreground);
        fill(left, top, right, top + t, pen);
        fill(left, bottom - t, right, bottom, pen);
        fill(left, top, left + t, bottom, pen);
        fill(right - t, top, right, bottom, pen);
    }
    refresh(left, top, right - left + 1, bottom - top + 1);
}

void surface::copy_from(const surface& source, int sx, int sy, int w, int h, int dx, int dy) {
    // Clip against both pictures by shrinking the block from each side.
    if (sx < 0) { w += sx; dx -= sx; sx = 0; }
    if (sy < 0) { h += sy; dy -= sy; sy = 0; }
    if (dx < 0) { w += dx; sx -= dx; dx = 0; }
    if (dy < 0) { h += dy; sy -= dy; dy = 0; }
    w = std::min({w, source.width - sx, width - dx});
    h = std::min({h, source.height - sy, height - dy});
    if (w <= 0 || h <= 0) return;
    std::vector<uint32_t> block(static_cast<size_t>(w) * h);  // source may be *this
    for (int y = 0; y < h; ++y) {
        std::copy_n(source.pixels.begin() + static_cast<size_t>(sy + y) * source.width + sx, w,
                    block.begin() + static_cast<size_t>(y) * w);
    }
    for (int y = 0; y < h; ++y) {
        std::copy_n(block.begin() + static_cast<size_t>(y) * w, w,
                    pixels.begin() + static_cast<size_t>(dy + y) * width + dx);
    }
    refresh(dx, dy, w, h);
}

void surface::clear() {
    std::fill(pixels.begin(), pixels.end(), Pack(background));
    refresh(0, 0, width, height);
}

rgb surface::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return rgb{};
    const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
    return rgb{static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p)};
}

}  // namespace ternex2

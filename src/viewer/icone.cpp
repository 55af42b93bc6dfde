#include "viewer/icone.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "ternex2/ternex2.h"

namespace {

struct Couleur {
    double r, g, b;
};

// The sixteen colours of the classic palette.
constexpr uint32_t kPalette16[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                     0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                     0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

// Particles seen on the front of the sphere (unit vectors, z toward the viewer).
constexpr double kPoints[][3] = {{0.0, 0.0, 1.0},    {0.62, 0.3, 0.72},  {-0.55, 0.45, 0.7}, {0.1, -0.68, 0.72},
                                 {-0.45, -0.5, 0.74}, {0.3, 0.78, 0.55}, {0.85, -0.35, 0.4}, {-0.88, -0.1, 0.46}};

uint32_t Proche16(Couleur c) {
    uint32_t best = 0;
    double bestDistance = 1e9;
    for (uint32_t p : kPalette16) {
        const double dr = c.r - ((p >> 16) & 0xFF) / 255.0;
        const double dg = c.g - ((p >> 8) & 0xFF) / 255.0;
        const double db = c.b - (p & 0xFF) / 255.0;
        const double d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = p;
        }
    }
    return best;
}

// The 6 x 6 x 6 colour cube of a 256-colour palette.
uint32_t Proche256(Couleur c) {
    auto level = [](double v) { return static_cast<uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 5.0) * 51); };
    return (level(c.r) << 16) | (level(c.g) << 8) | level(c.b);
}

// Colour of the picture at (u, v) in [-1, 1]^2, y up; false outside the sphere.
bool Echantillon(double u, double v, double pixel, Couleur& out) {
    const double rr = u * u + v * v;
    if (rr > 1.0) return false;
    const double z = std::sqrt(1.0 - rr);
    for (const auto& p : kPoints) {
        const double du = u - p[0], dv = v - p[1];
        if (du * du + dv * dv < std::pow(std::max(0.13, 1.6 * pixel), 2)) {
            const double light = 0.55 + 0.45 * p[2];
            out = {light, 0.15 * light, 0.1 * light};
            return true;
        }
    }
    const double lx = -0.45, ly = 0.55, lz = 0.70;
    const double diffuse = std::max(0.0, u * lx + v * ly + z * lz);
    const double specular = std::pow(std::max(0.0, 2 * diffuse * z - lz), 12.0);
    const double shade = 0.25 + 0.75 * diffuse;
    out = {std::min(1.0, 0.25 * shade + specular), std::min(1.0, 0.55 * shade + specular),
           std::min(1.0, 0.95 * shade + specular)};
    return true;
}

ternex2::icon_image Image(int size, bool sixteen) {
    ternex2::icon_image image;
    image.width = image.height = size;
    image.argb.reserve(static_cast<size_t>(size) * size);
    const double pixel = 2.0 / (size - 1);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double u = -1.0 + pixel * x, v = 1.0 - pixel * y;
            Couleur c{};
            // Paletted icons carry a one-bit mask: a pixel is opaque or clear.
            if (!Echantillon(u * 1.04, v * 1.04, pixel, c)) {
                image.argb.push_back(0);
            } else {
                image.argb.push_back(0xFF000000u | (sixteen ? Proche16(c) : Proche256(c)));
            }
        }
    }
    return image;
}

}  // namespace

// ---------------------------------------------------------------------------
// Icon 101
// ---------------------------------------------------------------------------

void EnregistrerIcone() {
    ternex2::register_icon(kIconeProgramme, {Image(32, true), Image(16, true), Image(48, false), Image(32, false)});
}

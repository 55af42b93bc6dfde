// In-process scene tests: a private Xvfb, the viewer window opened as GRAPH
// does (without the shell), a particle set of the test's choice, and frames
// read back on the window thread.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "etat/vec3.h"
#include "viewer/x_test_support.h"

namespace scene_test {

struct Pixel {
    int r, g, b;
};

// A 600 x 600 frame: the colours shown in the window, the depth buffer.
struct Image {
    std::vector<unsigned char> rgb;  // GL order: bottom row first
    std::vector<float> depth;
    Pixel at(int x, int y) const;    // y from the top, as on screen
    float depthAt(int x, int y) const;
    bool allWhite() const;
};

// Replaces the particle set (under the state lock) with fresh hull storage.
void Placer(const std::vector<Vec3>& positions);
std::vector<Vec3> Octaedre();

// Switches every drawing mode off, the angles to 0, texturesFailed off and
// forgets the viewer's colour ramp.
void Reinitialiser();

// Each particle's share of the energy over its degree, as written plainly:
// its float terms 1 / r added in index order of the other, then divided
// (degree 0 or less: left whole).
std::vector<float> PartsParDegre(const std::vector<Vec3>& positions, const std::vector<int32_t>& degres);

class Scene : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Reads the labels from work/img (copies of the project's), opens the viewer.
    void Ouvrir();
    // Draws one frame on the window thread and reads it back.
    Image Dessiner();
    // Reads the window and the depth buffer without drawing.
    Image Lire();

    const xtest::Xvfb* server = nullptr;
    std::filesystem::path work, previous;
};

}  // namespace scene_test

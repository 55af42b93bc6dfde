// The particle set and the model constants: one instance of each for the
// whole program.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "etat/vec3.h"
#include "etat/verrous.h"

struct ParticleRecord {
    Vec3 position;                  // unit length after every placement or move
    Vec3 derivative;                // displacement applied by the next ModifierPosition
    int32_t degree = 0;             // hull edges at the particle (= faces = dual corners)
    std::vector<Vec3> dualCorners;  // corners of the dual cell, in angular order
    double dualColour[3] = {0.0, 0.0, 0.0};
};

struct ParticleState {
    int32_t count GUARDED_BY(verrouEtat) = 0;
    std::vector<ParticleRecord> particles GUARDED_BY(verrouEtat);  // exactly count records
    std::atomic<bool> resizing{true};  // arrays being replaced: the viewer skips frames
    // Bumped by every writer of a position or of the count (MarquerDeplacement),
    // so that a cache keyed on it knows in O(1) whether the particles moved.
    uint64_t generation GUARDED_BY(verrouEtat) = 0;
    // Bumped by every change of the count, so that what belongs to one count
    // (the catalogue of minima) knows it no longer does, even back at it.
    uint64_t changementsDeNombre GUARDED_BY(verrouEtat) = 0;
};

struct SimParams {
    static constexpr double kDefaultK = 1.0;
    static constexpr double kDefaultP = 0.005;
    static constexpr double kDefaultStringResistance = 0.1;
    static constexpr double kDefaultSpringLength = 0.0;
    static constexpr double kDefaultExposant = 1.0;

    double K = kDefaultK;                                     // force normalisation
    double P = kDefaultP;                                     // pair-move fraction
    Vec3 ambientField;                                        // constant drift
    double stringResistance = kDefaultStringResistance;       // face and edge stiffness
    double springLength = kDefaultSpringLength;               // edge rest length
    double exposant = kDefaultExposant;                       // s of the sum of 1/r^s that MINIMISER and EXPLORER minimise

    void resetDefaults() { *this = SimParams{}; }
};

// Fixed constants of the model.
inline constexpr double kForceScale = 0.0001;        // applied together with K
inline constexpr int kStartupRelaxSteps = 10;
inline constexpr double kMonteCarloTemperature = 0.001;
inline constexpr double kDefaultSpiralStep = 3.6;
inline constexpr int kChunk = 5;                      // static chunk of every parallel loop
inline constexpr int kMinParticles = 3;
inline constexpr int kMaxParticles = 9999;
inline constexpr int kDefaultParticles = 400;

extern ParticleState etat;
// Read and written by the command thread only (settings commands and the
// routines they run), so it needs no lock.
extern SimParams params;

// To be called by whatever writes a position or the count, once per change.
inline void MarquerDeplacement() REQUIRES(verrouEtat) { ++etat.generation; }

// When set, a cache that trusts the generation also compares the positions and
// aborts if they moved without a bump. On in builds with assertions, and in
// any build run with GLOMERIX_VERIFIER_GENERATION set (the tests).
extern std::atomic<bool> verifierGeneration;

// The positions of particles 0 .. count-1, copied.
std::vector<Vec3> CopierPositions() REQUIRES(verrouEtat);

// Worker threads of the parallel loops: the processors when OPENMP is on, else 1.
int NombreDeThreads();

// Changes the count to n (already clamped). With keepPositions, records
// 0 .. min(old, n) - 1 keep their position and the caller fills the rest;
// otherwise every particle is placed at random. Reallocates the hull storage
// and clears hullValid and dualAllocated; raises `resizing` meanwhile.
void ChangerNombre(int n, bool keepPositions) REQUIRES(verrouEtat);

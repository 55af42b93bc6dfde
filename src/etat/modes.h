// The eight MODE switches and the stop flag: owned by the shell, read by the
// simulation core (OPENMP), the hull (DUAL) and the viewer thread (drawing modes).
#pragma once

#include <atomic>

struct ModeFlags {
    std::atomic<bool> particules{true};
    std::atomic<bool> lignes{true};
    std::atomic<bool> polygones{false};
    std::atomic<bool> info{true};
    std::atomic<bool> openmp{false};
    std::atomic<bool> enveloppe{true};
    std::atomic<bool> axes{false};
    std::atomic<bool> dual{false};

    void resetDefaults() {
        particules = true; lignes = true; polygones = false; info = true;
        openmp = false; enveloppe = true; axes = false; dual = false;
    }
};

inline ModeFlags modes;

// Set from the SIGINT/SIGQUIT handler, polled by the counted loops between steps.
inline std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "stopRequested is written from a signal handler");

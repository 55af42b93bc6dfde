// Test helpers around the global particle state and the console output.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "etat/particules.h"
#include "hull/enveloppe.h"

// Replaces the particles by these positions and reallocates the hull storage.
inline void PlacerParticules(const std::vector<Vec3>& p) {
    etat.count = static_cast<int32_t>(p.size());
    etat.particles.assign(p.size(), ParticleRecord{});
    for (size_t i = 0; i < p.size(); ++i) etat.particles[i].position = p[i];
    MarquerDeplacement();
    AllouerEnveloppe(etat.count);
}

// What f writes to file descriptor 1, where the console writes.
inline std::string CapturerSortie(const std::function<void()>& f) {
    std::fflush(stdout);
    FILE* tmp = std::tmpfile();
    const int saved = dup(1);
    dup2(fileno(tmp), 1);
    f();
    dup2(saved, 1);
    close(saved);
    std::string out;
    std::rewind(tmp);
    for (int c; (c = std::fgetc(tmp)) != EOF;) out += static_cast<char>(c);
    std::fclose(tmp);
    return out;
}

// The step-count line, with "é" as the console may encode it (UTF-8 or Latin-1).
inline bool EstLigneIterations(const std::string& out, int steps) {
    const std::string tail = "rations : " + std::to_string(steps) + "\n";
    return out == "Nombre d'it\xC3\xA9" + tail || out == "Nombre d'it\xE9" + tail;
}

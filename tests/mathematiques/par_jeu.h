// Tests run once per kernel set. A set this processor cannot run is skipped
// with the reason, so that the log names every set a run left out (CI prints
// the skipped tests at its end; tests/README.md says where each set runs).
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "mathematiques/noyaux.h"

inline std::string NomDuJeu(JeuNoyaux jeu) {
    switch (jeu) {
        case JeuNoyaux::avx512: return "avx512";
        case JeuNoyaux::avx2: return "avx2";
        case JeuNoyaux::portable: return "portable";
        case JeuNoyaux::natif: break;
    }
    return "natif";
}

inline std::string NomDuParametre(const testing::TestParamInfo<JeuNoyaux>& i) { return NomDuJeu(i.param); }
inline void PrintTo(JeuNoyaux jeu, std::ostream* os) { *os << NomDuJeu(jeu); }

// The parameter's set is forced for the test, and the processor's own given
// back after it.
class ParJeu : public testing::TestWithParam<JeuNoyaux> {
protected:
    void SetUp() override {
        if (!JeuDisponible(GetParam())) {
            GTEST_SKIP() << "the " << NomDuJeu(GetParam())
                         << " kernels are not run: this processor lacks their instructions";
        }
        ForcerNoyaux(GetParam());
    }
    void TearDown() override { ForcerNoyaux(JeuNoyaux::natif); }
};

// Every test of `Suite` (a class derived from ParJeu) on the three sets.
#define SUR_CHAQUE_JEU(Suite)                                                                                       \
    INSTANTIATE_TEST_SUITE_P(Jeux, Suite, testing::Values(JeuNoyaux::portable, JeuNoyaux::avx2, JeuNoyaux::avx512), \
                             NomDuParametre)

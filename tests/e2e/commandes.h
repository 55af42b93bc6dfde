// A session that runs some commands, then QUITTER, and must end normally.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "e2e/harness.h"

namespace e2e {

// The output of `lignes` followed by "quitter", from just after the first
// prompt; masked by Masque when `masquer` is set.
inline std::string Commandes(const std::string& lignes, bool masquer = false) {
    Session s;
    const Result r = s.run(lignes + "quitter\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(r.timedOut);
    return ApresDemarrage(masquer ? Masque(r.out) : r.out);
}

}  // namespace e2e

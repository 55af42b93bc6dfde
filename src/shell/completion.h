// Tab completion at the prompt, read from the command table.
#pragma once

#include <string>
#include <vector>

// The candidates for the word before the cursor: a command word when it is the
// line's first word, else one of the fixed words that may follow the command
// already typed (the row's `parametres`). In the case typed: "REL" gives
// "RELAX", "rel" gives "relax". *debut receives where the word starts.
std::vector<std::string> CompleterCommande(const std::string& avant, size_t* debut);

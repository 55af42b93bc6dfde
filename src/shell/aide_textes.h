// The help texts of AIDE as data: the command list and one piece list per
// topic. Pieces are written in order through the console layer; numbers go
// through its integer or real-number output.
#pragma once

#include <span>

#include "shell/commande.h"

struct MorceauAide {
    enum class Genre { Texte, Caractere, Entier, Reel };
    Genre genre;
    const char* texte = nullptr;  // Texte
    char caractere = '\0';        // Caractere
    long long entier = 0;         // Entier
    double reel = 0.0;            // Reel
};

struct SujetAide {
    CommandWord mot;                       // Plier of the lower-case command name
    const char* nom;                       // the command name, for tests and diagnostics
    std::span<const MorceauAide> morceaux; // may be empty (MONTECARLO)
};

// The command list, written when AIDE has no parameter.
std::span<const MorceauAide> ListeAide();

// Every topic, one per command that has detailed help.
std::span<const SujetAide> SujetsAide();

// The topic reached by a word code, or nullptr.
const SujetAide* TrouverSujetAide(CommandWord word);

// Written for a word without a topic.
extern const char* const kAucuneAide;

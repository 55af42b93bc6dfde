// Reading what the user types: command lines, file names and confirmations.
// On a terminal the lines are edited (history, completion); elsewhere they are
// read as they come. Lines longer than the limit are refused whole.
#pragma once

#include <string>

// The longest line or file name read, in characters.
inline constexpr int kLongueurLigne = 255;

// Shows the prompt (bright white; nullptr for none) and reads one command line
// into ligne (kLongueurLigne + 1 bytes), with completion and history on a
// terminal. An over-long line or a line abandoned with Ctrl+C gives an empty
// line. *fin is set when the input is exhausted.
void LireLigneCommande(const char* invite, char* ligne, bool* fin);

// One file name typed without prompt, in Windows-1252 (NomSysteme gives the
// file system's spelling), without the blanks after it; empty when refused
// (over-long) or abandoned. Tab completes it from the folders, with no space.
std::string LireNomFichier();

// On a terminal: asks "Confirmer (o/N) ? " and says whether the answer is o or
// oui (any case). Elsewhere (a script): true without asking.
bool Confirmer();

// $XDG_STATE_HOME/glomerix/history, else $HOME/.local/state/glomerix/history;
// empty when neither variable holds an absolute path.
std::string CheminHistorique();

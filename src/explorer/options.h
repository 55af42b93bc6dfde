// glomerix-explorer's command line.
#pragma once

#include <string>

struct OptionsExplorer {
    int premier = 0, dernier = 0;  // --nb N or N1-N2
    double exposant = 1.0;         // --exposant s
    long long sauts = 0;           // --sauts n per count, per walker; 0: no bound
    double duree = 0.0;            // --duree seconds per count; 0: no bound
    long graine = -1;              // --graine g; -1: the clock
    std::string base;              // --base FILE; empty: the usual database
    bool silencieux = false;       // --quiet: the summary lines only
};

// Reads argv. Returns -1 to go on; otherwise the process ends with that
// status: 0 after --help or --version (their text on standard output when
// `parler`), 2 for anything not understood (a French message and the usage
// on standard error when `parler`). Without --sauts and --duree, a count
// gets the hops EXPLORER makes by default.
int LireOptionsExplorer(int argc, char** argv, OptionsExplorer& o, bool parler);

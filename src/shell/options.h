// The command line (getopt_long): what it asks of the run, read once by main
// before start-up.
#pragma once

#include <string>

struct Options {
    bool silencieux = false;  // -q: no banner, screen clear, title or prompts
    bool strict = false;      // --strict: exit status 1 after a reported error
    bool sansBase = false;    // --sans-base
    bool script = false;      // -c, -f FILE or FILE: Ctrl+C ends the run after the command under way
    std::string base;         // --base FILE; empty: the usual place
    long graine = -1;         // --graine N; -1: the clock seeds the generator
};

extern Options options;

// Reads argv into `options` and, for -f FILE, a bare FILE or -c, makes the
// commands the program's standard input. Returns -1 to go on; otherwise the
// program ends at once with that status: 0 after --help or --version (their
// text on standard output), 2 after an unknown option, a missing argument or
// a file that cannot be read (a French message and the usage on standard error).
int LireOptions(int argc, char** argv);

// The exit status for a run that ends with `code`: with --strict, 1 instead
// of 0 when a command reported an error (SignalerEchec).
int CodeDeSortie(int code);

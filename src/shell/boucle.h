// The command loop: cutting lines into words, dispatching them, start-up and
// shutdown.
#pragma once

#include "shell/commande.h"

// Lower-cases 'A'..'Z' of the NUL-terminated texte and cuts it into at most
// max words (separators NUL, space, CR, LF, ',', '=', ':', '.'; two
// separators in a row leave an empty word of code 0). At least one word.
Ligne DecouperLigne(const char* texte, int max = kMaxWords);

// Runs the command of word 0. Returns false for QUITTER. Words the command
// does not read get a warning; a row read strictly drops trailing empty words
// first. An engine error raised by the handler is reported and the loop goes on.
bool Executer(Ligne ligne);

// Prompts and dispatches until QUITTER or the end of input. Returns the exit
// code: 0, or 128 + the signal number when Ctrl+C (or Ctrl+Break) ended a
// script (options.script) after the command it stopped. The caller then
// shuts down as after QUITTER.
int BoucleCommandes();

// Start-up, before the first prompt: seed, database, modes, particles, console,
// banner, ten relaxation steps and the thread line.
void Demarrer();

// The shutdown sequence; runs at most once. Called before leaving main and by
// DESINSTALLER, and registered with atexit by Demarrer for any other exit().
void QuitterProprement();

// Shuts down (QuitterProprement), then ends the process with code: before
// exit(), so that the viewer closes while the GL driver's statics still stand.
[[noreturn]] void Sortir(int code);

// Answers console control events: Ctrl+C and Ctrl+Break set stopRequested;
// closing, logoff and shutdown end the process at once with exit code 0.
bool GestionnaireControle(int event);

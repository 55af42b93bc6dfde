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

// Prompts and dispatches until QUITTER, the end of input or DemanderFin
// (a termination, or Ctrl+C and Ctrl+Break in a script: options.script).
// Returns the exit code, FinDemandee(); the caller then shuts down as after
// QUITTER.
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
// closing (SIGHUP), logoff and shutdown (SIGTERM) end the session as QUITTER
// does, with the status 128 + the signal (DemanderFin).
bool GestionnaireControle(int event);

// Asks the session to end as QUITTER does, with exit status `statut` (the
// first asked is kept): the computation under way stops after its step
// (stopRequested), the input is read no further, and BoucleCommandes returns
// `statut` once the command under way has returned. Safe in a signal handler.
void DemanderFin(int statut);
// The status DemanderFin asked for; 0 when none was.
int FinDemandee();
// Clears stopRequested before a computation, unless the session is ending.
void EffacerArret();

// TRACE: while a trace file is open, MINIMISER writes one CSV row per
// iteration and EXPLORER one per hop of each walker, each command its header
// line first. Nothing is computed for it while it is closed.
#pragma once

#include <cstdio>

#include "mathematiques/echange.h"
#include "mathematiques/minimisation.h"
#include "shell/commande.h"

void CommandeTrace(const Ligne& ligne);

bool TraceOuverte();

// Closes the trace file, if any (TRACE OFF, the end of the session); a failed
// write is reported then.
void FermerTrace();

// The headers, written when a command starts tracing.
inline constexpr const char* kEnTeteMinimiser = "iteration,evaluations,energy,riesz_energy,max_tangential_force";
inline constexpr const char* kEnTeteExplorer = "hop,walker,energy,lowest,accepted,temperature,seconds";

// The rows, to any file (the trace's is TraceFichier()): n particles, exponent s.
void EcrireLignePas(std::FILE* f, const EtapeDescente& e, double s);
void EcrireLigneSaut(std::FILE* f, const Rapport& r, int n, double s);

std::FILE* TraceFichier();
// Writes the header line to the trace file.
void CommencerTrace(const char* entete);
// After a traced command: its rows reach the file, for whoever plots them
// while the session goes on.
void ViderTrace();

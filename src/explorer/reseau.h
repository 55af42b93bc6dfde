// The processes of a run: this one alone, or the ranks of an MPI run when a
// launcher (mpirun, srun) started the program and it was built with MPI.
// Rank 0 owns the console and the files; the other ranks walk and send it
// their reports. Every MPI call of the program is in reseau_mpi.cpp
// (reseau_seul.cpp stands in for it in a build without MPI).
#pragma once

#include <functional>
#include <memory>

#include "mathematiques/echange.h"

namespace reseau {

// Joins the MPI run when a launcher started this process (its environment
// says so) and MPI is built in; false: alone, and nothing else here but
// Rang, Taille, RangDuLanceur and LanceParUnLanceur may be called.
bool Rejoindre(int* argc, char*** argv);
int Rang();
int Taille();
// This process's rank as the launcher's environment gives it (0 alone),
// before MPI starts: who writes the usage and the errors of the options.
int RangDuLanceur();
// Whether a launcher started this process (lanceur.cpp).
bool LanceParUnLanceur();

// Rank 0's value, on every rank.
long Diffuser(long valeur);

// Another rank to rank 0: a report, or a request for a count to search.
struct Message {
    bool demande = false;  // else a report
    int source = 0;
    Rapport rapport;
};
// Ranks other than 0: sends a report to rank 0.
void Envoyer(const Rapport& r);
// Ranks other than 0: a count from rank 0, 0 when none is left.
int Demander();
// Rank 0: the next message from another rank, if one is waiting.
bool Recevoir(Message& m);
// Rank 0: the answer to a request (0: none left).
void Repondre(int rang, int compte);

// The meetings of one walker per rank (walker = rank); reports go to
// `rapporter` on the calling thread.
std::unique_ptr<Echange> EchangeDesRangs(std::function<void(Rapport&&)> rapporter);

// What an MPI call that fails (a rank lost) does before the run is aborted:
// rank 0 says so and closes its files.
void SiPerdu(std::function<void()> action);

void Quitter();
// Ends every rank of the run with this status.
[[noreturn]] void Abandonner(int code);

}  // namespace reseau

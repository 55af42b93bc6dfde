// The MPI run: the one file that calls MPI. Reports and requests travel on a
// copy of MPI_COMM_WORLD between rank 0's owner thread and the other ranks;
// the meetings of the walkers run on another copy, so that rank 0's walker
// thread and its owner thread never share a communicator.
#include <mpi.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "explorer/reseau.h"
#include "ternex/charset.h"

namespace reseau {

namespace {

constexpr int kRapport = 1, kDemande = 2, kCompte = 3;

MPI_Comm messages = MPI_COMM_NULL;
MPI_Comm rencontres = MPI_COMM_NULL;
int rang = 0, taille = 1;
std::function<void()> siPerdu;

// A failed call means a rank is gone (the communicators return errors
// rather than abort): the run cannot go on.
void Verifier(int code) {
    if (code == MPI_SUCCESS) return;
    if (siPerdu) siPerdu();
    MPI_Abort(MPI_COMM_WORLD, 1);
    std::exit(1);
}

// Waits for a request by polling it every fifth of a millisecond: a blocking
// call would spin on its core, and take it from the walker still hopping
// that the others wait for.
void Attendre(MPI_Request& requete) {
    for (;;) {
        int fait = 0;
        Verifier(MPI_Test(&requete, &fait, MPI_STATUS_IGNORE));
        if (fait) return;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

// A report as bytes: its integers, its reals, then the positions.
std::vector<char> Emballer(const Rapport& r) {
    const int64_t entiers[] = {r.compte, r.marcheur, r.saut, r.minimum, r.fin, r.sauts, r.acceptes, r.evaluations,
                               static_cast<int64_t>(r.positions.size())};
    const double reels[] = {r.logEnergie, r.secondes};
    std::vector<char> octets(sizeof entiers + sizeof reels + r.positions.size() * sizeof(Vec3));
    std::memcpy(octets.data(), entiers, sizeof entiers);
    std::memcpy(octets.data() + sizeof entiers, reels, sizeof reels);
    if (!r.positions.empty()) {
        std::memcpy(octets.data() + sizeof entiers + sizeof reels, r.positions.data(), r.positions.size() * sizeof(Vec3));
    }
    return octets;
}

Rapport Deballer(const std::vector<char>& octets) {
    int64_t entiers[9];
    double reels[2];
    Rapport r;
    if (octets.size() < sizeof entiers + sizeof reels) return r;
    std::memcpy(entiers, octets.data(), sizeof entiers);
    std::memcpy(reels, octets.data() + sizeof entiers, sizeof reels);
    r.compte = static_cast<int>(entiers[0]);
    r.marcheur = static_cast<int>(entiers[1]);
    r.saut = entiers[2];
    r.minimum = entiers[3] != 0;
    r.fin = entiers[4] != 0;
    r.sauts = entiers[5];
    r.acceptes = entiers[6];
    r.evaluations = entiers[7];
    r.logEnergie = reels[0];
    r.secondes = reels[1];
    const size_t n = static_cast<size_t>(entiers[8]);
    if (octets.size() == sizeof entiers + sizeof reels + n * sizeof(Vec3)) {
        r.positions.resize(n);
        if (n > 0) std::memcpy(r.positions.data(), octets.data() + sizeof entiers + sizeof reels, n * sizeof(Vec3));
    }
    return r;
}

// One walker per rank; the lowest by MINLOC, whose ties go to the lower
// rank, then its positions from that rank.
class EchangeRangs final : public Echange {
public:
    explicit EchangeRangs(std::function<void(Rapport&&)> rapporter) : rapporter_(std::move(rapporter)) {}

    bool Rencontrer(int, double& logEnergie, std::vector<Vec3>& x, bool arreter) override {
        struct {
            double valeur;
            int rang;
        } sien{logEnergie, rang}, groupe{};
        int veut = arreter ? 1 : 0, tous = 0;
        MPI_Request requetes[2];
        Verifier(MPI_Iallreduce(&sien, &groupe, 1, MPI_DOUBLE_INT, MPI_MINLOC, rencontres, &requetes[0]));
        Verifier(MPI_Iallreduce(&veut, &tous, 1, MPI_INT, MPI_LOR, rencontres, &requetes[1]));
        Attendre(requetes[0]);
        Attendre(requetes[1]);
        MPI_Request diffusion;
        Verifier(MPI_Ibcast(x.data(), static_cast<int>(3 * x.size()), MPI_DOUBLE, groupe.rang, rencontres, &diffusion));
        Attendre(diffusion);
        logEnergie = groupe.valeur;
        return tous != 0;
    }
    void Rapporter(Rapport&& r) override { rapporter_(std::move(r)); }

private:
    std::function<void(Rapport&&)> rapporter_;
};

}  // namespace

bool Rejoindre(int* argc, char*** argv) {
    if (!LanceParUnLanceur()) return false;
    int fourni = 0;
    MPI_Init_thread(argc, argv, MPI_THREAD_MULTIPLE, &fourni);
    MPI_Comm_rank(MPI_COMM_WORLD, &rang);
    MPI_Comm_size(MPI_COMM_WORLD, &taille);
    // Rank 0's owner and walker threads both call MPI.
    if (fourni < MPI_THREAD_MULTIPLE) {
        if (rang == 0) ternex_write_text(2, "glomerix-explorer : cette bibliothèque MPI ne permet pas les appels de plusieurs threads.\n");
        MPI_Abort(MPI_COMM_WORLD, 1);
    }
    MPI_Comm_dup(MPI_COMM_WORLD, &messages);
    MPI_Comm_dup(MPI_COMM_WORLD, &rencontres);
    MPI_Comm_set_errhandler(messages, MPI_ERRORS_RETURN);
    MPI_Comm_set_errhandler(rencontres, MPI_ERRORS_RETURN);
    return true;
}

int Rang() { return rang; }
int Taille() { return taille; }

long Diffuser(long valeur) {
    Verifier(MPI_Bcast(&valeur, 1, MPI_LONG, 0, messages));
    return valeur;
}

void Envoyer(const Rapport& r) {
    const std::vector<char> octets = Emballer(r);
    Verifier(MPI_Send(octets.data(), static_cast<int>(octets.size()), MPI_BYTE, 0, kRapport, messages));
}

int Demander() {
    int compte = 0;
    Verifier(MPI_Send(&compte, 1, MPI_INT, 0, kDemande, messages));
    MPI_Request reponse;
    Verifier(MPI_Irecv(&compte, 1, MPI_INT, 0, kCompte, messages, &reponse));
    Attendre(reponse);
    return compte;
}

bool Recevoir(Message& m) {
    int present = 0;
    MPI_Status etat;
    Verifier(MPI_Iprobe(MPI_ANY_SOURCE, MPI_ANY_TAG, messages, &present, &etat));
    if (!present) return false;
    int taille = 0;
    Verifier(MPI_Get_count(&etat, MPI_BYTE, &taille));
    std::vector<char> octets(static_cast<size_t>(taille));
    Verifier(MPI_Recv(octets.data(), taille, MPI_BYTE, etat.MPI_SOURCE, etat.MPI_TAG, messages, MPI_STATUS_IGNORE));
    m.source = etat.MPI_SOURCE;
    m.demande = etat.MPI_TAG == kDemande;
    if (!m.demande) m.rapport = Deballer(octets);
    return true;
}

void Repondre(int destination, int compte) {
    Verifier(MPI_Send(&compte, 1, MPI_INT, destination, kCompte, messages));
}

std::unique_ptr<Echange> EchangeDesRangs(std::function<void(Rapport&&)> rapporter) {
    return std::make_unique<EchangeRangs>(std::move(rapporter));
}

void SiPerdu(std::function<void()> action) { siPerdu = std::move(action); }

void Quitter() {
    MPI_Comm_free(&messages);
    MPI_Comm_free(&rencontres);
    MPI_Finalize();
}

void Abandonner(int code) {
    MPI_Abort(MPI_COMM_WORLD, code);
    std::exit(code);
}

}  // namespace reseau

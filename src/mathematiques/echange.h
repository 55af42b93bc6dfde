// What the walkers of one search say to each other and to the owner of the
// console and the files. Walkers meet at fixed hops (Rencontrer: each gives
// its lowest minimum, all get the group's lowest) and report each hop to the
// owner (Rapporter), who announces the group's new lowest minima in the
// order of (hop, walker) whatever the order the reports arrive in
// (AnnoncesDuGroupe). So what a search finds and announces depends on its
// seed and its number of walkers, never on timing.
//
// Two implementations of the exchange: EchangeFils, below, for walkers on
// the threads of one process; the explorer program's on MPI ranks.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <limits>
#include <mutex>
#include <vector>

#include "etat/vec3.h"

// Where one walker stands; a walker's reports arrive in its own order.
struct Rapport {
    int compte = 0;          // the count searched, for an owner of several searches
    int marcheur = 0;
    long long saut = 0;      // this report closes the walker's hop `saut` (0: the start's descent)
    bool minimum = false;    // the hop gave a new lowest minimum of the walker's own:
    double logEnergie = 0.0; // its log E
    std::vector<Vec3> positions;
    // When the owner asked for every hop's minimum: its positions (the
    // start's for hop 0) as the descent left them, accepted or not, how far
    // above the minimum's log E they may lie, the descent's criterion.
    bool avecSaut = false;
    std::vector<Vec3> positionsSaut;
    double ecartSaut = 0.0, critereSaut = 0.0;
    double secondes = 0.0;   // since the walker started
    // The hop itself: its minimum's log E, whether it was taken, the
    // temperature it was judged at, and the walker's lowest log E after it.
    double logSaut = 0.0;
    bool accepte = false;
    double temperature = 0.0;
    double logMeilleurMarcheur = 0.0;
    bool fin = false;        // the walker's last report
    // With fin: the walker's hops, of them accepted, and its energy passes.
    long long sauts = 0, acceptes = 0, evaluations = 0;
};

// The order of (hop, walker) in which the owner hands reports on.
inline bool Avant(const Rapport& a, const Rapport& b) {
    return a.saut != b.saut ? a.saut < b.saut : a.marcheur < b.marcheur;
}

class Echange {
public:
    virtual ~Echange() = default;
    // Called by every walker of the group, after the same hops: in, the
    // walker's lowest minimum and whether it would stop; out, the group's
    // lowest (ties go to the lower walker) in logEnergie and x. Returns
    // whether any walker would stop: then all do.
    virtual bool Rencontrer(int marcheur, double& logEnergie, std::vector<Vec3>& x, bool arreter) = 0;
    virtual void Rapporter(Rapport&& r) = 0;
};

// Reports waiting for the owner, in arrival order; any thread may deposit.
class FileRapports {
public:
    void Deposer(Rapport&& r);
    // The next report, waiting at most `attente`; false if none came.
    bool Recevoir(Rapport& r, std::chrono::milliseconds attente);

private:
    std::mutex verrou_;
    std::condition_variable arrivee_;
    std::deque<Rapport> file_;
};

// Walkers on threads of this process: they meet under a lock, and their
// reports go to `rapporter` on their own thread (into a FileRapports, or to
// the owner itself when the owner's thread is the one walker's).
class EchangeFils final : public Echange {
public:
    EchangeFils(int marcheurs, std::function<void(Rapport&&)> rapporter);
    bool Rencontrer(int marcheur, double& logEnergie, std::vector<Vec3>& x, bool arreter) override;
    void Rapporter(Rapport&& r) override { rapporter_(std::move(r)); }

private:
    const int marcheurs_;
    std::function<void(Rapport&&)> rapporter_;
    std::mutex verrou_;
    std::condition_variable rencontre_;
    // The meeting under way: who has come, the lowest so far and who gave it.
    int arrives_ = 0;
    long long tour_ = 0;
    double meilleurLog_ = 0.0;
    int meilleurMarcheur_ = -1;
    bool arret_ = false;
    std::vector<Vec3> meilleur_;
    // The result of the last meeting, read by each walker before it leaves:
    // written again only once all have come to the next meeting.
    double resultatLog_ = 0.0;
    bool resultatArret_ = false;
    std::vector<Vec3> resultat_;
};

// The owner's side of one search: takes the reports of its walkers in any
// order across walkers and gives back the group's successive new lowest
// minima in the order of (hop, walker). A minimum at hop h of walker w is
// given once every lower walker has finished hop h and every higher one hop
// h - 1: nothing that comes before it can arrive later.
class AnnoncesDuGroupe {
public:
    explicit AnnoncesDuGroupe(int marcheurs);
    void Recevoir(Rapport&& r);
    // The next new lowest minimum of the group, when it is known; false
    // otherwise. Minima no lower than the last one given are passed over.
    bool Suivante(Rapport& r);
    // Hops every walker has finished.
    long long SautsFinis() const;
    bool Fini() const { return finis_ == static_cast<int>(faits_.size()) && attente_.empty(); }
    int Marcheurs() const { return static_cast<int>(faits_.size()); }
    double LogMeilleur() const { return logMeilleur_; }
    long long SautMeilleur() const { return sautMeilleur_; }
    // Whether everything that comes before hop `saut` of walker `marcheur`
    // in the order of (hop, walker) has been received.
    bool Connu(long long saut, int marcheur) const;
    // Sums of the walkers' last reports.
    long long sauts = 0, acceptes = 0, evaluations = 0;

private:
    std::vector<long long> faits_;   // per walker, the last hop reported
    std::vector<bool> termines_;     // per walker, its last report came
    std::deque<Rapport> attente_;    // minima not yet given, in (hop, walker) order
    int finis_ = 0;
    double logMeilleur_ = std::numeric_limits<double>::infinity();
    long long sautMeilleur_ = 0;
};

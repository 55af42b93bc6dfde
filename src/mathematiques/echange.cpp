#include "mathematiques/echange.h"

#include <algorithm>
#include <utility>

namespace {

// Below this difference of log E two minima are one (as the walkers judge).
constexpr double kMemeMinimum = 1e-13;

}  // namespace

void FileRapports::Deposer(Rapport&& r) {
    {
        std::lock_guard<std::mutex> garde(verrou_);
        file_.push_back(std::move(r));
    }
    arrivee_.notify_one();
}

bool FileRapports::Recevoir(Rapport& r, std::chrono::milliseconds attente) {
    std::unique_lock<std::mutex> garde(verrou_);
    if (!arrivee_.wait_for(garde, attente, [&] { return !file_.empty(); })) return false;
    r = std::move(file_.front());
    file_.pop_front();
    return true;
}

EchangeFils::EchangeFils(int marcheurs, std::function<void(Rapport&&)> rapporter)
    : marcheurs_(marcheurs), rapporter_(std::move(rapporter)) {}

// A barrier that also reduces: the last walker to come publishes the lowest
// and opens the next round; each walker copies the result before it leaves.
bool EchangeFils::Rencontrer(int marcheur, double& logEnergie, std::vector<Vec3>& x, bool arreter) {
    std::unique_lock<std::mutex> garde(verrou_);
    const bool plusBas = meilleurMarcheur_ < 0 || logEnergie < meilleurLog_ ||
                         (logEnergie == meilleurLog_ && marcheur < meilleurMarcheur_);
    if (plusBas) {
        meilleurLog_ = logEnergie;
        meilleurMarcheur_ = marcheur;
        meilleur_ = x;
    }
    arret_ = arret_ || arreter;
    const long long tour = tour_;
    if (++arrives_ == marcheurs_) {
        resultatLog_ = meilleurLog_;
        resultatArret_ = arret_;
        std::swap(resultat_, meilleur_);
        arrives_ = 0;
        meilleurMarcheur_ = -1;
        arret_ = false;
        ++tour_;
        rencontre_.notify_all();
    } else {
        rencontre_.wait(garde, [&] { return tour_ != tour; });
    }
    logEnergie = resultatLog_;
    x = resultat_;
    return resultatArret_;
}

// ---------------------------------------------------------------------------

AnnoncesDuGroupe::AnnoncesDuGroupe(int marcheurs)
    : faits_(static_cast<size_t>(marcheurs), -1), termines_(static_cast<size_t>(marcheurs), false) {}

void AnnoncesDuGroupe::Recevoir(Rapport&& r) {
    const size_t w = static_cast<size_t>(r.marcheur);
    if (w >= faits_.size() || termines_[w]) return;  // nothing after a walker's end
    faits_[w] = std::max(faits_[w], r.saut);
    if (r.fin) {
        termines_[w] = true;
        ++finis_;
        sauts += r.sauts;
        acceptes += r.acceptes;
        evaluations += r.evaluations;
    }
    // The lowest given only falls: a minimum not below it now never will be.
    if (!r.minimum || !(r.logEnergie < logMeilleur_ - kMemeMinimum)) return;
    attente_.insert(std::upper_bound(attente_.begin(), attente_.end(), r, Avant), std::move(r));
}

bool AnnoncesDuGroupe::Connu(long long saut, int marcheur) const {
    for (size_t v = 0; v < faits_.size(); ++v) {
        if (static_cast<int>(v) == marcheur || termines_[v]) continue;
        const long long requis = static_cast<int>(v) < marcheur ? saut : saut - 1;
        if (faits_[v] < requis) return false;
    }
    return true;
}

bool AnnoncesDuGroupe::Suivante(Rapport& r) {
    while (!attente_.empty() && Connu(attente_.front().saut, attente_.front().marcheur)) {
        Rapport premier = std::move(attente_.front());
        attente_.pop_front();
        if (!(premier.logEnergie < logMeilleur_ - kMemeMinimum)) continue;
        logMeilleur_ = premier.logEnergie;
        sautMeilleur_ = premier.saut;
        r = std::move(premier);
        return true;
    }
    return false;
}

long long AnnoncesDuGroupe::SautsFinis() const {
    long long enCours = std::numeric_limits<long long>::max(), tous = 0;
    for (size_t v = 0; v < faits_.size(); ++v) {
        tous = std::max(tous, faits_[v]);
        if (!termines_[v]) enCours = std::min(enCours, faits_[v]);
    }
    return std::max(0LL, finis_ == static_cast<int>(faits_.size()) ? tous : enCours);
}

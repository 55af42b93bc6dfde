// glomerix-explorer: EXPLORER's walkers for batch and cluster work. One
// count: every walker searches it (one per core, or one per MPI rank). A
// range of counts: each count goes to the first walker free. Rank 0 (the
// one process without MPI) writes the lines and offers each new lowest
// minimum to the record database as it is announced.
#include <omp.h>

#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "etat/parallele.h"
#include "etat/reveil.h"
#include "explorer/options.h"
#include "explorer/reseau.h"
#include "mathematiques/exploration.h"
#include "mathematiques/hasard.h"
#include "mathematiques/objectif_riesz.h"
#include "store/best_store.h"
#include "ternex/charset.h"
#include "ternex/ternex.h"

namespace {

// The seed of the start configuration of a count, beside its walkers' (0, 1, ...).
constexpr long kGraineDepart = 1000000;

OptionsExplorer options;
long graine = 0;
std::atomic<bool> arret{false};
std::atomic<int> signalRecu{0};
std::atomic<bool> perdu{false};  // an MPI call of rank 0's walker failed

void SurSignal(int s) {
    int aucun = 0;
    signalRecu.compare_exchange_strong(aucun, s);
    arret = true;
}

std::string Format(const char* format, double x) {
    char texte[64];
    std::snprintf(texte, sizeof texte, format, x);
    return texte;
}

// The energy of n particles from the descents' logarithm of their sum, with
// 15 significant digits, also beyond the largest double.
std::string Energie(double logEnergie, int n) {
    const double decimal = logEnergie / std::log(10.0);
    if (decimal < 300.0) return Format("%.15g", EnergieDepuisLog(logEnergie, n, options.exposant));
    const double exposant = std::floor(decimal);
    return Format("%.15g", std::pow(10.0, decimal - exposant)) + "e" + Format("%.0f", exposant);
}

std::vector<Vec3> Depart(int n) {
    FluxHasard flux(GraineDerivee(graine, n, kGraineDepart));
    std::vector<Vec3> x(static_cast<size_t>(n));
    for (Vec3& v : x) flux.PointSphere(v, 1.0);
    return x;
}

ParametresExploration Parametres(int n, int marcheurs, int premier) {
    ParametresExploration p;
    p.sauts = options.sauts > 0 ? options.sauts : 1000000000000LL;
    p.secondes = options.duree;
    p.descente.exposant = options.exposant;
    p.arret = &arret;
    for (int w = 0; w < marcheurs; ++w) p.graines.push_back(GraineDerivee(graine, n, premier + w));
    return p;
}

// Rank 0's side: the reports of every count in any order, the lines and
// the records.
class Proprietaire {
public:
    Proprietaire(int marcheursParCompte, int comptes) : marcheurs_(marcheursParCompte), restants_(comptes) {}

    void Traiter(Rapport&& r) {
        const int n = r.compte;
        auto suivi = suivis_.try_emplace(n, marcheurs_).first;
        AnnoncesDuGroupe& a = suivi->second;
        secondes_[n] = std::max(secondes_[n], r.secondes);
        a.Recevoir(std::move(r));
        for (Rapport m; a.Suivante(m);) Annoncer(n, m);
        if (!a.Fini()) return;
        Clore(n, a);
        suivis_.erase(suivi);
        --restants_;
    }
    bool Fini() const { return restants_ == 0; }

private:
    void Annoncer(int n, const Rapport& m) {
        if (!options.silencieux) {
            console.write(std::to_string(n).c_str()).write(" : saut ").write(static_cast<long long>(m.saut));
            console.write(", énergie ").write(Energie(m.logEnergie, n).c_str());
            console.write(", ").write(Format("%.2f", m.secondes).c_str()).write(" s\n");
        }
        Offrir(n, m.positions);
    }

    // As INFO offers what it shows: the Coulomb energy and the smallest
    // distance of those positions. A store error is told once; the search
    // goes on without the store.
    void Offrir(int n, const std::vector<Vec3>& x) {
        if (!databaseAvailable || baseEnErreur_) return;
        const double* xyz = reinterpret_cast<const double*>(x.data());
        try {
            MettreAJourReferences(n, bestformat::EnergyOf(xyz, n), bestformat::MinDistanceOf(xyz, n), x);
        } catch (const DbError& e) {
            SignalerErreurBase(e.code);
            baseEnErreur_ = true;
        }
    }

    void Clore(int n, const AnnoncesDuGroupe& a) {
        console.write(std::to_string(n).c_str()).write(" : fin, énergie minimale ").write(Energie(a.LogMeilleur(), n).c_str());
        console.write(" au saut ").write(static_cast<long long>(a.SautMeilleur()));
        console.write(", ").write(static_cast<long long>(a.sauts)).write(" sauts (");
        console.write(static_cast<long long>(a.Marcheurs())).write(a.Marcheurs() > 1 ? " marcheurs)" : " marcheur)");
        console.write(", ").write(Format("%.2f", secondes_[n]).c_str()).write(" s\n");
        secondes_.erase(n);
    }

    const int marcheurs_;
    int restants_;
    std::map<int, AnnoncesDuGroupe> suivis_;
    std::map<int, double> secondes_;
    bool baseEnErreur_ = false;
};

bool UnSeulCompte() { return options.premier == options.dernier; }
int Comptes() { return options.dernier - options.premier + 1; }

// The counts of a range, handed out in order.
class Distributeur {
public:
    int Prochain() {
        std::lock_guard<std::mutex> garde(verrou_);
        if (arret || prochain_ > options.dernier) return 0;
        return prochain_++;
    }

private:
    std::mutex verrou_;
    int prochain_ = options.premier;
};

// Walks counts from `distributeur` until none is left, one walker per count.
void MarcherLesComptes(Distributeur* distributeur, const std::function<int()>& prochain,
                       const std::function<void(Rapport&&)>& rapporter) {
    ImposerEquipeDuFil(1);
    for (int n; !arret && (n = distributeur != nullptr ? distributeur->Prochain() : prochain()) != 0;) {
        EchangeFils seul(1, rapporter);
        std::vector<Vec3> x = Depart(n);
        Marcher(x, Parametres(n, 1, 0), 0, GraineDerivee(graine, n, 0), seul, n);
    }
}

std::string TexteSignal() { return std::to_string(signalRecu.load()); }

// One process: a thread per core.
int LancerSeul(Proprietaire& proprietaire) {
    const int marcheurs = std::max(1, omp_get_num_procs());
    const ReveilPrompt prompt;  // the owner hands reports on as they come
    FileRapports file;
    const auto deposer = [&file](Rapport&& r) { file.Deposer(std::move(r)); };
    std::atomic<int> actifs{marcheurs};
    std::vector<std::thread> fils;
    Distributeur distributeur;
    EchangeFils groupe(marcheurs, deposer);
    const int n = options.premier;
    for (int w = 0; w < marcheurs; ++w) {
        fils.emplace_back([&, w] {
            if (UnSeulCompte()) {
                ImposerEquipeDuFil(1);
                std::vector<Vec3> x = Depart(n);
                Marcher(x, Parametres(n, marcheurs, 0), w, GraineDerivee(graine, n, w), groupe, n);
            } else {
                MarcherLesComptes(&distributeur, nullptr, deposer);
            }
            --actifs;
        });
    }
    // A walker deposits its last report before it counts itself out.
    for (Rapport r;;) {
        const bool fini = actifs == 0;
        if (file.Recevoir(r, std::chrono::milliseconds(fini ? 0 : 50))) {
            proprietaire.Traiter(std::move(r));
        } else if (fini) {
            break;
        }
    }
    for (std::thread& f : fils) f.join();
    if (signalRecu != 0) {
        console.warn(("glomerix-explorer : calcul interrompu (signal " + TexteSignal() + ").").c_str());
        return 128 + signalRecu;
    }
    return 0;
}

// Under MPI, a signal means the launcher is ending the run (a rank was lost,
// or the job was cancelled): what was found is already in the database.
void Perdu() {
    console.warn("glomerix-explorer : le calcul s'arrête : un processus du calcul a été perdu ou le lanceur "
                 "arrête le calcul. Les records trouvés jusqu'ici sont dans la base, qui reste cohérente.");
    FermerBase();
}

// MPI ranks: one walker each; rank 0's runs on a thread of its own while
// its main thread owns the console and the database.
int LancerRangs(Proprietaire* proprietaire) {
    const int rang = reseau::Rang(), taille = reseau::Taille();
    const int n = options.premier;
    FileRapports locale;
    const std::function<void(Rapport&&)> rapporter =
        rang == 0 ? std::function<void(Rapport&&)>([&locale](Rapport&& r) { locale.Deposer(std::move(r)); })
                  : std::function<void(Rapport&&)>([](Rapport&& r) { reseau::Envoyer(r); });
    Distributeur distributeur;
    const auto marcher = [&] {
        if (UnSeulCompte()) {
            ImposerEquipeDuFil(1);
            std::unique_ptr<Echange> groupe = reseau::EchangeDesRangs(rapporter);
            std::vector<Vec3> x = Depart(n);
            Marcher(x, Parametres(n, taille, 0), rang, GraineDerivee(graine, n, rang), *groupe, n);
        } else if (rang == 0) {
            MarcherLesComptes(&distributeur, nullptr, rapporter);
        } else {
            MarcherLesComptes(nullptr, reseau::Demander, rapporter);
        }
    };
    // A signal to another rank ends the whole run: rank 0 then says so.
    if (rang != 0) {
        marcher();
        if (signalRecu != 0) reseau::Abandonner(128 + signalRecu);
        return 0;
    }
    const ReveilPrompt prompt;
    std::thread marcheur(marcher);
    int refus = UnSeulCompte() ? taille - 1 : 0;  // ranks told that no count is left
    while (!proprietaire->Fini() || refus < taille - 1) {
        if (signalRecu != 0 || perdu) {
            Perdu();
            std::_Exit(1);
        }
        bool rien = true;
        for (Rapport r; locale.Recevoir(r, std::chrono::milliseconds(0));) {
            proprietaire->Traiter(std::move(r));
            rien = false;
        }
        for (reseau::Message m; reseau::Recevoir(m);) {
            rien = false;
            if (!m.demande) {
                proprietaire->Traiter(std::move(m.rapport));
                continue;
            }
            const int compte = distributeur.Prochain();
            reseau::Repondre(m.source, compte);
            if (compte == 0) ++refus;
        }
        if (rien) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    marcheur.join();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int arretOptions = LireOptionsExplorer(argc, argv, options, reseau::RangDuLanceur() == 0);
    if (arretOptions >= 0) return arretOptions;
    const bool mpi = reseau::Rejoindre(&argc, &argv);
    const int rang = reseau::Rang();
    graine = options.graine >= 0 ? options.graine : static_cast<long>(std::time(nullptr) & 0x3fffffff);
    if (mpi) graine = reseau::Diffuser(graine);  // the clocks of the ranks may differ
    struct sigaction action {};
    action.sa_handler = SurSignal;
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    if (rang == 0 && !OuvrirBase(options.base)) {
        console.warn("glomerix-explorer : la base de données ne s'ouvre pas, rien n'est calculé.");
        if (mpi) reseau::Abandonner(1);
        return 1;
    }
    const int marcheurs = UnSeulCompte() ? (mpi ? reseau::Taille() : std::max(1, omp_get_num_procs())) : 1;
    if (rang == 0 && !options.silencieux) {
        console.write("Graine : ").write(static_cast<long long>(graine)).write(", marcheurs par nombre de particules : ");
        console.write(static_cast<long long>(marcheurs)).write("\n");
    }
    Proprietaire proprietaire(marcheurs, Comptes());
    int code = 0;
    if (mpi) {
        // Rank 0's owner thread says so and closes the database itself; its
        // walker thread leaves that to the owner and waits for the end.
        const std::thread::id proprietaire0 = std::this_thread::get_id();
        reseau::SiPerdu([rang, proprietaire0] {
            if (rang != 0) return;
            if (std::this_thread::get_id() == proprietaire0) {
                Perdu();
                return;
            }
            perdu = true;
            for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
        });
        code = LancerRangs(rang == 0 ? &proprietaire : nullptr);
        reseau::Quitter();
    } else {
        code = LancerSeul(proprietaire);
    }
    if (rang == 0) FermerBase();
    return code;
}

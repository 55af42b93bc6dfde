#include "etat/parallele.h"

#include <omp.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "etat/particules.h"

namespace {

// GLOMERIX_EQUIPE=n: every region runs n workers whatever its work and the
// machine's load, as after ImposerEquipe(n) and IgnorerSeuils(true) (the
// end-to-end tests that must see teams, such as CI's ThreadSanitizer run).
int EquipeDeLEnvironnement() {
    const char* v = std::getenv("GLOMERIX_EQUIPE");
    return v != nullptr ? std::max(0, std::atoi(v)) : 0;
}

const int equipeEnvironnement = EquipeDeLEnvironnement();
std::atomic<int> equipeImposee{equipeEnvironnement};
thread_local int equipeDuFil = 0;
std::atomic<bool> seuilsIgnores{equipeEnvironnement > 0};

// What CoeursDisponibles compares between two samples.
struct Releve {
    double mur = 0.0;     // monotonic clock, s
    double inactif = -1;  // idle time of all processors since boot, s (-1: unknown)
    double nous = 0.0;    // this process's CPU time, s
};

double Horloge(clockid_t horloge) {
    timespec t{};
    clock_gettime(horloge, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Second field of /proc/uptime.
double LireInactif() {
    double depuis = 0.0, inactif = -1.0;
    if (FILE* f = std::fopen("/proc/uptime", "r")) {
        if (std::fscanf(f, "%lf %lf", &depuis, &inactif) != 2) inactif = -1.0;
        std::fclose(f);
    }
    return inactif;
}

// Runnable tasks right now, this thread included (fourth field of /proc/loadavg).
int LireExecutables() {
    double a, b, c;
    int executables = 0, total = 0;
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf %lf %lf %d/%d", &a, &b, &c, &executables, &total) != 5) executables = 0;
        std::fclose(f);
    }
    return executables;
}

int CoeursPermis() {
    cpu_set_t permis;
    CPU_ZERO(&permis);
    if (sched_getaffinity(0, sizeof permis, &permis) != 0) return std::max(1, omp_get_num_procs());
    return std::max(1, CPU_COUNT(&permis));
}

constexpr double kPeriode = 0.1;   // s between two samples
constexpr double kOubli = 2.0;     // s after which an interval says more about the past than now
constexpr double kPartUtile = 0.7;  // share of a core that counts as a core

std::atomic<bool> echantillonnage{false};
std::atomic<double> prochain{0.0};  // monotonic time of the next sample
std::atomic<int> disponibles{0};
Releve precedent;  // written by the thread that holds `echantillonnage`

// Over the interval since the last sample when there is one. Without (the
// first call, or after a long pause, when the team's workers have gone to
// sleep), the runnable tasks other than this thread stand for the busy cores.
int Mesurer(const Releve& avant, const Releve& maintenant, int permis) {
    const double duree = maintenant.mur - avant.mur;
    if (avant.inactif < 0 || maintenant.inactif < 0 || duree > kOubli || duree < kPeriode) {
        const int occupes = LireExecutables() - 1;
        if (occupes < 0) return permis;
        return std::max(1, permis - occupes);
    }
    return CoeursLibres((maintenant.inactif - avant.inactif) / duree, (maintenant.nous - avant.nous) / duree, permis);
}

}  // namespace

int CoeursLibres(double inactifs, double nous, int permis) {
    const double libres = std::floor(inactifs + nous + 1.0 - kPartUtile);
    if (!(libres >= 1.0)) return 1;  // NaN included
    return libres >= permis ? std::max(1, permis) : static_cast<int>(libres);
}

int CoeursDisponibles() {
    const double maintenant = Horloge(CLOCK_MONOTONIC);
    if (maintenant >= prochain.load(std::memory_order_relaxed) && !echantillonnage.exchange(true)) {
        Releve r;
        r.mur = maintenant;
        r.inactif = LireInactif();
        r.nous = Horloge(CLOCK_PROCESS_CPUTIME_ID);
        disponibles = Mesurer(precedent, r, CoeursPermis());
        precedent = r;
        prochain = maintenant + kPeriode;
        echantillonnage = false;
    }
    const int d = disponibles.load();
    return d > 0 ? d : CoeursPermis();
}

int EquipeSimulation() {
    if (equipeDuFil > 0) return equipeDuFil;
    const int imposee = equipeImposee.load();
    if (imposee > 0) return imposee;
    const int n = NombreDeThreads();
    return n > 1 ? std::min(n, CoeursDisponibles()) : 1;
}

void ImposerEquipe(int workers) { equipeImposee = workers > 0 ? workers : 0; }

void ImposerEquipeDuFil(int workers) { equipeDuFil = workers > 0 ? workers : 0; }

void IgnorerSeuils(bool ignorer) { seuilsIgnores = ignorer; }

int PreparerEquipe(int64_t travail, int64_t seuil) {
    omp_set_dynamic(0);
    if (travail < seuil && !seuilsIgnores.load()) return 1;
    return EquipeSimulation();
}


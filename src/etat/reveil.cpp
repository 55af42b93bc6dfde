#include "etat/reveil.h"

#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr uint64_t kTranche = 100000;  // ns, the shortest the kernel grants

// The kernel's struct sched_attr (first version, 56 bytes), named apart
// from the C library's, which newer ones declare.
struct Attributs {
    uint32_t taille = sizeof(Attributs);
    uint32_t politique = 0;
    uint64_t drapeaux = 0;
    int32_t gentillesse = 0;
    uint32_t priorite = 0;
    uint64_t duree = 0;  // for the fair classes: the slice asked, ns
    uint64_t echeance = 0, periode = 0;
    uint32_t utilisationMin = 0, utilisationMax = 0;
};
static_assert(sizeof(Attributs) == 56);

constexpr uint64_t kGarderAuFork = 0x01;  // SCHED_FLAG_RESET_ON_FORK, the one flag read back

bool Lire(Attributs& a) {
    a = {};
    return syscall(SYS_sched_getattr, 0, &a, sizeof a, 0) == 0;
}

bool Ecrire(Attributs& a, uint64_t duree) {
    a.duree = duree;
    a.drapeaux &= kGarderAuFork;
    return syscall(SYS_sched_setattr, 0, &a, 0) == 0;
}

}  // namespace

ReveilPrompt::ReveilPrompt() {
    Attributs a;
    if (!Lire(a) || (a.politique != SCHED_OTHER && a.politique != SCHED_BATCH)) return;
    avant_ = a.duree;
    change_ = Ecrire(a, kTranche);
}

ReveilPrompt::~ReveilPrompt() {
    Attributs a;
    if (change_ && Lire(a)) Ecrire(a, avant_);
}

int64_t ReveilPrompt::TrancheDuFil() {
    Attributs a;
    return Lire(a) ? static_cast<int64_t>(a.duree) : -1;
}

// The distinct local minima a search meets, lowest first: how often each was
// met and at which hop first, its point group and its sorted degree sequence
// (as a count of particles per degree). Two minima are one when their
// energies agree to a relative kMemeEnergie (compared as log E, where a
// relative gap is a difference) and their groups and degree sequences are the
// same. Memory stays bounded: only the `gardes` lowest keep their positions,
// every minimum keeps its statistics.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "etat/vec3.h"

inline constexpr double kMemeEnergie = 1e-10;
inline constexpr size_t kMinimaGardes = 100;
inline constexpr int kMinimaListes = 10;  // rows that MINIMA lists without a count
// A minimum that must be classified is first finished to this tolerance, which
// leaves its positions within the point groups' 1e-5 of the minimum's.
inline constexpr double kTolerancePolie = 1e-8;

// What tells two minima of the same energy apart.
struct SignatureMinimum {
    std::string groupe = "C1";  // Schoenflies symbol
    std::vector<int> parDegre;  // parDegre[d]: particles of degree d
    bool operator==(const SignatureMinimum&) const = default;
    int Degre(size_t d) const { return d < parDegre.size() ? parDegre[d] : 0; }
};

struct MinimumCatalogue {
    double logEnergie = 0.0;    // log of the energy sum
    long long fois = 0;         // times met
    long long premierSaut = 0;  // the hop that met it first
    SignatureMinimum signature;
    std::vector<Vec3> positions;  // empty past the `gardes` lowest
};

class CatalogueMinima {
public:
    explicit CatalogueMinima(size_t gardes = kMinimaGardes) : gardes_(gardes) {}

    // Notes a minimum met at hop `saut`: counted once more when it is known,
    // else added with its positions when it is among the `gardes` lowest.
    // Returns whether it was new.
    bool Noter(double logEnergie, long long saut, const SignatureMinimum& signature, std::span<const Vec3> positions);
    // A minimum known by a log E that lies at most `ecart` above its own: the
    // rank of the one entry it must be (its own log E then within
    // kMemeEnergie of that entry's whatever it is, and of no other's), or -1
    // when it may be new or may be either of two.
    long Reconnaitre(double logEnergie, double ecart) const;
    // Rang as Reconnaitre gives: met once more.
    void Compter(long rang) { ++minima_[static_cast<size_t>(rang)].fois; }
    const std::vector<MinimumCatalogue>& Minima() const { return minima_; }
    size_t Gardes() const { return gardes_; }
    void Vider() { minima_.clear(); }

private:
    size_t gardes_;
    std::vector<MinimumCatalogue> minima_;  // by increasing energy
};

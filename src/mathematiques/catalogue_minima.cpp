#include "mathematiques/catalogue_minima.h"

#include <algorithm>
#include <cmath>

bool CatalogueMinima::Noter(double logEnergie, long long saut, const SignatureMinimum& signature,
                            std::span<const Vec3> positions) {
    const auto plusBas = [](const MinimumCatalogue& m, double e) { return m.logEnergie < e; };
    auto i = std::lower_bound(minima_.begin(), minima_.end(), logEnergie - kMemeEnergie, plusBas);
    for (auto j = i; j != minima_.end() && j->logEnergie <= logEnergie + kMemeEnergie; ++j) {
        if (j->signature == signature) {
            ++j->fois;
            return false;
        }
    }
    i = std::lower_bound(i, minima_.end(), logEnergie, plusBas);
    const size_t rang = static_cast<size_t>(i - minima_.begin());
    MinimumCatalogue m{logEnergie, 1, saut, signature, {}};
    if (rang < gardes_) m.positions.assign(positions.begin(), positions.end());
    minima_.insert(i, std::move(m));
    // The one pushed out of the lowest `gardes` gives its positions back.
    if (rang < gardes_ && minima_.size() > gardes_) std::vector<Vec3>().swap(minima_[gardes_].positions);
    return true;
}

long CatalogueMinima::Reconnaitre(double logEnergie, double ecart) const {
    // The minimum's own log E lies in [logEnergie - ecart, logEnergie].
    const auto plusBas = [](const MinimumCatalogue& m, double e) { return m.logEnergie < e; };
    const double bas = logEnergie - ecart;
    auto i = std::lower_bound(minima_.begin(), minima_.end(), bas - kMemeEnergie, plusBas);
    if (i == minima_.end() || i->logEnergie > logEnergie + kMemeEnergie) return -1;  // new
    const auto suivant = std::next(i);
    if (suivant != minima_.end() && suivant->logEnergie <= logEnergie + kMemeEnergie) return -1;  // two
    if (!(i->logEnergie >= logEnergie - kMemeEnergie && i->logEnergie <= bas + kMemeEnergie)) return -1;
    return static_cast<long>(i - minima_.begin());
}

#include "shell/progression.h"

#include "shell/boucle_comptee.h"
#include "ternex/number_format.h"
#include "ternex/ternex.h"

namespace {

constexpr long long kAvantPremiereLigneMs = 1000;
constexpr auto kIntervalle = std::chrono::milliseconds(250);

// "45 s", "7 min 05 s", "2 h 03 min".
std::string Duree(long long ms) {
    const long long s = (ms + 500) / 1000;
    auto deux = [](long long v) { return std::string(v < 10 ? 1 : 0, '0') + std::to_string(v); };
    if (s < 60) return std::to_string(s) + " s";
    if (s < 3600) return std::to_string(s / 60) + " min " + deux(s % 60) + " s";
    return std::to_string(s / 3600) + " h " + deux(s / 60 % 60) + " min";
}

}  // namespace

// The ticks come from a thread of their own: the loop reads one flag per
// step, never the clock.
Progression::Progression(std::string nom, long long total, double (*valeur)(), const char* grandeur)
    : nom_(std::move(nom)), total_(total), valeur_(valeur), grandeur_(grandeur), debut_(Horloge()) {
    if (!console.status_line_available()) return;
    battement_ = std::thread([this] { Battre(); });
}

Progression::~Progression() {
    if (battement_.joinable()) {
        {
            std::lock_guard<std::mutex> garde(verrou_);
            fin_ = true;
        }
        reveil_.notify_one();
        battement_.join();
    }
    console.clear_status();
}

void Progression::Battre() {
    std::unique_lock<std::mutex> garde(verrou_);
    if (reveil_.wait_for(garde, std::chrono::milliseconds(kAvantPremiereLigneMs), [this] { return fin_; })) return;
    do {
        du_.store(true, std::memory_order_relaxed);
    } while (!reveil_.wait_for(garde, kIntervalle, [this] { return fin_; }));
}

void Progression::Afficher(long long fait) {
    du_.store(false, std::memory_order_relaxed);
    const char* grandeur = valeur_ != nullptr ? grandeur_ : nullptr;
    const double v = valeur_ != nullptr ? valeur_() : 0.0;
    console.show_status(Texte(nom_, fait, total_, Horloge() - debut_, grandeur, v).c_str());
}

// Short enough for 80 columns: "MONTECARLO étape 2297/3000 (76 %), écoulé
// 8 s, reste 2 s, énergie 1.08123456e6".
std::string Progression::Texte(const std::string& nom, long long fait, long long total, long long ms,
                               const char* grandeur, double valeur) {
    std::string t = nom + " étape " + std::to_string(fait) + "/" + std::to_string(total);
    if (total > 0) t += " (" + std::to_string(fait * 100 / total) + " %)";
    t += ", écoulé " + Duree(ms);
    if (fait > 0 && fait <= total) {
        const double reste = static_cast<double>(ms) * static_cast<double>(total - fait) / static_cast<double>(fait);
        t += ", reste " + Duree(static_cast<long long>(reste));
    }
    if (grandeur != nullptr) {
        char texte[ternex_text::kDoubleTextSize];
        t += std::string(", ") + grandeur + " " +
             std::string(texte, ternex_text::format_double(valeur, console.get_precision(), texte));
    }
    return t;
}

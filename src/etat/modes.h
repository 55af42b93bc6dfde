// The MODE switches and the stop flag: owned by the shell, read by the
// simulation core (OPENMP), the hull (DUAL) and the viewer thread (drawing
// modes). kInterrupteurs describes every switch once: MODE's listing and
// parsing, the completion and the store's record all read it.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

struct ModeFlags {
    std::atomic<bool> particules{true};
    std::atomic<bool> lignes{true};
    std::atomic<bool> polygones{false};
    std::atomic<bool> info{true};
    std::atomic<bool> openmp{false};
    std::atomic<bool> enveloppe{true};
    std::atomic<bool> axes{false};
    std::atomic<bool> dual{false};
    std::atomic<bool> tammes{false};  // EXPLORER widens the smallest distance
    std::atomic<bool> defauts{false};  // the picture coloured by hull degree
    std::atomic<bool> minima{true};    // EXPLORER feeds the catalogue of minima

    // Back to the initialisers above.
    void resetDefaults();
};

inline ModeFlags modes;

// One switch. A new switch is a field of ModeFlags (with its default) and one
// row of kInterrupteurs.
struct Interrupteur {
    const char* mot;                        // MODE's word, lower case; the listing shows it in capitals
    const char* autreMot;                   // another spelling MODE takes, or nullptr
    std::atomic<bool> ModeFlags::*drapeau;
    int octet;                              // its byte in the store's record of the switches
    bool redessiner;                        // the picture shows it: MODE asks for a frame
    bool refaireEnveloppe;                  // switched on, the next hull build must run again (it makes more)
};

// Bytes the store keeps for the switches: the size its record of them has in
// every database ever written, so a new switch needs no new record.
inline constexpr int kPlaceModes = 100;

// In the order of MODE's listing; the store's bytes are those of the octet
// column (the historic order: INFO, PARTICULES, LIGNES, POLYGONES, ENVELOPPE,
// AXES, OPENMP, DUAL).
inline constexpr Interrupteur kInterrupteurs[] = {
    {"particules", "billes", &ModeFlags::particules, 1, true, false},
    {"lignes", nullptr, &ModeFlags::lignes, 2, true, false},
    {"polygones", "poly", &ModeFlags::polygones, 3, true, false},
    {"info", nullptr, &ModeFlags::info, 0, false, false},
    {"openmp", nullptr, &ModeFlags::openmp, 6, false, false},
    {"enveloppe", nullptr, &ModeFlags::enveloppe, 4, false, false},
    {"axes", nullptr, &ModeFlags::axes, 5, true, false},
    {"dual", nullptr, &ModeFlags::dual, 7, true, true},
    {"tammes", nullptr, &ModeFlags::tammes, 8, false, false},
    {"defauts", nullptr, &ModeFlags::defauts, 9, true, false},
    {"minima", nullptr, &ModeFlags::minima, 10, false, false},
};

// The listing's label: two spaces, the word in capitals, spaces up to column 14.
inline constexpr int kLargeurLibelle = 14;

constexpr bool InterrupteursCoherents(std::span<const Interrupteur> table) {
    for (size_t i = 0; i < table.size(); ++i) {
        const Interrupteur& a = table[i];
        if (a.octet < 0 || a.octet >= kPlaceModes || a.drapeau == nullptr) return false;
        size_t longueur = 0;
        while (a.mot[longueur] != '\0') ++longueur;
        if (longueur == 0 || 2 + longueur >= kLargeurLibelle) return false;
        for (size_t j = 0; j < i; ++j) {
            if (table[j].octet == a.octet || table[j].drapeau == a.drapeau) return false;
        }
    }
    return true;
}
static_assert(InterrupteursCoherents(kInterrupteurs),
              "each switch needs a flag and a byte of its own within kPlaceModes, and a word that fits the listing");

// Bytes the store writes: up to the highest octet of the table.
constexpr int OctetsModes(std::span<const Interrupteur> table = kInterrupteurs) {
    int n = 0;
    for (const Interrupteur& i : table) n = i.octet + 1 > n ? i.octet + 1 : n;
    return n;
}

// The switches as the store keeps them: one byte each, 1 on, 0 off.
std::vector<uint8_t> OctetsDesModes(std::span<const Interrupteur> table = kInterrupteurs);

// Sets the switches from stored bytes: any byte but 0 is on. A switch whose
// byte lies beyond `octets` (a database written before it existed) takes its
// default.
void ModesDepuisOctets(std::span<const uint8_t> octets, std::span<const Interrupteur> table = kInterrupteurs);

// Set from the SIGINT/SIGQUIT handler, polled by the counted loops between steps.
inline std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "stopRequested is written from a signal handler");

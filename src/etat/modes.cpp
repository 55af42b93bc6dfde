#include "etat/modes.h"

void ModeFlags::resetDefaults() {
    const ModeFlags defauts;
    for (const Interrupteur& i : kInterrupteurs) (this->*i.drapeau) = (defauts.*i.drapeau).load();
}

std::vector<uint8_t> OctetsDesModes(std::span<const Interrupteur> table) {
    std::vector<uint8_t> octets(static_cast<size_t>(OctetsModes(table)), 0);
    for (const Interrupteur& i : table) octets[static_cast<size_t>(i.octet)] = (modes.*i.drapeau) ? 1 : 0;
    return octets;
}

void ModesDepuisOctets(std::span<const uint8_t> octets, std::span<const Interrupteur> table) {
    const ModeFlags defauts;
    for (const Interrupteur& i : table) {
        const size_t o = static_cast<size_t>(i.octet);
        modes.*i.drapeau = o < octets.size() ? octets[o] != 0 : (defauts.*i.drapeau).load();
    }
}

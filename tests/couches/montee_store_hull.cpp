// The store reaching up into the hull builder.
#include "hull/enveloppe.h"

void Montee() { CalculerEnveloppe(false); }

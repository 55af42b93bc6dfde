// The shared state reaching up into the simulation core.
#include "mathematiques/placement.h"

void Montee() { PlacerAleatoirement(0); }

#include "viewer/scene.h"

void RafraichirGraphique() {}

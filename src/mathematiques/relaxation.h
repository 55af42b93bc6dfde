// The relaxation step and its local variant.
#pragma once

#include "etat/verrous.h"

#include "etat/vec3.h"

// derivative_i = ambientField + K * 0.0001 * sum over j != i of
// (p_i - p_j) / |p_i - p_j|^3, for every particle.
void AppliquerForce() REQUIRES(verrouEtat);

// position = (position + derivative) made unit, for every particle;
// derivative is left as it is.
void ModifierPosition() REQUIRES(verrouEtat);

// (K * 0.0001) (a - b) / |a - b|^3, the repulsion b exerts on a; zero when
// the coefficient is not finite (a and b coincide).
Vec3 ForcePaire(const Vec3& a, const Vec3& b);

// AppliquerForce with the sum restricted to hull neighbours; exactly
// AppliquerForce while the hull is not computed (a stale hull as
// enveloppe_listes.h says).
void AppliquerForceLocale() REQUIRES(verrouEtat);

// One step of LOCAL: AppliquerForceLocale, then ModifierPosition, in one pass
// over the particles while the hull is computed (the same numbers).
void DeplacerSelonForceLocale() REQUIRES(verrouEtat);

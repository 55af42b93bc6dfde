// The program's single random stream: Knuth's floating-point lagged-Fibonacci
// generator (lags 100 and 37). Every draw is indivisible across threads.
#pragma once

#include "etat/vec3.h"

// Seeds the generator; only the low 30 bits of the seed count.
void InitialiserHasard(long seed);

// A value in [0, 1). Seeds itself with 314159 if never seeded.
double TirerReel();

// A point uniform on the sphere of radius r about the origin.
void TirerPointSphere(Vec3& v, double r);

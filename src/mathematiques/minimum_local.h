// The end of a descent checked: a symmetric stationary point (the cube at
// N = 8, say) has no tangential force and passes the descent's criterion,
// minimum or saddle. Every particle is moved by 1e-6 of the mean spacing
// along its tangent plane and the descent run again from there: near a
// minimum it comes back to the same energy, near a saddle the displacement
// has a component along a direction of negative curvature that grows, and
// the descent goes down to another stationary point, checked in turn. This
// costs one more descent from a point close to its end (a few tens of
// iterations), and unlike a few Lanczos steps on the tangential Hessian it
// needs no threshold on an eigenvalue beside the three rotations' zeros: the
// energy says which.
#pragma once

#include <span>

#include "etat/vec3.h"
#include "mathematiques/minimisation.h"

struct BilanMinimum {
    // The descents that led to the result: their iterations, the last one's
    // criterion, energy and end; evaluations include the check's.
    BilanDescente descente;
    int cols = 0;           // saddles left
    bool verifie = false;   // the result came back to its energy after the displacement
};

// Minimiser, then, when the descent meets its criterion, the check and the
// way down from each saddle, all within parametres.iterationsMax iterations
// (and the stop flag). At a minimum the positions are the first descent's,
// bit for bit. The displacements come from a generator of their own: the
// program's random sequence is left as it was.
BilanMinimum MinimiserJusquAuMinimum(std::span<Vec3> positions, const ParametresDescente& parametres);

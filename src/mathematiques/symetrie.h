// The point group of a set of points about the centre of the sphere, in
// Schoenflies notation (Ih, I, Oh, O, Td, Th, T, Dnh, Dnd, Dn, Cnv, Cnh, Cn,
// S2n, Cs, Ci, C1), within a tolerance on positions.
//
// An orthogonal map is a symmetry when it sends the particles one to one onto
// particles, each image within the tolerance of its particle, the map being
// the one that fits that matching best (least squares). The maps tried are
// all those that send two reference particles a and b onto particles a' and
// b' of the same kind: an isometry keeps each particle's distances to its
// nearest neighbours within twice the tolerance, so a symmetry can only send
// a particle to one whose distances agree that closely, and it is fixed by
// where it sends a and b (and its determinant). a is the particle with the
// fewest such look-alikes and b, far from a's axis, the next: the candidates
// are few (one or two for a lopsided configuration, a few hundred for an
// icosahedral one), each checked through a grid of the positions.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "etat/vec3.h"

inline constexpr double kToleranceSymetrie = 1e-5;
// Near the distance between neighbours most particles look alike and the
// candidates multiply: SYMETRIE takes no larger tolerance.
inline constexpr double kToleranceSymetrieMax = 0.01;

struct OperationSymetrie {
    double m[3][3] = {};     // image = m * position
    bool propre = true;      // a rotation (determinant +1)
    double ecart = 0.0;      // largest distance between an image and the particle it is matched with
    std::vector<int> image;  // image[i]: the particle that particle i is sent to
};

struct GroupePonctuel {
    std::string nom = "C1";  // Schoenflies symbol
    int ordre = 1;           // the group's order: the number of operations
    int ordreAxes = 1;       // the highest order of a rotation axis (1: none)
    std::vector<Vec3> axes;  // the axes of that order, unit vectors
    std::vector<OperationSymetrie> operations;  // the identity first
};

// Maps that the tolerance lets through but that do not close into a group
// (their products missing) are dropped, the worst fitting first, so that the
// operations always form the group named. Fewer than three particles, or
// particles all on one line through the centre, give C1.
GroupePonctuel TrouverGroupePonctuel(std::span<const Vec3> positions, double tolerance = kToleranceSymetrie);

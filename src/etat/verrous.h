// The lock of the shared state, in a form the thread-safety analysis knows.
#pragma once

#include <mutex>

#include "etat/annotations.h"

// A recursive mutex: helpers such as AfficherInfo take it whether or not
// their caller already holds it.
class CAPABILITY("mutex") VerrouRecursif {
public:
    void lock() ACQUIRE() { m_.lock(); }
    void unlock() RELEASE() { m_.unlock(); }
    bool try_lock() TRY_ACQUIRE(true) { return m_.try_lock(); }

private:
    std::recursive_mutex m_;
};

// Holds a lock for a scope.
class SCOPED_CAPABILITY Garde {
public:
    explicit Garde(VerrouRecursif& v) ACQUIRE(v) : v_(v) { v_.lock(); }
    ~Garde() RELEASE() { v_.unlock(); }
    Garde(const Garde&) = delete;
    Garde& operator=(const Garde&) = delete;

private:
    VerrouRecursif& v_;
};

// Serialises the command thread's work on particles and hull with the
// viewer's frames. It guards the particle set (etat.count, etat.particles with
// every field of every record) and the hull mesh (etat/maillage.h): any
// reader or writer of those holds it. The shell takes it around each step of
// a counted loop and around each command that touches particles or the hull;
// a viewer frame holds it to copy what it draws and to publish a hull it
// built from that copy, not while building or drawing. Never held while closing the viewer
// (the window thread may be waiting for it).
extern VerrouRecursif verrouEtat;

// The thread that owns a search (announcements, store offers, Ctrl+C) waits
// for its walkers' reports while they keep every core busy. The scheduler
// lets a running walker finish its time slice before a woken owner runs,
// about 3 ms, so each report reached the owner that much late. While a
// ReveilPrompt lives, the calling thread asks for short slices (0.1 ms),
// which lets it preempt a walker as soon as it wakes; its share of the
// processor is unchanged. Kernels before 6.12 ignore the request.
#pragma once

#include <cstdint>

class ReveilPrompt {
public:
    ReveilPrompt();
    ~ReveilPrompt();
    ReveilPrompt(const ReveilPrompt&) = delete;
    ReveilPrompt& operator=(const ReveilPrompt&) = delete;

    // The calling thread's slice, in ns, as the kernel reports it (0 from
    // kernels without slices of one's own; -1: no attributes to read).
    static int64_t TrancheDuFil();

private:
    bool change_ = false;
    uint64_t avant_ = 0;  // the slice before, in ns, put back at the end
};

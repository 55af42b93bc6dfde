// Lock rules the compiler proves: Clang's thread-safety attributes, which
// -Wthread-safety checks (the Clang build in CI). Under GCC they expand to
// nothing.
#pragma once

#if defined(__clang__)
#define GLX_ANALYSE(x) __attribute__((x))
#else
#define GLX_ANALYSE(x)
#endif

#define CAPABILITY(x) GLX_ANALYSE(capability(x))
#define SCOPED_CAPABILITY GLX_ANALYSE(scoped_lockable)
#define GUARDED_BY(x) GLX_ANALYSE(guarded_by(x))
#define PT_GUARDED_BY(x) GLX_ANALYSE(pt_guarded_by(x))
#define ACQUIRE(...) GLX_ANALYSE(acquire_capability(__VA_ARGS__))
#define RELEASE(...) GLX_ANALYSE(release_capability(__VA_ARGS__))
#define TRY_ACQUIRE(...) GLX_ANALYSE(try_acquire_capability(__VA_ARGS__))
#define REQUIRES(...) GLX_ANALYSE(requires_capability(__VA_ARGS__))
#define EXCLUDES(...) GLX_ANALYSE(locks_excluded(__VA_ARGS__))
#define NO_THREAD_SAFETY_ANALYSIS GLX_ANALYSE(no_thread_safety_analysis)

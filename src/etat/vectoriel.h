// VECTORIEL before a function: one copy per instruction set (AVX-512F, AVX2,
// plain), chosen when the program is loaded.
#pragma once

// Under ThreadSanitizer the load-time choice runs before the sanitizer's
// runtime is up and crashes the program: one plain copy there.
#if defined(__SANITIZE_THREAD__)
#define VECTORIEL
#else
#define VECTORIEL __attribute__((target_clones("avx512f", "avx2", "default")))
#endif

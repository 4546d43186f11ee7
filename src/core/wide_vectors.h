// PEKTRA_WIDE_VECTORS before a function compiles it twice, for processors with AVX2 and for the
// others, and the one that suits is chosen when the program starts: four numbers per vector
// instruction instead of two. It is for loops that are short of instructions, not of divisions
// (a division costs the same per number either way). Without FMA the operations and their order
// are the same in both, so are the results, bit for bit. GCC on x86-64 only, not with the
// sanitizers.
#pragma once

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && \
    !defined(__SANITIZE_ADDRESS__)
#define PEKTRA_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define PEKTRA_WIDE_VECTORS
#endif

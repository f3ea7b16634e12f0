#pragma once
// Code compiled for AVX2 beside the baseline build. On x86 compilers
// WILDSKY_WIDE_CODE is defined and WIDE marks a function compiled for AVX2;
// such functions run only where wideSpansEnabled() (board/span_wide.h) says
// the processor has it.

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define WILDSKY_WIDE_CODE 1
#define WIDE __attribute__((target("avx2")))
#endif

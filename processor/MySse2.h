#pragma once

// SSE2 where the target has it (every x86-64); elsewhere the plain loops run.
#if defined (__SSE2__) || defined (_M_X64)
 #include <emmintrin.h>
 #define ZK_HAS_SSE2 1
#else
 #define ZK_HAS_SSE2 0
#endif

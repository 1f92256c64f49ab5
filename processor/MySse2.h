#pragma once

// SSE2 where the target has it (every x86-64); elsewhere, or when the build
// asks for it with ZK_FORCE_SCALAR (to test what such a target runs), the
// plain loops run.
#if (defined (__SSE2__) || defined (_M_X64)) && ! defined (ZK_FORCE_SCALAR)
 #include <emmintrin.h>
 #define ZK_HAS_SSE2 1
#else
 #define ZK_HAS_SSE2 0
#endif

#pragma once

// Runs of float sums without the chain of dependent additions.
//
// Between two powers of two, in a binade [2^e, 2^(e+1)), the floats are the
// multiples of one spacing u, and their bit patterns are consecutive integers.
// A step that is no exact tie between two multiples of u moves any of them by
// round (step / u) multiples, whatever the sum before it. So while a run of sums
// stays in its start's binade, each sum's bit pattern is the start's plus the
// spacings added so far: the same floats as the serial sums, round to nearest.

#include <cmath>
#include <cstdint>
#include <cstring>

#include "MySse2.h"

namespace my::float_grid
{
    inline std::uint32_t bitsOf (float x) noexcept
    {
        std::uint32_t bits;
        std::memcpy (&bits, &x, sizeof (bits));
        return bits;
    }

    inline float floatOf (std::uint32_t bits) noexcept
    {
        float x;
        std::memcpy (&x, &bits, sizeof (x));
        return x;
    }

    /** The binade of a run's start, where sums can be taken on its grid. */
    struct Binade
    {
        std::uint32_t bits = 0;      // the start's
        std::uint32_t magnitude = 0; // the start's, without the sign
        std::uint32_t bottom = 0;    // 2^e
        std::uint32_t top = 0;       // 2^(e+1)
        float inverseSpacing = 0.0f; // 1 / u, a power of two

        /** False for a start that is zero, tiny, huge or not finite: its sums
            must be added one after the other. */
        bool of (float start) noexcept
        {
            bits = bitsOf (start);
            magnitude = bits & 0x7fffffffu;
            const auto biased = magnitude >> 23;

            // Keeps 1 / u and every step times it (an exact scaling) in range.
            if (biased < 27 || biased > 253)
                return false;

            bottom = biased << 23;
            top = (biased + 1) << 23;
            inverseSpacing = floatOf ((277u - biased) << 23);
            return true;
        }

        /** round (|step| / u), or false where that is a tie, too large or NaN. */
        bool spacingsOf (float step, std::uint32_t& spacings) const noexcept
        {
            const float x = std::fabs (step) * inverseSpacing;

            if (! (x < 4194304.0f))
                return false;

            const auto whole = static_cast<std::uint32_t> (x);
            const float frac = x - static_cast<float> (whole);
            spacings = whole + (frac > 0.5f ? 1u : 0u);
            return frac != 0.5f;
        }
    };

    /** sums[j] = start + (j + 1) steps, each sum rounded as the serial loop
        "sum = sum + step" rounds it. Returns false, with sums undefined, where
        the run leaves the start's binade (reaching its top exactly is fine) or
        the grid cannot give it; the caller then adds serially. */
    inline bool constantStepSums (float start, float step, float* sums, int count) noexcept
    {
        Binade binade;
        std::uint32_t k = 0;

        if (count <= 0 || ! binade.of (start) || ! binade.spacingsOf (step, k))
            return false;

        const auto moved = static_cast<std::uint64_t> (count) * k;
        const bool awayFromZero = std::signbit (step) == std::signbit (start);

        // Away from zero up to the top, where the spacing doubles; towards zero
        // staying above the bottom, below which it halves.
        if (awayFromZero ? binade.magnitude + moved > binade.top
                         : binade.magnitude - binade.bottom <= moved)
            return false;

        // The bit pattern moves by k each time, in unsigned (wrapping) arithmetic.
        const auto delta = awayFromZero ? k : 0u - k;
        auto bits = binade.bits;

        for (int j = 0; j < count; ++j)
        {
            bits += delta;
            sums[j] = floatOf (bits);
        }

        return true;
    }

    /** sums[j] = sums[j - 1] + steps[j], from a positive start and steps of
        at least 0, each sum rounded as the serial loop "sum = sum + step"
        rounds it. Returns false, with sums undefined, where the run leaves the
        start's binade (reaching its top exactly is fine) or the grid cannot
        give it; the caller then adds serially. sums may be steps. At most 256
        steps, so that no bit pattern can overflow. */
    inline bool runningSums (float start, const float* steps, float* sums, int count) noexcept
    {
        Binade binade;

        if (count <= 0 || count > 256 || ! (start > 0.0f) || ! binade.of (start))
            return false;

        auto bits = binade.bits;
        bool exact = true;
        int j = 0;

       #if ZK_HAS_SSE2
        // Four spacings at a time, summed within the vector and carried on.
        const auto inverseSpacing = _mm_set1_ps (binade.inverseSpacing);
        const auto limit = _mm_set1_ps (4194304.0f);
        const auto zero = _mm_setzero_ps();
        const auto half = _mm_set1_ps (0.5f);
        auto carried = _mm_set1_epi32 (static_cast<int> (bits));
        auto inGrid = _mm_castsi128_ps (_mm_set1_epi32 (-1));

        for (; j + 4 <= count; j += 4)
        {
            const auto x = _mm_mul_ps (_mm_loadu_ps (steps + j), inverseSpacing);
            const auto whole = _mm_cvttps_epi32 (x);
            const auto frac = _mm_sub_ps (x, _mm_cvtepi32_ps (whole));
            auto k = _mm_sub_epi32 (whole, _mm_castps_si128 (_mm_cmpgt_ps (frac, half)));
            inGrid = _mm_and_ps (inGrid, _mm_and_ps (_mm_cmplt_ps (x, limit), _mm_cmpge_ps (x, zero)));
            inGrid = _mm_and_ps (inGrid, _mm_cmpneq_ps (frac, half));

            k = _mm_add_epi32 (k, _mm_slli_si128 (k, 4));
            k = _mm_add_epi32 (k, _mm_slli_si128 (k, 8));
            carried = _mm_add_epi32 (carried, k);
            _mm_storeu_ps (sums + j, _mm_castsi128_ps (carried));
            carried = _mm_shuffle_epi32 (carried, _MM_SHUFFLE (3, 3, 3, 3));
        }

        exact = _mm_movemask_ps (inGrid) == 0xf;
        bits = static_cast<std::uint32_t> (_mm_cvtsi128_si32 (carried));
       #endif

        for (; j < count; ++j)
        {
            std::uint32_t k = 0;
            exact = exact && steps[j] >= 0.0f && binade.spacingsOf (steps[j], k);
            bits += k;
            sums[j] = floatOf (bits);
        }

        return exact && bits <= binade.top;
    }
} // namespace my::float_grid

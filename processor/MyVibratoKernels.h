#pragma once

// Building blocks of the vibrato shared by its per-sample and its block path,
// so that both compute the same bits. Included by MyVibratoProcessor.cpp only.

#include <juce_core/juce_core.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "MyFloatGrid.h"
#include "MySse2.h"

namespace my::vibrato_kernels
{
    // The LFO curves of one phase q (cycles), shared by the per-sample and the
    // block path so that both compute the same bits.
    enum Curve
    {
        triangleCurve = 0,
        sineTableCurve = 1,
        parabolicCurve = 2
    };

    /** x truncated toward zero. A NaN, an infinity or anything beyond the int
        range gives INT_MIN, as the SSE2 conversion does, where a plain cast
        would be undefined. */
    inline int truncateToInt (float x) noexcept
    {
       #if ZK_HAS_SSE2
        return _mm_cvtt_ss2si (_mm_set_ss (x));
       #else
        if (x >= -2147483648.0f && x < 2147483648.0f)
            return static_cast<int> (x);

        return std::numeric_limits<int>::min();
       #endif
    }

    template <int curve>
    inline float curveValue (float q, const float* table, int tableSize) noexcept
    {
        if constexpr (curve == sineTableCurve)
        {
            const float pos = q * static_cast<float> (tableSize);
            const int i = truncateToInt (pos);
            const float frac = pos - static_cast<float> (i);

            // The mask equals "less tableSize once" for every phase up to two
            // cycles and keeps any larger one inside the table.
            const int mask = tableSize - 1;
            const int ia = i & mask;
            const int ib = (i + 1) & mask;
            const float v = (table[ib] - table[ia]) * frac + table[ia];
            return (v + 1.0f) * 0.5f;
        }
        else if constexpr (curve == parabolicCurve)
        {
            juce::ignoreUnused (table, tableSize);
            float x = q + 0.25f;

            if (x > 1.0f)
                x = x - 1.0f;

            const float y = x < 0.5f ? x * x * 8.0f - 1.0f
                                     : (x - 0.5f) * (x - 0.5f) * -8.0f + 1.0f;
            return (y + 1.0f) * 0.5f;
        }
        else
        {
            juce::ignoreUnused (table, tableSize);
            float t = q + 0.75f;

            if (t > 1.0f)
                t = t - 1.0f;

            return std::fabs (t + t - 1.0f);
        }
    }

    /** The delay-line read of one channel: w is the write position after this
        frame's write (bufSize when that is 0). The delay is kept inside the line
        and a NaN delay reads the oldest sample. */
    inline float readLine (const float* samples, int w, int bufSize, float delayInSamples) noexcept
    {
        const auto longest = static_cast<float> (bufSize - 1);

        if (! (delayInSamples <= longest))
            delayInSamples = longest;

        if (! (delayInSamples >= 0.0f))
            delayInSamples = 0.0f;

        const int n = static_cast<int> (delayInSamples);
        const float f = delayInSamples - static_cast<float> (n);

        int ia = w - 1 - n;
        int ib = w - 2 - n;

        if (ia < 0)
            ia += bufSize;

        if (ib < 0)
            ib += bufSize;

        const float a = samples[ia];
        const float b = samples[ib];
        return (b - a) * f + a;
    }

    /** The constants of the peak delay, 0.025 * d / r seconds. */
    struct PeakDelayFormula
    {
        float depthScale, rateReference, maxDelayMs;

        /** The peak delay in seconds for the rate r and depth d, the ratio
            formed in double. */
        float operator() (float r, float d) const noexcept
        {
            const float a = depthScale * d;
            const double b = static_cast<double> (rateReference) / static_cast<double> (r);
            const double c = static_cast<double> (maxDelayMs) * (static_cast<double> (a) * b);
            return static_cast<float> (c) * 0.001f;
        }
    };

    /** The LFO phases of count frames (at most 256), p = inverseSampleRate *
        rate + previous p, less 1 once if above 1, starting from phase; returns
        the last one. rates holds each frame's rate, or with oneValue the one
        rate of all.

        While the run stays below 1, so that none wraps, and within one binade,
        the float grid gives the sums without the chain of dependent additions;
        with one rate every frame adds the same step. */
    inline float advancePhases (float phase, float inverseSampleRate, const float* rates, bool oneValue,
                                float* phases, int count) noexcept
    {
        if (phase < 1.0f)
        {
            if (oneValue)
            {
                if (float_grid::constantStepSums (phase, inverseSampleRate * rates[0], phases, count))
                    return phases[count - 1];
            }
            else
            {
                for (int j = 0; j < count; ++j)
                    phases[j] = inverseSampleRate * rates[j];

                if (float_grid::runningSums (phase, phases, phases, count))
                    return phases[count - 1];
            }
        }

        for (int j = 0; j < count; ++j)
        {
            float p = inverseSampleRate * rates[oneValue ? 0 : j] + phase;

            if (p > 1.0f)
                p = p - 1.0f;

            phase = p;
            phases[j] = p;
        }

        return phase;
    }

    /** Writes count frames into a line from position writeIndex on. */
    inline void writeChunk (float* samples, int bufSize, int writeIndex, const float* input, int count) noexcept
    {
        const int first = juce::jmin (count, bufSize - writeIndex);

        for (int j = 0; j < first; ++j)
            samples[writeIndex + j] = input[j];

        for (int j = first; j < count; ++j)
            samples[j - first] = input[j];
    }

   #if ZK_HAS_SSE2
    // Four frames at a time, each operation the same IEEE operation on the same
    // operands as in the scalar code above, so every lane has the scalar bits.

    inline __m128 select (__m128 mask, __m128 ifTrue, __m128 ifFalse) noexcept
    {
        return _mm_or_ps (_mm_and_ps (mask, ifTrue), _mm_andnot_ps (mask, ifFalse));
    }

    /** x, less 1 where x > 1 (once). */
    inline __m128 wrapOnce (__m128 x) noexcept
    {
        const auto one = _mm_set1_ps (1.0f);
        return select (_mm_cmpgt_ps (x, one), _mm_sub_ps (x, one), x);
    }

    inline __m128 selectInt (__m128i mask, __m128 ifTrue, __m128 ifFalse) noexcept
    {
        return select (_mm_castsi128_ps (mask), ifTrue, ifFalse);
    }

    inline __m128 loadPair (const float* samples, int index) noexcept
    {
        // Two floats at any index, so no alignment may be assumed: memcpy, not a double*.
        double pair;
        std::memcpy (&pair, samples + index, sizeof (pair));
        return _mm_castpd_ps (_mm_set_sd (pair));
    }

    /** samples[i] into first and samples[i + 1] into second, for each lane's i. */
    inline void gatherPairs (const float* samples, __m128i indices, __m128& first, __m128& second) noexcept
    {
        alignas (16) int i[4];
        _mm_store_si128 (reinterpret_cast<__m128i*> (i), indices);
        const auto p01 = _mm_movelh_ps (loadPair (samples, i[0]), loadPair (samples, i[1]));
        const auto p23 = _mm_movelh_ps (loadPair (samples, i[2]), loadPair (samples, i[3]));
        first = _mm_shuffle_ps (p01, p23, _MM_SHUFFLE (2, 0, 2, 0));
        second = _mm_shuffle_ps (p01, p23, _MM_SHUFFLE (3, 1, 3, 1));
    }

    template <int curve>
    inline __m128 curveValue4 (__m128 q, const float* table, int tableSize) noexcept
    {
        const auto one = _mm_set1_ps (1.0f);
        const auto half = _mm_set1_ps (0.5f);

        if constexpr (curve == sineTableCurve)
        {
            const auto pos = _mm_mul_ps (q, _mm_set1_ps (static_cast<float> (tableSize)));
            const auto i = _mm_cvttps_epi32 (pos);
            const auto frac = _mm_sub_ps (pos, _mm_cvtepi32_ps (i));
            const auto mask = _mm_set1_epi32 (tableSize - 1);

            // ib = (i + 1) & mask is ia + 1, except at the last entry, where it
            // is 0: there the pair before is loaded and the entries are moved.
            const auto ia = _mm_and_si128 (i, mask);
            const auto atEnd = _mm_cmpeq_epi32 (ia, mask);
            __m128 a, b;

            if (_mm_movemask_epi8 (atEnd) == 0)
            {
                gatherPairs (table, ia, a, b);
            }
            else
            {
                __m128 first, second;
                gatherPairs (table, _mm_add_epi32 (ia, atEnd), first, second);
                a = selectInt (atEnd, second, first);
                b = selectInt (atEnd, _mm_set1_ps (table[0]), second);
            }

            const auto v = _mm_add_ps (_mm_mul_ps (_mm_sub_ps (b, a), frac), a);
            return _mm_mul_ps (_mm_add_ps (v, one), half);
        }
        else if constexpr (curve == parabolicCurve)
        {
            juce::ignoreUnused (table, tableSize);
            const auto x = wrapOnce (_mm_add_ps (q, _mm_set1_ps (0.25f)));
            const auto rising = _mm_sub_ps (_mm_mul_ps (_mm_mul_ps (x, x), _mm_set1_ps (8.0f)), one);
            const auto xm = _mm_sub_ps (x, half);
            const auto falling = _mm_add_ps (_mm_mul_ps (_mm_mul_ps (xm, xm), _mm_set1_ps (-8.0f)), one);
            const auto y = select (_mm_cmplt_ps (x, half), rising, falling);
            return _mm_mul_ps (_mm_add_ps (y, one), half);
        }
        else
        {
            juce::ignoreUnused (table, tableSize);
            const auto t = wrapOnce (_mm_add_ps (q, _mm_set1_ps (0.75f)));
            const auto v = _mm_sub_ps (_mm_add_ps (t, t), one);
            return _mm_andnot_ps (_mm_set1_ps (-0.0f), v);
        }
    }

    /** float (double (m) * perUnit) in each lane, with the lanes' delays per
        unit in low (lanes 0 and 1) and high (lanes 2 and 3). */
    inline __m128 delayOf4 (__m128 m, __m128d low, __m128d high) noexcept
    {
        const auto delayLow = _mm_mul_pd (_mm_cvtps_pd (m), low);
        const auto delayHigh = _mm_mul_pd (_mm_cvtps_pd (_mm_movehl_ps (m, m)), high);
        return _mm_movelh_ps (_mm_cvtpd_ps (delayLow), _mm_cvtpd_ps (delayHigh));
    }
   #endif

    /** The delay in samples per unit of the LFO curve of count frames, the
        peak delay times the sample rate in double: m * P and P * sampleRate
        are both exact in double, so m * (P * sampleRate) rounds as
        (m * P) * sampleRate does. */
    inline void delaysPerUnitOfChunk (const PeakDelayFormula& peakDelay, const float* rates, const float* depths,
                                      float sampleRate, double* delaysPerUnit, int count) noexcept
    {
        const auto rate = static_cast<double> (sampleRate);

        for (int j = 0; j < count; ++j)
            delaysPerUnit[j] = static_cast<double> (peakDelay (rates[j], depths[j])) * rate;
    }

    /** Delays in samples of both channels for count frames, from each frame's
        left phase and from its offset and delay per unit of the curve, which
        the arrays hold for each frame, or for all at once with oneValue;
        returns false if a read might reach the frames written ahead. */
    template <int curve, bool oneValue>
    inline bool delaysOfChunk (const float* phases, const float* offsets, const double* delaysPerUnit,
                               const float* table, int tableSize, float safeDelay,
                               float* delaysLeft, float* delaysRight, int count) noexcept
    {
        int j = 0;
        bool writeAhead = true;

       #if ZK_HAS_SSE2
        const auto safe4 = _mm_set1_ps (safeDelay);
        const auto zero4 = _mm_setzero_ps();
        auto inRange = _mm_castsi128_ps (_mm_set1_epi32 (-1));

        for (; j + 4 <= count; j += 4)
        {
            const auto offset = oneValue ? _mm_set1_ps (offsets[0]) : _mm_loadu_ps (offsets + j);
            const auto low = oneValue ? _mm_set1_pd (delaysPerUnit[0]) : _mm_loadu_pd (delaysPerUnit + j);
            const auto high = oneValue ? low : _mm_loadu_pd (delaysPerUnit + j + 2);
            const auto qL = _mm_loadu_ps (phases + j);
            const auto qR = wrapOnce (_mm_add_ps (offset, qL));
            const auto dL = delayOf4 (curveValue4<curve> (qL, table, tableSize), low, high);
            const auto dR = delayOf4 (curveValue4<curve> (qR, table, tableSize), low, high);
            _mm_storeu_ps (delaysLeft + j, dL);
            _mm_storeu_ps (delaysRight + j, dR);
            inRange = _mm_and_ps (inRange, _mm_and_ps (_mm_cmplt_ps (dL, safe4), _mm_cmpge_ps (dL, zero4)));
            inRange = _mm_and_ps (inRange, _mm_and_ps (_mm_cmplt_ps (dR, safe4), _mm_cmpge_ps (dR, zero4)));
        }

        writeAhead = _mm_movemask_ps (inRange) == 0xf;
       #endif

        for (; j < count; ++j)
        {
            const int k = oneValue ? 0 : j;
            const float qL = phases[j];
            float qR = offsets[k] + qL;

            if (qR > 1.0f)
                qR = qR - 1.0f;

            const float mL = curveValue<curve> (qL, table, tableSize);
            const float mR = curveValue<curve> (qR, table, tableSize);
            const auto dL = static_cast<float> (static_cast<double> (mL) * delaysPerUnit[k]);
            const auto dR = static_cast<float> (static_cast<double> (mR) * delaysPerUnit[k]);
            delaysLeft[j] = dL;
            delaysRight[j] = dR;
            writeAhead = writeAhead && dL < safeDelay && dR < safeDelay && dL >= 0.0f && dR >= 0.0f;
        }

        return writeAhead;
    }

    /** The reads of count frames whose writes all happened already; frame j was
        written at writeIndex + j. Every delay lies in [0, bufSize - 1], where
        the read's clamps change nothing. */
    inline void readChunk (const float* samples, int bufSize, int writeIndex,
                           const float* delays, float* output, int count) noexcept
    {
        int j = 0;

       #if ZK_HAS_SSE2
        // The write position after each frame's write; within a chunk that does
        // not reach the end of the line it never wraps.
        if (writeIndex + count < bufSize)
        {
            const auto size4 = _mm_set1_epi32 (bufSize);
            const auto zero4 = _mm_setzero_si128();
            const auto one4 = _mm_set1_epi32 (1);
            auto written = _mm_add_epi32 (_mm_set1_epi32 (writeIndex + 1), _mm_setr_epi32 (0, 1, 2, 3));

            for (; j + 4 <= count; j += 4)
            {
                const auto d = _mm_loadu_ps (delays + j);
                const auto n = _mm_cvttps_epi32 (d);
                const auto f = _mm_sub_ps (d, _mm_cvtepi32_ps (n));

                auto ia = _mm_sub_epi32 (_mm_sub_epi32 (written, one4), n);
                ia = _mm_add_epi32 (ia, _mm_and_si128 (_mm_cmplt_epi32 (ia, zero4), size4));

                // ib (w - 2 - n, plus bufSize if negative) is ia - 1, except for
                // ia = 0, where it is the last sample of the line.
                const auto atStart = _mm_cmpeq_epi32 (ia, zero4);
                __m128 a, b;

                if (_mm_movemask_epi8 (atStart) == 0)
                {
                    gatherPairs (samples, _mm_sub_epi32 (ia, one4), b, a);
                }
                else
                {
                    __m128 first, second;
                    gatherPairs (samples, _mm_sub_epi32 (_mm_sub_epi32 (ia, one4), atStart), first, second);
                    a = selectInt (atStart, first, second);
                    b = selectInt (atStart, _mm_set1_ps (samples[bufSize - 1]), first);
                }

                _mm_storeu_ps (output + j, _mm_add_ps (_mm_mul_ps (_mm_sub_ps (b, a), f), a));
                written = _mm_add_epi32 (written, _mm_set1_epi32 (4));
            }
        }
       #endif

        for (; j < count; ++j)
        {
            int w = writeIndex + j + 1;

            if (w > bufSize)
                w -= bufSize;

            output[j] = readLine (samples, w, bufSize, delays[j]);
        }
    }
} // namespace my::vibrato_kernels

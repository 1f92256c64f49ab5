// LinearSmoother::nextValues hands out a chunk of values at once, taking the
// float grid's shortcut where it can: it must give the bits, and leave the
// state, of one getNextValue call per value, for every kind of ramp.

#include "MyLinearSmoother.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace
{
    std::uint32_t bitsOf (float x)
    {
        std::uint32_t bits;
        std::memcpy (&bits, &x, sizeof (bits));
        return bits;
    }

    bool sameValue (float a, float b)
    {
        return (std::isnan (a) && std::isnan (b)) || bitsOf (a) == bitsOf (b);
    }

    struct Ramp
    {
        const char* name;
        float from, to;
        int steps;
        bool flushDenormals = false;
    };

    void PrintTo (const Ramp& r, std::ostream* os) { *os << r.name; }

    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    constexpr float inf = std::numeric_limits<float>::infinity();

    const Ramp ramps[] = {
        { "RateUp", 5.0f, 6.0f, 4800 },
        { "RateDownAcrossBinades", 30.0f, 0.01f, 4410 },
        { "DepthUpAcrossOneHalf", 0.4f, 0.6f, 4800 },
        { "WidthDownToZero", 1.0f, 0.0f, 19200 },
        { "UpFromZero", 0.0f, 1.0f, 800 },
        { "AcrossZero", -0.75f, 0.5f, 9600 },
        { "NegativeAwayFromZero", -0.3f, -0.9f, 1102 },
        // A step of exactly half a spacing (a tie) and of one and a half.
        { "HalfSpacingTies", 1.0f, 1.0f + 4800.0f * std::ldexp (1.0f, -24), 4800 },
        { "OneAndAHalfSpacingTies", 1.0f, 1.0f + 4800.0f * 3.0f * std::ldexp (1.0f, -24), 4800 },
        { "StepBelowHalfASpacing", 1000.0f, 1000.0f + std::ldexp (1.0f, -14), 4800 },
        // One spacing above 0.5, a step of -1.375 spacings: the exact sum lies
        // just below 0.5, where the floats are twice as dense.
        { "JustBelowABinadesBottom", 0.5f + std::ldexp (1.0f, -24), 0.5f - 10.0f * std::ldexp (1.0f, -24), 8 },
        { "Tiny", 1.0e-30f, 3.0e-31f, 100 },
        { "DenormalSteps", 1.0e-38f, 2.0e-38f, 4800 },
        { "DenormalStepsFlushed", 1.0e-38f, 2.0e-38f, 4800, true },
        { "Huge", 3.0e38f, -3.0e38f, 4800 },
        { "ToNaN", 0.5f, nan, 100 },
        { "ToInfinity", 0.5f, inf, 100 },
        { "OneStep", 0.25f, 0.75f, 1 },
        { "TwoSteps", 0.25f, 0.75f, 2 },
    };

    class SmootherChunks : public ::testing::TestWithParam<Ramp>
    {
    };

    TEST_P (SmootherChunks, SameValuesAndStateAsOneValueAtATime)
    {
        const auto& ramp = GetParam();
        std::unique_ptr<juce::ScopedNoDenormals> noDenormals;

        if (ramp.flushDenormals)
            noDenormals = std::make_unique<juce::ScopedNoDenormals>();

        juce::Random random (static_cast<juce::int64> (ramp.steps));

        // Chunks of every size from 1 up, and a few random restarts of the ramp.
        for (int round = 0; round < 6; ++round)
        {
            my::LinearSmoother chunked, single;

            for (auto* s : { &chunked, &single })
            {
                s->setCurrentAndTargetValue (ramp.from);
                s->reset (ramp.steps);
                s->setTargetValue (ramp.to);
            }

            std::vector<float> values (300);
            int done = 0;

            while (done < ramp.steps + 300)
            {
                const int count = round == 0 ? 1 + done % 257 : 1 + random.nextInt (round < 3 ? 8 : 300);
                chunked.nextValues (values.data(), count);

                for (int j = 0; j < count; ++j)
                {
                    const float expected = single.getNextValue();
                    ASSERT_TRUE (sameValue (values[(size_t) j], expected))
                        << "value " << done + j << ": " << values[(size_t) j] << " instead of " << expected;
                }

                ASSERT_TRUE (sameValue (chunked.getCurrentValue(), single.getCurrentValue()));
                ASSERT_EQ (chunked.isSmoothing(), single.isSmoothing());
                done += count;

                // Now and then a new target halfway, from wherever the ramp stands.
                if (round >= 4 && random.nextInt (10) == 0)
                {
                    const float newTarget = ramp.from + (ramp.to - ramp.from) * random.nextFloat();
                    chunked.setTargetValue (newTarget);
                    single.setTargetValue (newTarget);
                }
            }
        }
    }

    std::string nameOf (const ::testing::TestParamInfo<Ramp>& ramp)
    {
        return ramp.param.name;
    }

    INSTANTIATE_TEST_SUITE_P (Ramps, SmootherChunks, ::testing::ValuesIn (ramps), nameOf);
} // namespace

#include "MyStereoEnhancerProcessor.h"
#include "MyVibratoProcessor.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <memory>
#include <tuple>

namespace
{
    constexpr int lineLength = 16000000;

    juce::dsp::ProcessSpec specAt (double sampleRate)
    {
        return { sampleRate, 512, 2 };
    }

    /** Counts the samples a smoother needs to reach a new target. */
    int rampLengthOf (my::LinearSmoother& smoother)
    {
        smoother.setTargetValue (smoother.getTargetValue() + 1.0f);
        int steps = 0;

        while (smoother.isSmoothing() && steps < 10000000)
        {
            smoother.getNextValue();
            ++steps;
        }

        return steps;
    }

    /** A vibrato whose three smoothers stand still at the given values, with helpers
        to place the LFO and to make the delay lines report the delay they are read at. */
    class SteadyVibrato
    {
    public:
        SteadyVibrato (int shapeCode, float rate, float depth, float phaseOffset, double sampleRate)
        {
            v->shapeCode = shapeCode;
            v->rate = rate;
            v->depth = depth;
            v->phaseOffset = phaseOffset;

            // Before any prepare the ramp length is 0, so the values are taken at once;
            // prepare then ends every ramp at its target.
            v->setSmoothTargetValues();
            auto spec = specAt (sampleRate);
            v->prepare (spec);
        }

        /** Sets the LFO phase so that the next advance lands exactly on q. */
        bool placeNextPhaseAt (float q)
        {
            const float increment = v->lfo.inverseSampleRate * v->rate;
            float phase = q - increment;

            for (int attempt = 0; attempt < 64 && increment + phase != q; ++attempt)
                phase = std::nextafter (phase, increment + phase < q ? 2.0f : -2.0f);

            v->lfo.phase = phase;
            return increment + phase == q;
        }

        /** Fills both lines so that the sample written j samples before the next
            write holds the value j (1 <= j <= count). Read through the linear
            interpolation, a delay of D then gives back exactly D. */
        void fillAges (int count)
        {
            for (auto* line : { &v->delayLeft, &v->delayRight })
            {
                auto* samples = line->buffer.getWritePointer (0);

                for (int j = 1; j <= count; ++j)
                    samples[(line->writeIndex - j + line->bufSize) % line->bufSize] = static_cast<float> (j);
            }
        }

        std::pair<float, float> process (float left, float right)
        {
            v->processSampleStereo (left, right);
            return { left, right };
        }

        std::unique_ptr<my::VibratoProcessor> v = std::make_unique<my::VibratoProcessor>();
    };

    //==============================================================================
    TEST (VibratoConstruction, FieldsAndLinesAsBuilt)
    {
        auto v = std::make_unique<my::VibratoProcessor>();

        EXPECT_EQ (v->shapeCode, 1);
        EXPECT_EQ (v->rate, 1.0f);
        EXPECT_EQ (v->depth, 0.1f);
        EXPECT_EQ (v->phaseOffset, 0.0f);
        EXPECT_EQ (v->sampleRate, 44100.0f);
        EXPECT_EQ (v->rateReference, 0.0099999998f);
        EXPECT_EQ (v->depthScale, 0.5f);
        EXPECT_EQ (v->maxDelayMs, 5000.0f);

        EXPECT_EQ (v->lfo.sampleRate, 44100.0f);
        EXPECT_EQ (v->lfo.inverseSampleRate, 1.0f / 44100.0f);
        EXPECT_EQ (v->lfo.inverseSampleRate, 2.2675737e-05f);
        EXPECT_EQ (v->lfo.phase, 0.0f);
        EXPECT_EQ (v->lfo.tableSize, 4096);
        EXPECT_EQ (v->lfo.table.getNumSamples(), 4096);

        for (auto* smoother : { &v->rateSmoothed, &v->depthSmoothed, &v->phaseOffsetSmoothed })
        {
            EXPECT_EQ (smoother->getCurrentValue(), 0.0f);
            EXPECT_EQ (smoother->getTargetValue(), 0.0f);
            EXPECT_FALSE (smoother->isSmoothing());
        }

        for (auto* line : { &v->delayLeft, &v->delayRight })
        {
            EXPECT_EQ (line->bufSize, lineLength);
            EXPECT_EQ (line->buffer.getNumChannels(), 1);
            EXPECT_EQ (line->buffer.getNumSamples(), lineLength);
            EXPECT_EQ (line->writeIndex, 0);

            const auto range = juce::FloatVectorOperations::findMinAndMax (line->buffer.getReadPointer (0), lineLength);
            EXPECT_EQ (range.getStart(), 0.0f);
            EXPECT_EQ (range.getEnd(), 0.0f);
        }

        my::StereoEnhancerProcessor width;
        EXPECT_EQ (width.width, 0.0f);
        EXPECT_EQ (width.sampleRate, 44100.0f);
        EXPECT_EQ (width.widthSmoothed.getCurrentValue(), 0.0f);
    }

    TEST (DelayLine, NewLineIsClearedAndResizeKeepsTheWriteIndex)
    {
        my::DelayLineBase line;
        EXPECT_EQ (line.bufSize, 1323000);
        EXPECT_EQ (line.buffer.getNumSamples(), 1323000);
        EXPECT_EQ (line.writeIndex, 0);
        EXPECT_EQ (line.buffer.getMagnitude (0, 0, 1323000), 0.0f);

        line.buffer.setSample (0, 5, 1.0f);
        line.writeIndex = 7;
        line.setBufSize (1000);
        EXPECT_EQ (line.bufSize, 1000);
        EXPECT_EQ (line.buffer.getNumSamples(), 1000);
        EXPECT_EQ (line.writeIndex, 7);
        EXPECT_EQ (line.buffer.getMagnitude (0, 0, 1000), 0.0f);
    }

    //==============================================================================
    TEST (SineTable, TellingEntriesToTheBit)
    {
        auto v = std::make_unique<my::VibratoProcessor>();
        const auto* table = v->lfo.table.getReadPointer (0);

        const std::pair<int, float> entries[] = {
            { 0, 0.0f },     { 1, 0.0015339802f }, { 512, 0.70710677f },     { 1024, 1.0f },
            { 2048, -8.742278e-08f }, { 3072, -1.0f }, { 4095, -0.0015338097f },
        };

        for (const auto& [index, value] : entries)
            EXPECT_EQ (table[index], value) << "entry " << index;

        // One whole cycle of the true sine, to within the float rounding of the angle.
        for (int i = 0; i < 4096; ++i)
            ASSERT_NEAR (table[i], std::sin (2.0 * juce::MathConstants<double>::pi * i / 4096.0), 6e-7) << i;
    }

    struct CurvePoint
    {
        int shapeCode;
        float q;
        float m;
        bool exact;
    };

    const CurvePoint curvePoints[] = {
        // sine table
        { 1, 0.0f, 0.5f, true },        { 1, 0.125f, 0.85355f, false }, { 1, 0.25f, 1.0f, true },
        { 1, 0.375f, 0.85355f, false }, { 1, 0.5f, 0.5f, false },       { 1, 0.625f, 0.14645f, false },
        { 1, 0.75f, 0.0f, true },       { 1, 0.875f, 0.14645f, false }, { 1, 1.0f, 0.5f, true },
        // parabolic
        { 2, 0.0f, 0.25f, true },   { 2, 0.125f, 0.5625f, true }, { 2, 0.25f, 1.0f, true },
        { 2, 0.375f, 0.9375f, true }, { 2, 0.5f, 0.75f, true },   { 2, 0.625f, 0.4375f, true },
        { 2, 0.75f, 0.0f, true },   { 2, 0.875f, 0.0625f, true }, { 2, 1.0f, 0.25f, true },
        // triangle
        { 3, 0.0f, 0.5f, true },  { 3, 0.125f, 0.75f, true }, { 3, 0.25f, 1.0f, true },
        { 3, 0.375f, 0.75f, true }, { 3, 0.5f, 0.5f, true },  { 3, 0.625f, 0.25f, true },
        { 3, 0.75f, 0.0f, true }, { 3, 0.875f, 0.25f, true }, { 3, 1.0f, 0.5f, true },
    };

    TEST (LfoCurves, TableOverOneCycle)
    {
        auto v = std::make_unique<my::VibratoProcessor>();

        for (const auto& point : curvePoints)
        {
            SCOPED_TRACE ("shape " + std::to_string (point.shapeCode) + " q " + std::to_string (point.q));
            v->shapeCode = point.shapeCode;
            const auto m = v->modulation (point.q);

            if (point.exact)
                EXPECT_EQ (m, point.m);
            else
                EXPECT_NEAR (m, point.m, 5e-6f);
        }
    }

    TEST (LfoCurves, EveryCodeOtherThanOneAndTwoIsTheTriangle)
    {
        auto v = std::make_unique<my::VibratoProcessor>();

        // Against the triangle's own table values, between them by linearity.
        for (int code : { 0, -1, 3, 4, 100, INT_MIN, INT_MAX })
        {
            v->shapeCode = code;

            for (const auto& point : curvePoints)
            {
                if (point.shapeCode == 3)
                {
                    ASSERT_EQ (v->modulation (point.q), point.m) << "code " << code << " q " << point.q;
                }
            }

            EXPECT_EQ (v->modulation (0.0625f), 0.625f) << code;
            EXPECT_EQ (v->modulation (0.8125f), 0.125f) << code;
        }
    }

    TEST (LfoCurves, AllCurvesStayWithinZeroAndOne)
    {
        auto v = std::make_unique<my::VibratoProcessor>();

        for (int code : { 1, 2, 3 })
        {
            v->shapeCode = code;

            for (int k = 0; k <= 8192; ++k)
            {
                const auto m = v->modulation (static_cast<float> (k) / 8192.0f);
                ASSERT_GE (m, 0.0f) << code << " " << k;
                ASSERT_LE (m, 1.0f) << code << " " << k;
            }
        }
    }

    //==============================================================================
    struct RampCase
    {
        double sampleRate;
        int steps;
    };

    class RampLength : public ::testing::TestWithParam<RampCase>
    {
    };

    TEST_P (RampLength, EverySmootherRampsOverATenthOfASecond)
    {
        const auto [sampleRate, steps] = GetParam();
        auto v = std::make_unique<my::VibratoProcessor>();
        my::StereoEnhancerProcessor width;
        auto spec = specAt (sampleRate);
        v->prepare (spec);
        width.prepare (spec);

        EXPECT_EQ (v->sampleRate, static_cast<float> (sampleRate));
        EXPECT_EQ (v->lfo.sampleRate, static_cast<float> (sampleRate));
        EXPECT_EQ (v->lfo.inverseSampleRate, 1.0f / static_cast<float> (sampleRate));
        EXPECT_EQ (width.sampleRate, static_cast<float> (sampleRate));

        EXPECT_EQ (rampLengthOf (v->rateSmoothed), steps);
        EXPECT_EQ (rampLengthOf (v->depthSmoothed), steps);
        EXPECT_EQ (rampLengthOf (v->phaseOffsetSmoothed), steps);
        EXPECT_EQ (rampLengthOf (width.widthSmoothed), steps);
    }

    INSTANTIATE_TEST_SUITE_P (RampSampleRates, RampLength,
                              ::testing::Values (RampCase { 44100.0, 4410 }, RampCase { 48000.0, 4800 },
                                                 RampCase { 96000.0, 9600 }, RampCase { 192000.0, 19200 },
                                                 RampCase { 11025.0, 1102 }, RampCase { 22050.0, 2205 },
                                                 RampCase { 88200.0, 8820 }, RampCase { 44100.7, 4410 },
                                                 RampCase { 8000.0, 800 }));

    // A rate whose tenth of a second has no int: the length stays in range
    // instead of an undefined conversion (the sanitizer build checks those).
    TEST (RampLength, StaysInTheIntRangeForAnyRate)
    {
        EXPECT_EQ (my::DspProcessorBase::smoothingSteps (2.0e10f), 2000000000);
        EXPECT_EQ (my::DspProcessorBase::smoothingSteps (3.0e10f), INT_MAX);
        EXPECT_EQ (my::DspProcessorBase::smoothingSteps (3.0e38f), INT_MAX);
        EXPECT_EQ (my::DspProcessorBase::smoothingSteps (std::numeric_limits<float>::infinity()), INT_MAX);
        EXPECT_EQ (my::DspProcessorBase::smoothingSteps (std::numeric_limits<float>::quiet_NaN()), 0);
        EXPECT_EQ (my::DspProcessorBase::smoothingSteps (-1.0e30f), 0);

        my::StereoEnhancerProcessor width;
        auto spec = specAt (1.0e30);
        width.prepare (spec);
        width.widthSmoothed.setTargetValue (1.0f);
        EXPECT_TRUE (width.widthSmoothed.isSmoothing());
    }

    //==============================================================================
    struct WorkedDelay
    {
        float rate;
        float depth;
        double sampleRate;
        float delay;  // the exact result of the single/double arithmetic
        double shown; // as the worked table rounds it
    };

    const WorkedDelay workedDelays[] = {
        { 0.01f, 1.0f, 44100.0, 110250.0f, 110250.0 },
        { 0.01f, 1.0f, 48000.0, 120000.0f, 120000.0 },
        { 0.1f, 1.0f, 44100.0, 11025.0f, 11025.0 },
        { 0.1f, 1.0f, 48000.0, 12000.0f, 12000.0 },
        { 1.0f, 1.0f, 44100.0, 1102.5f, 1102.5 },
        { 1.0f, 1.0f, 48000.0, 1200.0f, 1200.0 },
        { 10.0f, 1.0f, 44100.0, 110.250008f, 110.25 }, // one float step above the rounded figure
        { 10.0f, 1.0f, 48000.0, 120.000008f, 120.0 },
        { 30.0f, 1.0f, 44100.0, 36.75f, 36.75 },
        { 30.0f, 1.0f, 48000.0, 40.0f, 40.0 },
        { 0.01f, 0.5f, 44100.0, 55125.0f, 55125.0 },
        { 30.0f, 0.5f, 48000.0, 20.0f, 20.0 },
    };

    class WorkedDelays : public ::testing::TestWithParam<WorkedDelay>
    {
    };

    TEST_P (WorkedDelays, PeakDelayOfTheLeftAndZeroDelayOfTheRightAtHalfACycleOffset)
    {
        const auto c = GetParam();
        SteadyVibrato probe (1, c.rate, c.depth, 0.5f, c.sampleRate);
        ASSERT_TRUE (probe.placeNextPhaseAt (0.25f));
        probe.fillAges (130000);

        // Left at q = 0.25 (sine peak), right at 0.75 (trough): a delay of 0 gives back
        // the sample handed in with the same call.
        const auto [left, right] = probe.process (0.0f, 0.625f);
        EXPECT_EQ (left, c.delay);
        EXPECT_NEAR (left, c.shown, c.shown * 1e-6);
        EXPECT_EQ (right, 0.625f);
        EXPECT_EQ (probe.v->lfo.phase, 0.25f);
    }

    INSTANTIATE_TEST_SUITE_P (RatesAndSampleRates, WorkedDelays, ::testing::ValuesIn (workedDelays));

    TEST (VibratoDelay, DepthZeroPassesTheInputSampleForSample)
    {
        auto v = std::make_unique<my::VibratoProcessor>();
        auto spec = specAt (44100.0);
        v->prepare (spec);

        for (int shape : { 1, 2, 3 })
        {
            v->shapeCode = shape;
            v->rate = 7.0f;
            v->depth = 0.0f;
            v->phaseOffset = 0.3f;

            juce::AudioBuffer<float> audio (2, 5000);
            for (int i = 0; i < 5000; ++i)
            {
                audio.setSample (0, i, std::sin (0.01f * static_cast<float> (i)));
                audio.setSample (1, i, 0.5f - 0.0001f * static_cast<float> (i));
            }

            juce::AudioBuffer<float> original (audio);
            juce::dsp::AudioBlock<float> block (audio);
            v->processAudioBlock (block);

            for (int ch = 0; ch < 2; ++ch)
                for (int i = 0; i < 5000; ++i)
                    ASSERT_EQ (audio.getSample (ch, i), original.getSample (ch, i)) << shape << " " << ch << " " << i;
        }
    }

    TEST (VibratoDelay, HalfASampleOfDelayInterpolatesTheTwoNewestSamples)
    {
        // Rate 30 Hz at 44.1 kHz and depth 1/73.5 give a peak of exactly 0.5 samples.
        SteadyVibrato probe (3, 30.0f, 0.0f, 0.0f, 44100.0);
        probe.v->depth = 2.0f / 147.0f;
        probe.v->setSmoothTargetValues();
        auto spec = specAt (44100.0);
        probe.v->prepare (spec);
        ASSERT_TRUE (probe.placeNextPhaseAt (0.25f));
        probe.fillAges (10);

        const auto [left, right] = probe.process (0.0f, 0.0f);
        EXPECT_NEAR (left, 0.5f, 1e-6f);
        EXPECT_NEAR (right, 0.5f, 1e-6f);
    }

    TEST (VibratoDelay, ADelayBeyondTheLineNeverReadsOutsideIt)
    {
        // At 10 MHz the slowest rate at full depth asks for 25,000,000 samples. With
        // every age laid down, the value read is the delay actually used.
        for (bool blockPath : { false, true })
        {
            SCOPED_TRACE (blockPath ? "block path" : "per sample");
            SteadyVibrato probe (1, 0.01f, 1.0f, 0.0f, 10.0e6);
            ASSERT_TRUE (probe.placeNextPhaseAt (0.25f));
            probe.fillAges (lineLength - 1);

            float left = 0.0f, right = 0.0f;

            if (blockPath)
            {
                float* channels[] = { &left, &right };
                juce::dsp::AudioBlock<float> block (channels, 2, 1);
                probe.v->processAudioBlock (block);
            }
            else
            {
                std::tie (left, right) = probe.process (0.0f, 0.0f);
            }

            for (float used : { left, right })
            {
                EXPECT_TRUE (std::isfinite (used));
                EXPECT_GE (used, 0.0f);
                EXPECT_LE (used, static_cast<float> (lineLength - 1));
                EXPECT_GT (used, 15.0e6f); // limited near the line's length, not wrapped round
            }
        }
    }

    //==============================================================================
    class WriteIndexWrap : public ::testing::TestWithParam<int>
    {
    };

    TEST_P (WriteIndexWrap, ReadsTheRightSamplesAroundTheEndOfTheLine)
    {
        const int nextWrite = GetParam();
        SteadyVibrato probe (1, 30.0f, 1.0f, 0.5f, 44100.0);

        for (auto* line : { &probe.v->delayLeft, &probe.v->delayRight })
            line->writeIndex = nextWrite;

        ASSERT_TRUE (probe.placeNextPhaseAt (0.25f));
        probe.fillAges (100);

        const auto [left, right] = probe.process (0.0f, -0.375f);
        EXPECT_EQ (left, 36.75f);
        EXPECT_EQ (right, -0.375f);

        const int expectedIndex = nextWrite + 1 == lineLength ? 0 : nextWrite + 1;
        EXPECT_EQ (probe.v->delayLeft.writeIndex, expectedIndex);
        EXPECT_EQ (probe.v->delayRight.writeIndex, expectedIndex);
        EXPECT_EQ (probe.v->delayRight.buffer.getSample (0, nextWrite), -0.375f);
    }

    INSTANTIATE_TEST_SUITE_P (WritePositions, WriteIndexWrap,
                              ::testing::Values (lineLength - 1, lineLength - 2, 0, 1, 20, 35, 36, 37, 38, 5000));

    TEST (WriteIndexWrap, AfterTheWrapDelayNReadsEntryLastMinusN)
    {
        // The write at 15,999,999 wraps the index to 0; the read takes it as 16,000,000.
        SteadyVibrato probe (1, 0.01f, 1.0f, 0.5f, 44100.0);
        probe.v->delayLeft.writeIndex = lineLength - 1;
        probe.v->delayRight.writeIndex = lineLength - 1;

        auto* left = probe.v->delayLeft.buffer.getWritePointer (0);
        left[lineLength - 1 - 110250] = 0.25f; // delay n = 110,250
        left[lineLength - 2 - 110250] = -4.0f; // one sample older, weight 0

        ASSERT_TRUE (probe.placeNextPhaseAt (0.25f));
        const auto [l, r] = probe.process (9.0f, 0.75f);
        EXPECT_EQ (probe.v->delayLeft.writeIndex, 0);
        EXPECT_EQ (left[lineLength - 1], 9.0f);
        EXPECT_EQ (l, 0.25f);
        EXPECT_EQ (r, 0.75f); // delay 0 reads entry 15,999,999

        // The next write goes to entry 0.
        probe.process (3.0f, 3.0f);
        EXPECT_EQ (left[0], 3.0f);
        EXPECT_EQ (probe.v->delayLeft.writeIndex, 1);
    }

    //==============================================================================
    TEST (LfoPhase, ExactlyOneStaysOneForThatSample)
    {
        // At 65,536 Hz and 1 Hz one step is exactly 2^-16.
        SteadyVibrato probe (1, 1.0f, 0.0f, 0.0f, 65536.0);
        EXPECT_EQ (probe.v->lfo.inverseSampleRate, 1.0f / 65536.0f);
        probe.v->lfo.phase = 1.0f - 1.0f / 65536.0f;

        probe.process (0.0f, 0.0f);
        EXPECT_EQ (probe.v->lfo.phase, 1.0f);

        probe.process (0.0f, 0.0f);
        EXPECT_EQ (probe.v->lfo.phase, 1.0f / 65536.0f);
    }

    TEST (LfoPhase, PhaseOffsetOfOneIsBackInPhaseAndWrapsOnce)
    {
        SteadyVibrato probe (3, 30.0f, 1.0f, 1.0f, 44100.0);
        ASSERT_TRUE (probe.placeNextPhaseAt (0.25f));
        probe.fillAges (100);

        // qR = 1 + 0.25 - 1 = 0.25: both channels at the peak.
        const auto [left, right] = probe.process (0.0f, 0.0f);
        EXPECT_EQ (left, 36.75f);
        EXPECT_EQ (right, 36.75f);
    }

    TEST (LfoPhase, RunsOnAtRateOverSampleRatePerSample)
    {
        SteadyVibrato probe (1, 1.0f, 0.0f, 0.0f, 65536.0);

        for (int i = 1; i <= 65536; ++i)
            probe.process (0.0f, 0.0f);

        // 65,536 steps of exactly 2^-16: a whole cycle, which stays at 1.
        EXPECT_EQ (probe.v->lfo.phase, 1.0f);
        probe.process (0.0f, 0.0f);
        EXPECT_EQ (probe.v->lfo.phase, 1.0f / 65536.0f);
    }

    TEST (LfoPhase, TheBlockPathKeepsExactlyOneForThatSampleToo)
    {
        // The same whole cycle, run as blocks with the smoothers standing still.
        SteadyVibrato probe (2, 1.0f, 0.5f, 0.25f, 65536.0);
        juce::AudioBuffer<float> audio (2, 65536);
        audio.clear();
        juce::dsp::AudioBlock<float> block (audio);

        probe.v->processAudioBlock (block);
        EXPECT_EQ (probe.v->lfo.phase, 1.0f);

        auto one = block.getSubBlock (0, 1);
        probe.v->processAudioBlock (one);
        EXPECT_EQ (probe.v->lfo.phase, 1.0f / 65536.0f);
        EXPECT_EQ (probe.v->delayLeft.writeIndex, 65537);
    }

    //==============================================================================
    TEST (VibratoPrepare, NewSampleRateChangesTheDelayAtOnceWithoutClearingTheLines)
    {
        SteadyVibrato probe (1, 0.01f, 1.0f, 0.5f, 44100.0);
        ASSERT_TRUE (probe.placeNextPhaseAt (0.25f));
        probe.fillAges (130000);

        EXPECT_EQ (probe.process (0.0f, 0.0f).first, 110250.0f);

        const auto writeIndex = probe.v->delayLeft.writeIndex;
        const auto phase = probe.v->lfo.phase;
        auto spec = specAt (48000.0);
        probe.v->prepare (spec);
        EXPECT_EQ (probe.v->delayLeft.writeIndex, writeIndex);
        EXPECT_EQ (probe.v->delayRight.writeIndex, writeIndex);
        EXPECT_EQ (probe.v->lfo.phase, phase);
        EXPECT_EQ (probe.v->sampleRate, 48000.0f);

        // One more sample has been written since the ages were laid down, so every
        // stored age is now one older: a delay of D reads D - 1.
        ASSERT_TRUE (probe.placeNextPhaseAt (0.25f));
        EXPECT_EQ (probe.process (0.0f, 0.0f).first, 120000.0f - 1.0f);
    }

    TEST (VibratoPrepare, EndsARampAtItsTarget)
    {
        auto v = std::make_unique<my::VibratoProcessor>();
        auto spec = specAt (44100.0);
        v->prepare (spec);
        v->rate = 5.0f;
        v->depth = 0.5f;
        v->phaseOffset = 0.25f;

        juce::AudioBuffer<float> audio (2, 100);
        audio.clear();
        juce::dsp::AudioBlock<float> block (audio);
        v->processAudioBlock (block);
        EXPECT_TRUE (v->rateSmoothed.isSmoothing());

        v->prepare (spec);

        for (auto [smoother, target] : { std::pair { &v->rateSmoothed, 5.0f },
                                         std::pair { &v->depthSmoothed, 0.5f },
                                         std::pair { &v->phaseOffsetSmoothed, 0.25f } })
        {
            EXPECT_FALSE (smoother->isSmoothing());
            EXPECT_EQ (smoother->getCurrentValue(), target);
        }
    }

    TEST (VibratoBlock, ZeroLengthBlockPassesTheTargetsButAdvancesNothing)
    {
        auto v = std::make_unique<my::VibratoProcessor>();
        auto spec = specAt (48000.0);
        v->prepare (spec);
        v->rate = 3.0f;
        v->depth = 0.4f;
        v->phaseOffset = 0.6f;

        float left = 0.0f, right = 0.0f;
        float* channels[] = { &left, &right };
        juce::dsp::AudioBlock<float> empty (channels, 2, 0);
        v->processAudioBlock (empty);

        EXPECT_EQ (v->rateSmoothed.getTargetValue(), 3.0f);
        EXPECT_EQ (v->depthSmoothed.getTargetValue(), 0.4f);
        EXPECT_EQ (v->phaseOffsetSmoothed.getTargetValue(), 0.6f);

        for (auto* smoother : { &v->rateSmoothed, &v->depthSmoothed, &v->phaseOffsetSmoothed })
        {
            EXPECT_TRUE (smoother->isSmoothing());
            EXPECT_EQ (smoother->getCurrentValue(), 0.0f);
        }

        EXPECT_EQ (v->lfo.phase, 0.0f);
        EXPECT_EQ (v->delayLeft.writeIndex, 0);
        EXPECT_EQ (v->delayRight.writeIndex, 0);
    }

    TEST (VibratoBlock, OnlyChannelsZeroAndOneAreTouched)
    {
        auto v = std::make_unique<my::VibratoProcessor>();
        v->rate = 2.0f;
        v->depth = 0.5f;

        juce::AudioBuffer<float> audio (4, 64);
        for (int ch = 0; ch < 4; ++ch)
            for (int i = 0; i < 64; ++i)
                audio.setSample (ch, i, 1.0f + static_cast<float> (ch * 100 + i));

        juce::dsp::AudioBlock<float> block (audio);
        v->processAudioBlock (block);

        for (int ch = 2; ch < 4; ++ch)
            for (int i = 0; i < 64; ++i)
                ASSERT_EQ (audio.getSample (ch, i), 1.0f + static_cast<float> (ch * 100 + i));

        EXPECT_EQ (v->delayLeft.writeIndex, 64);
        EXPECT_EQ (v->delayLeft.buffer.getSample (0, 63), 1.0f + 63.0f);
        EXPECT_EQ (v->delayRight.buffer.getSample (0, 63), 1.0f + 163.0f);
    }

    TEST (VibratoBlock, ASubBlockStartsAtItsStartSample)
    {
        auto v = std::make_unique<my::VibratoProcessor>();
        v->depth = 0.0f;

        juce::AudioBuffer<float> audio (2, 10);
        for (int i = 0; i < 10; ++i)
        {
            audio.setSample (0, i, static_cast<float> (i));
            audio.setSample (1, i, static_cast<float> (-i));
        }

        juce::dsp::AudioBlock<float> whole (audio);
        auto part = whole.getSubBlock (4, 3);
        v->processAudioBlock (part);

        EXPECT_EQ (v->delayLeft.writeIndex, 3);
        EXPECT_EQ (v->delayLeft.buffer.getSample (0, 0), 4.0f);
        EXPECT_EQ (v->delayRight.buffer.getSample (0, 2), -6.0f);
    }

    //==============================================================================
    /** The width stage with (1, -1) at its input gives out the smoothed width itself. */
    std::vector<float> widthsOf (my::StereoEnhancerProcessor& stage, int numSamples)
    {
        juce::AudioBuffer<float> audio (2, numSamples);

        for (int i = 0; i < numSamples; ++i)
        {
            audio.setSample (0, i, 1.0f);
            audio.setSample (1, i, -1.0f);
        }

        juce::dsp::AudioBlock<float> block (audio);
        stage.processAudioBlock (block);

        std::vector<float> widths;
        for (int i = 0; i < numSamples; ++i)
        {
            EXPECT_EQ (audio.getSample (1, i), -audio.getSample (0, i));
            widths.push_back (audio.getSample (0, i));
        }

        return widths;
    }

    TEST (Smoothers, WithoutPrepareEveryTargetTakesEffectAtOnce)
    {
        my::StereoEnhancerProcessor stage;
        stage.width = 0.3f;
        const auto widths = widthsOf (stage, 3);
        EXPECT_EQ (widths[0], 0.3f);
        EXPECT_EQ (widths[2], 0.3f);
    }

    TEST (Smoothers, LinearRampOverExactlyTheRampLengthEndingOnTheTarget)
    {
        my::StereoEnhancerProcessor stage;
        auto spec = specAt (44100.0);
        stage.prepare (spec);
        stage.width = 1.0f;

        const auto widths = widthsOf (stage, 4500);
        const float step = 1.0f / 4410.0f;
        EXPECT_EQ (widths[0], step);
        EXPECT_EQ (widths[1], step + step);
        EXPECT_EQ (widths[2], step + step + step);

        float expected = 0.0f;
        for (int i = 0; i < 4409; ++i)
        {
            expected += step;
            ASSERT_EQ (widths[(size_t) i], expected) << i;
        }

        EXPECT_EQ (widths[4409], 1.0f);
        EXPECT_EQ (widths[4499], 1.0f);
        EXPECT_FALSE (stage.widthSmoothed.isSmoothing());
    }

    TEST (Smoothers, TheSameTargetAgainRunsTheRampOnAndANewOneRestartsItFromTheCurrentValue)
    {
        my::StereoEnhancerProcessor stage;
        auto spec = specAt (44100.0);
        stage.prepare (spec);
        stage.width = 1.0f;
        const auto first = widthsOf (stage, 100);
        const auto second = widthsOf (stage, 1);
        EXPECT_EQ (second[0], first[99] + 1.0f / 4410.0f);

        stage.width = 0.5f;
        const float current = second[0];
        const float step = (0.5f - current) / 4410.0f;
        const auto third = widthsOf (stage, 4410);
        EXPECT_EQ (third[0], current + step);
        EXPECT_EQ (third[4409], 0.5f);
        EXPECT_NE (third[4408], 0.5f);
    }

    TEST (Smoothers, PrepareEndsTheRampAtTheTarget)
    {
        my::StereoEnhancerProcessor stage;
        auto spec = specAt (48000.0);
        stage.prepare (spec);
        stage.width = 0.8f;
        widthsOf (stage, 100);
        stage.prepare (spec);
        EXPECT_EQ (widthsOf (stage, 1)[0], 0.8f);
    }

    //==============================================================================
    struct WidthCase
    {
        float width;
        float left;
        float right;
        float outLeft;
        float outRight;
    };

    const WidthCase widthCases[] = {
        { 1.0f, 0.75f, 0.25f, 0.75f, 0.25f },
        { 1.0f, -0.5f, 0.125f, -0.5f, 0.125f },
        { 0.0f, 0.75f, 0.25f, 0.5f, 0.5f },
        { 0.0f, 1.0f, -1.0f, 0.0f, 0.0f },
        { 0.5f, 1.0f, 0.0f, 0.75f, 0.25f },
        { 0.25f, 1.0f, -1.0f, 0.25f, -0.25f },
        { 1.5f, 0.75f, 0.25f, 0.75f, 0.25f },  // above 1 acts as 1
        { 7.0f, 1.0f, -1.0f, 1.0f, -1.0f },
        { -0.5f, 0.75f, 0.25f, 0.5f, 0.5f },   // below 0 acts as 0
        { -3.0f, 1.0f, -1.0f, 0.0f, 0.0f },
    };

    TEST (WidthStage, EndsMiddleAndClamping)
    {
        for (const auto& c : widthCases)
        {
            SCOPED_TRACE ("width " + std::to_string (c.width));
            my::StereoEnhancerProcessor stage;
            stage.width = c.width;

            float left = c.left, right = c.right;
            float* channels[] = { &left, &right };
            juce::dsp::AudioBlock<float> block (channels, 2, 1);
            stage.processAudioBlock (block);

            EXPECT_EQ (left, c.outLeft);
            EXPECT_EQ (right, c.outRight);
        }
    }

    TEST (WidthStage, WidthOneKeepsTheImageAndWidthZeroPutsTheMidOnBoth)
    {
        juce::Random random (42);

        for (int trial = 0; trial < 2000; ++trial)
        {
            const float l = random.nextFloat() * 2.0f - 1.0f;
            const float r = random.nextFloat() * 2.0f - 1.0f;

            for (float w : { 1.0f, 0.0f })
            {
                my::StereoEnhancerProcessor stage;
                stage.width = w;
                float left = l, right = r;
                float* channels[] = { &left, &right };
                juce::dsp::AudioBlock<float> block (channels, 2, 1);
                stage.processAudioBlock (block);

                if (w == 1.0f)
                {
                    ASSERT_NEAR (left, l, 2.4e-7f);
                    ASSERT_NEAR (right, r, 2.4e-7f);
                }
                else
                {
                    ASSERT_EQ (left, (l + r) * 0.5f);
                    ASSERT_EQ (right, (l + r) * 0.5f);
                }
            }
        }
    }

    TEST (WidthStage, ZeroLengthBlockPassesTheTargetButAdvancesNothing)
    {
        my::StereoEnhancerProcessor stage;
        auto spec = specAt (44100.0);
        stage.prepare (spec);
        stage.width = 1.0f;
        EXPECT_EQ (widthsOf (stage, 1)[0], 1.0f / 4410.0f);

        float left = 0.0f, right = 0.0f;
        float* channels[] = { &left, &right };
        juce::dsp::AudioBlock<float> empty (channels, 2, 0);
        stage.width = 0.5f;
        stage.processAudioBlock (empty);
        EXPECT_EQ (stage.widthSmoothed.getTargetValue(), 0.5f);
        EXPECT_EQ (stage.widthSmoothed.getCurrentValue(), 1.0f / 4410.0f);

        // A prepare now jumps to the target the empty block handed over.
        stage.prepare (spec);
        EXPECT_EQ (widthsOf (stage, 1)[0], 0.5f);
    }
} // namespace

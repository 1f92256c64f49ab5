// The block paths of the vibrato and the width stage must give exactly the bits
// of the plain per-sample path (processSampleStereo once per frame, then the
// width loop), over long randomised runs that cross every special case: ramps
// that start with a block and end inside one, a new target on every block as a
// DAW's automation sends them, each smoother ramping on its own, blocks of 1 to
// 8192 frames, all curves including the other shape codes, LFO phase wraps
// (also landing on exactly 1), the write position wrapping at 16,000,000,
// sample-rate changes during ramps, extreme and non-finite input, with and
// without flush-to-zero.

#include "MyFloatGrid.h"
#include "OfflineHost.h"
#include "PluginProcessor.h"
#include "stress/ReferencePath.h"

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

    /** The same bits, where a NaN matches any NaN: the sign and payload of a NaN
        are not fixed by the arithmetic (the compiler may swap the operands of a
        sum or a product, and with two NaN operands the first one wins). */
    bool sameSample (float a, float b)
    {
        if (std::isnan (a) || std::isnan (b))
            return std::isnan (a) && std::isnan (b);

        return bitsOf (a) == bitsOf (b);
    }

    /** A vibrato and a width stage, one pair per path. */
    struct Stages
    {
        my::VibratoProcessor vibrato;
        my::StereoEnhancerProcessor enhancer;

        void prepare (double sampleRate)
        {
            juce::dsp::ProcessSpec spec {};
            spec.sampleRate = sampleRate;
            vibrato.prepare (spec);
            enhancer.prepare (spec);
        }
    };

    struct Targets
    {
        int shapeCode = 1;
        float rate = 1.0f, depth = 0.1f, phaseOffset = 0.0f, width = 1.0f;

        void applyTo (Stages& s) const
        {
            s.vibrato.shapeCode = shapeCode;
            s.vibrato.rate = rate;
            s.vibrato.depth = depth;
            s.vibrato.phaseOffset = phaseOffset;
            s.enhancer.width = width;
        }
    };

    Targets randomTargets (juce::Random& random)
    {
        static const int shapeCodes[] = { 1, 2, 0, 3, -1, 7 };
        static const float edgeValues[] = { 0.0f, 1.0f, 0.5f, 0.25f };

        Targets t;
        t.shapeCode = shapeCodes[random.nextInt (6)];

        // Rates across the parameter's range, biased to both ends.
        const float u = random.nextFloat();
        t.rate = 0.01f + u * u * u * 29.99f;

        if (random.nextInt (8) == 0)
            t.rate = random.nextBool() ? 0.01f : 30.0f;

        t.depth = random.nextInt (6) == 0 ? edgeValues[random.nextInt (4)] : random.nextFloat();
        t.phaseOffset = random.nextInt (6) == 0 ? edgeValues[random.nextInt (4)] : random.nextFloat();
        t.width = random.nextInt (6) == 0 ? edgeValues[random.nextInt (4)] : random.nextFloat();

        // A smoothed width outside [0, 1] acts as its nearest end.
        if (random.nextInt (20) == 0)
            t.width = random.nextBool() ? -0.25f : 1.5f;

        return t;
    }

    int randomBlockSize (juce::Random& random)
    {
        switch (random.nextInt (4))
        {
            case 0:  return 1 + random.nextInt (8);
            case 1:  return 1 + random.nextInt (600);
            case 2:  return 1 + random.nextInt (8192);
            default: return 512;
        }
    }

    void fillInput (juce::Random& random, float* left, float* right, int numSamples, bool hostile)
    {
        for (int i = 0; i < numSamples; ++i)
        {
            left[i] = random.nextFloat() * 2.0f - 1.0f;
            right[i] = random.nextFloat() * 2.0f - 1.0f;

            if (hostile && random.nextInt (500) == 0)
            {
                static const float specials[] = { std::numeric_limits<float>::quiet_NaN(),
                                                  std::numeric_limits<float>::infinity(),
                                                  -std::numeric_limits<float>::infinity(),
                                                  std::numeric_limits<float>::denorm_min(),
                                                  -1.0e-40f,
                                                  3.0e38f };
                (random.nextBool() ? left : right)[i] = specials[random.nextInt (6)];
            }
        }
    }

    struct Run
    {
        juce::int64 seed;
        bool flushDenormals;
        double sampleRates[3];
        int startWriteIndex;
        int totalFrames;
        int newTargetsOneIn = 6;    // new targets on one block in this many (1: every block)
        bool targetsOnTheirOwn = false; // each target changes on blocks of its own
    };

    void PrintTo (const Run& run, std::ostream* os)
    {
        *os << "seed " << run.seed << (run.flushDenormals ? ", flush to zero" : "") << ", from write position "
            << run.startWriteIndex << ", new targets on one block in " << run.newTargetsOneIn
            << (run.targetsOnTheirOwn ? ", each on its own" : "");
    }

    /** Some of the targets of next, each with even odds: their ramps then start
        on different blocks, and end on different frames of a chunk. */
    Targets someOf (const Targets& current, const Targets& next, juce::Random& random)
    {
        auto t = current;
        t.rate = random.nextBool() ? next.rate : t.rate;
        t.depth = random.nextBool() ? next.depth : t.depth;
        t.phaseOffset = random.nextBool() ? next.phaseOffset : t.phaseOffset;
        t.width = random.nextBool() ? next.width : t.width;
        return t;
    }

    bool anyRamping (const Stages& s)
    {
        return s.vibrato.rateSmoothed.isSmoothing() || s.vibrato.depthSmoothed.isSmoothing()
               || s.vibrato.phaseOffsetSmoothed.isSmoothing() || s.enhancer.widthSmoothed.isSmoothing();
    }

    class BlockPathIdentity : public ::testing::TestWithParam<Run>
    {
    protected:
        static void SetUpTestSuite()
        {
            fast = std::make_unique<Stages>();
            plain = std::make_unique<Stages>();
        }

        static void TearDownTestSuite()
        {
            fast.reset();
            plain.reset();
        }

        static std::unique_ptr<Stages> fast, plain;
    };

    std::unique_ptr<Stages> BlockPathIdentity::fast;
    std::unique_ptr<Stages> BlockPathIdentity::plain;

    /** Brings a pair of stages into one and the same known state, as after
        construction, with the write position where the run wants it. */
    void resetStages (Stages& s, int writeIndex)
    {
        for (auto* line : { &s.vibrato.delayLeft, &s.vibrato.delayRight })
        {
            line->buffer.clear();
            line->writeIndex = writeIndex;
        }

        s.vibrato.lfo.phase = 0.0f;
        s.vibrato.rateSmoothed.setCurrentAndTargetValue (0.0f);
        s.vibrato.depthSmoothed.setCurrentAndTargetValue (0.0f);
        s.vibrato.phaseOffsetSmoothed.setCurrentAndTargetValue (0.0f);
        s.enhancer.widthSmoothed.setCurrentAndTargetValue (0.0f);
        s.vibrato.rateSmoothed.reset (0);
        s.vibrato.depthSmoothed.reset (0);
        s.vibrato.phaseOffsetSmoothed.reset (0);
        s.enhancer.widthSmoothed.reset (0);
        s.vibrato.sampleRate = 44100.0f;
        s.vibrato.lfo.sampleRate = 44100.0f;
        s.vibrato.lfo.inverseSampleRate = 1.0f / 44100.0f;
    }
} // namespace

TEST_P (BlockPathIdentity, SameBitsAsThePerSamplePath)
{
    const auto& run = GetParam();
    resetStages (*fast, run.startWriteIndex);
    resetStages (*plain, run.startWriteIndex);

    juce::Random random (run.seed);
    juce::AudioBuffer<float> fastAudio (2, 8192), plainAudio (2, 8192);

    std::unique_ptr<juce::ScopedNoDenormals> noDenormals;

    if (run.flushDenormals)
        noDenormals = std::make_unique<juce::ScopedNoDenormals>();

    int framesDone = 0, blocks = 0, steadyBlocks = 0, preparesDuringRamps = 0;
    Targets targets = randomTargets (random);

    while (framesDone < run.totalFrames)
    {
        // Now and then a new sample rate (ramps end at their targets), now and
        // then new targets (every smoother ramps from where it stands).
        if (blocks % 40 == 0)
        {
            if (anyRamping (*fast))
                ++preparesDuringRamps;

            const double sampleRate = run.sampleRates[random.nextInt (3)];
            fast->prepare (sampleRate);
            plain->prepare (sampleRate);
        }

        if (random.nextInt (run.newTargetsOneIn) == 0)
        {
            const auto next = randomTargets (random);
            targets = run.targetsOnTheirOwn ? someOf (targets, next, random) : next;
        }

        targets.applyTo (*fast);
        targets.applyTo (*plain);

        const int numSamples = randomBlockSize (random);
        auto* fl = fastAudio.getWritePointer (0);
        auto* fr = fastAudio.getWritePointer (1);
        auto* pl = plainAudio.getWritePointer (0);
        auto* pr = plainAudio.getWritePointer (1);
        fillInput (random, fl, fr, numSamples, blocks % 7 == 3);
        std::memcpy (pl, fl, sizeof (float) * static_cast<size_t> (numSamples));
        std::memcpy (pr, fr, sizeof (float) * static_cast<size_t> (numSamples));

        if (! fast->vibrato.rateSmoothed.isSmoothing())
            ++steadyBlocks;

        juce::dsp::AudioBlock<float> block (fastAudio.getArrayOfWritePointers(), 2, static_cast<size_t> (numSamples));
        fast->vibrato.processAudioBlock (block);
        fast->enhancer.processAudioBlock (block);

        reference::processVibrato (plain->vibrato, pl, pr, numSamples);
        reference::processWidth (plain->enhancer, pl, pr, numSamples);

        for (int i = 0; i < numSamples; ++i)
        {
            if (! sameSample (fl[i], pl[i]) || ! sameSample (fr[i], pr[i]))
            {
                FAIL() << "frame " << framesDone + i << " (block " << blocks << ", offset " << i
                       << ", shape " << targets.shapeCode << ", rate " << targets.rate
                       << "): block path " << fl[i] << ", " << fr[i]
                       << " but per-sample path " << pl[i] << ", " << pr[i];
            }
        }

        ASSERT_EQ (bitsOf (fast->vibrato.lfo.phase), bitsOf (plain->vibrato.lfo.phase));
        ASSERT_EQ (fast->vibrato.delayLeft.writeIndex, plain->vibrato.delayLeft.writeIndex);
        ASSERT_EQ (fast->vibrato.delayRight.writeIndex, plain->vibrato.delayRight.writeIndex);

        framesDone += numSamples;
        ++blocks;
    }

    // The run went where it was meant to go.
    if (run.newTargetsOneIn > 2)
        EXPECT_GT (steadyBlocks, blocks / 4);
    else
        EXPECT_GT (preparesDuringRamps, 0);

    if (run.startWriteIndex > 0)
    {
        EXPECT_LT (fast->vibrato.delayLeft.writeIndex, run.startWriteIndex) << "the write position never wrapped";
    }
}

INSTANTIATE_TEST_SUITE_P (
    RandomisedRuns,
    BlockPathIdentity,
    ::testing::Values (
        Run { 1, true, { 44100.0, 48000.0, 96000.0 }, 0, 1500000 },
        Run { 2, false, { 44100.0, 48000.0, 96000.0 }, 0, 1500000 },
        Run { 3, true, { 8000.0, 11025.0, 768000.0 }, 15000000, 1500000 },
        Run { 4, false, { 22050.0, 192000.0, 384000.0 }, 15500000, 1500000 },
        // A sample rate of 64 with rates of 1 Hz makes the LFO phase land on
        // exactly 1; with a rate of 0.01 Hz depth reaches past the line.
        Run { 5, true, { 64.0, 256.0, 44100.0 }, 15999000, 600000 },
        // Automation: a new value on every block, every smoother ramping all the
        // time (prepares hit ramps), at the lowest and a high sample rate.
        Run { 6, true, { 8000.0, 8000.0, 8000.0 }, 0, 600000, 1 },
        Run { 7, false, { 192000.0, 192000.0, 192000.0 }, 15500000, 1500000, 1 },
        Run { 8, true, { 8000.0, 48000.0, 192000.0 }, 15900000, 1500000, 1, true },
        Run { 9, false, { 44100.0, 8000.0, 192000.0 }, 0, 1000000, 2, true }));

// A processor driven through the host interface, with the parameters changing
// as automation would, against a twin that runs the per-sample path.
TEST (BlockPathIdentity, ProcessBlockMatchesThePerSamplePathUnderAutomation)
{
    OfflineHost fastHost, plainHost;
    auto& fastProcessor = dynamic_cast<ZKUndularAudioProcessor&> (fastHost.getProcessor());
    auto& plainProcessor = dynamic_cast<ZKUndularAudioProcessor&> (plainHost.getProcessor());

    juce::Random random (99);
    juce::MidiBuffer midi;
    juce::AudioBuffer<float> fastAudio (2, 4096), plainAudio (2, 4096);
    int frames = 0;

    for (int blockIndex = 0; blockIndex < 900; ++blockIndex)
    {
        if (blockIndex % 300 == 0)
        {
            const double sampleRate = blockIndex == 0 ? 48000.0 : (blockIndex == 300 ? 44100.0 : 96000.0);
            fastHost.prepare (sampleRate, 4096);
            plainHost.prepare (sampleRate, 4096);
        }

        if (random.nextInt (5) == 0)
        {
            const float shape = random.nextBool() ? 1.0f : 0.0f;
            const float rate = 0.01f + random.nextFloat() * 29.99f;
            const float depth = random.nextFloat() * 100.0f;
            const float phase = random.nextFloat() * 100.0f;
            const float width = random.nextFloat() * 100.0f;

            for (auto* host : { &fastHost, &plainHost })
            {
                host->setParameter ("shape", shape);
                host->setParameter ("rate", rate);
                host->setParameter ("depth", depth);
                host->setParameter ("phase", phase);
                host->setParameter ("width", width);
            }
        }

        const int numSamples = 1 + random.nextInt (4096);
        fastAudio.setSize (2, numSamples, false, false, true);
        plainAudio.setSize (2, numSamples, false, false, true);

        for (int channel = 0; channel < 2; ++channel)
            for (int i = 0; i < numSamples; ++i)
                fastAudio.setSample (channel, i, random.nextFloat() - 0.5f);

        plainAudio.makeCopyOf (fastAudio, true);

        fastProcessor.processBlock (fastAudio, midi);
        reference::processBlock (plainProcessor, plainAudio);

        for (int channel = 0; channel < 2; ++channel)
        {
            for (int i = 0; i < numSamples; ++i)
            {
                ASSERT_TRUE (sameSample (fastAudio.getSample (channel, i), plainAudio.getSample (channel, i)))
                    << "channel " << channel << ", frame " << frames + i;
            }
        }

        frames += numSamples;
    }
}

// The block path sums the LFO phase of a whole chunk at once where every sum
// of a chunk rounds by the same amount. Steps that are exact ties between two
// floats of the phase's binade, steps of exactly one or more float spacings,
// phases at the top of a binade and at exactly 1 must still give the serial
// sums' bits.
TEST (BlockPathIdentity, PhaseStepsAtTiesAndBinadeEdges)
{
    const float steps[] = { std::ldexp (1.0f, -25), std::ldexp (3.0f, -26), std::ldexp (1.0f, -24),
                            std::ldexp (5.0f, -25), 1.0f / 64.0f, 0.3f, std::ldexp (1.0f, -30), 0.0f };
    const float startPhases[] = { 0.5f, std::nextafter (1.0f, 0.0f), 0.25f, 1.0f,
                                  std::ldexp (1.0f, -20), std::nextafter (0.5f, 0.0f), -0.3f };

    // Depth 0 takes a shortcut for the delays, which are then exactly 0; with
    // a negative phase or offset, outside the shortcut, the bits still match.
    struct Modulation
    {
        float depth, offset;
    };

    const Modulation modulations[] = { { 0.5f, 0.3f }, { 0.0f, 0.3f }, { 0.0f, -0.2f } };

    auto fast = std::make_unique<Stages>();
    auto plain = std::make_unique<Stages>();
    juce::Random random (5);
    juce::AudioBuffer<float> fastAudio (2, 700), plainAudio (2, 700);

    for (const auto step : steps)
    {
        for (const auto start : startPhases)
        for (const auto modulation : modulations)
        {
            for (auto* s : { fast.get(), plain.get() })
            {
                resetStages (*s, 0);
                s->vibrato.lfo.phase = start;
                s->vibrato.lfo.inverseSampleRate = step; // rate 1: the step itself
                s->vibrato.rate = 1.0f;
                s->vibrato.depth = modulation.depth;
                s->vibrato.phaseOffset = modulation.offset;
                s->vibrato.shapeCode = 1;
                s->enhancer.width = 1.0f;
            }

            for (int block = 0; block < 30; ++block)
            {
                const int numSamples = 1 + random.nextInt (700);
                fillInput (random, fastAudio.getWritePointer (0), fastAudio.getWritePointer (1), numSamples, false);
                plainAudio.makeCopyOf (fastAudio, true);

                juce::dsp::AudioBlock<float> audioBlock (fastAudio.getArrayOfWritePointers(), 2, static_cast<size_t> (numSamples));
                fast->vibrato.processAudioBlock (audioBlock);
                reference::processVibrato (plain->vibrato, plainAudio.getWritePointer (0), plainAudio.getWritePointer (1), numSamples);

                ASSERT_EQ (bitsOf (fast->vibrato.lfo.phase), bitsOf (plain->vibrato.lfo.phase))
                    << "step " << step << ", start " << start << ", block " << block;

                for (int i = 0; i < numSamples; ++i)
                {
                    ASSERT_TRUE (sameSample (fastAudio.getSample (0, i), plainAudio.getSample (0, i)));
                    ASSERT_TRUE (sameSample (fastAudio.getSample (1, i), plainAudio.getSample (1, i)));
                }
            }
        }
    }
}

// The phases of a ramping rate are summed on the float grid where it can give
// them. Whatever run it takes must have the serial sums' bits, and it must turn
// down the runs it cannot give: past the start's binade, steps that are ties,
// negative steps, and more than 256 steps, which can carry the bit pattern past
// 2^32 and back into the binade.
TEST (BlockPathIdentity, RunningSumsTakeOnlyTheRunsTheFloatGridGives)
{
    struct StepRun
    {
        const char* name;
        float start, step;
        int count;
        bool onTheGrid;
    };

    const float spacing = std::ldexp (1.0f, -24); // of [0.5, 1)
    const StepRun stepRuns[] = {
        { "within the binade", 0.5f, 1.0e-5f, 256, true },
        { "up to its top exactly", 0.75f, std::ldexp (1.0f, -10), 256, true },
        { "past its top", 0.75f, std::ldexp (1.0f, -9), 200, false },
        { "steps of one and a half spacings", 0.5f, 1.5f * spacing, 100, false },
        { "negative steps", 0.75f, -spacing, 100, false },
        { "600 steps of 4,194,303 spacings", std::ldexp (1.0f, 100), 4194303.0f * std::ldexp (1.0f, 77), 600, false },
    };

    for (const auto& run : stepRuns)
    {
        const std::vector<float> steps (static_cast<size_t> (run.count), run.step);
        std::vector<float> sums (steps.size());
        const bool taken = my::float_grid::runningSums (run.start, steps.data(), sums.data(), run.count);
        EXPECT_EQ (taken, run.onTheGrid) << run.name;

        if (! taken)
            continue;

        float sum = run.start;

        for (size_t j = 0; j < sums.size(); ++j)
        {
            sum = sum + steps[j];
            ASSERT_EQ (bitsOf (sums[j]), bitsOf (sum)) << run.name << ", sum " << j;
        }
    }
}

namespace
{
    /** Runs one block through both pairs of stages and compares every sample. */
    ::testing::AssertionResult sameBlock (Stages& fast, Stages& plain, juce::Random& random, int numSamples)
    {
        juce::AudioBuffer<float> fastAudio (2, numSamples), plainAudio (2, numSamples);
        fillInput (random, fastAudio.getWritePointer (0), fastAudio.getWritePointer (1), numSamples, false);
        plainAudio.makeCopyOf (fastAudio, true);

        juce::dsp::AudioBlock<float> block (fastAudio.getArrayOfWritePointers(), 2, static_cast<size_t> (numSamples));
        fast.vibrato.processAudioBlock (block);
        fast.enhancer.processAudioBlock (block);
        reference::processVibrato (plain.vibrato, plainAudio.getWritePointer (0), plainAudio.getWritePointer (1), numSamples);
        reference::processWidth (plain.enhancer, plainAudio.getWritePointer (0), plainAudio.getWritePointer (1), numSamples);

        for (int channel = 0; channel < 2; ++channel)
            for (int i = 0; i < numSamples; ++i)
                if (! sameSample (fastAudio.getSample (channel, i), plainAudio.getSample (channel, i)))
                    return ::testing::AssertionFailure() << "channel " << channel << ", frame " << i << ": "
                                                         << fastAudio.getSample (channel, i) << " instead of "
                                                         << plainAudio.getSample (channel, i);

        if (bitsOf (fast.vibrato.lfo.phase) != bitsOf (plain.vibrato.lfo.phase))
            return ::testing::AssertionFailure() << "LFO phase " << fast.vibrato.lfo.phase << " instead of "
                                                 << plain.vibrato.lfo.phase;

        return ::testing::AssertionSuccess();
    }
} // namespace

// Ramps start with a block; one that started a few frames before this block
// ends on any frame of the block's chunks. The rate's ramp ends on every frame
// of a chunk here in turn, while the depth's and the width's run on.
TEST (BlockPathIdentity, ARampEndsOnEveryFrameOfAChunkWhileOthersRunOn)
{
    auto fast = std::make_unique<Stages>();
    auto plain = std::make_unique<Stages>();
    juce::Random random (11);
    Targets targets;
    targets.rate = 5.0f;
    targets.depth = 0.4f;
    targets.phaseOffset = 0.5f;
    targets.width = 0.7f;

    for (int lead = 1; lead <= 260; ++lead)
    {
        // Every smoother at its target, ramps of 4800 frames from here on.
        for (auto* s : { fast.get(), plain.get() })
        {
            targets.applyTo (*s);
            s->vibrato.setSmoothTargetValues();
            s->enhancer.setSmoothTargetValues();
            s->prepare (48000.0);
        }

        ASSERT_TRUE (sameBlock (*fast, *plain, random, 64));

        // New targets for all: the rate's ramp will end lead frames into the
        // block after the next one.
        targets.rate = 5.0f + random.nextFloat();
        targets.depth = 0.3f + 0.2f * random.nextFloat();
        targets.phaseOffset = random.nextFloat();
        targets.width = random.nextFloat();
        targets.applyTo (*fast);
        targets.applyTo (*plain);
        ASSERT_TRUE (sameBlock (*fast, *plain, random, 4800 - lead)) << "lead " << lead;

        // A new depth and width: their ramps start here and run on.
        targets.depth = 0.3f + 0.2f * random.nextFloat();
        targets.width = random.nextFloat();
        targets.applyTo (*fast);
        targets.applyTo (*plain);
        ASSERT_TRUE (fast->vibrato.rateSmoothed.isSmoothing());
        ASSERT_TRUE (sameBlock (*fast, *plain, random, 700)) << "lead " << lead;
        ASSERT_FALSE (fast->vibrato.rateSmoothed.isSmoothing());
        ASSERT_TRUE (fast->vibrato.depthSmoothed.isSmoothing());
    }
}

// A phase, a rate or a phase offset that is NaN, infinite or far beyond any
// table position must never reach an undefined conversion (the sanitizer build
// checks every float-to-int conversion), and both paths must still agree. At
// depth 0 the block path may skip the delays, but not for an infinite phase,
// whose delay is NaN (infinity times 0) and reads the oldest sample.
TEST (BlockPathIdentity, NonFiniteAndHugePhasesAndRatesAreSafeInBothPaths)
{
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    constexpr float inf = std::numeric_limits<float>::infinity();
    const float poisons[] = { nan, inf, -inf, 1.0e30f, -1.0e30f, 6.0e5f, -6.0e5f };

    enum class Where
    {
        phase,
        phaseAtDepthZero,
        rate,
        rampingRate,
        phaseOffset
    };

    auto fast = std::make_unique<Stages>();
    auto plain = std::make_unique<Stages>();
    juce::Random random (13);

    for (const int shapeCode : { 1, 2, 0 })
    for (const auto where : { Where::phase, Where::phaseAtDepthZero, Where::rate, Where::rampingRate, Where::phaseOffset })
    for (const auto poison : poisons)
    {
        for (auto* s : { fast.get(), plain.get() })
        {
            resetStages (*s, 0);
            Targets targets;
            targets.shapeCode = shapeCode;
            targets.rate = 5.0f;
            targets.depth = where == Where::phaseAtDepthZero ? 0.0f : 0.5f;
            targets.phaseOffset = 0.25f;
            targets.applyTo (*s);

            if (where == Where::rampingRate)
                s->prepare (44100.0);

            switch (where)
            {
                case Where::phase:
                case Where::phaseAtDepthZero: s->vibrato.lfo.phase = poison; break;
                case Where::rate:
                case Where::rampingRate:      s->vibrato.rate = poison; break;
                case Where::phaseOffset:      s->vibrato.phaseOffset = poison; break;
            }
        }

        for (const int numSamples : { 3, 700, 129 })
            ASSERT_TRUE (sameBlock (*fast, *plain, random, numSamples))
                << "shape " << shapeCode << ", poison " << poison << " in " << static_cast<int> (where);
    }
}

// The block path writes a chunk of frames ahead of its reads only while no read
// reaches back as far as the frames written ahead, that is, for delays shorter
// than the line less a chunk. At 8 MHz the slowest rate at full depth asks for
// up to 20,000,000 samples of a 16,000,000-sample line; with the step of the
// phase below its float spacing each row holds one delay for the whole block.
TEST (BlockPathIdentity, DelaysOfNearlyTheWholeLine)
{
    struct FarRead
    {
        const char* name;
        float phase; // of the triangle
    };

    const FarRead farReads[] = {
        { "beyond the line (20,000,000, limited)", 0.25f },
        { "the whole line (15,999,999)", 0.15f },
        { "within a chunk of the whole line (15,999,939)", 0.1499985f },
        { "just more than a chunk short of it (15,999,799)", 0.149995f },
    };

    auto fast = std::make_unique<Stages>();
    auto plain = std::make_unique<Stages>();
    juce::Random random (17);

    for (const auto& farRead : farReads)
    {
        for (auto* s : { fast.get(), plain.get() })
        {
            resetStages (*s, 0);
            Targets targets;
            targets.shapeCode = 0;
            targets.rate = 0.01f;
            targets.depth = 1.0f;
            targets.applyTo (*s);
            s->vibrato.setSmoothTargetValues();
            s->enhancer.setSmoothTargetValues();
            s->prepare (8.0e6); // ends the ramps at their targets
            s->vibrato.lfo.phase = farRead.phase;

            // The oldest samples, which these delays read, all different.
            for (auto* line : { &s->vibrato.delayLeft, &s->vibrato.delayRight })
                for (int i = 0; i < 1024; ++i)
                    line->buffer.setSample (0, i, static_cast<float> (i + 1) * -0.001f);
        }

        ASSERT_TRUE (sameBlock (*fast, *plain, random, 512)) << farRead.name;
    }
}

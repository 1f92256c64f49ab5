// Hostile audio and hostile hosts never poison the plug-in: non-finite and
// denormal input, sample rates from 8 kHz to 768 kHz, block sizes from 1 to
// 8192 and larger than announced, empty blocks, automation on every block.

#include "OfflineHost.h"
#include "PluginProcessor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
    struct Settings
    {
        const char* name;
        float shape, rate, depth, phase, width;
    };

    // Defaults; an audible vibrato; the longest delay (2.5 s) on the parabolic
    // curve; the fastest, deepest modulation.
    const Settings settingsTable[] = {
        { "defaults", 0.0f, 0.01f, 0.0f, 0.0f, 100.0f },
        { "vibrato", 0.0f, 5.0f, 40.0f, 50.0f, 70.0f },
        { "longest", 1.0f, 0.01f, 100.0f, 25.0f, 100.0f },
        { "fastest", 1.0f, 30.0f, 100.0f, 100.0f, 0.0f },
    };

    void PrintTo (const Settings& s, std::ostream* os)
    {
        *os << s.name;
    }

    void apply (OfflineHost& host, const Settings& s)
    {
        host.setParameter ("shape", s.shape);
        host.setParameter ("rate", s.rate);
        host.setParameter ("depth", s.depth);
        host.setParameter ("phase", s.phase);
        host.setParameter ("width", s.width);
    }

    void fillNoise (juce::AudioBuffer<float>& buffer, juce::Random& random, float peak)
    {
        for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
            for (int i = 0; i < buffer.getNumSamples(); ++i)
                buffer.setSample (channel, i, (random.nextFloat() * 2.0f - 1.0f) * peak);
    }

    /** Largest magnitude in the buffer, or infinity if any sample is not finite. */
    float peakOf (const juce::AudioBuffer<float>& buffer)
    {
        float peak = 0.0f;

        for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        {
            for (int i = 0; i < buffer.getNumSamples(); ++i)
            {
                const auto x = buffer.getSample (channel, i);

                if (! std::isfinite (x))
                    return std::numeric_limits<float>::infinity();

                peak = juce::jmax (peak, std::abs (x));
            }
        }

        return peak;
    }

    /** Each output is an interpolation of two inputs of its own channel, then
        a narrowing mid/side mix: it never exceeds the input peak (plus rounding). */
    constexpr float boundSlack = 1.0001f;
} // namespace

class PoisonedInput : public ::testing::TestWithParam<std::tuple<Settings, double>>
{
};

TEST_P (PoisonedInput, OutputIsFiniteAgainOnceTheLongestDelayHasPassed)
{
    const auto& [settings, sampleRate] = GetParam();
    constexpr int blockSize = 512;

    OfflineHost host;
    host.prepare (sampleRate, blockSize);
    apply (host, settings);

    juce::Random random (11);
    juce::AudioBuffer<float> audio (2, blockSize);

    // Settle, then one block full of NaN, infinities and denormals.
    for (int done = 0; done < static_cast<int> (sampleRate * 0.2); done += blockSize)
    {
        fillNoise (audio, random, 0.5f);
        host.process (audio, blockSize);
    }

    const float poison[] = { std::numeric_limits<float>::quiet_NaN(),
                             std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity(),
                             std::numeric_limits<float>::denorm_min(),
                             -std::numeric_limits<float>::denorm_min() * 3.0f,
                             std::numeric_limits<float>::max() };

    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < blockSize; ++i)
            audio.setSample (channel, i, poison[(i + channel) % 6]);

    host.process (audio, blockSize);

    // The longest delay is 2.5 s, plus the one sample the read interpolates with.
    const int recovery = static_cast<int> (std::ceil (sampleRate * 2.5)) + 2 * blockSize;
    int done = 0;
    int firstFiniteBlock = -1;

    for (int block = 0; done < recovery + 4 * blockSize; ++block, done += blockSize)
    {
        fillNoise (audio, random, 0.5f);
        host.process (audio, blockSize);
        const auto peak = peakOf (audio);

        if (done >= recovery)
        {
            ASSERT_LE (peak, 0.5f * boundSlack) << "block " << block << " after the poison";
        }

        if (firstFiniteBlock < 0 && std::isfinite (peak))
            firstFiniteBlock = block;
    }

    EXPECT_GE (firstFiniteBlock, 0);
}

INSTANTIATE_TEST_SUITE_P (
    SettingsAndRates,
    PoisonedInput,
    ::testing::Combine (::testing::ValuesIn (settingsTable), ::testing::Values (8000.0, 44100.0, 768000.0)),
    [] (const auto& testCase)
    {
        return std::string (std::get<0> (testCase.param).name) + "_"
             + std::to_string (static_cast<int> (std::get<1> (testCase.param)));
    });

TEST (ExtremeInput, DenormalInputGivesFiniteTinyOutput)
{
    OfflineHost host;
    host.prepare (48000.0, 256);
    apply (host, settingsTable[1]);

    juce::AudioBuffer<float> audio (2, 256);

    for (int block = 0; block < 200; ++block)
    {
        for (int channel = 0; channel < 2; ++channel)
            for (int i = 0; i < audio.getNumSamples(); ++i)
                audio.setSample (channel, i, std::numeric_limits<float>::denorm_min() * static_cast<float> ((i % 7) - 3));

        host.process (audio, 256);
        ASSERT_LE (peakOf (audio), std::numeric_limits<float>::min()) << "block " << block;
    }
}

// Every sample rate a host may run at, every block size from a single frame to
// 8192 frames, with the parameters automated on every block.
class HostileHost : public ::testing::TestWithParam<double>
{
};

TEST_P (HostileHost, AnyBlockSizeAndAutomationEveryBlockStayFiniteAndBounded)
{
    const double sampleRate = GetParam();
    OfflineHost host;
    auto& processor = host.getProcessor();

    // Announce small blocks, then hand larger ones as some hosts do.
    host.prepare (sampleRate, 64);

    juce::Random random (static_cast<juce::int64> (sampleRate));
    juce::MidiBuffer midi;
    const int blockSizes[] = { 1, 2, 3, 31, 64, 65, 127, 500, 512, 1024, 4096, 8191, 8192 };
    int frames = 0;
    float inputPeakSoFar = 0.0f;

    for (int round = 0; frames < static_cast<int> (sampleRate * 3.0); ++round)
    {
        // Automation before every block, across each parameter's whole range.
        host.setParameter ("shape", random.nextBool() ? 1.0f : 0.0f);
        host.setParameter ("rate", 0.01f + random.nextFloat() * 29.99f);
        host.setParameter ("depth", random.nextFloat() * 100.0f);
        host.setParameter ("phase", random.nextFloat() * 100.0f);
        host.setParameter ("width", random.nextFloat() * 100.0f);

        const int numSamples = blockSizes[round % 13];
        juce::AudioBuffer<float> audio (2, numSamples);
        const float inputPeak = random.nextBool() ? 1.0f : 1.0e3f;
        fillNoise (audio, random, inputPeak);
        inputPeakSoFar = juce::jmax (inputPeakSoFar, peakOf (audio));

        {
            const juce::ScopedLock lock (processor.getCallbackLock());
            processor.processBlock (audio, midi);
        }

        // The delayed output may come from any earlier block.
        ASSERT_LE (peakOf (audio), inputPeakSoFar * boundSlack) << "round " << round << ", block of " << numSamples;
        frames += numSamples;

        // Now and then an empty block, and now and then a new preparation.
        if (round % 17 == 0)
        {
            juce::AudioBuffer<float> empty (2, 0);
            processor.processBlock (empty, midi);
        }

        if (round % 50 == 49)
            host.prepare (sampleRate, 64);
    }
}

INSTANTIATE_TEST_SUITE_P (SampleRates,
                          HostileHost,
                          ::testing::Values (8000.0, 11025.0, 22050.0, 44100.0, 48000.0, 88200.0, 96000.0,
                                             176400.0, 192000.0, 384000.0, 768000.0),
                          [] (const auto& testCase) { return std::to_string (static_cast<int> (testCase.param)); });

TEST (ExtremeInput, EmptyBlocksTouchNothingButTakeTheNewTargets)
{
    OfflineHost host;
    host.prepare (48000.0, 512);
    auto& processor = dynamic_cast<ZKUndularAudioProcessor&> (host.getProcessor());
    juce::MidiBuffer midi;

    host.setParameter ("rate", 5.0f);
    host.setParameter ("width", 40.0f);
    const auto phaseBefore = processor.vibrato.lfo.phase;
    const auto writeBefore = processor.vibrato.delayLeft.writeIndex;

    juce::AudioBuffer<float> empty (2, 0);

    for (int i = 0; i < 10; ++i)
        processor.processBlock (empty, midi);

    EXPECT_EQ (processor.vibrato.lfo.phase, phaseBefore);
    EXPECT_EQ (processor.vibrato.delayLeft.writeIndex, writeBefore);
    EXPECT_FLOAT_EQ (processor.vibrato.rateSmoothed.getTargetValue(), 5.0f);
    EXPECT_FLOAT_EQ (processor.stereoEnhancer.widthSmoothed.getTargetValue(), 0.4f);
}

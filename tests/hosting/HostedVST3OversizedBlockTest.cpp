// A VST3 host announces the largest block it will send (setupProcessing's
// maxSamplesPerBlock, here 512) and must keep to it. A host that sends more
// anyway gets its call processed in pieces of at most 512 frames: the output
// has the same bits as the same audio sent in calls of at most 512 frames.

#include "HostedPlugin.h"
#include "ReferenceRender.h"

#include <gtest/gtest.h>

namespace
{
    constexpr double sampleRate = 48000.0;
    constexpr int announcedBlockSize = 512;

    /** Processes audio in host calls of callSize frames, each call split into
        calls of at most splitSize frames. */
    juce::AudioBuffer<float> render (const juce::AudioBuffer<float>& input, int callSize, int splitSize)
    {
        HostedPlugin plugin (PluginFormat::vst3, sampleRate, announcedBlockSize);

        if (! plugin.isLoaded() || ! plugin.prepareStereo (sampleRate, announcedBlockSize))
            return {};

        plugin.setParameter ("Rate", 5.0f);
        plugin.setParameter ("Depth", 40.0f);
        plugin.setParameter ("Phase", 50.0f);
        plugin.setParameter ("Width", 70.0f);

        auto output = input;

        for (int start = 0; start < output.getNumSamples(); start += callSize)
        {
            const auto length = juce::jmin (callSize, output.getNumSamples() - start);
            juce::AudioBuffer<float> call (2, length);

            for (int channel = 0; channel < 2; ++channel)
                call.copyFrom (channel, 0, output, channel, start, length);

            plugin.process (call, splitSize);

            for (int channel = 0; channel < 2; ++channel)
                output.copyFrom (channel, start, call, channel, 0, length);
        }

        return output;
    }

    class HostedVST3OversizedBlock : public ::testing::TestWithParam<int> {};
} // namespace

TEST_P (HostedVST3OversizedBlock, IsProcessedAsCallsOfTheAnnouncedSize)
{
    const auto callSize = GetParam();
    const auto input = makeStereoTestSignal (sampleRate, 3 * callSize + 100);

    const auto oversized = render (input, callSize, callSize);
    const auto expected = render (input, callSize, announcedBlockSize);
    ASSERT_EQ (oversized.getNumSamples(), input.getNumSamples());
    ASSERT_EQ (expected.getNumSamples(), input.getNumSamples());

    const auto difference = compareAudio (oversized, expected);
    EXPECT_EQ (difference.nonFinite, 0);
    EXPECT_EQ (difference.mismatches, 0) << "first at frame " << difference.firstMismatch;

    // Guard against two equally silent or untouched outputs.
    EXPECT_GT (meanAbsoluteDifference (oversized, input), 0.01);
}

INSTANTIATE_TEST_SUITE_P (CallSizes, HostedVST3OversizedBlock,
                          ::testing::Values (1024, 4096, 1500),
                          [] (const auto& testInfo) { return "Frames" + std::to_string (testInfo.param); });

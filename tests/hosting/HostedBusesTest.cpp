// A host that keeps the buses as the plug-in declares them: VST3 hosts read
// each bus's default activation, LV2 hosts may leave audio ports marked
// lv2:connectionOptional unconnected (the framework's own host does both). The
// plug-in must still get its stereo input and output there.

#include "HostedPlugin.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
    class HostedBuses : public ::testing::TestWithParam<PluginFormat> {};
} // namespace

TEST_P (HostedBuses, AHostKeepingTheDeclaredBusStateGetsStereoAudio)
{
    constexpr double sampleRate = 48000.0;
    constexpr int blockSize = 512;

    HostedPlugin plugin (GetParam(), sampleRate, blockSize);
    ASSERT_TRUE (plugin.isLoaded()) << plugin.getError();

    auto& instance = plugin.get();
    ASSERT_EQ (instance.getBusCount (true), 1);
    ASSERT_EQ (instance.getBusCount (false), 1);
    EXPECT_TRUE (instance.getBus (true, 0)->isEnabledByDefault());
    EXPECT_TRUE (instance.getBus (false, 0)->isEnabledByDefault());

    // No bus layout of the host's own: straight to playback.
    instance.prepareToPlay (sampleRate, blockSize);
    ASSERT_EQ (instance.getTotalNumInputChannels(), 2);
    ASSERT_EQ (instance.getTotalNumOutputChannels(), 2);

    juce::AudioBuffer<float> audio (2, blockSize * 20);

    for (int i = 0; i < audio.getNumSamples(); ++i)
    {
        audio.setSample (0, i, 0.5f * (float) std::sin (0.03 * i));
        audio.setSample (1, i, 0.5f * (float) std::sin (0.05 * i));
    }

    plugin.process (audio, blockSize);

    // The default settings pass the signal through (depth 0, width ramping to
    // 100 %), so the last block carries the tone on both channels.
    const auto lastBlock = audio.getNumSamples() - blockSize;
    EXPECT_GT (audio.getRMSLevel (0, lastBlock, blockSize), 0.2f);
    EXPECT_GT (audio.getRMSLevel (1, lastBlock, blockSize), 0.2f);
}

INSTANTIATE_TEST_SUITE_P (Formats, HostedBuses,
                          ::testing::Values (PluginFormat::vst3, PluginFormat::lv2),
                          [] (const auto& testInfo) { return toString (testInfo.param); });

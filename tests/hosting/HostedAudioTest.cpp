// Audio through a format's wrapper must be exactly what the processor makes on
// its own: the same input, parameter values and host block size through the
// hosted bundle and through zk-render (which drives the processor directly)
// give the same samples, bit for bit. Both start from a fresh instance with
// the parameters set before the first block, so both run the same start-up
// ramp from 0.

#include "HostedPlugin.h"
#include "ReferenceRender.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
    struct AudioCase
    {
        PluginFormat format;
        RenderSettings settings;
        double sampleRate;
    };

    std::ostream& operator<< (std::ostream& os, const AudioCase& c)
    {
        return os << toString (c.format) << " " << c.settings.shape << " block " << c.settings.blockSize
                  << " at " << c.sampleRate << " Hz";
    }

    RenderSettings vibrato (const char* shape, int blockSize)
    {
        RenderSettings settings;
        settings.shape = shape;
        settings.rate = 5.0f;
        settings.depth = 40.0f;
        settings.phase = 50.0f;
        settings.width = 70.0f;
        settings.blockSize = blockSize;
        return settings;
    }

    class HostedAudio : public ::testing::TestWithParam<AudioCase> {};
} // namespace

TEST_P (HostedAudio, EqualsTheProcessorsOwnOutputSampleForSample)
{
    const auto& settings = GetParam().settings;
    const auto sampleRate = GetParam().sampleRate;
    const auto numSamples = (int) (sampleRate * 0.75); // the 0.1 s ramp and a few LFO cycles
    const auto input = makeStereoTestSignal (sampleRate, numSamples);

    juce::String error;
    const auto expected = renderWithOfflineHost (input, sampleRate, settings, error);
    ASSERT_TRUE (error.isEmpty()) << error;

    HostedPlugin plugin (GetParam().format, sampleRate, settings.blockSize);
    ASSERT_TRUE (plugin.isLoaded()) << plugin.getError();
    ASSERT_TRUE (plugin.prepareStereo (sampleRate, settings.blockSize));

    plugin.setParameter ("Shape", settings.shape == "triangle" ? 1.0f : 0.0f);
    plugin.setParameter ("Rate", settings.rate);
    plugin.setParameter ("Depth", settings.depth);
    plugin.setParameter ("Phase", settings.phase);
    plugin.setParameter ("Width", settings.width);

    auto actual = input;
    plugin.process (actual, settings.blockSize);

    const auto difference = compareAudio (actual, expected);
    EXPECT_EQ (difference.mismatches, 0) << "first at frame " << difference.firstMismatch
                                         << ", largest difference " << difference.largestDifference;

    // Guard against two equally broken paths: the vibrato really changed the audio.
    EXPECT_GT (meanAbsoluteDifference (actual, input), 0.01);
    EXPECT_GT (actual.getRMSLevel (0, numSamples / 2, numSamples / 2), 0.1f);
}

namespace
{
    class HostedBypass : public ::testing::TestWithParam<PluginFormat> {};
} // namespace

TEST_P (HostedBypass, TheHostsBypassPassesTheInputThroughUnchanged)
{
    // Both wrappers give the host a bypass switch of their own (VST3 bypass
    // parameter, LV2 "enabled" port); with it on the framework's default bypass
    // runs and, as the plug-in has no latency, the input comes out as it went in.
    constexpr double sampleRate = 48000.0;
    constexpr int blockSize = 512;
    const auto input = makeStereoTestSignal (sampleRate, blockSize * 16);

    HostedPlugin plugin (GetParam(), sampleRate, blockSize);
    ASSERT_TRUE (plugin.isLoaded()) << plugin.getError();
    ASSERT_TRUE (plugin.prepareStereo (sampleRate, blockSize));

    const auto settings = vibrato ("sine", blockSize);
    plugin.setParameter ("Rate", settings.rate);
    plugin.setParameter ("Depth", settings.depth);
    plugin.setParameter ("Width", settings.width);

    auto* bypass = plugin.get().getBypassParameter();
    ASSERT_NE (bypass, nullptr);
    ASSERT_EQ (bypass, plugin.findParameter ("Bypass"));

    bypass->setValueNotifyingHost (1.0f);
    auto bypassed = input;
    plugin.process (bypassed, blockSize);

    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < input.getNumSamples(); ++i)
            ASSERT_EQ (bypassed.getSample (channel, i), input.getSample (channel, i))
                << "channel " << channel << ", frame " << i;

    // Switched back on, the vibrato and the narrowed image are back.
    bypass->setValueNotifyingHost (0.0f);
    auto processed = input;
    plugin.process (processed, blockSize);

    const auto last = input.getNumSamples() - blockSize;
    auto difference = 0.0;

    for (int i = last; i < input.getNumSamples(); ++i)
        difference += std::abs (processed.getSample (0, i) - input.getSample (0, i));

    EXPECT_GT (difference / blockSize, 0.01);
}

INSTANTIATE_TEST_SUITE_P (Formats, HostedBypass,
                          ::testing::Values (PluginFormat::vst3, PluginFormat::lv2),
                          [] (const auto& testInfo) { return toString (testInfo.param); });

INSTANTIATE_TEST_SUITE_P (Formats, HostedAudio,
                          ::testing::Values (AudioCase { PluginFormat::vst3, vibrato ("sine", 512), 48000.0 },
                                             AudioCase { PluginFormat::lv2, vibrato ("sine", 512), 48000.0 },
                                             AudioCase { PluginFormat::vst3, vibrato ("triangle", 97), 44100.0 },
                                             AudioCase { PluginFormat::lv2, vibrato ("triangle", 97), 44100.0 },
                                             AudioCase { PluginFormat::vst3, vibrato ("sine", 4096), 96000.0 },
                                             AudioCase { PluginFormat::lv2, vibrato ("triangle", 4096), 96000.0 }),
                          [] (const auto& testInfo)
                          {
                              const auto& c = testInfo.param;
                              return toString (c.format) + "_" + c.settings.shape.toStdString()
                                   + "_block" + std::to_string (c.settings.blockSize)
                                   + "_" + std::to_string ((int) c.sampleRate) + "Hz";
                          });

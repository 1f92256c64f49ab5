// A host sending NaN as a parameter's value in the middle of playback (an
// automation curve that divides by zero, a corrupt project), through the
// format's own channel: the VST3 parameter queue and edit controller, the LV2
// patch:Set message. The plug-in keeps the value it had: its output is the
// output of an instance that never saw the NaN, bit for bit, and so is the
// state the host saves afterwards.

#include "../NanParameterPlan.h"
#include "HostedPlugin.h"
#include "ReferenceRender.h"

#include <gtest/gtest.h>

#include <limits>

using namespace nanplan;

namespace
{
    struct Render
    {
        juce::AudioBuffer<float> output;
        juce::MemoryBlock stateBeforeLaterChange, stateAtEnd;
        juce::String error;
    };

    /** A fresh instance playing the test signal with the settings; the parameter
        named changes to laterValue before laterChangeBlock, and to NaN before
        nanBlock if sendNan. */
    Render render (PluginFormat format, const Setting& changing, bool sendNan)
    {
        Render result;
        HostedPlugin plugin (format, sampleRate, blockSize);

        if (! plugin.isLoaded() || ! plugin.prepareStereo (sampleRate, blockSize))
        {
            result.error = plugin.isLoaded() ? "two in / two out refused" : plugin.getError();
            return result;
        }

        for (const auto& s : settings)
            plugin.setParameter (s.name, s.realValue);

        result.output = makeStereoTestSignal (sampleRate, numBlocks * blockSize);

        for (int b = 0; b < numBlocks; ++b)
        {
            if (sendNan && b == nanBlock)
            {
                auto* parameter = plugin.findParameter (changing.name);
                parameter->beginChangeGesture();
                parameter->setValueNotifyingHost (std::numeric_limits<float>::quiet_NaN());
                parameter->endChangeGesture();
            }

            if (b == laterChangeBlock)
            {
                plugin.get().getStateInformation (result.stateBeforeLaterChange);
                plugin.setParameter (changing.name, changing.laterValue);
            }

            juce::AudioBuffer<float> block (result.output.getArrayOfWritePointers(), 2, b * blockSize, blockSize);
            plugin.process (block, blockSize);
        }

        plugin.get().getStateInformation (result.stateAtEnd);
        return result;
    }

    class HostedNanParameter : public ::testing::TestWithParam<std::tuple<PluginFormat, Setting>> {};
} // namespace

TEST_P (HostedNanParameter, LeavesTheOutputAndTheSavedStateAsIfItNeverCame)
{
    const auto [format, setting] = GetParam();

    const auto reference = render (format, setting, false);
    ASSERT_TRUE (reference.error.isEmpty()) << reference.error;

    const auto withNan = render (format, setting, true);
    ASSERT_TRUE (withNan.error.isEmpty()) << withNan.error;

    const auto difference = compareAudio (withNan.output, reference.output);
    EXPECT_EQ (difference.nonFinite, 0);
    EXPECT_EQ (difference.mismatches, 0) << "the output differs from the render without NaN from frame "
                                         << difference.firstMismatch;

    // Not silent, neither while the NaN was the host's last word nor after a valid value.
    for (const auto start : { nanBlock, laterChangeBlock })
        for (int channel = 0; channel < 2; ++channel)
            EXPECT_GT (withNan.output.getRMSLevel (channel, start * blockSize, 16 * blockSize), 0.01f)
                << "channel " << channel << " from block " << start;

    EXPECT_TRUE (withNan.stateBeforeLaterChange == reference.stateBeforeLaterChange) << "saved while NaN was the host's last word";
    EXPECT_TRUE (withNan.stateAtEnd == reference.stateAtEnd) << "saved at the end";
}

INSTANTIATE_TEST_SUITE_P (Formats, HostedNanParameter,
                          ::testing::Combine (::testing::Values (PluginFormat::vst3, PluginFormat::lv2),
                                              ::testing::ValuesIn (settings)),
                          [] (const auto& run)
                          {
                              return toString (std::get<0> (run.param)) + "_" + std::get<1> (run.param).name;
                          });

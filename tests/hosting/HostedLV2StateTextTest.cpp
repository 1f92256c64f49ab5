// The LV2 wrapper keeps the plug-in's state as a text property, "SIZE.BASE64",
// whose size the restore allocates. A project file whose text names a size the
// text cannot hold (negative, or 2^31 and more) must restore without throwing
// into the host, and leave the plug-in's state as it was.

#include "HostedPlugin.h"

#include <gtest/gtest.h>

namespace
{
    constexpr double sampleRate = 48000.0;
    constexpr int blockSize = 512;

    /** The framework's LV2 host saves a state as Turtle; the plug-in's text is
        the string literal of its "StateString" property. */
    juce::String withStateText (const juce::String& turtle, const juce::String& text)
    {
        const auto property = turtle.indexOf ("StateString>");
        const auto open = turtle.indexOfChar (property, '"');
        const auto close = turtle.indexOfChar (open + 1, '"');

        if (property < 0 || open < 0 || close < 0)
            return {};

        return turtle.substring (0, open + 1) + text + turtle.substring (close);
    }

    juce::MemoryBlock saveState (HostedPlugin& plugin)
    {
        juce::MemoryBlock state;
        plugin.get().getStateInformation (state);
        return state;
    }

    /** A state text a project file may hold, and what to call it. */
    struct StateText
    {
        const char* name;
        const char* text;
    };

    std::ostream& operator<< (std::ostream& os, const StateText& stateText)
    {
        return os << '"' << stateText.text << '"';
    }

    class HostedLV2StateText : public ::testing::TestWithParam<StateText> {};
} // namespace

TEST_P (HostedLV2StateText, ASizeTheTextCannotHoldChangesNothing)
{
    HostedPlugin plugin (PluginFormat::lv2, sampleRate, blockSize);
    ASSERT_TRUE (plugin.isLoaded()) << plugin.getError();
    ASSERT_TRUE (plugin.prepareStereo (sampleRate, blockSize));

    plugin.setParameter ("Rate", 12.5f);
    plugin.setParameter ("Depth", 33.0f);
    plugin.setParameter ("Width", 20.0f);
    plugin.processSilentBlock (blockSize);

    const auto before = saveState (plugin);
    const auto hostile = withStateText (before.toString(), GetParam().text);
    ASSERT_TRUE (hostile.isNotEmpty()) << "no state text in the saved state:\n" << before.toString();

    EXPECT_NO_THROW (plugin.get().setStateInformation (hostile.toRawUTF8(), (int) hostile.getNumBytesAsUTF8()));
    plugin.processSilentBlock (blockSize);

    EXPECT_EQ (saveState (plugin).toString(), before.toString());
}

INSTANTIATE_TEST_SUITE_P (Texts, HostedLV2StateText,
                          ::testing::Values (StateText { "NegativeSize", "-1.AAAA" },
                                             StateText { "SizeBeyond2To31", "99999999999999999999999." },
                                             // Ten digits at most, so only the bytes four characters
                                             // can encode tell these sizes from a real one.
                                             StateText { "Size2To31", "2147483648.AAAA" },
                                             StateText { "Size2To32Minus1", "4294967295.AAAA" },
                                             StateText { "Size2To32", "4294967296.AAAA" }),
                          [] (const auto& testInfo) { return std::string (testInfo.param.name); });

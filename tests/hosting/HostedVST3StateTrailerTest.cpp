// The VST3 wrapper appends a trailer to the plug-in's state block: an 8-byte
// zero, the wrapper's private data (its bypass switch), the private data's
// size P as 8 bytes, and the text "JUCEPrivateData". On restore it reads P from
// the end of the bytes a project file holds. Whatever P says, restoring must
// neither crash the host nor read outside the block (the sanitizer build runs
// these same tests), and the plug-in's own state in front of the trailer must
// still come back. A trailer whose private data fills exactly the space in front
// of its size field is used, even with no plug-in bytes in front of it.

#include "HostedPlugin.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>

namespace
{
    constexpr double sampleRate = 48000.0;
    constexpr int blockSize = 512;
    constexpr const char* trailerIdentifier = "JUCEPrivateData";
    constexpr size_t identifierSize = 15;
    constexpr size_t sizeFieldSize = 8;

    /** The component state (what the wrapper's getState wrote) inside the
        framework's VST3 host state, an XML element holding it as base64. */
    juce::MemoryBlock componentState (const juce::MemoryBlock& hostState)
    {
        juce::MemoryBlock component;

        if (auto xml = juce::AudioProcessor::getXmlFromBinary (hostState.getData(), (int) hostState.getSize()))
            if (auto* element = xml->getChildByName ("IComponent"))
                component.fromBase64Encoding (element->getAllSubText());

        return component;
    }

    /** hostState with its component state replaced; empty if it has none. */
    juce::MemoryBlock withComponentState (const juce::MemoryBlock& hostState, const juce::MemoryBlock& component)
    {
        auto xml = juce::AudioProcessor::getXmlFromBinary (hostState.getData(), (int) hostState.getSize());
        auto* element = xml != nullptr ? xml->getChildByName ("IComponent") : nullptr;

        if (element == nullptr)
            return {};

        element->deleteAllTextElements();
        element->addTextElement (component.toBase64Encoding());

        juce::MemoryBlock result;
        juce::AudioProcessor::copyXmlToBinary (*xml, result);
        return result;
    }

    std::uint64_t readSizeField (const juce::MemoryBlock& block, size_t offset)
    {
        std::uint64_t value = 0;
        std::memcpy (&value, static_cast<const char*> (block.getData()) + offset, sizeof (value));
        return juce::ByteOrder::swapIfBigEndian (value);
    }

    void writeSizeField (juce::MemoryBlock& block, size_t offset, std::uint64_t value)
    {
        value = juce::ByteOrder::swapIfBigEndian (value);
        std::memcpy (static_cast<char*> (block.getData()) + offset, &value, sizeof (value));
    }

    /** A saved component state split at its trailer. */
    struct SavedState
    {
        juce::MemoryBlock hostState;     // as the framework's host saved it
        juce::MemoryBlock component;     // the plug-in's bytes and the trailer
        juce::MemoryBlock pluginBytes;   // the plug-in's own bytes only

        size_t sizeFieldOffset() const { return component.getSize() - identifierSize - sizeFieldSize; }
    };

    /** Where the trailer starts in a component state, which is the size of the
        plug-in's own bytes in front of it; nothing if it has no trailer that fits. */
    std::optional<size_t> trailerOffset (const juce::MemoryBlock& component)
    {
        const auto size = component.getSize();

        if (size < identifierSize + 2 * sizeFieldSize
            || std::memcmp (static_cast<const char*> (component.getData()) + size - identifierSize,
                            trailerIdentifier, identifierSize) != 0)
            return {};

        const auto privateSize = readSizeField (component, size - identifierSize - sizeFieldSize);
        const auto trailerSize = privateSize + identifierSize + 2 * sizeFieldSize;

        if (privateSize > size || trailerSize > size)
            return {};

        return (size_t) (size - trailerSize);
    }

    /** The plug-in's own bytes of a component state (all before the trailer). */
    juce::MemoryBlock pluginBytesOf (const juce::MemoryBlock& component)
    {
        if (const auto offset = trailerOffset (component))
            return { component.getData(), *offset };

        return {};
    }

    /** The wrapper's private data in a component state: the bytes between the
        8-byte zero at the start of the trailer and the size field. */
    juce::MemoryBlock privateDataOf (const juce::MemoryBlock& component)
    {
        if (const auto offset = trailerOffset (component))
            return { static_cast<const char*> (component.getData()) + *offset + sizeFieldSize,
                     component.getSize() - *offset - identifierSize - 2 * sizeFieldSize };

        return {};
    }

    /** The bypass switch that the wrapper saved in a component state. */
    bool savedBypass (const juce::MemoryBlock& component)
    {
        const auto privateData = privateDataOf (component);
        const auto tree = juce::ValueTree::readFromData (privateData.getData(), privateData.getSize());
        return static_cast<bool> (tree.getProperty ("Bypass", false));
    }

    /** An instance with every parameter away from its default and the host's
        bypass switched on, so the private data carries something to restore. */
    SavedState saveFromAnInstance()
    {
        HostedPlugin plugin (PluginFormat::vst3, sampleRate, blockSize);
        SavedState saved;

        if (! plugin.isLoaded() || ! plugin.prepareStereo (sampleRate, blockSize))
            return saved;

        plugin.setParameter ("Shape", 1.0f);
        plugin.setParameter ("Rate", 12.5f);
        plugin.setParameter ("Depth", 33.0f);
        plugin.setParameter ("Phase", 75.0f);
        plugin.setParameter ("Width", 20.0f);
        plugin.get().getBypassParameter()->setValueNotifyingHost (1.0f);
        plugin.processSilentBlock (blockSize);

        plugin.get().getStateInformation (saved.hostState);
        saved.component = componentState (saved.hostState);
        saved.pluginBytes = pluginBytesOf (saved.component);
        return saved;
    }

    /** Private data that nests arrays a million deep: a tree "JUCEPrivateData"
        whose one property, "Bypass", holds an array holding an array... */
    juce::MemoryBlock deeplyNestedPrivateData()
    {
        juce::MemoryOutputStream out;
        out.writeString (trailerIdentifier);
        out.writeCompressedInt (1);
        out.writeString ("Bypass");

        for (int level = 0; level < 1000000; ++level)
        {
            out.writeCompressedInt (1); // the value's size: any non-zero count will do
            out.writeByte (7);          // an array
            out.writeCompressedInt (1); // of one element
        }

        out.writeCompressedInt (0);
        return out.getMemoryBlock();
    }

    juce::MemoryBlock withPrivateData (const juce::MemoryBlock& pluginBytes, const juce::MemoryBlock& privateData)
    {
        juce::MemoryOutputStream out;
        out.write (pluginBytes.getData(), pluginBytes.getSize());
        out.writeInt64 (0);
        out.write (privateData.getData(), privateData.getSize());
        out.writeInt64 ((juce::int64) privateData.getSize());
        out.write (trailerIdentifier, identifierSize);
        return out.getMemoryBlock();
    }

    enum class SizeField
    {
        asSaved,
        zero,
        eight,
        wholeBlock,
        wholeBlockPlus1000,
        twoTo31Minus1,
        twoTo31,
        twoTo63Minus1,
        hostilePrivateData,
        trailerAlone        // the saved trailer with nothing in front: P is all the room it has
    };

    struct TrailerCase
    {
        const char* name;
        SizeField sizeField;
        bool pluginBytesInFront = true;   // false: nothing for the plug-in, which keeps its defaults
        bool readsTheBypass = false;      // true: the saved private data is read whole, so the bypass comes back on
    };

    std::ostream& operator<< (std::ostream& os, const TrailerCase& c) { return os << c.name; }

    juce::MemoryBlock componentFor (const SavedState& saved, SizeField sizeField)
    {
        if (sizeField == SizeField::hostilePrivateData)
            return withPrivateData (saved.pluginBytes, deeplyNestedPrivateData());

        if (sizeField == SizeField::trailerAlone)
            return withPrivateData ({}, privateDataOf (saved.component));

        auto component = saved.component;
        const auto blockBytes = (std::uint64_t) component.getSize();
        const auto value = [&]() -> std::uint64_t
        {
            switch (sizeField)
            {
                case SizeField::zero:               return 0;
                case SizeField::eight:              return 8;
                case SizeField::wholeBlock:         return blockBytes;
                case SizeField::wholeBlockPlus1000: return blockBytes + 1000;
                case SizeField::twoTo31Minus1:      return 0x7fffffffu;
                case SizeField::twoTo31:            return 0x80000000u;
                case SizeField::twoTo63Minus1:      return (std::uint64_t) std::numeric_limits<std::int64_t>::max();
                case SizeField::asSaved:
                case SizeField::hostilePrivateData:
                case SizeField::trailerAlone:       break;
            }

            return readSizeField (component, saved.sizeFieldOffset());
        }();

        writeSizeField (component, saved.sizeFieldOffset(), value);
        return component;
    }

    class HostedVST3StateTrailer : public ::testing::TestWithParam<TrailerCase>
    {
    protected:
        static void SetUpTestSuite() { saved = std::make_unique<SavedState> (saveFromAnInstance()); }
        static void TearDownTestSuite() { saved.reset(); }

        static inline std::unique_ptr<SavedState> saved;
    };
} // namespace

TEST_P (HostedVST3StateTrailer, RestoresThePluginsOwnStateWhateverTheTrailerSays)
{
    ASSERT_FALSE (saved->pluginBytes.isEmpty()) << "the saved component state has no trailer";

    HostedPlugin restored (PluginFormat::vst3, sampleRate, blockSize);
    ASSERT_TRUE (restored.isLoaded()) << restored.getError();
    ASSERT_TRUE (restored.prepareStereo (sampleRate, blockSize));

    juce::MemoryBlock defaults;
    restored.get().getStateInformation (defaults);

    const auto hostile = withComponentState (saved->hostState, componentFor (*saved, GetParam().sizeField));
    ASSERT_FALSE (hostile.isEmpty());
    restored.get().setStateInformation (hostile.getData(), (int) hostile.getSize());
    restored.processSilentBlock (blockSize);

    // Whatever the trailer says, the plug-in's own bytes in front of it reach
    // the plug-in, which restores the saved values and saves them again as they
    // were (a trailer it cannot use leaves it the whole block, whose first tree
    // is the same). With no bytes in front, it keeps the defaults it had.
    juce::MemoryBlock resaved;
    restored.get().getStateInformation (resaved);
    const auto resavedComponent = componentState (resaved);
    EXPECT_EQ (pluginBytesOf (resavedComponent),
               GetParam().pluginBytesInFront ? saved->pluginBytes : pluginBytesOf (componentState (defaults)));

    // The bypass, saved on, lives only in the private data.
    if (GetParam().readsTheBypass)
    {
        EXPECT_TRUE (savedBypass (resavedComponent));
    }
}

TEST (HostedVST3StateTrailerRoundTrip, AValidTrailerStillCarriesTheBypassSwitch)
{
    const auto saved = saveFromAnInstance();
    ASSERT_FALSE (saved.pluginBytes.isEmpty()) << "the saved component state has no trailer";

    HostedPlugin restored (PluginFormat::vst3, sampleRate, blockSize);
    ASSERT_TRUE (restored.isLoaded()) << restored.getError();
    ASSERT_TRUE (restored.prepareStereo (sampleRate, blockSize));

    restored.get().setStateInformation (saved.hostState.getData(), (int) saved.hostState.getSize());
    restored.processSilentBlock (blockSize);

    // The bypass switch lives only in the private data: a whole component state
    // equal to the saved one shows that the trailer was read, not skipped.
    juce::MemoryBlock resaved;
    restored.get().getStateInformation (resaved);
    EXPECT_EQ (componentState (resaved), saved.component);
    EXPECT_GE (restored.get().getBypassParameter()->getValue(), 0.5f);
}

INSTANTIATE_TEST_SUITE_P (Trailers, HostedVST3StateTrailer,
                          ::testing::Values (TrailerCase { "AsSaved", SizeField::asSaved, true, true },
                                             TrailerCase { "Zero", SizeField::zero },
                                             TrailerCase { "Eight", SizeField::eight },
                                             TrailerCase { "TheBlocksOwnSize", SizeField::wholeBlock },
                                             TrailerCase { "BlockSizePlus1000", SizeField::wholeBlockPlus1000 },
                                             TrailerCase { "TwoTo31Minus1", SizeField::twoTo31Minus1 },
                                             TrailerCase { "TwoTo31", SizeField::twoTo31 },
                                             TrailerCase { "TwoTo63Minus1", SizeField::twoTo63Minus1 },
                                             TrailerCase { "ArraysNestedAMillionDeep", SizeField::hostilePrivateData },
                                             TrailerCase { "TrailerAloneFillingTheSpaceInFront", SizeField::trailerAlone, false, true }),
                          [] (const auto& testInfo) { return std::string (testInfo.param.name); });

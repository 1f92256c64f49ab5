// Every block the framework's reader takes for a tree replaces the state, odd
// root types included, and whatever a restore took, the plug-in's next save
// reads back whole in a new instance.

#include "MyStateReader.h"
#include "StateTestSupport.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace robustness;

namespace
{
    juce::MemoryBlock bytesOf (const std::vector<int>& values)
    {
        juce::MemoryBlock block (values.size());

        for (size_t i = 0; i < values.size(); ++i)
            block[i] = static_cast<char> (values[i]);

        return block;
    }

    juce::MemoryBlock join (juce::MemoryBlock first, const juce::MemoryBlock& second)
    {
        first.append (second.getData(), second.getSize());
        return first;
    }

    juce::ValueTree paramChild (const juce::String& id, const juce::var& value)
    {
        return juce::ValueTree ("PARAM").setProperty ("id", id, nullptr).setProperty ("value", value, nullptr);
    }

    void setReal (ZKUndularAudioProcessor& processor, const char* id, float realValue)
    {
        auto* parameter = processor.parameters.getParameter (id);
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (realValue));
    }

    float valueOf (ZKUndularAudioProcessor& processor, const char* id)
    {
        return processor.parameters.getRawParameterValue (id)->load();
    }

    struct OddRootBlock
    {
        juce::String name;
        juce::MemoryBlock bytes;
        bool setsRate; // holds a child that sets "rate" to 5 Hz
    };

    /** The two blocks found refused, and the like for every lead byte: a root
        type of the lead byte alone with a property count that runs past the
        end, of the lead byte and a continuation byte, and of the lead byte
        followed by a real child. */
    std::vector<OddRootBlock> oddRootBlocks()
    {
        const auto rateChild = writeTree (paramChild ("rate", 5.0));

        std::vector<OddRootBlock> blocks {
            { "80 00 01 02", bytesOf ({ 0x80, 0x00, 0x01, 0x02 }), false },
            { "C0 80 00", bytesOf ({ 0xc0, 0x80, 0x00 }), false },
        };

        for (int lead = 0x80; lead <= 0xff; ++lead)
        {
            const auto hex = juce::String::toHexString (lead).toUpperCase();
            blocks.push_back ({ hex + " 00 01 02", bytesOf ({ lead, 0x00, 0x01, 0x02 }), false });
            blocks.push_back ({ hex + " 80 00 ...", join (bytesOf ({ lead, 0x80, 0x00, 0x00, 0x01, 0x01 }), rateChild), true });
            blocks.push_back ({ hex + " 00 ...", join (bytesOf ({ lead, 0x00, 0x00, 0x01, 0x01 }), rateChild), true });
        }

        return blocks;
    }
} // namespace

TEST (StateReadBack, EveryOddRootTypeTheFrameworkReadsReplacesTheState)
{
    RestoreBench bench;
    auto& processor = bench.getProcessor();

    for (const auto& block : oddRootBlocks())
    {
        SCOPED_TRACE (block.name.toStdString());

        juce::String expectedType;

        {
            // The framework pools the type as spelled: take it out again, or
            // the pool would hand that spelling back for the canonical one.
            const juce::ScopeGuard forget { [] { forgetUnusedPooledStrings(); } };
            const auto theirs = readWithFrameworkIfTame (block.bytes, 16);
            ASSERT_TRUE (theirs.has_value() && theirs->isValid()) << "the framework reads no tree from it";
            expectedType = canonicalSpelling (theirs->getType().toString());
        }

        if (expectedType.isEmpty())
            expectedType = my::standInRootType;

        for (const auto* id : { "shape", "rate", "depth", "phase", "width" })
            setReal (processor, id, juce::String (id) == "shape" ? 1.0f : 12.0f);

        EXPECT_EQ (bench.restoreSaveAndProcess (block.bytes), juce::String());

        EXPECT_EQ (processor.parameters.state.getType().toString(), expectedType);
        EXPECT_EQ (processor.parameters.state.getNumChildren(), 5);

        EXPECT_EQ (valueOf (processor, "shape"), 0.0f);
        EXPECT_NEAR (valueOf (processor, "rate"), block.setsRate ? 5.0f : 0.01f, 1.0e-5f);
        EXPECT_EQ (valueOf (processor, "depth"), 0.0f);
        EXPECT_EQ (valueOf (processor, "phase"), 0.0f);
        EXPECT_EQ (valueOf (processor, "width"), 100.0f);
    }
}

TEST (StateReadBack, ARestoredStateWithThousandsOfOtherChildrenSavesWhole)
{
    // A state with 4,090 children that name no parameter of ours: the
    // restore appends our five, an edit gives them values, and the next save
    // must come back whole in a new instance.
    juce::ValueTree foreign ("Parameters");

    for (int i = 0; i < 4090; ++i)
        foreign.appendChild (juce::ValueTree (i % 2 == 0 ? "PARAM" : "Extra"), nullptr);

    const auto block = writeTree (foreign);

    ZKUndularAudioProcessor edited;
    edited.setStateInformation (block.getData(), static_cast<int> (block.getSize()));
    ASSERT_EQ (edited.parameters.state.getNumChildren(), 4095);

    setReal (edited, "shape", 1.0f);
    setReal (edited, "rate", 12.5f);
    setReal (edited, "depth", 33.0f);
    setReal (edited, "phase", 75.0f);
    setReal (edited, "width", 20.0f);

    const auto saved = saveState (edited);

    ZKUndularAudioProcessor reopened;
    reopened.setStateInformation (saved.getData(), static_cast<int> (saved.getSize()));

    for (const auto* id : { "shape", "rate", "depth", "phase", "width" })
        EXPECT_EQ (valueOf (reopened, id), valueOf (edited, id)) << id;

    EXPECT_EQ (reopened.parameters.state.getNumChildren(), 4095);
    EXPECT_TRUE (sameBytes (saveState (reopened), saved)) << "the reopened state is not the one saved";
}

TEST (StateReadBack, ARestoredStateAtTheDistinctNameLimitSavesWhole)
{
    // 4,096 foreign names, as many as the reader takes besides the plug-in's
    // own: 4,094 properties of the root, and a child whose type and property
    // are the last two. The restore must take every one; an edit, a save and a
    // new instance must bring every value back, foreign ones too.
    constexpr int numForeignProperties = 4094;

    const auto foreignValue = [] (int i) -> juce::var
    {
        switch (i % 3)
        {
            case 0:  return i;
            case 1:  return "text " + juce::String (i);
            default: return i * 0.5;
        }
    };

    juce::ValueTree state (my::standInRootType);

    for (int i = 0; i < numForeignProperties; ++i)
        state.setProperty ("foreign " + juce::String (i), foreignValue (i), nullptr);

    state.appendChild (juce::ValueTree ("Extra").setProperty ("note", "kept", nullptr), nullptr);

    const std::pair<const char*, float> values[] { { "shape", 1.0f }, { "rate", 3.0f }, { "depth", 40.0f },
                                                   { "phase", 50.0f }, { "width", 70.0f } };

    for (const auto& [id, value] : values)
        state.appendChild (paramChild (id, value), nullptr);

    ASSERT_EQ (countDistinctNames (state), 4096);
    const auto block = writeTree (state);

    ZKUndularAudioProcessor edited;
    edited.setStateInformation (block.getData(), static_cast<int> (block.getSize()));
    ASSERT_EQ (edited.parameters.state.getNumProperties(), numForeignProperties) << "the restore left names out";

    setReal (edited, "rate", 12.5f);
    const auto saved = saveState (edited);

    ZKUndularAudioProcessor reopened;
    reopened.setStateInformation (saved.getData(), static_cast<int> (saved.getSize()));
    const auto& reopenedState = reopened.parameters.state;

    for (const auto& [id, value] : values)
    {
        EXPECT_NEAR (valueOf (edited, id), juce::String (id) == "rate" ? 12.5f : value, 1.0e-4f) << id;
        EXPECT_EQ (valueOf (reopened, id), valueOf (edited, id)) << id;
    }

    ASSERT_EQ (reopenedState.getNumProperties(), numForeignProperties);

    for (int i = 0; i < numForeignProperties; ++i)
    {
        const auto name = "foreign " + juce::String (i);
        EXPECT_EQ (reopenedState.getPropertyName (i).toString(), name);
        EXPECT_TRUE (reopenedState[juce::Identifier (name)].equalsWithSameType (foreignValue (i))) << name;
    }

    EXPECT_EQ (reopenedState.getChildWithName ("Extra")["note"], juce::var ("kept"));
    EXPECT_TRUE (sameBytes (saveState (reopened), saved)) << "the reopened state is not the one saved";
}

#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <map>

using namespace enginetest;

namespace
{
    juce::MemoryBlock save (ZKUndularAudioProcessor& processor)
    {
        juce::MemoryBlock block;
        processor.getStateInformation (block);
        return block;
    }

    void restore (ZKUndularAudioProcessor& processor, const juce::MemoryBlock& block)
    {
        processor.setStateInformation (block.getData(), static_cast<int> (block.getSize()));
    }

    juce::MemoryBlock bytesOf (const juce::ValueTree& tree)
    {
        juce::MemoryBlock block;
        juce::MemoryOutputStream stream (block, false);
        tree.writeToStream (stream);
        stream.flush();
        return block;
    }

    juce::ValueTree decode (const juce::MemoryBlock& block)
    {
        return juce::ValueTree::readFromData (block.getData(), block.getSize());
    }

    struct Child
    {
        juce::String id;
        juce::var value;
        bool hasValue = true;
    };

    juce::ValueTree makeTree (const juce::Identifier& rootType, const std::vector<Child>& children)
    {
        juce::ValueTree root (rootType);

        for (const auto& c : children)
        {
            juce::ValueTree child ("PARAM");
            child.setProperty ("id", c.id, nullptr);

            if (c.hasValue)
                child.setProperty ("value", c.value, nullptr);

            root.appendChild (child, nullptr);
        }

        return root;
    }

    /** The children's ids; one that is not a string shows as a marker and is
        never turned into text (the text of a NaN number is undefined behaviour). */
    std::vector<juce::String> childIds (const juce::ValueTree& tree)
    {
        std::vector<juce::String> ids;

        for (const auto& child : tree)
        {
            const auto& id = child.getProperty ("id");
            ids.push_back (id.isString() || id.isVoid() ? id.toString() : "(not a string)");
        }

        return ids;
    }

    std::map<std::string, float> currentValues (ZKUndularAudioProcessor& processor)
    {
        std::map<std::string, float> values;

        for (const char* id : parameterIds)
            values[id] = rawValue (processor, id);

        return values;
    }

    void setNonDefaults (ZKUndularAudioProcessor& processor)
    {
        setReal (processor, "shape", 1.0f);
        setReal (processor, "rate", 7.5f);
        setReal (processor, "depth", 42.0f);
        setReal (processor, "phase", 66.0f);
        setReal (processor, "width", 12.0f);
    }

    /** Counts what the parameters tell their listeners and the host. */
    class ChangeCounter final : private juce::AudioProcessorParameter::Listener,
                                private juce::AudioProcessorListener
    {
    public:
        explicit ChangeCounter (ZKUndularAudioProcessor& p) : processor (p)
        {
            for (auto* parameter : processor.getParameters())
                parameter->addListener (this);

            processor.addListener (this);
        }

        ~ChangeCounter() override
        {
            for (auto* parameter : processor.getParameters())
                parameter->removeListener (this);

            processor.removeListener (this);
        }

        std::map<int, int> parameterChanges;
        int hostChanges = 0;

    private:
        void parameterValueChanged (int index, float) override { ++parameterChanges[index]; }
        void parameterGestureChanged (int, bool) override {}
        void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override { ++hostChanges; }
        void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}

        ZKUndularAudioProcessor& processor;
    };

    //==============================================================================
    TEST (StateSave, FreshBlockIsExactlyTheTreeInStreamFormat)
    {
        ZKUndularAudioProcessor processor;
        const auto block = save (processor);

        const auto expected = bytesOf (makeTree ("Parameters", { { "depth", 0.0 },
                                                                 { "phase", 0.0 },
                                                                 { "rate", 0.009999999776482582 },
                                                                 { "shape", 0.0 },
                                                                 { "width", 100.0 } }));
        EXPECT_EQ (block, expected);

        // No header of our own: the block opens with the root's type name.
        ASSERT_GT (block.getSize(), 11u);
        EXPECT_EQ (std::memcmp (block.getData(), "Parameters\0", 11), 0);

        const auto tree = decode (block);
        ASSERT_TRUE (tree.isValid());
        EXPECT_EQ (tree.getType().toString(), "Parameters");
        EXPECT_EQ (tree.getNumProperties(), 0);
        ASSERT_EQ (tree.getNumChildren(), 5);

        const std::pair<const char*, double> children[] = {
            { "depth", 0.0 }, { "phase", 0.0 }, { "rate", 0.009999999776482582 }, { "shape", 0.0 }, { "width", 100.0 },
        };

        for (int i = 0; i < 5; ++i)
        {
            const auto child = tree.getChild (i);
            SCOPED_TRACE (children[i].first);
            EXPECT_EQ (child.getType().toString(), "PARAM");
            ASSERT_EQ (child.getNumProperties(), 2);
            EXPECT_EQ (child.getPropertyName (0).toString(), "id");
            EXPECT_EQ (child.getPropertyName (1).toString(), "value");
            EXPECT_EQ (child["id"].toString(), children[i].first);
            EXPECT_TRUE (child["value"].isDouble());
            EXPECT_EQ (static_cast<double> (child["value"]), children[i].second);
        }

        EXPECT_EQ (static_cast<double> (tree.getChild (2)["value"]), static_cast<double> (0.01f));
    }

    TEST (StateSave, AppendsToTheBlockAndTwoSavesGiveTwoTreesOfWhichRestoreReadsTheFirst)
    {
        ZKUndularAudioProcessor processor;
        const auto single = save (processor);

        juce::MemoryBlock block ("xyz", 3);
        processor.getStateInformation (block);
        ASSERT_EQ (block.getSize(), 3 + single.getSize());
        EXPECT_EQ (std::memcmp (block.getData(), "xyz", 3), 0);
        EXPECT_EQ (std::memcmp (static_cast<const char*> (block.getData()) + 3, single.getData(), single.getSize()), 0);

        setReal (processor, "depth", 25.0f);
        juce::MemoryBlock twice;
        processor.getStateInformation (twice);
        const auto firstSize = twice.getSize();
        setReal (processor, "depth", 50.0f);
        processor.getStateInformation (twice);
        EXPECT_EQ (twice.getSize(), 2 * firstSize);

        ZKUndularAudioProcessor other;
        restore (other, twice);
        EXPECT_EQ (rawValue (other, "depth"), 25.0f);
    }

    TEST (StateSave, ASaveRightAfterAChangeHoldsTheNewValue)
    {
        // The tree's own timer never runs here: the save must bring it up to date itself.
        ZKUndularAudioProcessor processor;
        save (processor);

        setReal (processor, "depth", 42.0f);
        setReal (processor, "shape", 1.0f);
        auto tree = decode (save (processor));

        for (const auto& child : tree)
        {
            if (child["id"].toString() == "depth")
            {
                EXPECT_EQ (static_cast<double> (child["value"]), static_cast<double> (rawValue (processor, "depth")));
                EXPECT_NEAR (static_cast<double> (child["value"]), 42.0, 1e-5);
            }

            if (child["id"].toString() == "shape")
            {
                EXPECT_EQ (static_cast<double> (child["value"]), 1.0);
            }
        }

        setReal (processor, "depth", 75.0f);
        ZKUndularAudioProcessor other;
        restore (other, save (processor));
        EXPECT_EQ (rawValue (other, "depth"), 75.0f);
        EXPECT_EQ (rawValue (other, "shape"), 1.0f);
    }

    TEST (StateRestore, RoundTripRestoresEveryValueToTheBit)
    {
        ZKUndularAudioProcessor source, target;
        setNonDefaults (source);
        restore (target, save (source));

        for (const char* id : parameterIds)
        {
            EXPECT_TRUE (sameBits (rawValue (target, id), rawValue (source, id))) << id;
            EXPECT_EQ (parameter (target, id).getValue(), parameter (source, id).getValue()) << id;
        }

        EXPECT_EQ (save (target), save (source));
    }

    TEST (StateRestore, EmptyBlockOrLeadingZeroByteChangesNothing)
    {
        ZKUndularAudioProcessor processor;
        setNonDefaults (processor);
        const auto before = save (processor);
        const auto values = currentValues (processor);

        const char zeroFirst[] = { 0, 'P', 'A', 'R', 'A', 'M', 0, 1, 2, 3 };
        const char one = 'x';
        processor.setStateInformation (&one, 0);
        processor.setStateInformation (zeroFirst, 1);
        processor.setStateInformation (zeroFirst, (int) sizeof (zeroFirst));

        EXPECT_EQ (currentValues (processor), values);
        EXPECT_EQ (save (processor), before);
    }

    TEST (StateRestore, MissingParametersReturnToTheirDefaultsAndGetNewChildrenAtTheEnd)
    {
        ZKUndularAudioProcessor processor;
        setNonDefaults (processor);

        restore (processor, bytesOf (makeTree ("Parameters", { { "shape", 1.0 }, { "width", 25.0 }, { "phase", 10.0 } })));

        EXPECT_EQ (rawValue (processor, "shape"), 1.0f);
        EXPECT_EQ (rawValue (processor, "width"), 25.0f);
        EXPECT_EQ (rawValue (processor, "phase"), 10.0f);
        EXPECT_EQ (rawValue (processor, "depth"), 0.0f);
        EXPECT_EQ (rawValue (processor, "rate"), 0.01f);

        // The new children come after the restored ones, in ascending order of their ids.
        const std::vector<juce::String> expectedOrder { "shape", "width", "phase", "depth", "rate" };
        EXPECT_EQ (childIds (processor.parameters.state), expectedOrder);
        EXPECT_EQ (childIds (decode (save (processor))), expectedOrder);
    }

    TEST (StateRestore, AChildWithoutValueSetsTheDefault)
    {
        ZKUndularAudioProcessor processor;
        setNonDefaults (processor);

        Child depth { "depth", {}, false };
        Child rate { "rate", {}, false };
        restore (processor, bytesOf (makeTree ("Parameters", { depth, rate, { "shape", 1.0 }, { "phase", 5.0 }, { "width", 50.0 } })));

        EXPECT_EQ (rawValue (processor, "depth"), 0.0f);
        EXPECT_EQ (rawValue (processor, "rate"), 0.01f);
        EXPECT_EQ (rawValue (processor, "phase"), 5.0f);

        ZKUndularAudioProcessor other;
        setNonDefaults (other);
        restore (other, save (processor));
        EXPECT_EQ (currentValues (other), currentValues (processor));
    }

    TEST (StateRestore, UnknownChildrenAndAnyRootTypeAreKeptAndSavedAgain)
    {
        ZKUndularAudioProcessor processor;

        auto tree = makeTree ("SomethingElse", { { "depth", 20.0 }, { "mix", 5.0 }, { "rate", 2.0 } });
        juce::ValueTree other ("Extra");
        other.setProperty ("note", "kept", nullptr);
        juce::ValueTree grandchild ("Deeper");
        grandchild.setProperty ("n", 3, nullptr);
        other.appendChild (grandchild, nullptr);
        tree.addChild (other, 1, nullptr);
        tree.setProperty ("version", 7, nullptr);

        restore (processor, bytesOf (tree));
        EXPECT_EQ (rawValue (processor, "depth"), 20.0f);
        EXPECT_EQ (rawValue (processor, "rate"), 2.0f);
        EXPECT_EQ (rawValue (processor, "width"), 100.0f);

        const auto saved = decode (save (processor));
        EXPECT_EQ (saved.getType().toString(), "SomethingElse");
        EXPECT_EQ (static_cast<int> (saved["version"]), 7);
        ASSERT_GE (saved.getNumChildren(), 4);
        EXPECT_TRUE (saved.getChild (1).isEquivalentTo (other));
        EXPECT_EQ (saved.getChild (2)["id"].toString(), "mix");
        EXPECT_EQ (static_cast<double> (saved.getChild (2)["value"]), 5.0);

        const std::vector<juce::String> expectedOrder { "depth", "", "mix", "rate", "phase", "shape", "width" };
        EXPECT_EQ (childIds (saved), expectedOrder);

        // The restored tree is the live state: a later change is saved into it.
        setReal (processor, "depth", 75.0f);
        const auto later = decode (save (processor));
        EXPECT_EQ (later.getType().toString(), "SomethingElse");
        EXPECT_EQ (static_cast<double> (later.getChild (0)["value"]), 75.0);
        EXPECT_EQ (childIds (later), expectedOrder);
    }

    TEST (StateRestore, BytesThatAreNoSavedStateResetEveryParameter)
    {
        ZKUndularAudioProcessor processor;
        setNonDefaults (processor);

        const char text[] = "Hello";
        processor.setStateInformation (text, 5);

        for (const char* id : parameterIds)
            EXPECT_EQ (parameter (processor, id).getValue(), parameter (processor, id).getDefaultValue()) << id;

        const auto saved = decode (save (processor));
        EXPECT_EQ (saved.getType().toString(), "Hello");
        const std::vector<juce::String> expectedOrder { "depth", "phase", "rate", "shape", "width" };
        EXPECT_EQ (childIds (saved), expectedOrder);
    }

    TEST (StateRestore, StoredValuesAreLimitedToTheRanges)
    {
        ZKUndularAudioProcessor processor;
        restore (processor, bytesOf (makeTree ("Parameters", { { "rate", 100.0 },
                                                               { "depth", -5.0 },
                                                               { "shape", 0.7 },
                                                               { "phase", 1.0e9 },
                                                               { "width", -1.0e30 } })));

        EXPECT_EQ (rawValue (processor, "rate"), 30.0f);
        EXPECT_EQ (rawValue (processor, "depth"), 0.0f);
        EXPECT_EQ (rawValue (processor, "shape"), 1.0f);
        EXPECT_EQ (parameter (processor, "shape").getCurrentValueAsText(), "Triangle");
        EXPECT_EQ (rawValue (processor, "phase"), 100.0f);
        EXPECT_EQ (rawValue (processor, "width"), 0.0f);

        restore (processor, bytesOf (makeTree ("Parameters", { { "shape", 0.3 } })));
        EXPECT_EQ (rawValue (processor, "shape"), 0.0f);
    }

    TEST (StateRestore, TheLaterOfTwoChildrenWithTheSameIdWins)
    {
        ZKUndularAudioProcessor processor;
        restore (processor, bytesOf (makeTree ("Parameters", { { "depth", 10.0 }, { "depth", 20.0 } })));
        EXPECT_EQ (rawValue (processor, "depth"), 20.0f);
    }

    TEST (StateRestore, OnlyChangedValuesAreAnnounced)
    {
        ZKUndularAudioProcessor processor;
        setNonDefaults (processor);
        const auto same = save (processor);

        {
            ChangeCounter counter (processor);
            restore (processor, same);
            EXPECT_TRUE (counter.parameterChanges.empty());
            EXPECT_EQ (counter.hostChanges, 0);
        }

        auto tree = decode (same);
        for (auto child : tree)
            if (child["id"].toString() == "phase")
                child.setProperty ("value", 33.0, nullptr);

        {
            ChangeCounter counter (processor);
            restore (processor, bytesOf (tree));
            EXPECT_EQ (rawValue (processor, "phase"), 33.0f);
            ASSERT_EQ (counter.parameterChanges.size(), 1u);
            EXPECT_EQ (counter.parameterChanges.begin()->first, 3); // phase
            EXPECT_EQ (counter.parameterChanges.begin()->second, 1);
            EXPECT_EQ (counter.hostChanges, 1);
        }
    }

    //==============================================================================
    struct NonFiniteCase
    {
        const char* name;
        juce::var value;
    };

    TEST (StateRestore, ANonFiniteValueCountsAsMissing)
    {
        const NonFiniteCase cases[] = {
            { "NaN", std::numeric_limits<double>::quiet_NaN() },
            { "+inf", std::numeric_limits<double>::infinity() },
            { "-inf", -std::numeric_limits<double>::infinity() },
            { "text nan", "nan" },
            { "text NaN", "NaN" },
            { "text inf", "inf" },
            { "text -inf", "-inf" },
            { "text -nan", "-nan" },
        };

        // Values that come back exactly through the parameters' normalised form.
        const std::map<std::string, double> others { { "shape", 1.0 }, { "rate", 30.0 }, { "depth", 25.0 },
                                                     { "phase", 50.0 }, { "width", 75.0 } };

        ZKUndularAudioProcessor processor;

        for (const auto& c : cases)
        {
            for (const char* id : parameterIds)
            {
                SCOPED_TRACE (std::string (c.name) + " for " + id);
                setNonDefaults (processor);

                std::vector<Child> children;
                for (const char* other : parameterIds)
                    children.push_back ({ other, juce::String (other) == id ? c.value : juce::var (others.at (other)) });

                restore (processor, bytesOf (makeTree ("Parameters", children)));

                auto& param = parameter (processor, id);
                EXPECT_EQ (param.getValue(), param.getDefaultValue());
                EXPECT_TRUE (std::isfinite (rawValue (processor, id)));
                EXPECT_TRUE (std::isfinite (param.getValue()));

                for (const char* other : parameterIds)
                {
                    if (juce::String (other) != id)
                    {
                        EXPECT_EQ (rawValue (processor, other), static_cast<float> (others.at (other))) << other;
                    }
                }

                // The next save holds a finite value again.
                for (const auto& child : decode (save (processor)))
                {
                    if (child.hasProperty ("value"))
                    {
                        EXPECT_TRUE (std::isfinite (static_cast<double> (child["value"]))) << child["id"].toString();
                    }
                }
            }
        }
    }

    //==============================================================================
    TEST (StateRestore, AChildWhoseIdIsANaNNumberNamesNoParameter)
    {
        // Root "Parameters" and one "PARAM" child whose "id" is the double NaN
        // and whose "value" is the double 5.
        const unsigned char block[] = {
            0x50, 0x61, 0x72, 0x61, 0x6d, 0x65, 0x74, 0x65, 0x72, 0x73, 0x00, 0x00, 0x01, 0x01,
            0x50, 0x41, 0x52, 0x41, 0x4d, 0x00, 0x01, 0x02, 0x69, 0x64, 0x00, 0x01, 0x09, 0x04,
            0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xf8, 0x7f, 0x76, 0x61, 0x6c, 0x75, 0x65, 0x00,
            0x01, 0x09, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x14, 0x40, 0x00
        };
        static_assert (sizeof (block) == 54);

        ZKUndularAudioProcessor processor;
        setNonDefaults (processor);
        processor.setStateInformation (block, static_cast<int> (sizeof (block)));

        // Nothing in the block names a parameter.
        for (const char* id : parameterIds)
            EXPECT_EQ (parameter (processor, id).getValue(), parameter (processor, id).getDefaultValue()) << id;

        // The child stays first and keeps its value; it has lost only the id.
        const auto& state = processor.parameters.state;
        EXPECT_TRUE (state.hasType ("Parameters"));
        const std::vector<juce::String> expectedIds { "", "depth", "phase", "rate", "shape", "width" };
        EXPECT_EQ (childIds (state), expectedIds);

        const auto child = state.getChild (0);
        EXPECT_TRUE (child.hasType ("PARAM"));
        EXPECT_FALSE (child.hasProperty ("id"));
        ASSERT_EQ (child.getNumProperties(), 1);
        EXPECT_TRUE (child["value"].isDouble());
        EXPECT_EQ (static_cast<double> (child["value"]), 5.0);
        EXPECT_EQ (child.getNumChildren(), 0);

        // The save holds the same and restores to the same.
        const auto saved = save (processor);
        EXPECT_EQ (childIds (decode (saved)), expectedIds);

        ZKUndularAudioProcessor other;
        setNonDefaults (other);
        restore (other, saved);
        EXPECT_EQ (currentValues (other), currentValues (processor));
        EXPECT_EQ (save (other), saved);
    }

    struct IdCase
    {
        const char* name;
        juce::var id;
        bool idKept;
    };

    /** A tree's bytes as text: comparable even where a NaN makes isEquivalentTo fail. */
    juce::String hexOf (const juce::ValueTree& tree)
    {
        const auto block = bytesOf (tree);
        return juce::String::toHexString (block.getData(), static_cast<int> (block.getSize()));
    }

    juce::var binaryOf (const char* text)
    {
        return juce::var (juce::MemoryBlock (text, std::strlen (text)));
    }

    TEST (StateRestore, AChildLosesAnIdThatIsNoStringAndNothingElse)
    {
        const auto nan = std::numeric_limits<double>::quiet_NaN();
        const auto inf = std::numeric_limits<double>::infinity();

        const IdCase cases[] = {
            { "NaN", nan, false },
            { "-NaN", -nan, false },
            { "signalling NaN", std::numeric_limits<double>::signaling_NaN(), false },
            { "+inf", inf, false },
            { "-inf", -inf, false },
            { "huge double", 1.0e300, false },
            { "double 5", 5.0, false },
            { "-0.0", -0.0, false },
            { "int", 5, false },
            { "lowest int", std::numeric_limits<int>::min(), false },
            { "lowest int64", std::numeric_limits<juce::int64>::min(), false },
            { "true", true, false },
            { "false", false, false },
            { "array holding NaN", juce::Array<juce::var> { nan }, false },
            { "empty array", juce::Array<juce::var>(), false },
            { "binary spelling rate", binaryOf ("rate"), false },
            { "empty binary", juce::var (juce::MemoryBlock()), false },
            // A string id is taken as it is, even one that names no parameter.
            { "text nan", "nan", true },
            { "text 5", "5", true },
            { "empty text", "", true },
        };

        ZKUndularAudioProcessor processor, other;

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            setNonDefaults (processor);

            // The framework matches only the root's children: the one below
            // keeps its id whatever it is.
            juce::ValueTree nested ("PARAM");
            nested.setProperty ("id", c.id, nullptr);
            nested.setProperty ("value", 7.0, nullptr);

            juce::ValueTree odd ("PARAM");
            odd.setProperty ("id", c.id, nullptr);
            odd.setProperty ("value", 5.0, nullptr);
            odd.setProperty ("note", "kept", nullptr);
            odd.appendChild (nested, nullptr);

            auto tree = makeTree ("Parameters", { { "depth", 20.0 } });
            tree.addChild (odd.createCopy(), 0, nullptr);

            auto expected = odd.createCopy();

            if (! c.idKept)
                expected.removeProperty ("id", nullptr);

            restore (processor, bytesOf (tree));

            EXPECT_EQ (rawValue (processor, "depth"), 20.0f);

            for (const char* id : { "shape", "rate", "phase", "width" })
                EXPECT_EQ (parameter (processor, id).getValue(), parameter (processor, id).getDefaultValue()) << id;

            const auto& state = processor.parameters.state;
            ASSERT_EQ (state.getNumChildren(), 6);
            EXPECT_EQ (hexOf (state.getChild (0)), hexOf (expected));

            const auto saved = save (processor);
            const auto savedTree = decode (saved);
            ASSERT_EQ (savedTree.getNumChildren(), 6);
            EXPECT_EQ (hexOf (savedTree.getChild (0)), hexOf (expected));

            setNonDefaults (other);
            restore (other, saved);
            EXPECT_EQ (currentValues (other), currentValues (processor));
            EXPECT_EQ (save (other), saved);
        }
    }

    TEST (StateRestore, LeavesTheEditorScaleAndTheSignalPathAlone)
    {
        auto processor = makeEnabledProcessor();
        processor->editorScale = 1.5f;
        processor->prepareToPlay (44100.0, 64);
        setReal (*processor, "depth", 50.0f);

        juce::AudioBuffer<float> buffer (2, 64);
        buffer.clear();
        juce::MidiBuffer midi;
        processor->processBlock (buffer, midi);

        const auto phase = processor->vibrato.lfo.phase;
        const auto writeIndex = processor->vibrato.delayLeft.writeIndex;

        const auto block = save (*processor);
        EXPECT_EQ (processor->editorScale, 1.5f);
        restore (*processor, block);
        restore (*processor, bytesOf (makeTree ("Parameters", {})));
        EXPECT_EQ (processor->editorScale, 1.5f);
        EXPECT_EQ (processor->getCurrentProgram(), 0);
        EXPECT_EQ (processor->vibrato.lfo.phase, phase);
        EXPECT_EQ (processor->vibrato.delayLeft.writeIndex, writeIndex);
        EXPECT_EQ (processor->vibrato.depth, 0.5f); // targets are only written by processBlock
    }
} // namespace

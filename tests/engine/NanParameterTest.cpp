// A host or an automation script sending NaN as a parameter's normalised value
// (a division by zero in a curve, a corrupt project): the parameter keeps the
// value it had and reports it everywhere, and the audio never learns of it.

#include "EngineTestSupport.h"
#include "MessageQueue.h"
#include "NanParameterPlan.h"
#include "PluginEditor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <mutex>
#include <thread>

using namespace enginetest;
using namespace nanplan;

namespace
{
    const float notANumber = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();

    /** The ways a wrapper hands a host's value to a parameter. */
    enum class Delivery
    {
        notifyingHost, // setValueNotifyingHost, as the VST3 wrapper does
        realValue,     // a value in real units, converted first, as the LV2 wrapper does
        valueOnly      // setValue alone, as a wrapper may do on the audio thread
    };

    void deliverNan (juce::RangedAudioParameter& p, Delivery delivery)
    {
        if (delivery == Delivery::notifyingHost)
            p.setValueNotifyingHost (notANumber);
        else if (delivery == Delivery::realValue)
            p.setValueNotifyingHost (p.convertTo0to1 (notANumber));
        else
            static_cast<juce::AudioProcessorParameter&> (p).setValue (notANumber);
    }

    struct Snapshot
    {
        float normalised;
        float raw;
        juce::String text;
        juce::var treeValue;
    };

    Snapshot snapshot (ZKUndularAudioProcessor& processor, const char* id)
    {
        auto& p = parameter (processor, id);
        const auto tree = processor.parameters.copyState();
        return { p.getValue(), rawValue (processor, id), p.getCurrentValueAsText(),
                 tree.getChildWithProperty ("id", id)["value"] };
    }

    juce::MemoryBlock save (ZKUndularAudioProcessor& processor)
    {
        juce::MemoryBlock block;
        processor.getStateInformation (block);
        return block;
    }

    /** One instance rendering the test signal with the settings; beforeBlock
        runs before each block. Returns the output and the states saved before
        laterChangeBlock and at the end. */
    struct Render
    {
        juce::AudioBuffer<float> output;
        juce::MemoryBlock stateBeforeLaterChange, stateAtEnd;
    };

    Render render (const std::function<void (ZKUndularAudioProcessor&, int)>& beforeBlock)
    {
        auto processor = makeEnabledProcessor();
        processor->prepareToPlay (sampleRate, blockSize);

        for (const auto& s : settings)
            setReal (*processor, s.id, s.realValue);

        Render result { makeTestSignal (numBlocks * blockSize, sampleRate), {}, {} };
        juce::MidiBuffer midi;

        for (int b = 0; b < numBlocks; ++b)
        {
            if (b == laterChangeBlock)
                result.stateBeforeLaterChange = save (*processor);

            beforeBlock (*processor, b);

            juce::AudioBuffer<float> block (result.output.getArrayOfWritePointers(), 2, b * blockSize, blockSize);
            processor->processBlock (block, midi);
        }

        result.stateAtEnd = save (*processor);
        return result;
    }

    /** The first sample whose bits differ, or -1. */
    int firstDifference (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
    {
        for (int i = 0; i < a.getNumSamples(); ++i)
            for (int channel = 0; channel < 2; ++channel)
                if (! sameBits (a.getSample (channel, i), b.getSample (channel, i)))
                    return i;

        return -1;
    }

    bool allFinite (const juce::AudioBuffer<float>& audio)
    {
        for (int channel = 0; channel < audio.getNumChannels(); ++channel)
            for (int i = 0; i < audio.getNumSamples(); ++i)
                if (! std::isfinite (audio.getSample (channel, i)))
                    return false;

        return true;
    }

    class NanParameter : public ::testing::TestWithParam<std::tuple<Setting, Delivery>> {};
} // namespace

TEST_P (NanParameter, IsRefusedAndTheAudioNeverSeesIt)
{
    const auto [setting, delivery] = GetParam();

    const auto laterChange = [id = setting.id, value = setting.laterValue] (ZKUndularAudioProcessor& p, int b)
    {
        if (b == laterChangeBlock)
            setReal (p, id, value);
    };

    const auto reference = render (laterChange);

    const auto withNan = render ([&] (ZKUndularAudioProcessor& p, int b)
    {
        if (b == nanBlock)
        {
            const auto before = snapshot (p, setting.id);
            deliverNan (parameter (p, setting.id), delivery);
            const auto after = snapshot (p, setting.id);

            EXPECT_TRUE (sameBits (after.normalised, before.normalised)) << "value " << after.normalised;
            EXPECT_TRUE (sameBits (after.raw, before.raw)) << "raw value " << after.raw;
            EXPECT_EQ (after.text, before.text);
            EXPECT_EQ (after.treeValue, before.treeValue);
            EXPECT_EQ (parameter (p, setting.id).getText (notANumber, 64), before.text) << "the text of NaN is the kept value's";
        }

        laterChange (p, b);
    });

    EXPECT_TRUE (allFinite (withNan.output));

    // Not silent, neither while the NaN was the host's last word nor after a valid value.
    for (const auto start : { nanBlock, laterChangeBlock })
        for (int channel = 0; channel < 2; ++channel)
            EXPECT_GT (withNan.output.getRMSLevel (channel, start * blockSize, 16 * blockSize), 0.01f)
                << "channel " << channel << " from block " << start;

    EXPECT_EQ (firstDifference (withNan.output, reference.output), -1) << "the output differs from the render without NaN";

    const auto saved = juce::ValueTree::readFromData (withNan.stateBeforeLaterChange.getData(),
                                                      withNan.stateBeforeLaterChange.getSize());

    for (const auto& child : saved)
        EXPECT_TRUE (std::isfinite (static_cast<double> (child["value"]))) << child["id"].toString();

    EXPECT_TRUE (withNan.stateBeforeLaterChange == reference.stateBeforeLaterChange) << "saved while NaN was the last word";
    EXPECT_TRUE (withNan.stateAtEnd == reference.stateAtEnd) << "saved at the end";
}

INSTANTIATE_TEST_SUITE_P (EveryParameter, NanParameter,
                          ::testing::Combine (::testing::ValuesIn (settings),
                                              ::testing::Values (Delivery::notifyingHost, Delivery::realValue, Delivery::valueOnly)),
                          [] (const auto& run)
                          {
                              const auto delivery = std::get<1> (run.param);
                              return std::string (std::get<0> (run.param).id)
                                   + (delivery == Delivery::notifyingHost ? "NotifyingHost"
                                      : delivery == Delivery::realValue   ? "RealValue"
                                                                          : "ValueOnly");
                          });

TEST (NanParameterNeighbours, InfinitiesAndOutOfRangeValuesAreClampedToTheRangeEnds)
{
    auto processor = makeEnabledProcessor();

    const struct
    {
        float value;
        bool inRealUnits; // converted first, as the LV2 wrapper does
        float expected;   // normalised
    } cases[] {
        { infinity, false, 1.0f }, { -infinity, false, 0.0f }, { 1.5f, false, 1.0f }, { -0.5f, false, 0.0f },
        { infinity, true, 1.0f },  { -infinity, true, 0.0f },  { 1.0e9f, true, 1.0f }, { -1.0e9f, true, 0.0f },
    };

    for (const auto* id : parameterIds)
    {
        for (const auto& c : cases)
        {
            auto& p = parameter (*processor, id);
            p.setValueNotifyingHost (c.expected == 0.0f ? 1.0f : 0.0f);
            p.setValueNotifyingHost (c.inRealUnits ? p.convertTo0to1 (c.value) : c.value);

            const auto& range = p.getNormalisableRange();
            const auto what = juce::String (id) + " set to " + juce::String (c.value) + (c.inRealUnits ? " (real)" : "");
            EXPECT_EQ (p.getValue(), c.expected) << what;
            EXPECT_EQ (rawValue (*processor, id), c.expected == 0.0f ? range.start : range.end) << what;
        }
    }
}

namespace
{
    /** Ends the test binary if the message loop does not come back in time:
        a host whose message thread never returns has frozen for good. */
    class MessageLoopWatchdog final
    {
    public:
        explicit MessageLoopWatchdog (std::chrono::seconds limit)
            : thread ([this, limit]
                      {
                          std::unique_lock<std::mutex> lock (mutex);

                          if (! finished.wait_for (lock, limit, [this] { return done; }))
                          {
                              std::fprintf (stderr, "the message loop did not return within %d s\n", (int) limit.count());
                              std::abort();
                          }
                      })
        {
        }

        ~MessageLoopWatchdog()
        {
            {
                const std::lock_guard<std::mutex> lock (mutex);
                done = true;
            }

            finished.notify_one();
            thread.join();
        }

    private:
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
        std::thread thread;
    };

    void collectSliders (juce::Component& component, juce::Array<juce::Slider*>& sliders)
    {
        if (auto* slider = dynamic_cast<juce::Slider*> (&component))
            sliders.add (slider);

        for (auto* child : component.getChildren())
            collectSliders (*child, sliders);
    }
} // namespace

TEST (NanParameterWithEditor, TheEditorKeepsShowingTheKeptValuesAndTheMessageLoopReturns)
{
    auto processor = makeEnabledProcessor();
    processor->prepareToPlay (sampleRate, blockSize);

    for (const auto& s : settings)
        setReal (*processor, s.id, s.realValue);

    std::unique_ptr<juce::AudioProcessorEditor> editor (processor->createEditorIfNeeded());
    ASSERT_NE (editor, nullptr);

    auto* ours = dynamic_cast<ZKUndularAudioProcessorEditor*> (editor.get());
    ASSERT_NE (ours, nullptr);

    const std::pair<const char*, juce::Slider*> bound[] {
        { "shape", &ours->contentComponent.shapeSelector }, { "rate", &ours->contentComponent.rateDial },
        { "depth", &ours->contentComponent.depthDial },     { "phase", &ours->contentComponent.phaseDial },
        { "width", &ours->contentComponent.widthDial },
    };

    int sliderChanges = 0;
    juce::Array<juce::Slider*> sliders;
    collectSliders (*editor, sliders);

    for (auto* slider : sliders)
        slider->onValueChange = [&sliderChanges] { ++sliderChanges; };

    for (const auto& [id, slider] : bound)
    {
        SCOPED_TRACE (id);
        const auto kept = rawValue (*processor, id);

        {
            const MessageLoopWatchdog watchdog (std::chrono::seconds (30));

            // From the message thread (a host's own editor or automation lane)
            // and from another thread (the audio thread's parameter queue).
            parameter (*processor, id).setValueNotifyingHost (notANumber);
            std::thread ([&] { parameter (*processor, id).setValueNotifyingHost (notANumber); }).join();

            serveMessagesFor (std::chrono::milliseconds (100));
        }

        EXPECT_EQ (slider->getValue(), (double) kept);
        EXPECT_EQ (rawValue (*processor, id), kept);
        EXPECT_EQ (sliderChanges, 0) << "a control moved";
    }

    // The editor still works both ways afterwards.
    ours->contentComponent.depthDial.setValue (10.0, juce::sendNotificationSync);
    EXPECT_EQ (rawValue (*processor, "depth"), 10.0f);

    setReal (*processor, "rate", 3.0f);
    serveMessagesFor (std::chrono::milliseconds (50));
    EXPECT_NEAR (ours->contentComponent.rateDial.getValue(), 3.0, 1.0e-5);

    processor->editorBeingDeleted (editor.get());
}

// Saving the state from a thread of its own while another thread changes the
// parameters and a third runs processBlock, as hosts do (a save on a worker
// thread during playback and automation). No saved block may hold a value that
// was never set, and a save after the last change holds the last values.
// The message thread meanwhile runs the parameter tree's timer.

#include "MessageQueue.h"
#include "OfflineHost.h"
#include "PluginProcessor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <map>
#include <thread>
#include <vector>

namespace
{
    using Clock = std::chrono::steady_clock;

    /** The values the setter walks through, per parameter id, in real units. */
    const std::map<juce::String, std::vector<float>>& walk()
    {
        static const std::map<juce::String, std::vector<float>> values {
            { "shape", { 0.0f, 1.0f } },
            { "rate", { 0.5f, 1.0f, 2.5f, 5.0f, 12.0f } },
            { "depth", { 10.0f, 25.0f, 40.0f, 75.0f, 90.0f } },
            { "phase", { 0.0f, 20.0f, 50.0f, 80.0f, 100.0f } },
            { "width", { 0.0f, 30.0f, 55.0f, 70.0f, 100.0f } },
        };
        return values;
    }

    /** For each id, the value the parameter tree holds after the setter set
        each value of the walk (the normalised round trip may move it a little),
        plus the default, which the tree holds before the first change. */
    std::map<juce::String, std::vector<float>> heldValues()
    {
        OfflineHost scratch;
        auto& processor = dynamic_cast<ZKUndularAudioProcessor&> (scratch.getProcessor());
        std::map<juce::String, std::vector<float>> held;

        for (const auto& [id, values] : walk())
        {
            held[id].push_back (processor.parameters.getRawParameterValue (id)->load());

            for (const auto v : values)
            {
                scratch.setParameter (id, v);
                held[id].push_back (processor.parameters.getRawParameterValue (id)->load());
            }
        }

        return held;
    }

    bool isMember (float value, const std::vector<float>& members)
    {
        return std::find (members.begin(), members.end(), value) != members.end();
    }

    /** The "value" of each PARAM child of a saved block, by id. */
    std::map<juce::String, float> savedValues (const juce::MemoryBlock& block)
    {
        std::map<juce::String, float> values;
        const auto tree = juce::ValueTree::readFromData (block.getData(), block.getSize());

        for (const auto& child : tree)
            if (child.hasProperty ("value"))
                values[child["id"].toString()] = static_cast<float> (static_cast<double> (child["value"]));

        return values;
    }
} // namespace

TEST (ThreadSafety, SavingWhileAutomatingAndPlayingLosesNothing)
{
    const auto held = heldValues();

    OfflineHost host;
    host.prepare (48000.0, 256);
    auto& processor = host.getProcessor();

    constexpr int setterRounds = 4000;
    constexpr int maxSaves = 3000;
    const auto deadline = Clock::now() + std::chrono::seconds (20);

    std::atomic<bool> setterDone { false };
    std::vector<juce::MemoryBlock> saves;
    saves.reserve (maxSaves);
    std::map<juce::String, float> lastSet;
    constexpr int minimumEach = 10;
    std::atomic<int> audioBlocks { 0 };
    std::atomic<int> savesMade { 0 };

    std::thread setter ([&]
    {
        // Keep automating until the other two threads have run a while too: on a
        // loaded machine they may only get scheduled after the setter's rounds.
        const auto othersRan = [&] { return audioBlocks.load() >= minimumEach && savesMade.load() >= minimumEach; };

        for (int round = 0; (round < setterRounds || ! othersRan()) && Clock::now() < deadline; ++round)
        {
            for (const auto& [id, values] : walk())
            {
                const auto v = values[static_cast<size_t> (round) % values.size()];
                host.setParameter (id, v);
                lastSet[id] = v;
            }
        }

        setterDone = true;
    });

    std::thread saver ([&]
    {
        while (! setterDone && saves.size() < static_cast<size_t> (maxSaves))
        {
            juce::MemoryBlock block;
            processor.getStateInformation (block);
            saves.push_back (std::move (block));
            ++savesMade;
        }
    });

    std::thread audio ([&]
    {
        juce::AudioBuffer<float> buffer (2, 256);
        juce::Random random (3);

        while (! setterDone)
        {
            for (int channel = 0; channel < 2; ++channel)
                for (int i = 0; i < buffer.getNumSamples(); ++i)
                    buffer.setSample (channel, i, random.nextFloat() - 0.5f);

            host.process (buffer, 256);
            ++audioBlocks;

            for (int channel = 0; channel < 2; ++channel)
                ASSERT_TRUE (std::isfinite (buffer.getMagnitude (channel, 0, buffer.getNumSamples())));
        }
    });

    // Meanwhile this, the message thread, runs the parameter tree's timer,
    // which copies the parameter values into the tree as in a host.
    while (! setterDone)
        if (! juce::dispatchNextMessageOnSystemQueue (true))
            std::this_thread::sleep_for (std::chrono::milliseconds (1));

    setter.join();
    saver.join();
    audio.join();

    ASSERT_FALSE (saves.empty());
    EXPECT_GT (audioBlocks.load(), 0);
    RecordProperty ("saves", static_cast<int> (saves.size()));
    RecordProperty ("audioBlocks", audioBlocks.load());

    // Every saved block names all five parameters with values that were set.
    for (size_t s = 0; s < saves.size(); ++s)
    {
        const auto values = savedValues (saves[s]);
        ASSERT_EQ (values.size(), 5u) << "save " << s;

        for (const auto& [id, value] : values)
            ASSERT_TRUE (isMember (value, held.at (id))) << "save " << s << ": " << id << " = " << value;
    }

    // Every saved block restores into a fresh instance, to values of the walk.
    ZKUndularAudioProcessor restored;

    for (size_t s = 0; s < saves.size(); s += 97)
    {
        restored.setStateInformation (saves[s].getData(), static_cast<int> (saves[s].getSize()));

        for (const auto& [id, members] : held)
        {
            const auto value = restored.parameters.getRawParameterValue (id)->load();
            const auto near = std::any_of (members.begin(), members.end(),
                                           [value] (float m) { return std::abs (m - value) <= 1.0e-4f * (1.0f + std::abs (m)); });
            EXPECT_TRUE (near) << "save " << s << ": " << id << " restored as " << value;
        }
    }

    // A save right after the last change holds exactly the last values.
    juce::MemoryBlock last;
    processor.getStateInformation (last);
    const auto values = savedValues (last);

    for (const auto& [id, v] : lastSet)
    {
        auto* parameter = host.findParameter (id);
        const auto expected = parameter->convertFrom0to1 (parameter->convertTo0to1 (v));
        EXPECT_NEAR (values.at (id), expected, 1.0e-4f * (1.0f + std::abs (expected))) << id;
        EXPECT_EQ (values.at (id), dynamic_cast<ZKUndularAudioProcessor&> (processor).parameters.getRawParameterValue (id)->load()) << id;
    }
}

// What the host waits for when it restores a crafted state: one
// setStateInformation call (on the DAW's message thread) per iteration, on
// blocks of 1, 10 and 50 MB that repeat property names in different ways. A
// block's reading time should follow its bytes, not how many names it repeats.
//
// Run: zk-bench --benchmark_filter=StateRead (pinned to one core with taskset
// for steadier figures; a 50 MB row takes one iteration).

#include "PluginProcessor.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace
{
    enum class Names
    {
        oneRepeated,        // one property name, repeated
        cycling,            // 4,096 property names, cycling
        lastRepeated,       // 4,096 property names, then the last repeated
        shortLastRepeated,  // 4,095 names, then a one-byte name repeated
        childrenOfAllNames  // children that each hold all 4,096 names once: what the
                            // framework's writer writes, and its trees take time to make
    };

    constexpr int numNames = 4096;

    juce::String nameOf (int index)
    {
        return juce::String::toHexString (index).paddedLeft ('0', 4);
    }

    /** The index of the name of the root's property i. */
    int nameIndexAt (Names names, int i)
    {
        if (names == Names::oneRepeated)
            return 0;

        if (names == Names::cycling)
            return i % numNames;

        return juce::jmin (i, numNames - 1);
    }

    void writeProperty (juce::MemoryOutputStream& out, const juce::String& name, int value)
    {
        out.writeString (name);
        juce::var (value).writeToStream (out);
    }

    /** A state block of about numBytes in the framework's tree format, every
        property an int of its own value. */
    juce::MemoryBlock makeBlock (Names names, size_t numBytes)
    {
        juce::MemoryBlock block;
        juce::MemoryOutputStream out (block, false);
        out.preallocate (numBytes + 64);
        out.writeString ("Parameters");

        constexpr size_t bytesPerProperty = 12; // a 4-character name, an int
        constexpr size_t shortNameBytes = 9;    // a one-byte name, an int

        if (names == Names::childrenOfAllNames)
        {
            const auto bytesPerChild = 8 + numNames * bytesPerProperty;
            const auto numChildren = static_cast<int> (numBytes / bytesPerChild);

            out.writeCompressedInt (0);
            out.writeCompressedInt (numChildren);

            for (int c = 0; c < numChildren; ++c)
            {
                out.writeString ("PARAM");
                out.writeCompressedInt (numNames);

                for (int i = 0; i < numNames; ++i)
                    writeProperty (out, nameOf (i), c + i);

                out.writeCompressedInt (0);
            }

            out.flush();
            return block;
        }

        auto numProperties = static_cast<int> (numBytes / bytesPerProperty);

        if (names == Names::shortLastRepeated)
            numProperties = (numNames - 1) + static_cast<int> ((numBytes - (numNames - 1) * bytesPerProperty) / shortNameBytes);

        out.writeCompressedInt (numProperties);

        for (int i = 0; i < numProperties; ++i)
        {
            if (names == Names::shortLastRepeated && i >= numNames - 1)
                writeProperty (out, "a", i);
            else
                writeProperty (out, nameOf (nameIndexAt (names, i)), i);
        }

        out.writeCompressedInt (0);
        out.flush();
        return block;
    }

    void BM_StateRead (benchmark::State& state, Names names)
    {
        const auto megabytes = static_cast<size_t> (state.range (0));
        const auto block = makeBlock (names, megabytes << 20);
        auto processor = std::make_unique<ZKUndularAudioProcessor>();
        double seconds = 0.0;

        for (auto _ : state)
        {
            const auto start = std::chrono::steady_clock::now();
            processor->setStateInformation (block.getData(), static_cast<int> (block.getSize()));
            const auto elapsed = std::chrono::duration<double> (std::chrono::steady_clock::now() - start).count();
            state.SetIterationTime (elapsed);
            seconds += elapsed;
        }

        state.counters["ns_per_byte"] = seconds * 1.0e9 / (static_cast<double> (state.iterations()) * static_cast<double> (block.getSize()));
    }

    void blockSizes (benchmark::internal::Benchmark* b)
    {
        b->ArgName ("MB")->Arg (1)->Arg (10)->Arg (50);
        b->Unit (benchmark::kMillisecond);
        b->UseManualTime();
    }
} // namespace

BENCHMARK_CAPTURE (BM_StateRead, OneNameRepeated, Names::oneRepeated)->Apply (blockSizes);
BENCHMARK_CAPTURE (BM_StateRead, NamesCycling, Names::cycling)->Apply (blockSizes);
BENCHMARK_CAPTURE (BM_StateRead, NamesThenLastRepeated, Names::lastRepeated)->Apply (blockSizes);
BENCHMARK_CAPTURE (BM_StateRead, NamesThenShortNameRepeated, Names::shortLastRepeated)->Apply (blockSizes);
BENCHMARK_CAPTURE (BM_StateRead, ChildrenOfAllNames, Names::childrenOfAllNames)->Apply (blockSizes);

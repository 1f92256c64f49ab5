// processBlock must not allocate or free: every form of operator new and delete
// is counted while it runs.

#include "AllocationCounting.h"
#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <new>

using namespace enginetest;

namespace
{
    TEST (AllocationCounting, SeesEveryFormOfNewAndDelete)
    {
        ScopedAllocationCount count;

        ::operator delete (::operator new (16));
        ::operator delete[] (::operator new[] (16));
        ::operator delete (::operator new (16, std::nothrow), std::nothrow);
        ::operator delete[] (::operator new[] (16, std::nothrow), std::nothrow);
        ::operator delete (::operator new (16, std::align_val_t (64)), std::align_val_t (64));
        ::operator delete[] (::operator new[] (16, std::align_val_t (64)), std::align_val_t (64));
        ::operator delete (::operator new (16, std::align_val_t (64), std::nothrow), std::align_val_t (64), std::nothrow);
        ::operator delete[] (::operator new[] (16, std::align_val_t (64), std::nothrow), std::align_val_t (64), std::nothrow);
        ::operator delete (::operator new (16), 16);
        ::operator delete (::operator new (16, std::align_val_t (32)), 16, std::align_val_t (32));

        EXPECT_EQ (count.allocations(), 10u);
        EXPECT_EQ (count.deallocations(), 10u);

        {
            ScopedAllocationCount inner;
            const juce::String text ("a text long enough to need the heap");
            EXPECT_GE (inner.allocations(), 1u);
        }

        EXPECT_GE (count.allocations(), 11u);

        void* aligned = ::operator new (100, std::align_val_t (256));
        EXPECT_EQ (reinterpret_cast<std::uintptr_t> (aligned) % 256, 0u);
        ::operator delete (aligned, std::align_val_t (256));
    }

    struct RealtimeCase
    {
        const char* name;
        double sampleRate;
        int blockSize;
        std::vector<std::pair<const char*, float>> settings;
    };

    void PrintTo (const RealtimeCase& c, std::ostream* os) { *os << c.name; }

    class RealtimePath : public ::testing::TestWithParam<RealtimeCase>
    {
    protected:
        /** Processes one block with counting armed; returns the number of calls of
            operator new or delete that it made. */
        size_t countedBlock (ZKUndularAudioProcessor& processor, juce::AudioBuffer<float>& buffer)
        {
            ScopedAllocationCount count;
            processor.processBlock (buffer, midi);
            return count.allocations() + count.deallocations();
        }

        juce::MidiBuffer midi;
    };

    TEST_P (RealtimePath, ProcessBlockAllocatesNothing)
    {
        const auto& c = GetParam();
        auto processor = makeEnabledProcessor();

        for (const auto& [id, value] : c.settings)
            setReal (*processor, id, value);

        processor->prepareToPlay (c.sampleRate, c.blockSize);
        auto signal = makeTestSignal (c.blockSize * 40, c.sampleRate);
        juce::AudioBuffer<float> buffer (2, c.blockSize);

        // Warm-up, outside the count.
        for (int ch = 0; ch < 2; ++ch)
            buffer.copyFrom (ch, 0, signal, ch, 0, c.blockSize);

        processor->processBlock (buffer, midi);

        const std::pair<const char*, float> changes[] = {
            { "rate", 13.0f }, { "depth", 100.0f }, { "shape", 1.0f }, { "phase", 90.0f }, { "width", 10.0f },
            { "rate", 0.01f }, { "shape", 0.0f }, { "depth", 5.0f }, { "width", 100.0f }, { "rate", 30.0f },
        };

        for (int block = 0; block < 40; ++block)
        {
            // Host-side changes between blocks, outside the count: every few blocks,
            // so that ramps restart while others are running.
            if (block % 4 == 1)
                setReal (*processor, changes[(block / 4) % 10].first, changes[(block / 4) % 10].second);

            if (block == 20)
                processor->prepareToPlay (c.sampleRate * 2.0, c.blockSize);

            for (int ch = 0; ch < 2; ++ch)
                buffer.copyFrom (ch, 0, signal, ch, block * c.blockSize, c.blockSize);

            ASSERT_EQ (countedBlock (*processor, buffer), 0u) << "block " << block;
        }

        // Blocks a host may also hand over: empty, shorter than announced, with fewer channels.
        juce::AudioBuffer<float> empty (2, 0);
        EXPECT_EQ (countedBlock (*processor, empty), 0u);

        juce::AudioBuffer<float> shorter (buffer.getArrayOfWritePointers(), 2, 0, juce::jmax (1, c.blockSize / 3));
        EXPECT_EQ (countedBlock (*processor, shorter), 0u);

        juce::AudioBuffer<float> mono (buffer.getArrayOfWritePointers(), 1, c.blockSize);
        EXPECT_EQ (countedBlock (*processor, mono), 0u);
    }

    const RealtimeCase realtimeCases[] = {
        { "Defaults", 44100.0, 512, {} },
        { "SineVibrato", 48000.0, 256, { { "rate", 5.0f }, { "depth", 40.0f }, { "phase", 50.0f }, { "width", 70.0f } } },
        { "TriangleFullDepth", 96000.0, 1024, { { "shape", 1.0f }, { "rate", 0.01f }, { "depth", 100.0f }, { "width", 0.0f } } },
        { "SingleSampleBlocks", 44100.0, 1, { { "rate", 30.0f }, { "depth", 100.0f }, { "phase", 100.0f } } },
        { "OddBlocks", 22050.0, 37, { { "shape", 1.0f }, { "rate", 2.0f }, { "depth", 60.0f } } },
    };

    INSTANTIATE_TEST_SUITE_P (RealtimeSettings, RealtimePath, ::testing::ValuesIn (realtimeCases),
                              [] (const ::testing::TestParamInfo<RealtimeCase>& run) { return std::string (run.param.name); });
} // namespace

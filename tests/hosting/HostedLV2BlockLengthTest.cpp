// An LV2 host announces the longest block it will run in the options it passes
// to instantiate (bufsz:maxBlockLength), and the wrapper sizes its buffer by it.
// A length no buffer can have (zero, negative, or too long to allocate) must not
// throw out of instantiate or leave a broken instance behind: the wrapper
// refuses it, as it refuses a host that announces no length. A length it takes
// gives an instance that runs, sounding as the processor does on its own.
//
// This talks to the bundle's lv2_descriptor directly, as a host's C code does:
// the framework's own LV2 host always announces a sane length.

#include "HostedPlugin.h"
#include "ReferenceRender.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <sstream>
#include <vector>

namespace
{
    constexpr double sampleRate = 48000.0;
    constexpr int largestBlockLength = 1 << 24; // the longest the wrapper takes

    /** The host's urid:map: each URI gets the next number, from 1. */
    class UridMap final
    {
    public:
        UridMap() = default;

        LV2_URID map (const char* uri)
        {
            const juce::ScopedLock lock (mutex);
            const auto index = uris.indexOf (juce::String::fromUTF8 (uri));

            if (index >= 0)
                return (LV2_URID) index + 1;

            uris.add (juce::String::fromUTF8 (uri));
            return (LV2_URID) uris.size();
        }

        LV2_URID_Map feature { this, [] (LV2_URID_Map_Handle handle, const char* uri)
                                     {
                                         return static_cast<UridMap*> (handle)->map (uri);
                                     } };

    private:
        juce::CriticalSection mutex;
        juce::StringArray uris;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (UridMap)
    };

    /** The port's lv2:index in the bundle's Turtle, found by its lv2:symbol; -1 if absent. */
    int portIndex (const juce::String& turtle, const juce::String& symbol)
    {
        const auto at = turtle.indexOf ("lv2:symbol \"" + symbol + "\"");

        if (at < 0)
            return -1;

        const auto port = turtle.substring (turtle.substring (0, at).lastIndexOfChar ('['),
                                            turtle.indexOfChar (at, ']'));
        const auto index = port.indexOf ("lv2:index ");
        return index >= 0 ? port.substring (index + 10).getIntValue() : -1;
    }

    /** The plug-in's ports, numbered as the bundle's Turtle tells a host. */
    struct PortIndices
    {
        explicit PortIndices (const juce::String& turtle)
            : audioIn { portIndex (turtle, "audio_in_1"), portIndex (turtle, "audio_in_2") },
              audioOut { portIndex (turtle, "audio_out_1"), portIndex (turtle, "audio_out_2") },
              eventsIn (portIndex (turtle, "in")),
              eventsOut (portIndex (turtle, "out")),
              latency (portIndex (turtle, "latency")),
              freeWheeling (portIndex (turtle, "freeWheeling")),
              enabled (portIndex (turtle, "enabled"))
        {
        }

        bool allFound() const
        {
            return std::min ({ audioIn[0], audioIn[1], audioOut[0], audioOut[1],
                               eventsIn, eventsOut, latency, freeWheeling, enabled }) >= 0;
        }

        const int audioIn[2], audioOut[2], eventsIn, eventsOut, latency, freeWheeling, enabled;
    };

    /** One maximum block length as a host may announce it. */
    struct AnnouncedLength
    {
        const char* name;
        const char* atomType; // LV2_ATOM__Int, __Long or __Double
        double value;         // converted to that type when sent
        bool taken;           // whether the wrapper makes an instance for it
    };

    std::ostream& operator<< (std::ostream& os, const AnnouncedLength& length)
    {
        std::ostringstream value;
        value.precision (17);
        value << length.value;
        return os << value.str() << " as " << length.atomType;
    }

    /** The option's value, in the bytes of its atom type. */
    class OptionValue final
    {
    public:
        OptionValue (const AnnouncedLength& length, UridMap& map)
            : type (map.map (length.atomType))
        {
            const juce::String atomType (length.atomType);

            if (atomType == LV2_ATOM__Int)
                store ((std::int32_t) length.value);
            else if (atomType == LV2_ATOM__Long)
                store ((std::int64_t) length.value);
            else
                store (length.value);
        }

        const LV2_URID type;
        juce::MemoryBlock bytes;

    private:
        template <typename Value>
        void store (Value value) { bytes.replaceAll (&value, sizeof (value)); }

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OptionValue)
    };

    /** An atom sequence port's buffer. */
    class SequenceBuffer final
    {
    public:
        explicit SequenceBuffer (LV2_URID sequenceType) : type (sequenceType) {}

        /** Empty, as a host leaves an input with no events, or all space, as a
            host hands an output to the plug-in. */
        LV2_Atom_Sequence* prepare (bool asOutput)
        {
            auto* sequence = reinterpret_cast<LV2_Atom_Sequence*> (storage.data());
            const auto capacity = storage.size() * sizeof (storage[0]);
            sequence->atom.size = (uint32_t) (asOutput ? capacity - sizeof (LV2_Atom) : sizeof (LV2_Atom_Sequence_Body));
            sequence->atom.type = type;
            sequence->body = {};
            return sequence;
        }

    private:
        const LV2_URID type;
        std::vector<std::uint64_t> storage = std::vector<std::uint64_t> (8192); // 64 kB, 8-byte aligned

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SequenceBuffer)
    };

    class HostedLV2MaxBlockLength : public ::testing::TestWithParam<AnnouncedLength>
    {
    public:
        static void SetUpTestSuite()
        {
            bundle = juce::File (requiredEnvironment ("ZK_LV2_BUNDLE"));
            const auto binaries = bundle.findChildFiles (juce::File::findFiles, false, "*.so");

            if (binaries.size() == 1 && library.open (binaries[0].getFullPathName()))
                if (auto* entry = reinterpret_cast<LV2_Descriptor_Function> (library.getFunction ("lv2_descriptor")))
                    for (uint32_t index = 0; descriptor == nullptr && entry (index) != nullptr; ++index)
                        if (requiredEnvironment ("ZK_LV2_URI") == entry (index)->URI)
                            descriptor = entry (index);
        }

        static void TearDownTestSuite()
        {
            descriptor = nullptr;
            library.close();
        }

    protected:
        static inline juce::File bundle;
        static inline juce::DynamicLibrary library;
        static inline const LV2_Descriptor* descriptor = nullptr;
    };
} // namespace

TEST_P (HostedLV2MaxBlockLength, IsRefusedOrGivesAnInstanceThatRuns)
{
    ASSERT_NE (descriptor, nullptr) << "no lv2_descriptor for " << requiredEnvironment ("ZK_LV2_URI")
                                    << " in " << bundle.getFullPathName();

    const PortIndices ports (bundle.getChildFile ("dsp.ttl").loadFileAsString());
    ASSERT_TRUE (ports.allFound()) << "a port missing from the bundle's dsp.ttl";

    UridMap uridMap;
    const OptionValue value (GetParam(), uridMap);

    const LV2_Options_Option options[]
    {
        { LV2_OPTIONS_INSTANCE, 0, uridMap.map (LV2_BUF_SIZE__maxBlockLength),
          (uint32_t) value.bytes.getSize(), value.type, value.bytes.getData() },
        { LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr }
    };

    const LV2_Feature mapFeature { LV2_URID__map, &uridMap.feature };
    const LV2_Feature optionsFeature { LV2_OPTIONS__options, const_cast<LV2_Options_Option*> (options) };
    const LV2_Feature boundedFeature { LV2_BUF_SIZE__boundedBlockLength, nullptr };
    const LV2_Feature* const features[] { &mapFeature, &optionsFeature, &boundedFeature, nullptr };

    const auto bundlePath = bundle.getFullPathName() + "/";
    LV2_Handle handle = nullptr;
    EXPECT_NO_THROW (handle = descriptor->instantiate (descriptor, sampleRate, bundlePath.toRawUTF8(), features));

    if (! GetParam().taken)
    {
        EXPECT_EQ (handle, nullptr) << "an instance for a length the wrapper cannot take";

        if (handle != nullptr)
            descriptor->cleanup (handle);

        return;
    }

    ASSERT_NE (handle, nullptr) << "no instance for a length a host may announce";

    const auto runLength = juce::jmin (512, (int) GetParam().value);
    const auto input = makeStereoTestSignal (sampleRate, 20 * runLength + 100);
    auto output = input;
    output.clear();

    juce::AudioBuffer<float> portAudio (4, runLength);
    SequenceBuffer eventsInBuffer (uridMap.map (LV2_ATOM__Sequence)), eventsOutBuffer (uridMap.map (LV2_ATOM__Sequence));
    float latency = -1.0f, freeWheeling = 0.0f, enabled = 1.0f;

    for (int channel = 0; channel < 2; ++channel)
    {
        descriptor->connect_port (handle, (uint32_t) ports.audioIn[channel], portAudio.getWritePointer (channel));
        descriptor->connect_port (handle, (uint32_t) ports.audioOut[channel], portAudio.getWritePointer (channel + 2));
    }

    descriptor->connect_port (handle, (uint32_t) ports.eventsIn, eventsInBuffer.prepare (false));
    descriptor->connect_port (handle, (uint32_t) ports.eventsOut, eventsOutBuffer.prepare (true));
    descriptor->connect_port (handle, (uint32_t) ports.latency, &latency);
    descriptor->connect_port (handle, (uint32_t) ports.freeWheeling, &freeWheeling);
    descriptor->connect_port (handle, (uint32_t) ports.enabled, &enabled);
    descriptor->activate (handle);

    for (int start = 0; start < input.getNumSamples(); start += runLength)
    {
        const auto frames = juce::jmin (runLength, input.getNumSamples() - start);

        for (int channel = 0; channel < 2; ++channel)
            portAudio.copyFrom (channel, 0, input, channel, start, frames);

        eventsInBuffer.prepare (false);
        eventsOutBuffer.prepare (true);
        descriptor->run (handle, (uint32_t) frames);

        for (int channel = 0; channel < 2; ++channel)
            output.copyFrom (channel, start, portAudio, channel + 2, 0, frames);
    }

    descriptor->deactivate (handle);
    descriptor->cleanup (handle);

    EXPECT_EQ (latency, 0.0f) << "the run wrote no latency";

    // The processor's own output at its default parameter values, in blocks of the same length.
    RenderSettings settings;
    settings.blockSize = runLength;
    juce::String error;
    const auto expected = renderWithOfflineHost (input, sampleRate, settings, error);
    ASSERT_TRUE (error.isEmpty()) << error;

    const auto difference = compareAudio (output, expected);
    EXPECT_EQ (difference.nonFinite, 0);
    EXPECT_EQ (difference.mismatches, 0) << "first at frame " << difference.firstMismatch;
    EXPECT_GT (output.getRMSLevel (0, 0, output.getNumSamples()), 0.1f) << "a silent instance";
}

INSTANTIATE_TEST_SUITE_P (Lengths, HostedLV2MaxBlockLength,
                          ::testing::Values (
                              AnnouncedLength { "Normal512", LV2_ATOM__Int, 512.0, true },
                              AnnouncedLength { "Minus1", LV2_ATOM__Int, -1.0, false },
                              AnnouncedLength { "Minus512", LV2_ATOM__Int, -512.0, false },
                              AnnouncedLength { "Zero", LV2_ATOM__Int, 0.0, false },
                              AnnouncedLength { "LargestTaken", LV2_ATOM__Int, (double) largestBlockLength, true },
                              AnnouncedLength { "OneBeyondLargest", LV2_ATOM__Int, (double) largestBlockLength + 1.0, false },
                              AnnouncedLength { "IntMax", LV2_ATOM__Int, (double) std::numeric_limits<std::int32_t>::max(), false },
                              // Longs and doubles that an int would wrap, or a cast would leave undefined.
                              AnnouncedLength { "Long2To31", LV2_ATOM__Long, 2147483648.0, false },
                              AnnouncedLength { "Long2To32Plus512", LV2_ATOM__Long, 4294967808.0, false },
                              AnnouncedLength { "DoubleNaN", LV2_ATOM__Double, std::nan (""), false },
                              AnnouncedLength { "Double512", LV2_ATOM__Double, 512.0, true }),
                          [] (const auto& testInfo) { return std::string (testInfo.param.name); });

// A VST3 host announces the largest block it will send (setupProcessing's
// maxSamplesPerBlock) and then describes each process call's buffers by its
// frame and bus counts. Numbers that cannot be right get kInvalidArgument: a
// maximum that is not positive or above 2^20 frames, a negative frame count or
// more than 2^20 frames in a call, a negative bus count, buses without their
// array. A refused call changes nothing (the setup in force stays, no audio is
// read or written), calls with channels that do not match the plug-in's are
// taken within the setup in force, and afterwards a sane setup brings back the
// plug-in's normal audio. The sanitizer build runs these same tests.

#include "HostedPlugin.h"
#include "ReferenceRender.h"

#include <juce_audio_processors/format_types/VST3_SDK/pluginterfaces/vst/ivstaudioprocessor.h>
#include <juce_audio_processors/format_types/VST3_SDK/pluginterfaces/vst/ivstcomponent.h>

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <vector>

namespace
{
    namespace Vst = Steinberg::Vst;
    using Steinberg::int32;
    using Steinberg::tresult;

    constexpr double sampleRate = 48000.0;
    constexpr double otherSampleRate = 96000.0; // of every setup that must be refused, so taking one would be heard
    constexpr int32 hostBlockSize = 512;
    constexpr int32 largestBlock = 1 << 20;     // the most frames the plug-in takes in a block or a call
    constexpr int32 int32Max = std::numeric_limits<int32>::max();
    constexpr float untouched = 7.0f;           // every output sample before a call

    /** How the host lays out a call's buses: the plug-in's stereo input and
        output, or the way a host gets them wrong. */
    enum class Buses
    {
        stereo,
        nullOutputChannels,  // two output channels whose pointers are null
        nullOutputBus,       // an output bus of two channels without a channel array
        monoOutput,
        threeOutputChannels,
        monoInput,
        threeInputChannels,
        noAudio,             // both buses without channel arrays: nothing to read or write
        inputsWithoutArray,  // one input bus, no array of buses
        outputsWithoutArray,
        negativeInputCount
    };

    /** One process call's buffers as a host builds them: the inputs hold a test
        signal, every output sample is untouched. */
    class HostCall final
    {
    public:
        HostCall (Buses buses, int32 numSamples, const juce::AudioBuffer<float>& signal)
        {
            // A call of a negative frame count still comes with buffers, which must stay untouched.
            const auto frames = (size_t) (numSamples > 0 ? numSamples : hostBlockSize);
            jassert (buses == Buses::noAudio || numSamples <= largestBlock);

            const auto numInputChannels = buses == Buses::monoInput ? 1 : buses == Buses::threeInputChannels ? 3 : 2;
            const auto numOutputChannels = buses == Buses::monoOutput ? 1 : buses == Buses::threeOutputChannels ? 3 : 2;

            if (buses != Buses::noAudio)
            {
                inputs.resize ((size_t) numInputChannels, std::vector<float> (frames));
                outputs.resize ((size_t) numOutputChannels, std::vector<float> (frames, untouched));
            }

            for (size_t channel = 0; channel < inputs.size(); ++channel)
                for (size_t i = 0; i < frames; ++i)
                    inputs[channel][i] = signal.getSample ((int) channel % 2, (int) (i % (size_t) signal.getNumSamples()));

            for (auto& channel : inputs)
                inputPointers.push_back (channel.data());

            for (auto& channel : outputs)
                outputPointers.push_back (buses == Buses::nullOutputChannels ? nullptr : channel.data());

            inputBus.numChannels = numInputChannels;
            inputBus.channelBuffers32 = buses == Buses::noAudio ? nullptr : inputPointers.data();
            outputBus.numChannels = numOutputChannels;
            outputBus.channelBuffers32 = buses == Buses::noAudio || buses == Buses::nullOutputBus ? nullptr : outputPointers.data();

            data.processMode = Vst::kRealtime;
            data.symbolicSampleSize = Vst::kSample32;
            data.numSamples = numSamples;
            data.numInputs = buses == Buses::negativeInputCount ? -1 : 1;
            data.numOutputs = 1;
            data.inputs = buses == Buses::inputsWithoutArray ? nullptr : &inputBus;
            data.outputs = buses == Buses::outputsWithoutArray ? nullptr : &outputBus;
        }

        Vst::ProcessData data;

        /** Every output sample, channel after channel. */
        std::vector<float> outputSamples() const
        {
            std::vector<float> samples;

            for (const auto& channel : outputs)
                samples.insert (samples.end(), channel.begin(), channel.end());

            return samples;
        }

        bool outputsAreUntouched() const
        {
            for (const auto& channel : outputs)
                for (auto sample : channel)
                    if (sample != untouched)
                        return false;

            return true;
        }

    private:
        std::vector<std::vector<float>> inputs, outputs;
        std::vector<float*> inputPointers, outputPointers;
        Vst::AudioBusBuffers inputBus, outputBus;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (HostCall)
    };

    /** The hosted plug-in's component and audio processor, as a VST3 host
        holds them. */
    class Vst3Processor final
    {
    public:
        explicit Vst3Processor (juce::AudioPluginInstance& instance)
        {
            struct ComponentFinder final : public juce::ExtensionsVisitor
            {
                void visitVST3Client (const VST3Client& client) override { found = client.getIComponentPtr(); }
                Vst::IComponent* found = nullptr;
            };

            ComponentFinder finder;
            instance.getExtensions (finder);
            component = finder.found;

            void* found = nullptr;

            if (component != nullptr && component->queryInterface (Vst::IAudioProcessor_iid, &found) == Steinberg::kResultOk)
                processor = static_cast<Vst::IAudioProcessor*> (found);
        }

        ~Vst3Processor()
        {
            if (processor != nullptr)
                processor->release();
        }

        bool isValid() const noexcept { return processor != nullptr; }

        /** A host changes the setup while the plug-in is inactive. */
        void deactivate()
        {
            processor->setProcessing (false);
            component->setActive (false);
        }

        void activate()
        {
            component->setActive (true);
            processor->setProcessing (true);
        }

        tresult setupProcessing (int32 maxSamplesPerBlock, double rate)
        {
            Vst::ProcessSetup setup { Vst::kRealtime, Vst::kSample32, maxSamplesPerBlock, rate };
            return processor->setupProcessing (setup);
        }

        tresult process (HostCall& call)
        {
            return processor->process (call.data);
        }

    private:
        Vst::IComponent* component = nullptr;
        Vst::IAudioProcessor* processor = nullptr;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Vst3Processor)
    };

    struct Step
    {
        enum class Kind { setUp, process };

        Kind kind;
        int32 frames;                 // the maximum announced, or the call's frame count
        Buses buses = Buses::stereo;  // of a call
        bool refused = false;         // kInvalidArgument expected; the clean instance skips it
    };

    Step setUp (int32 maximum)                                 { return { Step::Kind::setUp, maximum, Buses::stereo, false }; }
    Step refusedSetUp (int32 maximum)                          { return { Step::Kind::setUp, maximum, Buses::stereo, true }; }
    Step call (int32 frames, Buses buses = Buses::stereo)       { return { Step::Kind::process, frames, buses, false }; }
    Step refusedCall (int32 frames, Buses buses = Buses::stereo) { return { Step::Kind::process, frames, buses, true }; }

    struct BlockSizeCase
    {
        const char* name;
        std::vector<Step> steps;
    };

    std::ostream& operator<< (std::ostream& os, const BlockSizeCase& c)
    {
        return os << c.name;
    }

    /** What came out of one plug-in: the outputs of the calls it took, then the
        audio after the host's sane setup. */
    struct Rendered
    {
        std::vector<float> callOutputs;
        juce::AudioBuffer<float> recovered;
    };

    enum class Instance
    {
        hostile, // every step is made
        clean    // the steps that must be refused are left out
    };

    Rendered render (const std::vector<Step>& steps, const juce::AudioBuffer<float>& input, Instance instance)
    {
        Rendered rendered;

        HostedPlugin plugin (PluginFormat::vst3, sampleRate, hostBlockSize);

        if (! plugin.isLoaded() || ! plugin.prepareStereo (sampleRate, hostBlockSize))
        {
            ADD_FAILURE() << "cannot load the VST3: " << plugin.getError();
            return rendered;
        }

        Vst3Processor vst3 (plugin.get());

        if (! vst3.isValid())
        {
            ADD_FAILURE() << "the component has no IAudioProcessor";
            return rendered;
        }

        for (const auto& step : steps)
        {
            const auto make = instance == Instance::hostile || ! step.refused;
            const tresult expected = step.refused ? Steinberg::kInvalidArgument : Steinberg::kResultOk;

            if (step.kind == Step::Kind::setUp)
            {
                vst3.deactivate();

                if (make)
                {
                    EXPECT_EQ (vst3.setupProcessing (step.frames, step.refused ? otherSampleRate : sampleRate), expected)
                        << "maxSamplesPerBlock " << step.frames;
                }

                vst3.activate();
            }
            else if (make)
            {
                HostCall hostCall (step.buses, step.frames, input);
                EXPECT_EQ (vst3.process (hostCall), expected) << "numSamples " << step.frames;

                if (step.refused)
                {
                    EXPECT_TRUE (hostCall.outputsAreUntouched()) << "numSamples " << step.frames;
                }
                else
                {
                    const auto outputs = hostCall.outputSamples();
                    rendered.callOutputs.insert (rendered.callOutputs.end(), outputs.begin(), outputs.end());
                }
            }
        }

        // What a host does next: a sane setup, then normal calls with the vibrato on.
        vst3.deactivate();
        EXPECT_EQ (vst3.setupProcessing (hostBlockSize, sampleRate), Steinberg::kResultOk);
        vst3.activate();

        plugin.setParameter ("Rate", 5.0f);
        plugin.setParameter ("Depth", 40.0f);
        plugin.setParameter ("Phase", 50.0f);
        plugin.setParameter ("Width", 70.0f);

        rendered.recovered = input;
        plugin.process (rendered.recovered, hostBlockSize);
        return rendered;
    }

    /** What a clean instance gives for these steps. Rows whose steps differ
        only in what is refused share one, as loading an instance takes a while. */
    Rendered renderClean (const std::vector<Step>& steps, const juce::AudioBuffer<float>& input)
    {
        static std::map<std::string, Rendered> renders;
        std::string key;

        for (const auto& step : steps)
        {
            if (step.kind == Step::Kind::setUp)
                key += step.refused ? "restart;" : "setUp " + std::to_string (step.frames) + ";";
            else if (! step.refused)
                key += "call " + std::to_string (step.frames) + " " + std::to_string ((int) step.buses) + ";";
        }

        if (const auto found = renders.find (key); found != renders.end())
            return found->second;

        auto rendered = render (steps, input, Instance::clean);

        if (rendered.recovered.getNumSamples() > 0)
            renders.emplace (key, rendered);

        return rendered;
    }

    int countBitMismatches (const std::vector<float>& actual, const std::vector<float>& expected)
    {
        auto mismatches = 0;

        for (size_t i = 0; i < juce::jmin (actual.size(), expected.size()); ++i)
            mismatches += std::memcmp (&actual[i], &expected[i], sizeof (float)) != 0 ? 1 : 0;

        return mismatches;
    }

    class HostedVST3BlockSizes : public ::testing::TestWithParam<BlockSizeCase> {};
} // namespace

TEST_P (HostedVST3BlockSizes, RefusesImpossibleNumbersAndRecoversWithASaneSetup)
{
    static const auto input = makeStereoTestSignal (sampleRate, 16 * hostBlockSize);

    const auto hostile = render (GetParam().steps, input, Instance::hostile);
    const auto clean = renderClean (GetParam().steps, input);
    ASSERT_EQ (hostile.recovered.getNumSamples(), input.getNumSamples());
    ASSERT_EQ (clean.recovered.getNumSamples(), input.getNumSamples());

    // The calls the plug-in took gave what they give on a clean instance.
    ASSERT_EQ (hostile.callOutputs.size(), clean.callOutputs.size());
    EXPECT_EQ (countBitMismatches (hostile.callOutputs, clean.callOutputs), 0);

    const auto difference = compareAudio (hostile.recovered, clean.recovered);
    EXPECT_EQ (difference.nonFinite, 0);
    EXPECT_EQ (difference.mismatches, 0) << "first at frame " << difference.firstMismatch;

    // Guard against two equally silent or untouched outputs.
    EXPECT_GT (meanAbsoluteDifference (hostile.recovered, input), 0.01);
}

INSTANTIATE_TEST_SUITE_P (HostNumbers, HostedVST3BlockSizes,
    ::testing::Values (
        // Maxima that are not positive or that no block needs, then calls of
        // the host's block size and larger.
        BlockSizeCase { "MaximumZero", { refusedSetUp (0), call (512), call (4096) } },
        BlockSizeCase { "MaximumMinusOne", { refusedSetUp (-1), call (512), call (4096) } },
        BlockSizeCase { "MaximumMinusFour", { refusedSetUp (-4), call (512), call (4096) } },
        BlockSizeCase { "MaximumMinus512", { refusedSetUp (-512), call (512), call (4096) } },
        BlockSizeCase { "MaximumAboveTheLargestBlock", { refusedSetUp (largestBlock + 1), call (512) } },
        BlockSizeCase { "MaximumInt32Max", { refusedSetUp (int32Max), call (512), call (4096) } },
        BlockSizeCase { "MaximumTheLargestBlock", { setUp (largestBlock), call (512), call (largestBlock) } },

        // After a refused maximum, buses that do not match the plug-in's.
        BlockSizeCase { "MaximumZeroThenWrongChannels",
                        { refusedSetUp (0),
                          call (512, Buses::nullOutputChannels), call (512, Buses::nullOutputBus),
                          call (512, Buses::monoOutput), call (512, Buses::threeOutputChannels),
                          call (512, Buses::monoInput), call (512, Buses::threeInputChannels),
                          call (4096, Buses::nullOutputChannels), call (4096, Buses::threeOutputChannels) } },
        BlockSizeCase { "MaximumMinusOneThenWrongChannels",
                        { refusedSetUp (-1),
                          call (512, Buses::nullOutputBus), call (512, Buses::monoOutput),
                          call (512, Buses::threeInputChannels), call (4096, Buses::monoInput) } },

        // Frame counts.
        BlockSizeCase { "NegativeFrames", { refusedCall (-1), refusedCall (-512), refusedCall (std::numeric_limits<int32>::min()), call (512) } },
        BlockSizeCase { "FramesNearInt32Max", { setUp (4096), refusedCall (2147482648, Buses::noAudio), call (4096) } },
        BlockSizeCase { "FramesAboveTheLargestBlock", { refusedCall (largestBlock + 1, Buses::noAudio), call (512) } },
        BlockSizeCase { "TheLargestBlockInPieces", { setUp (4096), call (largestBlock) } },

        // Bus counts that have no buses behind them.
        BlockSizeCase { "InputsWithoutArray", { refusedCall (512, Buses::inputsWithoutArray), call (512) } },
        BlockSizeCase { "OutputsWithoutArray", { refusedCall (512, Buses::outputsWithoutArray), call (512) } },
        BlockSizeCase { "NegativeInputCount", { refusedCall (512, Buses::negativeInputCount), call (512) } }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });

#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#if defined(__SSE__) || defined(__x86_64__)
 #include <xmmintrin.h>
 #define ZK_TEST_HAS_MXCSR 1
#else
 #define ZK_TEST_HAS_MXCSR 0
#endif

using namespace enginetest;

namespace
{
    TEST (ProcessorFacts, FixedAnswersToTheHost)
    {
        ZKUndularAudioProcessor processor;

        EXPECT_EQ (processor.getName(), "ZK-Undular");
        EXPECT_EQ (processor.getTailLengthSeconds(), 0.0);
        EXPECT_FALSE (processor.acceptsMidi());
        EXPECT_FALSE (processor.producesMidi());
        EXPECT_FALSE (processor.isMidiEffect());
        EXPECT_TRUE (processor.hasEditor());
        EXPECT_EQ (processor.getLatencySamples(), 0);
        EXPECT_FALSE (processor.supportsDoublePrecisionProcessing());
        EXPECT_EQ (processor.editorScale, 1.0f);
        EXPECT_EQ (processor.getBypassParameter(), nullptr);
    }

    TEST (ProcessorFacts, OneUnnamedProgramWhateverTheIndex)
    {
        ZKUndularAudioProcessor processor;

        for (int index : { -1, 0, 1, 7, INT_MAX, INT_MIN })
        {
            processor.setCurrentProgram (index);
            EXPECT_EQ (processor.getCurrentProgram(), 0) << index;
            EXPECT_EQ (processor.getNumPrograms(), 1) << index;
            EXPECT_EQ (processor.getProgramName (index), juce::String()) << index;

            processor.changeProgramName (index, "Renamed");
            EXPECT_EQ (processor.getProgramName (index), juce::String()) << index;
        }
    }

    TEST (ProcessorBuses, OneStereoBusEachWayInactiveUntilTheWrapperEnablesThem)
    {
        ZKUndularAudioProcessor processor;

        ASSERT_EQ (processor.getBusCount (true), 1);
        ASSERT_EQ (processor.getBusCount (false), 1);

        const auto* input = processor.getBus (true, 0);
        const auto* output = processor.getBus (false, 0);
        EXPECT_EQ (input->getName(), "Input");
        EXPECT_EQ (output->getName(), "Output");
        EXPECT_EQ (input->getDefaultLayout(), juce::AudioChannelSet::stereo());
        EXPECT_EQ (output->getDefaultLayout(), juce::AudioChannelSet::stereo());
        EXPECT_FALSE (input->isEnabledByDefault());
        EXPECT_FALSE (output->isEnabledByDefault());
        EXPECT_FALSE (processor.canAddBus (true));
        EXPECT_FALSE (processor.canAddBus (false));
        EXPECT_FALSE (processor.canRemoveBus (true));
        EXPECT_FALSE (processor.canRemoveBus (false));

        EXPECT_EQ (processor.getTotalNumInputChannels(), 0);
        EXPECT_EQ (processor.getTotalNumOutputChannels(), 0);

        processor.enableAllBuses();
        EXPECT_EQ (processor.getTotalNumInputChannels(), 2);
        EXPECT_EQ (processor.getTotalNumOutputChannels(), 2);
    }

    struct LayoutCase
    {
        juce::AudioChannelSet input;
        juce::AudioChannelSet output;
        bool supported;
    };

    TEST (ProcessorBuses, OnlyStereoInAndOutIsSupported)
    {
        using Set = juce::AudioChannelSet;
        const LayoutCase cases[] = {
            { Set::stereo(), Set::stereo(), true },
            { Set::mono(), Set::mono(), false },
            { Set::mono(), Set::stereo(), false },
            { Set::stereo(), Set::mono(), false },
            { Set::disabled(), Set::stereo(), false },
            { Set::stereo(), Set::disabled(), false },
            { Set::disabled(), Set::disabled(), false },
            { Set::create5point1(), Set::stereo(), false },
            { Set::stereo(), Set::quadraphonic(), false },
        };

        auto processor = makeEnabledProcessor();

        for (const auto& c : cases)
        {
            SCOPED_TRACE ((c.input.getDescription() + " -> " + c.output.getDescription()).toStdString());
            juce::AudioProcessor::BusesLayout layout;
            layout.inputBuses.add (c.input);
            layout.outputBuses.add (c.output);

            EXPECT_EQ (processor->checkBusesLayoutSupported (layout), c.supported);
            EXPECT_EQ (processor->setBusesLayout (layout), c.supported);
            EXPECT_EQ (processor->getTotalNumInputChannels(), 2);
            EXPECT_EQ (processor->getTotalNumOutputChannels(), 2);
        }
    }

    //==============================================================================
    struct TargetCase
    {
        float shape, rate, depth, phase, width;
        int shapeCode;
        float rateTarget, depthTarget, offsetTarget, widthTarget;
    };

    const TargetCase targetCases[] = {
        { 0.0f, 30.0f, 50.0f, 25.0f, 100.0f, 1, 30.0f, 0.5f, 0.25f, 1.0f },
        { 1.0f, 0.01f, 100.0f, 0.0f, 0.0f, 2, 0.01f, 1.0f, 0.0f, 0.0f },
        { 0.0f, 1.0f, 0.0f, 100.0f, 50.0f, 1, 1.0f, 0.0f, 1.0f, 0.5f },
        { 1.0f, 3.75875f, 12.5f, 75.0f, 25.0f, 2, 3.75875f, 0.125f, 0.75f, 0.25f },
    };

    TEST (ProcessorBlock, ParameterValuesBecomeTheTargetsOfBothStages)
    {
        auto processor = makeEnabledProcessor();

        for (int numSamples : { 0, 16 })
        {
            for (const auto& c : targetCases)
            {
                setReal (*processor, "shape", c.shape);
                setReal (*processor, "rate", c.rate);
                setReal (*processor, "depth", c.depth);
                setReal (*processor, "phase", c.phase);
                setReal (*processor, "width", c.width);

                juce::AudioBuffer<float> buffer (2, numSamples);
                buffer.clear();
                juce::MidiBuffer midi;
                processor->processBlock (buffer, midi);

                EXPECT_EQ (processor->vibrato.shapeCode, c.shapeCode);
                EXPECT_EQ (processor->vibrato.depth, c.depthTarget);
                EXPECT_EQ (processor->vibrato.phaseOffset, c.offsetTarget);
                EXPECT_EQ (processor->stereoEnhancer.width, c.widthTarget);

                // The rate goes over unscaled; through the host's normalised value it
                // may land a rounding step away from the figure asked for.
                EXPECT_EQ (processor->vibrato.rate, rawValue (*processor, "rate"));
                EXPECT_NEAR (processor->vibrato.rate, c.rateTarget, c.rateTarget * 1e-6f);

                EXPECT_EQ (processor->vibrato.rateSmoothed.getTargetValue(), processor->vibrato.rate);
                EXPECT_EQ (processor->vibrato.depthSmoothed.getTargetValue(), c.depthTarget);
                EXPECT_EQ (processor->vibrato.phaseOffsetSmoothed.getTargetValue(), c.offsetTarget);
                EXPECT_EQ (processor->stereoEnhancer.widthSmoothed.getTargetValue(), c.widthTarget);
            }
        }
    }

    TEST (ProcessorBlock, PercentagesAreScaledInSinglePrecision)
    {
        // For these the float product differs from the double product rounded to float.
        const std::pair<float, float> cases[] = {
            { 2.5f, 0.0249999985f }, { 5.0f, 0.049999997f }, { 4.5f, 0.0449999981f },
        };

        auto processor = makeEnabledProcessor();
        juce::MidiBuffer midi;
        juce::AudioBuffer<float> buffer (2, 1);

        for (const auto& [percent, fraction] : cases)
        {
            ASSERT_NE (fraction, static_cast<float> (static_cast<double> (percent) * 0.01));

            for (const char* id : { "depth", "phase", "width" })
                setReal (*processor, id, percent);

            ASSERT_EQ (rawValue (*processor, "depth"), percent);
            buffer.clear();
            processor->processBlock (buffer, midi);

            EXPECT_EQ (processor->vibrato.depth, fraction) << percent;
            EXPECT_EQ (processor->vibrato.phaseOffset, fraction) << percent;
            EXPECT_EQ (processor->stereoEnhancer.width, fraction) << percent;
        }
    }

    TEST (ProcessorBlock, ZeroLengthBlockTakesTheTargetsButAdvancesNothing)
    {
        auto processor = makeEnabledProcessor();
        processor->prepareToPlay (44100.0, 512);
        setReal (*processor, "rate", 4.0f);
        setReal (*processor, "width", 40.0f);

        juce::AudioBuffer<float> empty (2, 0);
        juce::MidiBuffer midi;
        processor->processBlock (empty, midi);

        EXPECT_EQ (processor->vibrato.rateSmoothed.getTargetValue(), rawValue (*processor, "rate"));
        EXPECT_EQ (processor->vibrato.rateSmoothed.getCurrentValue(), 0.0f);
        EXPECT_EQ (processor->stereoEnhancer.widthSmoothed.getTargetValue(), rawValue (*processor, "width") * 0.01f);
        EXPECT_EQ (processor->stereoEnhancer.widthSmoothed.getCurrentValue(), 0.0f);
        EXPECT_EQ (processor->vibrato.lfo.phase, 0.0f);
        EXPECT_EQ (processor->vibrato.delayLeft.writeIndex, 0);
    }

    //==============================================================================
    /** Processes the buffer and checks that it came back bit for bit unchanged. */
    void expectUntouched (ZKUndularAudioProcessor& processor, juce::AudioBuffer<float>& buffer)
    {
        juce::AudioBuffer<float> before (buffer);
        juce::MidiBuffer midi;
        processor.processBlock (buffer, midi);

        for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
            for (int i = 0; i < buffer.getNumSamples(); ++i)
                ASSERT_TRUE (sameBits (buffer.getSample (ch, i), before.getSample (ch, i))) << ch << " " << i;
    }

    TEST (ProcessorBlock, FewerThanTwoChannelsAreLeftAlone)
    {
        auto processor = makeEnabledProcessor();
        processor->prepareToPlay (44100.0, 512);
        setReal (*processor, "depth", 100.0f);
        setReal (*processor, "width", 0.0f);

        juce::AudioBuffer<float> mono (1, 256);
        for (int i = 0; i < 256; ++i)
            mono.setSample (0, i, 0.001f * static_cast<float> (i) - 0.1f);

        expectUntouched (*processor, mono);

        juce::AudioBuffer<float> none (0, 256);
        juce::MidiBuffer midi;
        processor->processBlock (none, midi);

        juce::AudioBuffer<float> monoEmpty (1, 0);
        processor->processBlock (monoEmpty, midi);

        // Nothing ran, so the lines are still empty; the targets were taken.
        EXPECT_EQ (processor->vibrato.delayLeft.writeIndex, 0);
        EXPECT_EQ (processor->stereoEnhancer.widthSmoothed.getTargetValue(), 0.0f);
        EXPECT_EQ (processor->vibrato.depthSmoothed.getTargetValue(), 1.0f);

        // And the processor still works on a proper buffer afterwards.
        juce::AudioBuffer<float> stereo (2, 64);
        stereo.clear();
        processor->processBlock (stereo, midi);
        EXPECT_EQ (processor->vibrato.delayLeft.writeIndex, 64);
    }

    TEST (ProcessorBlock, ChannelsBeyondTheFirstTwoAreNotTouched)
    {
        // With two inputs and two outputs no channel is cleared, and the stages
        // work on channels 0 and 1 only.
        auto processor = makeEnabledProcessor();
        juce::AudioBuffer<float> buffer (4, 128);

        for (int ch = 0; ch < 4; ++ch)
            for (int i = 0; i < 128; ++i)
                buffer.setSample (ch, i, 0.25f + 0.001f * static_cast<float> (ch * 128 + i));

        juce::AudioBuffer<float> before (buffer);
        juce::MidiBuffer midi;
        processor->processBlock (buffer, midi);

        for (int ch = 2; ch < 4; ++ch)
            for (int i = 0; i < 128; ++i)
                ASSERT_EQ (buffer.getSample (ch, i), before.getSample (ch, i));

        // Depth 0 and width 100 % taken at once (no prepare): channel 0 carries the
        // input back through the mid/side split, not zeros.
        for (int i = 0; i < 128; ++i)
            ASSERT_NEAR (buffer.getSample (0, i), before.getSample (0, i), 1e-6f);
    }

    TEST (ProcessorBlock, MidiBufferIsNeitherReadNorChanged)
    {
        auto processor = makeEnabledProcessor();
        juce::MidiBuffer midi;
        midi.addEvent (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100), 0);
        midi.addEvent (juce::MidiMessage::controllerEvent (2, 7, 64), 17);
        midi.addEvent (juce::MidiMessage::noteOff (1, 60), 63);

        const juce::MidiBuffer before (midi);
        juce::AudioBuffer<float> buffer (2, 64);
        buffer.clear();
        processor->processBlock (buffer, midi);

        ASSERT_EQ (midi.getNumEvents(), before.getNumEvents());
        auto a = midi.begin();
        for (const auto event : before)
        {
            const auto other = *a++;
            EXPECT_EQ (other.samplePosition, event.samplePosition);
            ASSERT_EQ (other.numBytes, event.numBytes);
            EXPECT_EQ (std::memcmp (other.data, event.data, (size_t) event.numBytes), 0);
        }
    }

    //==============================================================================
   #if ZK_TEST_HAS_MXCSR
    class FloatingPointState : public ::testing::TestWithParam<unsigned int>
    {
    };

    TEST_P (FloatingPointState, IsWhatItWasBeforeTheCall)
    {
        auto processor = makeEnabledProcessor();
        processor->prepareToPlay (48000.0, 256);
        setReal (*processor, "depth", 60.0f);
        setReal (*processor, "rate", 7.0f);

        auto buffer = makeTestSignal (256, 48000.0);
        juce::MidiBuffer midi;

        const auto saved = _mm_getcsr();
        const unsigned int state = GetParam();

        _mm_setcsr (state);
        const auto before = _mm_getcsr();
        processor->processBlock (buffer, midi);
        const auto after = _mm_getcsr();
        _mm_setcsr (saved);

        EXPECT_EQ (after, before);
    }

    INSTANTIATE_TEST_SUITE_P (ControlWords, FloatingPointState,
                              ::testing::Values (0x1f80u,           // the default
                                                 0x1f80u | 0x8040u, // flush-to-zero and denormals-are-zero already on
                                                 0x1f80u | 0x6000u, // rounding toward zero
                                                 0x1f80u | 0x0020u, // a sticky inexact flag
                                                 0x1f80u | 0x0040u)); // denormals-are-zero alone

    TEST (FloatingPointState, DenormalsAreFlushedDuringTheCall)
    {
        const float tiny = 1.0e-40f;
        ASSERT_EQ (std::fpclassify (tiny), FP_SUBNORMAL);

        // Outside the call this thread keeps denormals: the same arithmetic returns them.
        volatile float a = tiny;
        volatile float zero = 0.0f;
        const float outside = (zero - a) * zero + a;
        ASSERT_EQ (outside, tiny);
        ASSERT_EQ ((tiny + tiny) * 0.5f, tiny);

        // Depth 0 and width 100 % at once: the path is exact, so without the flush
        // the denormal input would come out unchanged.
        auto processor = makeEnabledProcessor();
        juce::AudioBuffer<float> buffer (2, 8);
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < 8; ++i)
                buffer.setSample (ch, i, tiny);

        juce::MidiBuffer midi;
        processor->processBlock (buffer, midi);

        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < 8; ++i)
                EXPECT_EQ (buffer.getSample (ch, i), 0.0f) << ch << " " << i;

        // And normal numbers pass untouched along the same path.
        juce::AudioBuffer<float> normal (2, 8);
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < 8; ++i)
                normal.setSample (ch, i, 0.375f);

        processor->processBlock (normal, midi);
        EXPECT_EQ (normal.getSample (0, 7), 0.375f);
    }
   #endif

    //==============================================================================
    TEST (ProcessorStartUp, WidthOpensFromMonoOverOneRampAfterTheFirstPrepare)
    {
        for (const auto& [sampleRate, rampLength] : { std::pair { 44100.0, 4410 }, std::pair { 48000.0, 4800 } })
        {
            SCOPED_TRACE (sampleRate);
            auto processor = makeEnabledProcessor();
            processor->prepareToPlay (sampleRate, 512);

            // (1, -1) is all side: with depth 0 the output is the smoothed width itself.
            const int total = rampLength + 100;
            juce::AudioBuffer<float> buffer (2, total);
            for (int i = 0; i < total; ++i)
            {
                buffer.setSample (0, i, 1.0f);
                buffer.setSample (1, i, -1.0f);
            }

            juce::MidiBuffer midi;
            for (int start = 0; start < total; start += 512)
            {
                juce::AudioBuffer<float> block (buffer.getArrayOfWritePointers(), 2, start, juce::jmin (512, total - start));
                processor->processBlock (block, midi);
            }

            const float step = 1.0f / static_cast<float> (rampLength);
            EXPECT_EQ (buffer.getSample (0, 0), step);
            EXPECT_EQ (buffer.getSample (1, 0), -step);
            EXPECT_EQ (buffer.getSample (0, 1), step + step);
            EXPECT_LT (buffer.getSample (0, rampLength - 2), 1.0f);
            EXPECT_EQ (buffer.getSample (0, rampLength - 1), 1.0f);

            for (int i = 1; i < total; ++i)
                ASSERT_GE (buffer.getSample (0, i), buffer.getSample (0, i - 1)) << i;

            for (int i = rampLength - 1; i < total; ++i)
            {
                ASSERT_EQ (buffer.getSample (0, i), 1.0f) << i;
                ASSERT_EQ (buffer.getSample (1, i), -1.0f) << i;
            }

            // A later prepare starts no ramp again.
            processor->prepareToPlay (sampleRate, 512);
            juce::AudioBuffer<float> again (2, 4);
            for (int i = 0; i < 4; ++i)
            {
                again.setSample (0, i, 1.0f);
                again.setSample (1, i, -1.0f);
            }

            processor->processBlock (again, midi);
            EXPECT_EQ (again.getSample (0, 0), 1.0f);
        }
    }

    TEST (ProcessorLifecycle, PrepareAndReleaseDoNotRestartTheVibrato)
    {
        const auto configure = [] (ZKUndularAudioProcessor& p)
        {
            setReal (p, "shape", 1.0f);
            setReal (p, "rate", 5.0f);
            setReal (p, "depth", 50.0f);
            setReal (p, "phase", 30.0f);
            setReal (p, "width", 80.0f);
            p.prepareToPlay (44100.0, 512);
        };

        auto interrupted = makeEnabledProcessor();
        auto continuous = makeEnabledProcessor();
        configure (*interrupted);
        configure (*continuous);

        auto first = makeTestSignal (20000, 44100.0);
        juce::AudioBuffer<float> second (first);
        juce::MidiBuffer midi;

        const auto run = [&midi] (ZKUndularAudioProcessor& p, juce::AudioBuffer<float>& audio, int from, int to)
        {
            for (int start = from; start < to; start += 500)
            {
                juce::AudioBuffer<float> block (audio.getArrayOfWritePointers(), 2, start, juce::jmin (500, to - start));
                p.processBlock (block, midi);
            }
        };

        // Past the start-up ramp, then a pause of the host.
        run (*interrupted, first, 0, 10000);
        const auto phase = interrupted->vibrato.lfo.phase;
        const auto writeIndex = interrupted->vibrato.delayLeft.writeIndex;
        interrupted->releaseResources();
        interrupted->prepareToPlay (44100.0, 512);
        interrupted->reset();
        EXPECT_EQ (interrupted->vibrato.lfo.phase, phase);
        EXPECT_EQ (interrupted->vibrato.delayLeft.writeIndex, writeIndex);
        run (*interrupted, first, 10000, 20000);

        run (*continuous, second, 0, 20000);

        for (int ch = 0; ch < 2; ++ch)
            EXPECT_EQ (std::memcmp (first.getReadPointer (ch), second.getReadPointer (ch), sizeof (float) * 20000), 0) << ch;
    }

    TEST (ProcessorLifecycle, ExtremeSampleRateNeverReadsOutsideTheLines)
    {
        // At 10 MHz the slowest rate at full depth asks for up to 25,000,000 samples
        // of delay, more than the lines hold. Targets are taken at once (a block before
        // any prepare), so the right channel sits at the peak from the start.
        auto processor = makeEnabledProcessor();
        setReal (*processor, "rate", 0.01f);
        setReal (*processor, "depth", 100.0f);
        setReal (*processor, "phase", 25.0f);

        juce::MidiBuffer midi;
        juce::AudioBuffer<float> first (2, 1);
        first.clear();
        processor->processBlock (first, midi);
        processor->prepareToPlay (10.0e6, 4096);

        for (int block = 0; block < 8; ++block)
        {
            auto audio = makeTestSignal (4096, 10.0e6, (uint32_t) block + 1u);
            processor->processBlock (audio, midi);

            // Only a few thousand samples have been written: everything that far back
            // in the lines is still silence.
            for (int ch = 0; ch < 2; ++ch)
                for (int i = 0; i < 4096; ++i)
                    ASSERT_EQ (audio.getSample (ch, i), 0.0f) << block << " " << ch << " " << i;
        }
    }
} // namespace

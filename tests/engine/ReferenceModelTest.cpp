// The processor's output, block by block through the offline host, against the
// independent per-sample model in ReferenceEngine.h: the same bits, sample for sample.

#include "EngineTestSupport.h"
#include "OfflineHost.h"
#include "ReferenceEngine.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace enginetest;

namespace
{
    struct Segment
    {
        std::vector<std::pair<const char*, float>> changes;
        int numSamples = 0;
        int blockSize = 512;
        double prepareAt = 0.0;       // prepareToPlay at this rate before the segment
        bool emptyBlockFirst = false; // a zero-length block right after the changes
    };

    struct ModelCase
    {
        const char* name;
        double sampleRate;
        bool prepareFirst;
        std::vector<Segment> segments;
        int firstWriteIndex = -1; // >= 0: both lines start there, at their full length
    };

    void PrintTo (const ModelCase& c, std::ostream* os) { *os << c.name; }

    reference::ParameterValues valuesOf (ZKUndularAudioProcessor& processor)
    {
        return { rawValue (processor, "shape"), rawValue (processor, "rate"), rawValue (processor, "depth"),
                 rawValue (processor, "phase"), rawValue (processor, "width") };
    }

    class ReferenceModel : public ::testing::TestWithParam<ModelCase>
    {
    };

    TEST_P (ReferenceModel, ProcessorOutputEqualsTheModelBitForBit)
    {
        const auto& c = GetParam();

        OfflineHost host;
        auto& processor = dynamic_cast<ZKUndularAudioProcessor&> (host.getProcessor());
        std::unique_ptr<reference::Engine> model;

        if (c.firstWriteIndex >= 0)
        {
            model = std::make_unique<reference::Engine> (my::VibratoProcessor::delayLineLength, c.firstWriteIndex);
            processor.vibrato.delayLeft.writeIndex = c.firstWriteIndex;
            processor.vibrato.delayRight.writeIndex = c.firstWriteIndex;
        }
        else
        {
            model = std::make_unique<reference::Engine>();
        }

        int total = 0;
        for (const auto& segment : c.segments)
            total += segment.numSamples;

        auto audio = makeTestSignal (total, c.sampleRate);
        juce::AudioBuffer<float> expected (audio);

        if (c.prepareFirst)
        {
            host.prepare (c.sampleRate, 512);
            model->prepare (c.sampleRate);
        }

        juce::MidiBuffer midi;
        int position = 0;

        for (const auto& segment : c.segments)
        {
            if (segment.prepareAt > 0.0)
            {
                host.prepare (segment.prepareAt, segment.blockSize);
                model->prepare (segment.prepareAt);
            }

            for (const auto& [id, value] : segment.changes)
                ASSERT_TRUE (host.setParameter (id, value)) << id;

            const auto values = valuesOf (processor);

            if (segment.emptyBlockFirst)
            {
                juce::AudioBuffer<float> empty (2, 0);
                processor.processBlock (empty, midi);
                model->processBlock (nullptr, nullptr, 0, values);
            }

            juce::AudioBuffer<float> part (audio.getArrayOfWritePointers(), 2, position, segment.numSamples);
            host.process (part, segment.blockSize);

            for (int start = 0; start < segment.numSamples; start += segment.blockSize)
            {
                const auto length = juce::jmin (segment.blockSize, segment.numSamples - start);
                model->processBlock (expected.getWritePointer (0, position + start),
                                     expected.getWritePointer (1, position + start),
                                     length, values);
            }

            position += segment.numSamples;
        }

        for (int channel = 0; channel < 2; ++channel)
        {
            const auto* got = audio.getReadPointer (channel);
            const auto* want = expected.getReadPointer (channel);

            if (std::memcmp (got, want, sizeof (float) * (size_t) total) == 0)
                continue;

            for (int i = 0; i < total; ++i)
                if (! sameBits (got[i], want[i]))
                    FAIL() << c.name << ": channel " << channel << " differs first at sample " << i
                           << ": processor " << juce::String (got[i], 9) << ", model " << juce::String (want[i], 9);
        }

        // The run must have done something audible, or the comparison proves little.
        EXPECT_GT (audio.getMagnitude (0, total), 0.0f);
    }

    const std::vector<std::pair<const char*, float>> sineSettings { { "shape", 0.0f }, { "rate", 5.0f }, { "depth", 40.0f },
                                                                    { "phase", 50.0f }, { "width", 70.0f } };

    const ModelCase modelCases[] = {
        { "DefaultsAt44k", 44100.0, true, { { {}, 44100, 512 } } },
        { "SineAt48k", 48000.0, true, { { sineSettings, 72000, 256 } } },
        { "TriangleAt96kInOneSampleBlocks", 96000.0, true,
          { { { { "shape", 1.0f }, { "rate", 0.5f }, { "depth", 100.0f }, { "phase", 25.0f }, { "width", 30.0f } }, 30000, 1 },
            { {}, 60000, 4096 } } },
        { "FastFullDepthAt192k", 192000.0, true,
          { { { { "rate", 30.0f }, { "depth", 100.0f }, { "phase", 100.0f }, { "width", 0.0f } }, 96000, 4096 } } },
        { "SlowestRateAt11k", 11025.0, true,
          { { { { "shape", 1.0f }, { "rate", 0.01f }, { "depth", 100.0f }, { "phase", 75.0f }, { "width", 35.0f } }, 33075, 1000 } } },
        { "TriangleAt22kLargeBlocks", 22050.0, true,
          { { { { "shape", 1.0f }, { "rate", 12.5f }, { "depth", 77.0f }, { "phase", 33.0f }, { "width", 66.0f } }, 44100, 8192 } } },
        { "AutomationBetweenBlocksAt44k", 44100.0, true,
          {
              { { { "rate", 2.0f }, { "depth", 30.0f }, { "phase", 10.0f }, { "width", 80.0f } }, 3000, 64 },
              { { { "rate", 8.0f } }, 1000, 64 },                                        // restarts mid-ramp
              { { { "rate", 8.0f }, { "depth", 30.0f } }, 2000, 64 },                    // same targets: ramps run on
              { { { "shape", 1.0f }, { "depth", 90.0f } }, 3000, 37, 0.0, true },        // empty block hands them over
              { { { "phase", 100.0f }, { "width", 0.0f } }, 5000, 512 },
              { { { "rate", 0.2f } }, 6000, 128, 48000.0 },                              // new sample rate
              { {}, 3000, 333, 48000.0 },                                                // prepared again, same rate
              { { { "shape", 0.0f }, { "rate", 30.0f }, { "depth", 100.0f }, { "phase", 0.0f }, { "width", 100.0f } }, 10000, 2048 },
              { { { "depth", 0.0f }, { "width", 50.0f } }, 6000, 100 },
          } },
        { "ProcessedBeforeAnyPrepare", 44100.0, false,
          {
              { { { "rate", 3.0f }, { "depth", 60.0f }, { "phase", 30.0f }, { "width", 50.0f } }, 2000, 512 }, // targets at once
              { { { "rate", 6.0f }, { "width", 100.0f } }, 10000, 512, 44100.0 },
          } },
        { "SlowestRateAt192k", 192000.0, true,
          { { { { "rate", 0.01f }, { "depth", 2.0f }, { "phase", 50.0f }, { "width", 90.0f } }, 192000, 4096 } } },
        { "FastestRateAt8k", 8000.0, true,
          { { { { "shape", 1.0f }, { "rate", 30.0f }, { "depth", 50.0f }, { "phase", 10.0f } }, 24000, 128 } } },
        { "PrepareWhileRamping", 44100.0, true,
          {
              { { { "rate", 9.0f }, { "depth", 70.0f }, { "phase", 60.0f }, { "width", 20.0f } }, 1000, 256 },
              { {}, 3000, 256, 96000.0 },                                   // ends every ramp at its target
              { { { "depth", 10.0f }, { "shape", 1.0f } }, 500, 100, 0.0, true },
              { {}, 2000, 100, 96000.0 },
          } },
        { "AcrossTheEndOfTheLines", 48000.0, true,
          {
              { { { "rate", 0.7f }, { "depth", 80.0f }, { "phase", 40.0f } }, 20000, 512 },
              { {}, 30000, 100 },     // steady, the writes and reads wrap at 16,000,000
              { { { "shape", 1.0f } }, 10000, 61 },
          },
          my::VibratoProcessor::delayLineLength - 25000 },
    };

    /** Seeded random automation: parameter changes, block sizes, empty blocks and
        prepares at other sample rates, many segments long. */
    std::vector<ModelCase> randomSchedules()
    {
        static const char* const names[] = { "RandomAutomation1", "RandomAutomation2", "RandomAutomation3" };
        const double rates[] = { 44100.0, 48000.0, 96000.0, 22050.0, 88200.0, 192000.0, 8000.0 };
        std::vector<ModelCase> cases;

        for (int seed = 1; seed <= 3; ++seed)
        {
            juce::Random random (seed * 7919);
            ModelCase c { names[seed - 1], rates[seed], true, {} };

            for (int s = 0; s < 40; ++s)
            {
                Segment segment;
                segment.numSamples = 1 + random.nextInt (3000);
                segment.blockSize = 1 + random.nextInt (juce::jmin (segment.numSamples, 700));
                segment.emptyBlockFirst = random.nextInt (6) == 0;

                if (random.nextInt (10) == 0)
                    segment.prepareAt = rates[random.nextInt (7)];

                for (int k = random.nextInt (4); --k >= 0;)
                {
                    switch (random.nextInt (5))
                    {
                        case 0:  segment.changes.push_back ({ "shape", (float) random.nextInt (2) }); break;
                        case 1:  segment.changes.push_back ({ "rate", 0.01f + 29.99f * random.nextFloat() * random.nextFloat() }); break;
                        case 2:  segment.changes.push_back ({ "depth", 100.0f * random.nextFloat() }); break;
                        case 3:  segment.changes.push_back ({ "phase", 100.0f * random.nextFloat() }); break;
                        default: segment.changes.push_back ({ "width", 100.0f * random.nextFloat() }); break;
                    }
                }

                c.segments.push_back (segment);
            }

            cases.push_back (c);
        }

        return cases;
    }

    INSTANTIATE_TEST_SUITE_P (ModelRandomRuns, ReferenceModel, ::testing::ValuesIn (randomSchedules()),
                              [] (const ::testing::TestParamInfo<ModelCase>& run) { return std::string (run.param.name); });

    INSTANTIATE_TEST_SUITE_P (ModelRuns, ReferenceModel, ::testing::ValuesIn (modelCases),
                              [] (const ::testing::TestParamInfo<ModelCase>& run) { return std::string (run.param.name); });
} // namespace

// processBlock cost per stereo frame, driven the way a host drives the plug-in.
// Reported as "per_frame" (time per stereo frame); the input is noise processed
// in place. Only the processing is timed: the host's parameter changes between
// blocks are not.

#include "OfflineHost.h"
#include "PluginProcessor.h"
#include "stress/ReferencePath.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

namespace
{
    struct Settings
    {
        float rate, depth, phase, width;
    };

    // A steady, clearly audible vibrato, and a second setting that every smoother
    // has to ramp to from the first.
    constexpr Settings vibratoA { 5.0f, 40.0f, 50.0f, 70.0f };
    constexpr Settings vibratoB { 6.0f, 50.0f, 60.0f, 80.0f };

    enum class Scenario
    {
        defaults,
        steady,
        ramping,   // one new setting per ramp length: every smoother ramps all the time
        automation // a DAW's automation: new rate, depth, phase and width every block
    };

    void apply (OfflineHost& host, const Settings& s)
    {
        host.setParameter ("rate", s.rate);
        host.setParameter ("depth", s.depth);
        host.setParameter ("phase", s.phase);
        host.setParameter ("width", s.width);
    }

    juce::AudioBuffer<float> makeNoise (int numSamples)
    {
        juce::AudioBuffer<float> buffer (2, numSamples);
        juce::Random random (1);

        for (int channel = 0; channel < 2; ++channel)
            for (int i = 0; i < numSamples; ++i)
                buffer.setSample (channel, i, random.nextFloat() - 0.5f);

        return buffer;
    }

    /** The automation of block n: slow sweeps around vibratoA, a new value of
        each parameter on every block. */
    Settings automated (int n)
    {
        const auto t = static_cast<float> (n);
        return { vibratoA.rate + std::sin (t * 0.011f),
                 vibratoA.depth + 10.0f * std::sin (t * 0.007f + 1.0f),
                 vibratoA.phase + 20.0f * std::sin (t * 0.005f + 2.0f),
                 vibratoA.width + 20.0f * std::sin (t * 0.013f + 3.0f) };
    }

    void setFrameCounter (benchmark::State& state, int blockSize)
    {
        state.counters["per_frame"] = benchmark::Counter (
            static_cast<double> (state.iterations()) * blockSize,
            benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    }

    template <typename ProcessFn>
    void runProcessBlock (benchmark::State& state, Scenario scenario, ProcessFn&& process)
    {
        const auto sampleRate = static_cast<double> (state.range (0));
        const auto blockSize = static_cast<int> (state.range (1));

        OfflineHost host;
        host.prepare (sampleRate, blockSize);
        auto& processor = dynamic_cast<ZKUndularAudioProcessor&> (host.getProcessor());

        if (scenario != Scenario::defaults)
            apply (host, vibratoA);

        auto buffer = makeNoise (blockSize);

        // Let the start-up ramps end (0.1 s) before measuring.
        for (int done = 0; done < static_cast<int> (sampleRate * 0.2); done += blockSize)
            process (processor, buffer);

        // Ramping: change every target before a ramp can end, so every smoother
        // ramps on every measured sample.
        const int rampLength = static_cast<int> (std::floor (sampleRate * 0.1));
        const int blocksPerToggle = juce::jmax (1, rampLength / blockSize);
        int blocksSinceToggle = blocksPerToggle;
        bool useB = false;
        int blockIndex = 0;

        for (auto _ : state)
        {
            if (scenario == Scenario::ramping && blocksSinceToggle == blocksPerToggle)
            {
                useB = ! useB;
                apply (host, useB ? vibratoB : vibratoA);
                blocksSinceToggle = 0;
            }
            else if (scenario == Scenario::automation)
            {
                apply (host, automated (blockIndex));
            }

            const auto start = std::chrono::steady_clock::now();
            process (processor, buffer);
            benchmark::DoNotOptimize (buffer.getReadPointer (0));
            benchmark::ClobberMemory();
            const auto end = std::chrono::steady_clock::now();

            state.SetIterationTime (std::chrono::duration<double> (end - start).count());
            ++blocksSinceToggle;
            ++blockIndex;
        }

        setFrameCounter (state, blockSize);
    }

    void processThroughPlugin (ZKUndularAudioProcessor& processor, juce::AudioBuffer<float>& buffer)
    {
        static juce::MidiBuffer midi;
        processor.processBlock (buffer, midi);
    }

    void processThroughReference (ZKUndularAudioProcessor& processor, juce::AudioBuffer<float>& buffer)
    {
        reference::processBlock (processor, buffer);
    }

    void BM_ProcessBlock (benchmark::State& state, Scenario scenario)
    {
        runProcessBlock (state, scenario, processThroughPlugin);
    }

    void BM_ReferencePath (benchmark::State& state, Scenario scenario)
    {
        runProcessBlock (state, scenario, processThroughReference);
    }

    void sampleRatesAndBlocks (benchmark::internal::Benchmark* b)
    {
        b->ArgNames ({ "sr", "block" });

        for (const int sampleRate : { 44100, 48000, 96000 })
            for (const int blockSize : { 32, 512, 4096 })
                b->Args ({ sampleRate, blockSize });

        b->Unit (benchmark::kMicrosecond);
        b->UseManualTime();

        // On a shared machine the fastest of several repetitions is the one
        // least disturbed (--benchmark_repetitions=N).
        b->ComputeStatistics ("min", [] (const std::vector<double>& v)
                              { return *std::min_element (v.begin(), v.end()); });
    }
} // namespace

BENCHMARK_CAPTURE (BM_ProcessBlock, Default, Scenario::defaults)->Apply (sampleRatesAndBlocks);
BENCHMARK_CAPTURE (BM_ProcessBlock, Steady, Scenario::steady)->Apply (sampleRatesAndBlocks);
BENCHMARK_CAPTURE (BM_ProcessBlock, Ramping, Scenario::ramping)->Apply (sampleRatesAndBlocks);
BENCHMARK_CAPTURE (BM_ProcessBlock, Automation, Scenario::automation)->Apply (sampleRatesAndBlocks);

// The plain per-sample path, for comparison with the block path above.
BENCHMARK_CAPTURE (BM_ReferencePath, Default, Scenario::defaults)->Apply (sampleRatesAndBlocks);
BENCHMARK_CAPTURE (BM_ReferencePath, Steady, Scenario::steady)->Apply (sampleRatesAndBlocks);
BENCHMARK_CAPTURE (BM_ReferencePath, Ramping, Scenario::ramping)->Apply (sampleRatesAndBlocks);
BENCHMARK_CAPTURE (BM_ReferencePath, Automation, Scenario::automation)->Apply (sampleRatesAndBlocks);

namespace
{
    /** One stage alone, steady vibrato settings, 48 kHz: where the time goes. */
    template <bool vibratoStage>
    void BM_Stage (benchmark::State& state)
    {
        const auto blockSize = static_cast<int> (state.range (0));
        OfflineHost host;
        host.prepare (48000.0, blockSize);
        apply (host, vibratoA);
        auto& processor = dynamic_cast<ZKUndularAudioProcessor&> (host.getProcessor());
        auto buffer = makeNoise (blockSize);

        for (int done = 0; done < 9600; done += blockSize)
            processThroughPlugin (processor, buffer);

        const juce::ScopedNoDenormals noDenormals;
        juce::dsp::AudioBlock<float> block (buffer);

        for (auto _ : state)
        {
            if constexpr (vibratoStage)
                processor.vibrato.processAudioBlock (block);
            else
                processor.stereoEnhancer.processAudioBlock (block);

            benchmark::ClobberMemory();
        }

        setFrameCounter (state, blockSize);
    }
} // namespace

BENCHMARK_TEMPLATE (BM_Stage, true)->Name ("Stage/Vibrato/sr:48000")->Arg (512)->ArgName ("block");
BENCHMARK_TEMPLATE (BM_Stage, false)->Name ("Stage/Width/sr:48000")->Arg (512)->ArgName ("block");

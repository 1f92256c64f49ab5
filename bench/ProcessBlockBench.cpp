// processBlock cost per stereo frame, driven the way a host drives the plug-in.
// Reported as "per_frame" (time per stereo frame); the input is noise processed
// in place. Only the processing is timed: the host's parameter changes between
// blocks are not.

#include "OfflineHost.h"
#include "PluginProcessor.h"
#include "stress/ReferencePath.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <memory>
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

    void processThroughPlugin (ZKUndularAudioProcessor& processor, juce::AudioBuffer<float>& buffer)
    {
        static juce::MidiBuffer midi;
        processor.processBlock (buffer, midi);
    }

    void processThroughReference (ZKUndularAudioProcessor& processor, juce::AudioBuffer<float>& buffer)
    {
        reference::processBlock (processor, buffer);
    }

    using ProcessFn = void (*) (ZKUndularAudioProcessor&, juce::AudioBuffer<float>&);

    /** A hosted plug-in in one scenario: before each block it makes the
        parameter changes that the scenario's host makes. */
    class ScenarioRun
    {
    public:
        ScenarioRun (Scenario s, double sampleRate, int blockSize, ProcessFn processFn)
            : scenario (s),
              process (processFn),
              buffer (makeNoise (blockSize)),
              blocksPerToggle (juce::jmax (1, static_cast<int> (std::floor (sampleRate * 0.1)) / blockSize))
        {
            host.prepare (sampleRate, blockSize);

            if (scenario != Scenario::defaults)
                apply (host, vibratoA);

            // Let the start-up ramps end (0.1 s) before measuring.
            for (int done = 0; done < static_cast<int> (sampleRate * 0.2); done += blockSize)
                process (processor(), buffer);
        }

        /** Processes one block after the scenario's changes; returns the
            seconds that the processing took. */
        double nextBlock()
        {
            if (scenario == Scenario::ramping && blockIndex % blocksPerToggle == 0)
                apply (host, (blockIndex / blocksPerToggle) % 2 == 0 ? vibratoB : vibratoA);
            else if (scenario == Scenario::automation)
                apply (host, automated (blockIndex));

            ++blockIndex;

            const auto start = std::chrono::steady_clock::now();
            process (processor(), buffer);
            benchmark::DoNotOptimize (buffer.getReadPointer (0));
            benchmark::ClobberMemory();
            const auto end = std::chrono::steady_clock::now();
            return std::chrono::duration<double> (end - start).count();
        }

    private:
        ZKUndularAudioProcessor& processor()
        {
            return dynamic_cast<ZKUndularAudioProcessor&> (host.getProcessor());
        }

        /** The automation of block n: slow sweeps around vibratoA, a new value
            of each parameter on every block. */
        static Settings automated (int n)
        {
            const auto t = static_cast<float> (n);
            return { vibratoA.rate + std::sin (t * 0.011f),
                     vibratoA.depth + 10.0f * std::sin (t * 0.007f + 1.0f),
                     vibratoA.phase + 20.0f * std::sin (t * 0.005f + 2.0f),
                     vibratoA.width + 20.0f * std::sin (t * 0.013f + 3.0f) };
        }

        Scenario scenario;
        ProcessFn process;
        OfflineHost host;
        juce::AudioBuffer<float> buffer;
        int blocksPerToggle;
        int blockIndex = 0;
    };

    void setFrameCounter (benchmark::State& state, int blockSize)
    {
        state.counters["per_frame"] = benchmark::Counter (
            static_cast<double> (state.iterations()) * blockSize,
            benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    }

    void runProcessBlock (benchmark::State& state, Scenario scenario, ProcessFn process)
    {
        const auto blockSize = static_cast<int> (state.range (1));
        ScenarioRun run (scenario, static_cast<double> (state.range (0)), blockSize, process);

        for (auto _ : state)
            state.SetIterationTime (run.nextBlock());

        setFrameCounter (state, blockSize);
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

    /** Steady, single ramp and automation side by side: one block of each in
        turn, and of each case its fastest block. Whatever else the machine
        runs disturbs all three alike, and some blocks of each run undisturbed,
        so the ratios hold on a busy machine. */
    void BM_Interleaved (benchmark::State& state, ProcessFn process)
    {
        const auto blockSize = static_cast<int> (state.range (1));
        const auto sampleRate = static_cast<double> (state.range (0));
        const std::array<Scenario, 3> scenarios { Scenario::steady, Scenario::ramping, Scenario::automation };
        std::vector<std::unique_ptr<ScenarioRun>> runs;
        std::array<double, 3> fastest;
        fastest.fill (1.0e9);

        for (const auto scenario : scenarios)
            runs.push_back (std::make_unique<ScenarioRun> (scenario, sampleRate, blockSize, process));

        for (auto _ : state)
            for (size_t i = 0; i < runs.size(); ++i)
                fastest[i] = std::min (fastest[i], runs[i]->nextBlock());

        const auto perFrame = [blockSize] (double seconds) { return seconds * 1.0e9 / blockSize; };
        state.counters["steady_ns"] = perFrame (fastest[0]);
        state.counters["ramp_ns"] = perFrame (fastest[1]);
        state.counters["automation_ns"] = perFrame (fastest[2]);
        state.counters["automation_vs_steady"] = fastest[2] / fastest[0];
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

BENCHMARK_CAPTURE (BM_Interleaved, ProcessBlock, processThroughPlugin)
    ->ArgNames ({ "sr", "block" })->Args ({ 48000, 32 })->Args ({ 48000, 512 })->Args ({ 48000, 4096 })
    ->Iterations (10000);
BENCHMARK_CAPTURE (BM_Interleaved, ReferencePath, processThroughReference)
    ->ArgNames ({ "sr", "block" })->Args ({ 48000, 32 })->Args ({ 48000, 512 })->Args ({ 48000, 4096 })
    ->Iterations (10000);

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

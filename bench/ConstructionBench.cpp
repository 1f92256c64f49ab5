// Construction time of the processor and the memory it holds right after
// construction: the two 16,000,000-sample delay lines (2 x 64 MB) are allocated
// and cleared in the constructor, so all their pages are resident at once.

#include "PluginProcessor.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <vector>
#include <unistd.h>

namespace
{
    /** Resident set size of this process in bytes, from /proc/self/statm. */
    double residentBytes()
    {
        std::ifstream statm ("/proc/self/statm");
        long size = 0, resident = 0;
        statm >> size >> resident;
        return static_cast<double> (resident) * static_cast<double> (sysconf (_SC_PAGESIZE));
    }

    void BM_Construction (benchmark::State& state)
    {
        double residentGrowth = 0.0;

        for (auto _ : state)
        {
            const auto before = residentBytes();
            auto processor = std::make_unique<ZKUndularAudioProcessor>();
            benchmark::DoNotOptimize (processor.get());

            state.PauseTiming();
            residentGrowth = residentBytes() - before;
            processor.reset();
            state.ResumeTiming();
        }

        state.counters["rss_growth_MB"] = residentGrowth / (1024.0 * 1024.0);
    }

    void BM_ResidentAfterConstruction (benchmark::State& state)
    {
        double resident = 0.0;

        for (auto _ : state)
        {
            auto processor = std::make_unique<ZKUndularAudioProcessor>();
            resident = residentBytes();
            benchmark::DoNotOptimize (processor.get());
        }

        state.counters["rss_MB"] = resident / (1024.0 * 1024.0);
    }
} // namespace

// Fastest of several repetitions on a shared machine: --benchmark_repetitions=N.
BENCHMARK (BM_Construction)->Unit (benchmark::kMillisecond)->Iterations (10)
    ->ComputeStatistics ("min", [] (const std::vector<double>& v) { return *std::min_element (v.begin(), v.end()); });
BENCHMARK (BM_ResidentAfterConstruction)->Unit (benchmark::kMillisecond)->Iterations (1);

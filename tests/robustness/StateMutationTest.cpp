// A seeded, bounded mutation loop over real saved blocks and the hostile corpus:
// what a fuzzer does, run deterministically in every build of the suite.

#include "MeasuredRead.h"
#include "MyStateReader.h"
#include "StateTestSupport.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <vector>

using namespace robustness;

namespace
{
    /** Damages blocks the ways a broken file or a malicious one would. */
    class BlockMutator final
    {
    public:
        explicit BlockMutator (std::uint32_t seed) : random (seed) {}

        juce::MemoryBlock mutate (const juce::MemoryBlock& original)
        {
            std::vector<std::uint8_t> bytes (static_cast<const std::uint8_t*> (original.getData()),
                                             static_cast<const std::uint8_t*> (original.getData()) + original.getSize());

            for (auto n = 1 + below (4); n > 0; --n)
                mutateOnce (bytes);

            return { bytes.data(), bytes.size() };
        }

        size_t below (size_t limit) { return limit == 0 ? 0 : std::uniform_int_distribution<size_t> (0, limit - 1) (random); }

    private:
        void mutateOnce (std::vector<std::uint8_t>& bytes)
        {
            // Size bytes, type markers and the values around a count's edges.
            static const std::uint8_t interesting[] = { 0x00, 0x01, 0x02, 0x04, 0x05, 0x07, 0x08, 0x09, 0x7f, 0x80, 0x81, 0x84, 0xff };

            // Compressed ints far beyond any block: 2^31-1, -2^31, 2^30, a size byte claiming 5 bytes.
            static const std::vector<std::uint8_t> hugeInts[] = {
                { 0x04, 0xff, 0xff, 0xff, 0x7f }, { 0x84, 0x00, 0x00, 0x00, 0x80 },
                { 0x04, 0x00, 0x00, 0x00, 0x40 }, { 0x03, 0xff, 0xff, 0xff }, { 0x05 }, { 0x84, 0xff, 0xff, 0xff, 0x7f }
            };

            const auto at = below (bytes.size() + 1);
            const auto inside = bytes.empty() ? 0 : juce::jmin (at, bytes.size() - 1);

            switch (below (8))
            {
                case 0:
                    if (! bytes.empty())
                        bytes[inside] ^= static_cast<std::uint8_t> (1u << below (8));
                    break;

                case 1:
                    if (! bytes.empty())
                        bytes[inside] = interesting[below (std::size (interesting))];
                    break;

                case 2:
                    bytes.resize (at);
                    break;

                case 3:
                    for (auto n = 1 + below (8); n > 0; --n)
                        bytes.insert (bytes.begin() + static_cast<std::ptrdiff_t> (at), static_cast<std::uint8_t> (below (256)));
                    break;

                case 4:
                {
                    const auto& huge = hugeInts[below (std::size (hugeInts))];
                    bytes.insert (bytes.begin() + static_cast<std::ptrdiff_t> (at), huge.begin(), huge.end());
                    break;
                }

                case 5:
                {
                    const auto& huge = hugeInts[below (std::size (hugeInts))];

                    for (size_t i = 0; i < huge.size() && inside + i < bytes.size(); ++i)
                        bytes[inside + i] = huge[i];

                    break;
                }

                case 6:
                    bytes.erase (bytes.begin() + static_cast<std::ptrdiff_t> (inside),
                                 bytes.begin() + static_cast<std::ptrdiff_t> (juce::jmin (bytes.size(), inside + 1 + below (16))));
                    break;

                default:
                {
                    // A copy of a stretch of the block elsewhere in it: trees inside trees.
                    const auto from = below (bytes.size());
                    const auto length = juce::jmin (bytes.size() - from, 1 + below (64));
                    const std::vector<std::uint8_t> stretch (bytes.begin() + static_cast<std::ptrdiff_t> (from),
                                                             bytes.begin() + static_cast<std::ptrdiff_t> (from + length));
                    bytes.insert (bytes.begin() + static_cast<std::ptrdiff_t> (at), stretch.begin(), stretch.end());
                    break;
                }
            }
        }

        std::mt19937 random;
    };

    std::vector<juce::MemoryBlock> seedBlocks()
    {
        std::vector<juce::MemoryBlock> seeds;

        for (const auto& block : realSavedBlocks())
            seeds.push_back (block.bytes);

        // The large corpus blocks (many elements, deep nesting) are read whole
        // by the corpus test; here they would only slow every iteration.
        for (const auto& block : loadCorpus())
            if (block.bytes.getSize() <= 4096)
                seeds.push_back (block.bytes);

        auto everything = makeEveryTypeTree();
        everything.removeProperty ("long string", nullptr);
        seeds.push_back (writeTree (everything));
        return seeds;
    }
} // namespace

TEST (StateMutation, SeededMutationsNeverHurtTheReaderOrTheProcessor)
{
    ASSERT_TRUE (ScopedAllocationCounter::isCounting());

    const auto seeds = seedBlocks();
    RestoreBench bench;
    BlockMutator mutator (1104);

   #if JUCE_DEBUG
    constexpr int iterations = 600;     // a few seconds under the sanitizers
   #else
    constexpr int iterations = 4000;
   #endif
    int compared = 0;
    double slowest = 0.0;

    for (int i = 0; i < iterations; ++i)
    {
        const auto block = mutator.mutate (seeds[mutator.below (seeds.size())]);
        SCOPED_TRACE ("iteration " + std::to_string (i) + ", " + std::to_string (block.getSize()) + " bytes");

        ReadCost cost;
        const auto ours = readMeasured (block, cost);
        slowest = juce::jmax (slowest, cost.milliseconds);

        ASSERT_LE (cost.mostBytes(), readerAllocationAllowance (block.getSize()));
        ASSERT_LE (nestingDepth (ours), my::StateReaderLimits::maxDepth);
        ASSERT_LE (countDistinctNames (ours), my::StateReaderLimits::maxDistinctNames);

        if (const auto matches = matchesFrameworkWhereComparable (block, ours))
        {
            ++compared;
            ASSERT_TRUE (*matches) << "differs from the framework's reading";
        }

        ASSERT_EQ (bench.restoreSaveAndProcess (block), juce::String());
    }

    EXPECT_LT (slowest, 2000.0);

    // Most damaged blocks stay tame enough to hold against the framework.
    EXPECT_GT (compared, iterations / 3);
}

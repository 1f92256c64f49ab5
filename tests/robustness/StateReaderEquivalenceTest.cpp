// The bounded state reader against the framework's reader, on blocks the
// framework's writer produces: real saved states, every value type, random
// trees, and every cut-off of them.

#include "MyStateReader.h"
#include "StateTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace robustness;

namespace
{
    juce::ValueTree readOurs (const juce::MemoryBlock& block)
    {
        return my::readStateTree (block.getData(), block.getSize());
    }

    /** Same validity, same tree, same bytes when written out again. */
    void expectReadsAsTheFrameworkReadsIt (const juce::MemoryBlock& block, const juce::String& what)
    {
        const auto ours = readOurs (block);
        const auto theirs = readWithFramework (block);

        EXPECT_EQ (ours.isValid(), theirs.isValid()) << what;
        EXPECT_TRUE (ours.isEquivalentTo (theirs)) << what;
        EXPECT_TRUE (sameBytes (rewrite (ours), rewrite (theirs))) << what;
    }

    juce::MemoryBlock firstBytes (const juce::MemoryBlock& block, size_t numBytes)
    {
        return { block.getData(), numBytes };
    }

    juce::ValueTree chainOfTrees (int levels)
    {
        juce::ValueTree root ("Level");

        for (auto tree = root; --levels > 0;)
        {
            juce::ValueTree child ("Level");
            tree.appendChild (child, nullptr);
            tree = child;
        }

        return root;
    }

    juce::var nestedArrays (int levels, const juce::Array<juce::var>& innermost = {})
    {
        juce::var value { innermost };

        while (--levels > 0)
            value = juce::Array<juce::var> { value };

        return value;
    }

    /** A root whose children have numNames distinct types, all but the root's. */
    juce::ValueTree treeOfNames (int numNames, const char* rootType = "Names")
    {
        juce::ValueTree root (rootType);

        for (int i = 0; i < numNames - (juce::String (rootType) == my::standInRootType ? 0 : 1); ++i)
            root.appendChild (juce::ValueTree ("name" + juce::String (i)), nullptr);

        return root;
    }

    /** A root with children of up to 16 elements each, numElements in all. */
    juce::ValueTree treeOfElements (int numElements)
    {
        juce::ValueTree root ("Elements");

        for (auto left = numElements - 1; left > 0;)
        {
            juce::ValueTree child ("Child");
            --left;

            for (int i = 0; i < 15 && left > 0; ++i, --left)
                child.setProperty ("p" + juce::String (i), i, nullptr);

            root.appendChild (child, nullptr);
        }

        return root;
    }
} // namespace

TEST (StateReaderEquivalence, RealSavedBlocksReadAsTheFrameworkReadsThem)
{
    for (const auto& [name, block] : realSavedBlocks())
    {
        expectReadsAsTheFrameworkReadsIt (block, name);

        // A saved block is exactly one tree, or two when saved twice into it.
        const auto written = rewrite (readOurs (block));
        EXPECT_TRUE (sameBytes (written, block) || sameBytes (written, firstBytes (block, block.getSize() / 2))) << name;
    }
}

TEST (StateReaderEquivalence, AFreshProcessorsBlockIsTheCommittedOne)
{
    // Keeps the corpus's real-default.bin (made by make-corpus.py) in step with the processor.
    const auto fresh = realSavedBlocks().front().bytes;

    const auto corpus = loadCorpus();
    const auto committed = std::find_if (corpus.begin(), corpus.end(), [] (const NamedBlock& b) { return b.name == "real-default.bin"; });

    ASSERT_NE (committed, corpus.end());
    EXPECT_TRUE (sameBytes (committed->bytes, fresh));
}

TEST (StateReaderEquivalence, EveryValueTypeReadsAsTheFrameworkReadsIt)
{
    const auto tree = makeEveryTypeTree();
    const auto block = writeTree (tree);

    expectReadsAsTheFrameworkReadsIt (block, "every type");
    EXPECT_TRUE (readOurs (block).isEquivalentTo (tree));
    EXPECT_TRUE (sameBytes (rewrite (readOurs (block)), block));
}

TEST (StateReaderEquivalence, ValuesThatCompareUnequalToThemselvesKeepTheirBytes)
{
    juce::ValueTree tree ("T");
    tree.setProperty ("undefined", juce::var::undefined(), nullptr);
    tree.setProperty ("nan", std::numeric_limits<double>::quiet_NaN(), nullptr);
    tree.setProperty ("infinity", std::numeric_limits<double>::infinity(), nullptr);
    tree.setProperty ("empty binary", juce::var (juce::MemoryBlock()), nullptr);
    tree.setProperty ("in array", juce::Array<juce::var> { juce::var::undefined(), -std::numeric_limits<double>::quiet_NaN(),
                                                           -std::numeric_limits<double>::infinity(), juce::var (juce::MemoryBlock()) },
                      nullptr);

    const auto block = writeTree (tree);
    const auto ours = readOurs (block);

    // isEquivalentTo finds NaN and infinity unequal to themselves (and trips on
    // empty binaries), so only the bytes can tell; undefined is read as void.
    EXPECT_TRUE (sameBytes (rewrite (ours), rewrite (readWithFramework (block))));
    EXPECT_TRUE (ours["undefined"].isVoid());
    EXPECT_TRUE (std::isnan (static_cast<double> (ours["nan"])));
}

TEST (StateReaderEquivalence, RandomTreesReadAsTheFrameworkReadsThem)
{
    juce::Random random (104);

    for (int i = 0; i < 300; ++i)
    {
        const auto tree = makeRandomTree (random, 6);
        const auto block = writeTree (tree);

        expectReadsAsTheFrameworkReadsIt (block, "random tree " + juce::String (i));
        EXPECT_TRUE (sameBytes (rewrite (readOurs (block)), block)) << i;
    }
}

TEST (StateReaderEquivalence, EveryCutOfARealBlockReadsAsTheFrameworkReadsIt)
{
    const auto blocks = realSavedBlocks();

    for (const auto* name : { "fresh processor", "audible settings", "restored foreign tree" })
    {
        const auto it = std::find_if (blocks.begin(), blocks.end(), [name] (const NamedBlock& b) { return b.name == name; });
        ASSERT_NE (it, blocks.end());

        for (size_t size = 0; size <= it->bytes.getSize(); ++size)
            expectReadsAsTheFrameworkReadsIt (firstBytes (it->bytes, size), juce::String (name) + " cut at " + juce::String (size));
    }
}

TEST (StateReaderEquivalence, EveryCutOfEveryValueTypeReadsAsTheFrameworkReadsIt)
{
    // Kept small (cut at every byte, read twice): no long string, and just
    // enough children for a two-byte count.
    auto tree = makeEveryTypeTree();
    tree.removeProperty ("long string", nullptr);
    tree.removeChild (tree.getChildWithName ("Many"), nullptr);

    juce::ValueTree many ("Many");

    for (int i = 0; i < 130; ++i)
        many.appendChild (juce::ValueTree ("c"), nullptr);

    tree.appendChild (many, nullptr);
    const auto block = writeTree (tree);

    for (size_t size = 0; size <= block.getSize(); ++size)
    {
        forgetUnusedPooledStrings();  // the framework pools the cut-off names
        const auto cut = firstBytes (block, size);
        const auto ours = readOurs (cut);
        const auto theirs = readWithFramework (cut);

        // The one difference: the framework fills an array cut short with voids.
        ASSERT_EQ (ours.isValid(), theirs.isValid()) << size;
        EXPECT_TRUE (sameBytes (rewrite (comparable (ours)), rewrite (comparable (theirs)))) << "cut at " << size;
        EXPECT_TRUE (rewrite (ours).getSize() <= rewrite (theirs).getSize()) << "cut at " << size;
    }
}

TEST (StateReaderEquivalence, TreesUpToTheLimitsReadAsTheFrameworkReadsThem)
{
    const auto limit = my::StateReaderLimits::maxDepth;

    juce::ValueTree deepArrays ("Arrays");
    deepArrays.setProperty ("nested", nestedArrays (limit - 1), nullptr);

    // However many trees, properties and array elements: each takes bytes of its own.
    for (const auto& tree : { chainOfTrees (limit), deepArrays, treeOfElements (50000),
                              treeOfNames (my::StateReaderLimits::maxDistinctNames) })
    {
        ASSERT_LE (nestingDepth (tree), limit);
        ASSERT_LE (countDistinctNames (tree), my::StateReaderLimits::maxDistinctNames);
        expectReadsAsTheFrameworkReadsIt (writeTree (tree), tree.getType().toString());
    }
}

TEST (StateReaderEquivalence, BeyondTheNameLimitReadingStopsAsIfTheBytesEnded)
{
    constexpr auto limit = my::StateReaderLimits::maxDistinctNames;

    // One name too many, then more of the names already in: all of it gone.
    auto root = treeOfNames (limit + 1);
    root.appendChild (juce::ValueTree ("name0"), nullptr);

    const auto ours = readOurs (writeTree (root));
    EXPECT_EQ (countDistinctNames (ours), limit);
    EXPECT_TRUE (sameBytes (rewrite (ours), rewrite (treeOfNames (limit))));
}

TEST (StateReaderEquivalence, TheNamesOfTheParameterTreeCountForNothing)
{
    // So a restore, which adds no other names, can never push a block it took
    // past the limit: the next save reads back whole.
    auto root = treeOfNames (my::StateReaderLimits::maxDistinctNames, my::standInRootType);
    root.setProperty ("id", "x", nullptr).setProperty ("value", 1, nullptr);
    root.appendChild (juce::ValueTree ("PARAM").setProperty ("id", "rate", nullptr).setProperty ("value", 2.0, nullptr), nullptr);

    expectReadsAsTheFrameworkReadsIt (writeTree (root), "own names");
}

TEST (StateReaderEquivalence, BeyondTheNestingLimitReadingStopsAsIfTheBytesEnded)
{
    const auto limit = my::StateReaderLimits::maxDepth;

    {
        // A chain one level too deep, then a sibling: both the last level and
        // everything after it are gone.
        juce::ValueTree root ("Root");
        root.appendChild (chainOfTrees (limit), nullptr);
        root.appendChild (juce::ValueTree ("After"), nullptr);
        root.setProperty ("kept", 1, nullptr);

        const auto ours = readOurs (writeTree (root));
        EXPECT_EQ (nestingDepth (ours), limit);
        EXPECT_EQ (ours.getNumChildren(), 1);
        EXPECT_TRUE (ours.getChild (0).isEquivalentTo (chainOfTrees (limit - 1)));
        EXPECT_EQ (ours["kept"], juce::var (1));
    }

    {
        juce::ValueTree root ("Arrays");
        root.setProperty ("nested", nestedArrays (limit), nullptr);
        root.setProperty ("after", 2, nullptr);

        const auto ours = readOurs (writeTree (root));
        EXPECT_EQ (nestingDepth (ours), limit);
        EXPECT_TRUE (ours["nested"] == nestedArrays (limit - 1, { juce::var() }));
        EXPECT_FALSE (ours.hasProperty ("after"));
    }
}

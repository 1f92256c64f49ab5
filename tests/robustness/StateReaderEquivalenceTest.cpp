// The bounded state reader against the framework's reader, on blocks the
// framework's writer produces: real saved states, every value type, random
// trees, and every cut-off of them; and on crafted blocks that repeat names.
// Last, counts that promise more than the bytes hold.

#include "MyStateReader.h"
#include "StateTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
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

    /** Names as a crafted block may spell them: plain, with the characters of
        another spelt the long way or cut short, and some that have no
        characters to write back. Each also serves as a type. */
    const char* const spellings[] = {
        "a", "b", "id", "value", "PARAM", "x y", "\xc3\xa9",
        // "a" twice and "\u00e9" once, spelt overlong
        "\xc1\xa1", "\xe0\x81\xa1", "\xe0\x83\xa9",
        // a lead byte cut short: both read as "\x03a"
        "\xc3" "a", "\x03" "a",
        // "a" and a character 0; then two with no characters to write back
        "a\xc0\x80" "b", "\xc0\x80", "\x80" "c"
    };

    /** Values a repeated name may take in turn: equal ones of the same type,
        equal ones of other types, and unequal ones. */
    juce::var repeatedNameValue (juce::Random& random)
    {
        switch (random.nextInt (12))
        {
            case 0:  return 1;
            case 1:  return 1.0;
            case 2:  return 0.0;
            case 3:  return -0.0;
            case 4:  return "1";
            case 5:  return true;
            case 6:  return juce::var (static_cast<juce::int64> (1));
            case 7:  return juce::Array<juce::var> { 1 };
            case 8:  return juce::Array<juce::var> { 1.0 };
            case 9:  return juce::var (juce::MemoryBlock ("\x01", 1));
            case 10: return random.nextInt (3);
            default: return {};
        }
    }

    /** A tree in the stream format whose properties repeat names, in several
        spellings, and whose children repeat their parent's names and types:
        what no writer of the framework's writes, but any block may hold. */
    void writeRepeatedNamesTree (juce::MemoryOutputStream& out, juce::Random& random, int levelsLeft)
    {
        const auto writeName = [&]
        {
            const auto* name = spellings[random.nextInt (static_cast<int> (std::size (spellings)))];
            out.write (name, std::strlen (name) + 1);
        };

        writeName();

        const auto numProperties = random.nextInt (12);
        out.writeCompressedInt (numProperties);

        for (int i = 0; i < numProperties; ++i)
        {
            writeName();
            repeatedNameValue (random).writeToStream (out);
        }

        const auto numChildren = levelsLeft > 1 ? random.nextInt (4) : 0;
        out.writeCompressedInt (numChildren);

        for (int i = 0; i < numChildren; ++i)
            writeRepeatedNamesTree (out, random, levelsLeft - 1);
    }

    juce::MemoryBlock makeRepeatedNamesBlock (juce::Random& random)
    {
        juce::MemoryBlock block;
        juce::MemoryOutputStream out (block, false);
        writeRepeatedNamesTree (out, random, 3);
        out.flush();
        return block;
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

TEST (StateReaderEquivalence, RepeatedNamesInAnySpellingReadAsTheFrameworkReadsThem)
{
    // Which value a repeated name keeps, where its property stays, and which
    // spellings are one name: as the framework's reader has it, in every tree
    // of a block, with its parent's names or not, whole or cut short.
    juce::Random random (4096);

    for (int i = 0; i < 400; ++i)
    {
        const auto block = makeRepeatedNamesBlock (random);
        const auto cut = firstBytes (block, i % 4 == 0 ? static_cast<size_t> (random.nextInt (static_cast<int> (block.getSize()) + 1))
                                                       : block.getSize());
        const auto matches = matchesFrameworkWhereComparable (cut, readOurs (cut));

        ASSERT_TRUE (matches.has_value()) << "block " << i << " is beyond the comparison";
        EXPECT_TRUE (*matches) << "block " << i << ", " << cut.getSize() << " of " << block.getSize() << " bytes";
    }
}

//==============================================================================
namespace
{
    /** Where a count stands: of a tree's properties, of its children, or of an array's elements. */
    enum class Counted
    {
        properties,
        children,
        arrayElements
    };

    struct CountCase
    {
        const char* name;
        Counted counted;
        juce::int64 count; // as written: any 32-bit value, INT_MIN included
        int present;       // the items that follow it before the bytes end
    };

    std::ostream& operator<< (std::ostream& os, const CountCase& c) { return os << c.name; }

    /** A count as the stream writes it: a size byte with the sign in bit 7, then
        four little-endian bytes of the magnitude (which for INT_MIN is 2^31). */
    void writeCount (juce::MemoryOutputStream& out, juce::int64 count)
    {
        const auto magnitude = static_cast<juce::uint32> (count < 0 ? -count : count);
        out.writeByte (static_cast<char> (count < 0 ? 0x84 : 0x04));
        out.writeInt (static_cast<int> (magnitude));
    }

    /** A root "Root" whose count of the given kind is followed by only the
        present items, each of them an int 7 (a property "pN", a childless tree
        "Child" or an array element), after which the bytes end. */
    juce::MemoryBlock blockWithCount (const CountCase& c)
    {
        juce::MemoryOutputStream out;
        out.writeString ("Root");

        const auto writeInt7 = [&out]
        {
            out.writeCompressedInt (5);
            out.writeByte (1); // an int
            out.writeInt (7);
        };

        if (c.counted == Counted::properties)
        {
            writeCount (out, c.count);

            for (int i = 0; i < c.present; ++i)
            {
                out.writeString ("p" + juce::String (i));
                writeInt7();
            }

            return out.getMemoryBlock();
        }

        if (c.counted == Counted::arrayElements)
        {
            out.writeCompressedInt (1);
            out.writeString ("a");
            out.writeCompressedInt (1 + 5 + 6 * c.present);
            out.writeByte (7); // an array
            writeCount (out, c.count);

            for (int i = 0; i < c.present; ++i)
                writeInt7();

            return out.getMemoryBlock();
        }

        out.writeCompressedInt (0);
        writeCount (out, c.count);

        for (int i = 0; i < c.present; ++i)
        {
            out.writeString ("Child");
            out.writeCompressedInt (0);
            out.writeCompressedInt (0);
        }

        return out.getMemoryBlock();
    }

    class StateReaderCounts : public ::testing::TestWithParam<CountCase> {};
} // namespace

// Every tree, property and element read takes bytes of its own: a count is
// followed only while bytes remain, so a count past the end yields exactly the
// items that are there, and a negative one none.
TEST_P (StateReaderCounts, ACountReadsOnlyTheItemsTheBytesHold)
{
    const auto& c = GetParam();
    const auto tree = readOurs (blockWithCount (c));
    ASSERT_TRUE (tree.hasType ("Root"));

    const auto expectedProperties = c.counted == Counted::properties ? c.present
                                  : c.counted == Counted::arrayElements ? 1 : 0;
    EXPECT_EQ (tree.getNumProperties(), expectedProperties);
    EXPECT_EQ (tree.getNumChildren(), c.counted == Counted::children ? c.present : 0);

    if (c.counted == Counted::arrayElements)
    {
        const auto* elements = tree["a"].getArray();
        ASSERT_NE (elements, nullptr);
        EXPECT_EQ (elements->size(), c.present);

        for (const auto& element : *elements)
            EXPECT_TRUE (element.isInt() && static_cast<int> (element) == 7);
    }
}

INSTANTIATE_TEST_SUITE_P (
    PastTheEnd, StateReaderCounts,
    ::testing::Values (CountCase { "PropertiesOneMore", Counted::properties, 3, 2 },
                       CountCase { "PropertiesIntMax", Counted::properties, std::numeric_limits<int>::max(), 2 },
                       CountCase { "ChildrenOneMore", Counted::children, 3, 2 },
                       CountCase { "ChildrenIntMax", Counted::children, std::numeric_limits<int>::max(), 2 },
                       CountCase { "ElementsOneMore", Counted::arrayElements, 3, 2 },
                       CountCase { "ElementsAThousandMore", Counted::arrayElements, 1002, 2 },
                       CountCase { "ElementsAll", Counted::arrayElements, 2, 2 },
                       CountCase { "ElementsMinusOne", Counted::arrayElements, -1, 0 },
                       CountCase { "ElementsIntMin", Counted::arrayElements, std::numeric_limits<int>::min(), 0 },
                       CountCase { "PropertiesIntMin", Counted::properties, std::numeric_limits<int>::min(), 0 },
                       CountCase { "ChildrenIntMin", Counted::children, std::numeric_limits<int>::min(), 0 }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });

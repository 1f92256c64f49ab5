// The committed hostile blocks (tests/robustness/corpus): what the reader makes
// of each, what the processor does with it, and what it costs.

#include "AllocationCounter.h"
#include "MeasuredRead.h"
#include "MyStateReader.h"
#include "StateTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

using namespace robustness;

namespace
{
    using TreeCheck = void (*) (const juce::ValueTree&);
    using ProcessorCheck = void (*) (ZKUndularAudioProcessor&);

    struct CorpusCase
    {
        const char* file;
        const char* description;
        TreeCheck checkTree;
        ProcessorCheck checkProcessor;
    };

    float valueOf (ZKUndularAudioProcessor& processor, const char* id)
    {
        return processor.parameters.getRawParameterValue (id)->load();
    }

    void expectDefaults (ZKUndularAudioProcessor& processor)
    {
        EXPECT_EQ (valueOf (processor, "shape"), 0.0f);
        EXPECT_EQ (valueOf (processor, "rate"), 0.01f);
        EXPECT_EQ (valueOf (processor, "depth"), 0.0f);
        EXPECT_EQ (valueOf (processor, "phase"), 0.0f);
        EXPECT_EQ (valueOf (processor, "width"), 100.0f);
    }

    /** The framework turns every child's id into text; only a string's is safe. */
    void expectOnlyStringIds (const juce::ValueTree& state)
    {
        for (const auto& child : state)
            EXPECT_TRUE (! child.hasProperty ("id") || child["id"].isString());
    }

    void expectBareRoot (const juce::ValueTree& tree)
    {
        EXPECT_TRUE (tree.hasType ("Parameters"));
        EXPECT_EQ (tree.getNumProperties(), 0);
        EXPECT_EQ (tree.getNumChildren(), 0);
    }

    // The rate the table's processor checks start from, set before each block.
    constexpr float rateBefore = 12.0f;

    const CorpusCase corpusCases[] = {
        { "real-default.bin", "a block saved by a fresh processor",
          [] (const juce::ValueTree& t) { EXPECT_EQ (t.getNumChildren(), 5); },
          expectDefaults },
        { "two-trees-back-to-back.bin", "two trees one after the other: the first is the state",
          [] (const juce::ValueTree& t) { EXPECT_TRUE (t.hasType ("Parameters")); EXPECT_EQ (t.getNumChildren(), 5); },
          expectDefaults },
        { "zero-first-byte.bin", "an empty type name: no tree, the state stays",
          [] (const juce::ValueTree& t) { EXPECT_FALSE (t.isValid()); },
          [] (ZKUndularAudioProcessor& p) { EXPECT_NEAR (valueOf (p, "rate"), rateBefore, 1.0e-4f); } },
        { "huge-child-count.bin", "a child count of 2^31-1 before one real child (the framework reserves 16 GiB)",
          [] (const juce::ValueTree& t) { EXPECT_EQ (t.getNumChildren(), 1); },
          [] (ZKUndularAudioProcessor& p) { EXPECT_NEAR (valueOf (p, "rate"), 7.0f, 1.0e-4f); } },
        { "huge-child-count-at-end.bin", "a child count of 2^31-1 with nothing after it",
          expectBareRoot, expectDefaults },
        { "huge-property-count.bin", "a property count of 2^31-1 with nothing after it (the framework loops 2^31 times)",
          expectBareRoot, expectDefaults },
        { "huge-property-count-empty-names.bin", "a property count of 2^31-1, then 64 empty names",
          expectBareRoot, expectDefaults },
        { "huge-binary-size.bin", "a binary value claiming 2 GiB with 5 bytes there (the framework allocates 2 GiB)",
          [] (const juce::ValueTree& t) { ASSERT_NE (t["blob"].getBinaryData(), nullptr); EXPECT_EQ (t["blob"].getBinaryData()->getSize(), 5u); },
          expectDefaults },
        { "huge-string-size.bin", "a string value claiming 2 GiB with 3 bytes there",
          [] (const juce::ValueTree& t) { EXPECT_EQ (t["name"], juce::var ("abc")); },
          expectDefaults },
        { "huge-array-count.bin", "an array claiming 2^31-1 elements with none there (the framework adds 2^31 voids)",
          [] (const juce::ValueTree& t) { ASSERT_TRUE (t["list"].isArray()); EXPECT_EQ (t["list"].size(), 0); },
          expectDefaults },
        { "huge-unknown-value-size.bin", "a value of unknown type claiming 2 GiB: skipped to the end",
          [] (const juce::ValueTree& t) { EXPECT_TRUE (t["odd"].isVoid()); EXPECT_EQ (t.getNumChildren(), 0); },
          expectDefaults },
        { "deep-tree-nesting.bin", "5000 trees nested in each other (the framework recurses 5000 deep)",
          [] (const juce::ValueTree& t) { EXPECT_EQ (nestingDepth (t), my::StateReaderLimits::maxDepth); },
          expectDefaults },
        { "deep-array-nesting.bin", "4000 arrays nested in each other",
          [] (const juce::ValueTree& t) { EXPECT_EQ (nestingDepth (t), my::StateReaderLimits::maxDepth); },
          expectDefaults },
        { "many-distinct-properties.bin", "4500 properties of distinct names on one tree",
          [] (const juce::ValueTree& t) { EXPECT_EQ (t.getNumProperties(), my::StateReaderLimits::maxDistinctNames); },
          expectDefaults },
        { "many-distinct-children.bin", "4500 children of distinct types",
          [] (const juce::ValueTree& t) { EXPECT_EQ (t.getNumChildren(), my::StateReaderLimits::maxDistinctNames); },
          expectDefaults },
        { "densest-distinct-names.bin", "4096 distinct names as short as names can be, without values: the most names per byte",
          [] (const juce::ValueTree& t) { EXPECT_EQ (t.getNumProperties(), my::StateReaderLimits::maxDistinctNames); },
          expectDefaults },
        { "negative-counts.bin", "a property count of -1: the tree ends there, children and all",
          expectBareRoot, expectDefaults },
        { "negative-child-count.bin", "a child count of -5 before a real child: no children",
          expectBareRoot, expectDefaults },
        { "count-size-byte-too-wide.bin", "a count whose size byte claims 5 bytes: it reads as 0",
          nullptr, nullptr },
        { "count-int-min.bin", "a child count of -2^31 (whose negation overflows in the framework's reader)",
          expectBareRoot, expectDefaults },
        { "count-cut-off.bin", "a child count cut off after 2 of its 4 bytes: 0",
          expectBareRoot, expectDefaults },
        { "unterminated-type.bin", "a type name without its zero byte: a bare tree of that type",
          expectBareRoot, expectDefaults },
        { "unterminated-utf8-string.bin", "a string value ending in half a UTF-8 sequence at the very end",
          [] (const juce::ValueTree& t) { EXPECT_TRUE (t["s"].toString().startsWith ("ok")); },
          expectDefaults },
        { "invalid-utf8-names.bin", "type and property names that are no UTF-8: taken as the characters they decode to",
          [] (const juce::ValueTree& t) { EXPECT_EQ (t.getType().toString(), "\x0f\x0e"); EXPECT_EQ (t["\x03"], juce::var (1)); EXPECT_EQ (t.getNumChildren(), 1); },
          [] (ZKUndularAudioProcessor& p) { EXPECT_EQ (valueOf (p, "depth"), 50.0f); } },
        { "non-finite-values.bin", "NaN and infinite parameter values, and doubles beyond a float's range",
          nullptr,
          [] (ZKUndularAudioProcessor& p) { EXPECT_EQ (valueOf (p, "rate"), 0.01f); EXPECT_EQ (valueOf (p, "depth"), 0.0f); } },
        { "non-finite-texts.bin", "parameter values as texts that read as NaN or infinity",
          nullptr,
          [] (ZKUndularAudioProcessor& p) { EXPECT_EQ (valueOf (p, "rate"), 0.01f); } },
        { "odd-value-types.bin", "parameter values as binary, array, bool, int and string",
          nullptr, nullptr },
        { "duplicate-ids.bin", "two children for \"rate\": the later one wins",
          nullptr,
          [] (ZKUndularAudioProcessor& p) { EXPECT_NEAR (valueOf (p, "rate"), 9.0f, 1.0e-4f); } },
        { "cut-inside-value.bin", "a real block cut off inside its first value",
          nullptr, nullptr },
        { "unwritable-names.bin", "a property and a child whose names start with bytes that decode to 0: left out",
          [] (const juce::ValueTree& t) { EXPECT_EQ (t.getNumProperties(), 1); EXPECT_EQ (t["ok"], juce::var (2)); EXPECT_EQ (t.getNumChildren(), 1); },
          [] (ZKUndularAudioProcessor& p) { EXPECT_NEAR (valueOf (p, "rate"), 6.0f, 1.0e-4f); } },
        { "duplicate-names.bin", "repeated property names: an equal value of the same type keeps the first, any other replaces it",
          [] (const juce::ValueTree& t)
          {
              EXPECT_EQ (t.getNumProperties(), 5);
              EXPECT_EQ (static_cast<double> (t["a"]), 1.0);
              EXPECT_TRUE (t["b"].isDouble());
              EXPECT_TRUE (t["e"][0].isInt());
          },
          nullptr },
        { "duplicate-empty-binaries.bin", "repeated names with empty binaries, which the framework compares through memcmp (null)",
          [] (const juce::ValueTree& t)
          {
              EXPECT_EQ (t.getNumProperties(), 2);
              ASSERT_NE (t["c"].getBinaryData(), nullptr);
              EXPECT_EQ (t["d"].size(), 1);
          },
          nullptr },
        { "unwritable-root-type.bin", "a root type that starts with a stray continuation byte: a tree of the stand-in type",
          [] (const juce::ValueTree& t) { EXPECT_TRUE (t.hasType (my::standInRootType)); EXPECT_EQ (t.getNumChildren(), 1); },
          [] (ZKUndularAudioProcessor& p) { EXPECT_NEAR (valueOf (p, "rate"), 5.0f, 1.0e-4f); } },
        { "lone-lead-byte-root-type.bin", "a root type of one lead byte, then two properties that are not there",
          expectBareRoot, expectDefaults },
        { "overlong-nul-root-type.bin", "a root type spelling NUL in two bytes",
          expectBareRoot, expectDefaults },
        { "nan-id.bin", "a child whose id is the double NaN, which the framework cannot turn into text: it loses the id",
          [] (const juce::ValueTree& t) { ASSERT_EQ (t.getNumChildren(), 1); EXPECT_TRUE (std::isnan (static_cast<double> (t.getChild (0)["id"]))); },
          [] (ZKUndularAudioProcessor& p)
          {
              expectDefaults (p);
              expectOnlyStringIds (p.parameters.state);
              EXPECT_FALSE (p.parameters.state.getChild (0).hasProperty ("id"));
              EXPECT_EQ (static_cast<double> (p.parameters.state.getChild (0)["value"]), 5.0);
          } },
        { "non-string-ids.bin", "children whose ids are infinities, an int, a bool, an array and a binary: they lose the ids",
          [] (const juce::ValueTree& t) { ASSERT_EQ (t.getNumChildren(), 7); EXPECT_FALSE (t.getChild (0)["id"].isString()); EXPECT_FALSE (t.getChild (5)["id"].isString()); },
          [] (ZKUndularAudioProcessor& p)
          {
              EXPECT_NEAR (valueOf (p, "rate"), 7.0f, 1.0e-4f);
              EXPECT_EQ (valueOf (p, "depth"), 0.0f);
              EXPECT_EQ (valueOf (p, "width"), 100.0f);
              expectOnlyStringIds (p.parameters.state);
              ASSERT_GE (p.parameters.state.getNumChildren(), 6);

              for (int i = 0; i < 6; ++i)
                  EXPECT_FALSE (p.parameters.state.getChild (i).hasProperty ("id")) << i;
          } },
    };
} // namespace

TEST (StateCorpus, EveryFileIsDescribedInTheTable)
{
    std::set<juce::String> described;

    for (const auto& c : corpusCases)
        described.insert (c.file);

    std::set<juce::String> present;

    for (const auto& block : loadCorpus())
    {
        present.insert (block.name);
        EXPECT_EQ (described.count (block.name), 1u) << block.name << " has no row in the table";
    }

    for (const auto& name : described)
        EXPECT_EQ (present.count (name), 1u) << name << " is missing from the corpus folder";
}

TEST (StateCorpus, EachBlockReadsAsDescribedAndCheaply)
{
    for (const auto& block : loadCorpus())
    {
        SCOPED_TRACE (block.name.toStdString());

        ReadCost cost;
        const auto ours = readMeasured (block.bytes, cost);

        EXPECT_LT (cost.milliseconds, 2000.0);
        EXPECT_LE (cost.mostBytes(), readerAllocationAllowance (block.bytes.getSize()));
        EXPECT_LE (nestingDepth (ours), my::StateReaderLimits::maxDepth);
        EXPECT_LE (countDistinctNames (ours), my::StateReaderLimits::maxDistinctNames);

        if (const auto matches = matchesFrameworkWhereComparable (block.bytes, ours))
        {
            EXPECT_TRUE (*matches) << "differs from the framework's reading";
        }

        for (const auto& c : corpusCases)
            if (block.name == c.file && c.checkTree != nullptr)
                c.checkTree (ours);
    }
}

TEST (StateCorpus, TheProcessorTakesEachBlockSafely)
{
    RestoreBench bench;
    auto& processor = bench.getProcessor();
    const auto freshState = realSavedBlocks().front().bytes;

    for (const auto& block : loadCorpus())
    {
        SCOPED_TRACE (block.name.toStdString());

        processor.setStateInformation (freshState.getData(), static_cast<int> (freshState.getSize()));
        auto* rate = processor.parameters.getParameter ("rate");
        rate->setValueNotifyingHost (rate->convertTo0to1 (rateBefore));

        EXPECT_EQ (bench.restoreSaveAndProcess (block.bytes), juce::String());

        for (const auto& c : corpusCases)
            if (block.name == c.file && c.checkProcessor != nullptr)
                c.checkProcessor (processor);
    }
}

TEST (StateCorpus, TheProcessorTakesEveryCutOfARealBlockSafely)
{
    RestoreBench bench;
    const auto& real = realSavedBlocks()[1].bytes;

    for (size_t size = 1; size <= real.getSize(); ++size)
        EXPECT_EQ (bench.restoreSaveAndProcess ({ real.getData(), size }), juce::String()) << "cut at " << size;
}

TEST (StateCorpus, TheAllocationMeasureSeesTheFrameworksOwnStorage)
{
    // Memory blocks and arrays take their storage from malloc, not operator new:
    // the reader's measure must see that too, or the bounds above prove nothing.
    const auto before = robustness::heapBytesInUse();
    juce::MemoryBlock block (1 << 20, true);
    EXPECT_GE (robustness::heapBytesInUse() - before, static_cast<std::size_t> (1 << 20));
}

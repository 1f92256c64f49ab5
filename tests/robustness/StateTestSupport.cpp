#include "StateTestSupport.h"

#include "MyStateReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <set>

namespace robustness
{

juce::MemoryBlock writeTree (const juce::ValueTree& tree)
{
    juce::MemoryBlock block;
    juce::MemoryOutputStream stream (block, false);
    tree.writeToStream (stream);
    stream.flush();
    return block;
}

juce::MemoryBlock rewrite (const juce::ValueTree& tree)
{
    return writeTree (tree);
}

bool sameBytes (const juce::MemoryBlock& a, const juce::MemoryBlock& b) noexcept
{
    // Not MemoryBlock::operator==, which hands memcmp a null pointer for empty blocks.
    return a.getSize() == b.getSize() && (a.getSize() == 0 || std::memcmp (a.getData(), b.getData(), a.getSize()) == 0);
}

juce::ValueTree readWithFramework (const juce::MemoryBlock& block)
{
    return juce::ValueTree::readFromData (block.getData(), block.getSize());
}

namespace
{
    struct UntameCount
    {
    };

    /** Lets the framework's reader see a count only after checking its size
        (without reading it through the framework's own code first, which
        overflows on the most negative count). Also gives up on a second empty
        binary value: two under one name make the framework hand memcmp a null
        pointer. */
    class TameStream final : public juce::MemoryInputStream
    {
    public:
        char readByte() override
        {
            const auto byte = juce::MemoryInputStream::readByte();

            if (lastCount == 1 && byte == 8 && ++emptyBinaries > 1)
                throw UntameCount();

            lastCount = -1;
            return byte;
        }

        TameStream (const juce::MemoryBlock& block, int maxCountToAllow)
            : juce::MemoryInputStream (block, false), maxCount (static_cast<juce::uint32> (maxCountToAllow))
        {
        }

        int readCompressedInt() override
        {
            const auto start = getPosition();
            const auto sizeByte = static_cast<juce::uint8> (readByte());
            const auto numBytes = sizeByte & 0x7f;
            juce::uint8 b[4] {};

            if (numBytes <= 4)
                read (b, numBytes);

            const auto magnitude = static_cast<juce::uint32> (b[0]) | static_cast<juce::uint32> (b[1]) << 8
                                 | static_cast<juce::uint32> (b[2]) << 16 | static_cast<juce::uint32> (b[3]) << 24;

            if (magnitude > maxCount)
                throw UntameCount();

            setPosition (start);
            const auto count = juce::MemoryInputStream::readCompressedInt();
            lastCount = count;
            return count;
        }

    private:
        juce::uint32 maxCount;
        int lastCount = -1;
        int emptyBinaries = 0;
    };

    juce::var withoutTrailingVoids (const juce::var& value)
    {
        if (const auto* array = value.getArray())
        {
            juce::Array<juce::var> elements;

            for (const auto& element : *array)
                elements.add (withoutTrailingVoids (element));

            while (! elements.isEmpty() && elements.getLast().isVoid())
                elements.removeLast();

            return juce::var (std::move (elements));
        }

        return value;
    }

    int nestingDepth (const juce::var& value)
    {
        int deepest = 0;

        if (const auto* array = value.getArray())
        {
            for (const auto& element : *array)
                deepest = juce::jmax (deepest, nestingDepth (element));

            return deepest + 1;
        }

        return 0;
    }

    int countElements (const juce::var& value)
    {
        int count = 0;

        if (const auto* array = value.getArray())
            for (const auto& element : *array)
                count += 1 + countElements (element);

        return count;
    }

    juce::MemoryBlock bytesFrom (int first, int count)
    {
        juce::MemoryBlock block (static_cast<size_t> (count));

        for (int i = 0; i < count; ++i)
            block[static_cast<size_t> (i)] = static_cast<char> ((first + i) & 0xff);

        return block;
    }

    juce::var randomValue (juce::Random& random, int levelsLeft)
    {
        switch (random.nextInt (levelsLeft > 0 ? 10 : 9))
        {
            case 0:  return {};
            case 1:  return random.nextInt();
            case 2:  return random.nextBool();
            case 3:  return random.nextDouble() * std::pow (10.0, random.nextInt ({ -300, 300 }));
            case 4:  return juce::var (static_cast<juce::int64> (random.nextInt64()));
            case 5:  return juce::var (bytesFrom (random.nextInt (256), 1 + random.nextInt (40)));
            case 6:
            case 7:
            {
                juce::String text;

                for (int i = random.nextInt (20); --i >= 0;)
                    text << juce::String::charToString (static_cast<juce::juce_wchar> (random.nextInt ({ 1, 0x3000 })));

                return text;
            }
            case 8:  return random.nextInt ({ -1000, 1000 }) * 0.25;
            default:
            {
                juce::Array<juce::var> elements;

                for (int i = random.nextInt (5); --i >= 0;)
                    elements.add (randomValue (random, levelsLeft - 1));

                return elements;
            }
        }
    }

    juce::ValueTree randomTree (juce::Random& random, int levelsLeft)
    {
        static const char* const types[] = { "PARAM", "Parameters", "A", "b", "Grüße" };
        static const char* const names[] = { "id", "value", "x", "y", "name with spaces", "ü" };

        juce::ValueTree tree (types[random.nextInt (5)]);

        for (int i = random.nextInt (6); --i >= 0;)
            tree.setProperty (names[random.nextInt (6)], randomValue (random, juce::jmin (3, levelsLeft)), nullptr);

        if (levelsLeft > 1)
        {
            const auto numChildren = random.nextInt (20) == 0 ? 130 : random.nextInt (4);

            for (int i = 0; i < numChildren; ++i)
                tree.appendChild (randomTree (random, numChildren > 4 ? 1 : levelsLeft - 1), nullptr);
        }

        return tree;
    }

    juce::ValueTree comparableTree (const juce::ValueTree& tree, bool isRoot)
    {
        auto type = canonicalSpelling (tree.getType().toString());

        if (! tree.isValid() || (type.isEmpty() && ! isRoot))
            return {};

        if (type.isEmpty())
            type = my::standInRootType;

        juce::ValueTree copy { juce::Identifier (type) };

        for (int i = 0; i < tree.getNumProperties(); ++i)
        {
            const auto name = tree.getPropertyName (i);
            const auto spelling = canonicalSpelling (name.toString());

            if (spelling.isNotEmpty())
                copy.setProperty (spelling, withoutTrailingVoids (tree[name]), nullptr);
        }

        for (const auto& child : tree)
            if (auto kept = comparableTree (child, false); kept.isValid())
                copy.appendChild (kept, nullptr);

        return copy;
    }

    void setParameter (ZKUndularAudioProcessor& processor, const char* id, float realValue)
    {
        auto* parameter = processor.parameters.getParameter (id);
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (realValue));
    }
} // namespace

std::optional<juce::ValueTree> readWithFrameworkIfTame (const juce::MemoryBlock& block, int maxCount)
{
    TameStream stream (block, maxCount);

    try
    {
        return juce::ValueTree::readFromStream (stream);
    }
    catch (const UntameCount&)
    {
        return std::nullopt;
    }
}

juce::String canonicalSpelling (const juce::String& text)
{
    // Decode it and encode it again.
    juce::String encoded;

    for (auto characters = text.getCharPointer();;)
    {
        const auto c = characters.getAndAdvance();

        if (c == 0)
            break;

        encoded += juce::String::charToString (c);
    }

    return encoded;
}

void forgetUnusedPooledStrings()
{
    juce::StringPool::getGlobalPool().garbageCollect();
}

juce::ValueTree comparable (const juce::ValueTree& tree)
{
    return comparableTree (tree, true);
}

int nestingDepth (const juce::ValueTree& tree)
{
    int deepest = 0;

    for (int i = 0; i < tree.getNumProperties(); ++i)
        deepest = juce::jmax (deepest, nestingDepth (tree[tree.getPropertyName (i)]));

    for (const auto& child : tree)
        deepest = juce::jmax (deepest, nestingDepth (child));

    return deepest + 1;
}

int countElements (const juce::ValueTree& tree)
{
    int count = 1;

    for (int i = 0; i < tree.getNumProperties(); ++i)
        count += 1 + countElements (tree[tree.getPropertyName (i)]);

    for (const auto& child : tree)
        count += countElements (child);

    return count;
}

int countDistinctNames (const juce::ValueTree& tree)
{
    std::set<juce::String> names;

    std::function<void (const juce::ValueTree&)> collect = [&] (const juce::ValueTree& t)
    {
        names.insert (t.getType().toString());

        for (int i = 0; i < t.getNumProperties(); ++i)
            names.insert (t.getPropertyName (i).toString());

        for (const auto& child : t)
            collect (child);
    };

    if (tree.isValid())
        collect (tree);

    for (const auto* own : { my::standInRootType, "PARAM", "id", "value" })
        names.erase (own);

    return static_cast<int> (names.size());
}

juce::ValueTree makeEveryTypeTree()
{
    juce::ValueTree root ("Everything");
    root.setProperty ("void", juce::var(), nullptr);
    root.setProperty ("int zero", 0, nullptr);
    root.setProperty ("int", -123456, nullptr);
    root.setProperty ("int max", std::numeric_limits<int>::max(), nullptr);
    root.setProperty ("int min", std::numeric_limits<int>::min(), nullptr);
    root.setProperty ("true", true, nullptr);
    root.setProperty ("false", false, nullptr);
    root.setProperty ("double", 0.009999999776482582, nullptr);
    root.setProperty ("negative zero", -0.0, nullptr);
    root.setProperty ("denormal", 4.9e-324, nullptr);
    root.setProperty ("double max", std::numeric_limits<double>::max(), nullptr);
    root.setProperty ("empty string", juce::String(), nullptr);
    root.setProperty ("string", "Sine", nullptr);
    root.setProperty ("utf8", juce::String (juce::CharPointer_UTF8 ("Gr\xc3\xbc\xc3\x9f" "e \xe2\x99\xaa \xf0\x9f\x98\x80")), nullptr);
    root.setProperty ("long string", juce::String::repeatedString ("0123456789", 7000), nullptr);
    root.setProperty ("int64", juce::var (static_cast<juce::int64> (0x123456789abcdefLL)), nullptr);
    root.setProperty ("int64 min", juce::var (std::numeric_limits<juce::int64>::min()), nullptr);
    root.setProperty ("binary", juce::var (bytesFrom (0, 300)), nullptr);
    root.setProperty ("empty array", juce::Array<juce::var>(), nullptr);

    juce::Array<juce::var> inner { 1, "two", juce::var() };
    juce::Array<juce::var> nested { juce::var (inner), juce::Array<juce::var>(), 4.5 };
    root.setProperty ("array", juce::Array<juce::var> { 7, false, true, 2.5, "text", juce::var (static_cast<juce::int64> (-5)),
                                                        juce::var (bytesFrom (250, 10)), juce::var(), juce::var (nested) },
                      nullptr);

    juce::ValueTree child ("PARAM");
    child.setProperty ("id", "rate", nullptr);
    child.setProperty ("value", 5.0, nullptr);

    juce::ValueTree grandChild ("Deeper");
    grandChild.setProperty ("x", 1, nullptr);
    grandChild.appendChild (juce::ValueTree ("Deepest"), nullptr);
    child.appendChild (grandChild, nullptr);

    root.appendChild (child, nullptr);
    root.appendChild (juce::ValueTree ("PARAM"), nullptr);

    juce::ValueTree many ("Many");

    for (int i = 0; i < 200; ++i)
        many.appendChild (juce::ValueTree ("Item").setProperty ("i", i, nullptr), nullptr);

    root.appendChild (many, nullptr);
    return root;
}

juce::ValueTree makeRandomTree (juce::Random& random, int maxLevels)
{
    return randomTree (random, maxLevels);
}

juce::MemoryBlock saveState (juce::AudioProcessor& processor)
{
    juce::MemoryBlock block;
    processor.getStateInformation (block);
    return block;
}

const std::vector<NamedBlock>& realSavedBlocks()
{
    static const auto blocks = makeRealSavedBlocks();
    return blocks;
}

std::vector<NamedBlock> makeRealSavedBlocks()
{
    std::vector<NamedBlock> blocks;
    ZKUndularAudioProcessor processor;

    blocks.push_back ({ "fresh processor", saveState (processor) });

    setParameter (processor, "shape", 1.0f);
    setParameter (processor, "rate", 5.0f);
    setParameter (processor, "depth", 40.0f);
    setParameter (processor, "phase", 50.0f);
    setParameter (processor, "width", 70.0f);
    blocks.push_back ({ "audible settings", saveState (processor) });

    setParameter (processor, "rate", 30.0f);
    setParameter (processor, "depth", 100.0f);
    setParameter (processor, "phase", 100.0f);
    setParameter (processor, "width", 0.0f);
    blocks.push_back ({ "range ends", saveState (processor) });

    setParameter (processor, "rate", 0.0123457f);
    setParameter (processor, "depth", 33.333f);
    blocks.push_back ({ "odd values", saveState (processor) });

    {
        juce::MemoryBlock twice;
        processor.getStateInformation (twice);
        processor.getStateInformation (twice);
        blocks.push_back ({ "saved twice into one block", twice });
    }

    {
        juce::ValueTree preset ("Preset");
        preset.setProperty ("version", 3, nullptr);
        preset.appendChild (juce::ValueTree ("Extra").setProperty ("note", "kept", nullptr), nullptr);
        preset.appendChild (juce::ValueTree ("PARAM").setProperty ("id", "gain", nullptr).setProperty ("value", 0.5, nullptr), nullptr);
        preset.appendChild (juce::ValueTree ("PARAM").setProperty ("id", "rate", nullptr).setProperty ("value", 3.0, nullptr), nullptr);

        const auto bytes = writeTree (preset);
        processor.setStateInformation (bytes.getData(), static_cast<int> (bytes.getSize()));
        blocks.push_back ({ "restored foreign tree", saveState (processor) });
    }

    juce::Random random (20261210);

    for (int i = 0; i < 16; ++i)
    {
        for (const auto* id : { "shape", "rate", "depth", "phase", "width" })
            processor.parameters.getParameter (id)->setValueNotifyingHost (random.nextFloat());

        blocks.push_back ({ "random settings " + juce::String (i), saveState (processor) });
    }

    return blocks;
}

std::vector<NamedBlock> loadCorpus()
{
    std::vector<NamedBlock> blocks;
    const juce::File folder (ZK_STATE_CORPUS_DIR);

    for (const auto& file : folder.findChildFiles (juce::File::findFiles, false, "*.bin"))
    {
        NamedBlock block { file.getFileName(), {} };
        file.loadFileAsData (block.bytes);
        blocks.push_back (std::move (block));
    }

    std::sort (blocks.begin(), blocks.end(), [] (const NamedBlock& a, const NamedBlock& b) { return a.name < b.name; });
    return blocks;
}

juce::String describeParameterProblems (ZKUndularAudioProcessor& processor)
{
    juce::String problems;

    for (auto* p : processor.getParameters())
    {
        auto* parameter = dynamic_cast<juce::RangedAudioParameter*> (p);

        if (parameter == nullptr)
            continue;

        const auto id = parameter->getParameterID();
        const auto normalised = parameter->getValue();
        const auto raw = processor.parameters.getRawParameterValue (id)->load();
        const auto& range = parameter->getNormalisableRange();

        if (! std::isfinite (normalised) || normalised < 0.0f || normalised > 1.0f)
            problems << id << " normalised " << normalised << "; ";

        if (! std::isfinite (raw) || raw < range.start || raw > range.end)
            problems << id << " value " << raw << "; ";
    }

    return problems;
}

std::size_t readerAllocationAllowance (std::size_t numBytes) noexcept
{
    return 64 * numBytes + 64 * 1024;
}

std::optional<bool> matchesFrameworkWhereComparable (const juce::MemoryBlock& block, const juce::ValueTree& ours)
{
    if (block.getSize() > 4096)
        return std::nullopt;

    // The framework's reader pools whatever names the bytes spell, and the pool
    // hands such a spelling back for any name that compares equal to it; take
    // them out of the pool again once its tree is gone.
    const juce::ScopeGuard forget { [] { forgetUnusedPooledStrings(); } };
    const auto theirs = readWithFrameworkIfTame (block, 4096);

    if (! theirs.has_value())
        return std::nullopt;

    const auto reference = comparable (*theirs);

    // Where the framework went deeper than us or read more names, our reader stopped.
    if (theirs->isValid() && (nestingDepth (*theirs) >= my::StateReaderLimits::maxDepth
                              || countDistinctNames (reference) > my::StateReaderLimits::maxDistinctNames))
        return std::nullopt;

    return ours.isValid() == reference.isValid()
        && sameBytes (rewrite (comparable (ours)), rewrite (reference));
}

RestoreBench::RestoreBench()
    : processor (dynamic_cast<ZKUndularAudioProcessor&> (host.getProcessor())),
      audio (2, 64)
{
    host.prepare (48000.0, 64);
}

juce::String RestoreBench::restoreSaveAndProcess (const juce::MemoryBlock& block)
{
    processor.setStateInformation (block.getData(), static_cast<int> (block.getSize()));

    auto problems = describeParameterProblems (processor);

    const auto saved = saveState (processor);
    const auto ours = my::readStateTree (saved.getData(), saved.getSize());

    // Whatever a restore took, the next save reads back whole.
    if (! sameBytes (rewrite (ours), saved))
        problems << "the saved state does not read back as written; ";

    // Written by the framework's writer, so honest for its reader.
    if (! sameBytes (rewrite (readWithFramework (saved)), saved))
        problems << "the framework does not read the saved state back; ";

    // What was saved restores to the same values.
    juce::Array<float> values;

    for (auto* p : processor.getParameters())
        values.add (p->getValue());

    processor.setStateInformation (saved.getData(), static_cast<int> (saved.getSize()));

    for (int i = 0; i < values.size(); ++i)
        if (processor.getParameters()[i]->getValue() != values[i])
            problems << "parameter " << i << " changed on restoring the saved state; ";

    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < audio.getNumSamples(); ++i)
            audio.setSample (channel, i, std::sin (0.05f * static_cast<float> (i + 7 * channel)));

    host.process (audio, audio.getNumSamples());

    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < audio.getNumSamples(); ++i)
            if (! std::isfinite (audio.getSample (channel, i)))
                return problems + "non-finite output; ";

    return problems;
}

} // namespace robustness

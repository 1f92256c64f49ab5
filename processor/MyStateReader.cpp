#include "MyStateReader.h"
#include "MySipHash.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

namespace my
{

namespace
{
    /** Type markers of a value in the stream (the byte after its size). */
    enum ValueMarker : std::uint8_t
    {
        intMarker = 1,
        boolTrueMarker = 2,
        boolFalseMarker = 3,
        doubleMarker = 4,
        stringMarker = 5,
        int64Marker = 6,
        arrayMarker = 7,
        binaryMarker = 8
    };

    /** The names of the plug-in's own state, which count for nothing against
        StateReaderLimits::maxDistinctNames. */
    constexpr int numOwnNames = 4;

    const juce::Identifier& ownName (int index)
    {
        static const juce::Identifier names[numOwnNames] { standInRootType, "PARAM", "id", "value" };
        return names[index];
    }

    /** A type or property name admitted into the trees read. */
    struct Name
    {
        juce::Identifier identifier;
        std::uint64_t hash;

        /** Where the tree being read holds this name among its properties, if it does. */
        int slot = -1;
    };

    /** The names admitted so far, found by the bytes of their identifiers:
        open addressing over a table made once, for the most names the block
        can hold, so it never grows. The hash is keyed with a key of this
        process's own, so no block can make its names share a place in the
        table more often than chance would. */
    class NameTable final
    {
    public:
        explicit NameTable (size_t numBytes)
        {
            // Each name takes a character and a zero byte (the last one may have no zero).
            const auto mostNames = std::min (static_cast<size_t> (StateReaderLimits::maxDistinctNames + numOwnNames),
                                             numBytes / 2 + 1);
            names.reserve (mostNames);

            size_t numPlaces = 8;

            while (numPlaces < mostNames + mostNames / 2)
                numPlaces *= 2;

            places.assign (numPlaces, 0);
        }

        static std::uint64_t hash (const char* characters, size_t numBytes) noexcept
        {
            return sipHash24 (characters, numBytes, hashKey());
        }

        Name& operator[] (size_t index) noexcept { return names[index]; }

        /** The index of the name spelt as these bytes (no zero among them), if admitted. */
        std::optional<size_t> find (const char* characters, size_t numBytes, std::uint64_t hashOfBytes) const noexcept
        {
            for (auto place = firstPlace (hashOfBytes);; place = nextPlace (place))
            {
                if (places[place] == 0)
                    return std::nullopt;

                const auto index = places[place] - 1;
                const auto& name = names[index];
                const auto* spelt = name.identifier.getCharPointer().getAddress();

                // The pooled characters end with a zero, and the bytes have none.
                if (name.hash == hashOfBytes && std::strncmp (spelt, characters, numBytes) == 0 && spelt[numBytes] == 0)
                    return index;
            }
        }

        /** Admits a name not found before, hashed as its identifier is spelt;
            returns its index. */
        size_t add (const juce::Identifier& identifier, std::uint64_t hashOfSpelling)
        {
            jassert (names.size() < names.capacity());

            auto place = firstPlace (hashOfSpelling);

            while (places[place] != 0)
                place = nextPlace (place);

            names.push_back ({ identifier, hashOfSpelling });
            places[place] = static_cast<std::uint32_t> (names.size());
            return names.size() - 1;
        }

    private:
        size_t firstPlace (std::uint64_t hashOfBytes) const noexcept { return static_cast<size_t> (hashOfBytes) & (places.size() - 1); }
        size_t nextPlace (size_t place) const noexcept { return (place + 1) & (places.size() - 1); }

        static const SipHashKey& hashKey()
        {
            static const SipHashKey key = []
            {
                std::random_device device;
                const auto next = [&device] { return static_cast<std::uint64_t> (device()) << 32 | device(); };
                SipHashKey k;
                k.k0 = next();
                k.k1 = next();
                return k;
            }();

            return key;
        }

        std::vector<Name> names;

        /** 0 for an empty place, else 1 + the index of a name. */
        std::vector<std::uint32_t> places;

        JUCE_DECLARE_NON_COPYABLE (NameTable)
    };

    /** Reads the value-tree stream format straight from the caller's bytes.

        The primitive reads behave exactly like juce::MemoryInputStream's: past
        the end a byte reads as 0, a fixed-size number that is cut off reads as 0
        (and uses up what was there), a string runs to its zero byte or the end.
        The tree and value reads follow juce::ValueTree::readFromStream and
        juce::var::readFromStream step for step, but every loop also ends with
        the bytes, and stop() makes the rest of the block read as if it had ended. */
    class BoundedStateReader final
    {
    public:
        BoundedStateReader (const void* data, size_t numBytes)
            : bytes (static_cast<const std::uint8_t*> (data)),
              size (data != nullptr ? numBytes : 0),
              names (size)
        {
            // No tree holds more properties than there are names.
            properties.reserve (std::min (static_cast<size_t> (StateReaderLimits::maxDistinctNames + numOwnNames), size / 2 + 1));
        }

        /** Reads a tree; unwritable tells that its type, though present, has no
            characters to write back (see readName): the tree has the type
            standIn instead. */
        juce::ValueTree readTree (int level, const juce::Identifier& standIn, bool& unwritable)
        {
            if (level > StateReaderLimits::maxDepth)
                stop();

            const auto type = readName();

            if (type.kind == NameKind::none)
                return {};

            if (type.kind == NameKind::refused)
            {
                stop();
                return {};
            }

            unwritable = type.kind == NameKind::unwritable;
            juce::ValueTree tree { unwritable ? standIn : names[type.name].identifier };

            const auto numProperties = readCompressedInt();

            if (numProperties < 0)
                return tree;

            readProperties (numProperties, level);

            // The tree takes each name once, with the value it kept, in the order
            // the names first came. setProperty still looks each new name up among
            // the tree's others, as the framework's own reader does: a cost of the
            // framework's tree that only the name limit bounds. The tree is new and
            // has no listeners to tell.
            for (const auto& property : properties)
            {
                auto& name = names[property.name];
                tree.setProperty (name.identifier, property.value, nullptr);
                name.slot = -1;
            }

            properties.clear();

            readCounted (readCompressedInt(), [&]
            {
                bool childUnwritable = false;
                auto child = readTree (level + 1, standIn, childUnwritable);

                if (! child.isValid())
                    return false;

                // Left out: there is no type to write back in its place.
                if (! childUnwritable)
                    tree.appendChild (child, nullptr);

                return true;
            });

            return tree;
        }

    private:
        enum class NameKind
        {
            none,       // no characters: the bytes start with a zero, or have ended
            unwritable, // characters, but none to write back: none in their canonical
                        // spelling, or the pool holds them in another (see toIdentifier)
            refused,    // a new name beyond the limit: reading stops
            named
        };

        struct ReadName
        {
            NameKind kind;
            size_t name; // its index in names, where named
        };

        struct Property
        {
            size_t name;
            juce::var value;
        };

        /** Reads up to numProperties properties of a tree into properties, once
            per name. A repeated name keeps its first value where the new one
            equals it with the same type, else takes the new one in the same
            place, as NamedValueSet::set does; but compared here, because the
            framework's comparison hands memcmp a null pointer for two empty
            binaries. */
        void readProperties (int numProperties, int level)
        {
            readCounted (numProperties, [this, level]
            {
                const auto name = readName();

                // An empty name is skipped without reading a value.
                if (name.kind == NameKind::none)
                    return true;

                if (name.kind == NameKind::refused)
                {
                    stop();
                    return false;
                }

                auto value = readValue (level);

                if (name.kind == NameKind::unwritable)
                    return true;

                auto& slot = names[name.name].slot;

                if (slot < 0)
                {
                    slot = static_cast<int> (properties.size());
                    properties.push_back ({ name.name, std::move (value) });
                    return true;
                }

                auto& existing = properties[static_cast<size_t> (slot)].value;

                if (! equalsWithSameType (existing, value))
                    existing = std::move (value);

                return true;
            });
        }

        /** A type or property name: the bytes up to and including the next zero
            byte, or to the end. A name met before is found by its bytes, in
            time that grows with them alone; one spelt otherwise than its
            identifier is spelt anew first, every time. Only a new name goes
            through the framework's identifier pool, once. */
        ReadName readName()
        {
            if (atEnd())
                return { NameKind::none, 0 };

            const auto* start = reinterpret_cast<const char*> (bytes + position);
            const auto* zero = static_cast<const char*> (std::memchr (start, 0, remaining()));
            const auto numBytes = zero != nullptr ? static_cast<size_t> (zero - start) : remaining();
            position += std::min (numBytes + 1, remaining());

            if (numBytes == 0)
                return { NameKind::none, 0 };

            const auto hash = NameTable::hash (start, numBytes);

            if (const auto found = names.find (start, numBytes, hash))
                return { NameKind::named, *found };

            const juce::String text (juce::CharPointer_UTF8 (start), juce::CharPointer_UTF8 (start + numBytes));
            const auto spelling = canonicalSpelling (text);

            if (spelling.isEmpty())
                return { NameKind::unwritable, 0 };

            // Spelt otherwise: perhaps the name is in under its own spelling.
            const auto* spelt = spelling.toRawUTF8();
            const auto numSpeltBytes = std::strlen (spelt);
            const auto speltAsRead = numSpeltBytes == numBytes && std::memcmp (spelt, start, numBytes) == 0;
            const auto hashOfSpelling = speltAsRead ? hash : NameTable::hash (spelt, numSpeltBytes);

            if (! speltAsRead)
                if (const auto found = names.find (spelt, numSpeltBytes, hashOfSpelling))
                    return { NameKind::named, *found };

            const auto identifier = toIdentifier (spelling);

            if (identifier.isNull())
                return { NameKind::unwritable, 0 };

            if (! admitName (identifier))
                return { NameKind::refused, 0 };

            // toIdentifier saw to it that the identifier is spelt as the spelling is.
            return { NameKind::named, names.add (identifier, hashOfSpelling) };
        }

        juce::var readValue (int level)
        {
            const auto numBytes = readCompressedInt();

            if (numBytes <= 0)
                return {};

            const auto payloadSize = static_cast<size_t> (numBytes) - 1;

            switch (readByte())
            {
                case intMarker:       return juce::var (static_cast<int> (readUint32()));
                case int64Marker:     return juce::var (static_cast<juce::int64> (readUint64()));
                case boolTrueMarker:  return juce::var (true);
                case boolFalseMarker: return juce::var (false);
                case doubleMarker:    return juce::var (readDouble());
                case stringMarker:    return juce::var (readUtf8 (payloadSize));
                case binaryMarker:    return readBinary (payloadSize);
                case arrayMarker:     return readArray (level + 1);
                default:              skip (payloadSize); return {};
            }
        }

        juce::var readBinary (size_t numBytes)
        {
            const auto available = std::min (numBytes, remaining());
            juce::var value (bytes + position, available);
            position += available;
            return value;
        }

        juce::var readArray (int level)
        {
            // Too deep: the value reads as if the bytes had ended before it.
            if (level > StateReaderLimits::maxDepth)
            {
                stop();
                return {};
            }

            juce::Array<juce::var> elements;
            readCounted (readCompressedInt(), [&] { elements.add (readValue (level)); return true; });
            return juce::var (std::move (elements));
        }

        /** Whether a name not met before may join the tree: one of the names the
            plug-in's own state is made of, or a new one within the limit. */
        bool admitName (const juce::Identifier& name)
        {
            for (int i = 0; i < numOwnNames; ++i)
                if (name == ownName (i))
                    return true;

            if (numDistinctNames >= StateReaderLimits::maxDistinctNames)
                return false;

            ++numDistinctNames;
            return true;
        }

        /** The framework's writer writes a type or name as the raw bytes of its
            string, but only as many of them as the UTF-8 encoding of the
            characters they decode to takes; for other bytes (a stray
            continuation byte, an overlong form, a cut-off sequence) what follows
            would no longer read as written. */
        static bool writesBackExactly (const juce::String& text) noexcept
        {
            for (auto characters = text.getCharPointer();;)
            {
                const auto* raw = characters.getAddress();
                const auto c = characters.getAndAdvance();

                if (c == 0)
                    return *raw == 0;

                char encoded[8] {};
                juce::CharPointer_UTF8 destination (encoded);
                destination.write (c);

                const auto numRaw = static_cast<size_t> (characters.getAddress() - raw);

                if (static_cast<size_t> (destination.getAddress() - encoded) != numRaw
                    || std::memcmp (encoded, raw, numRaw) != 0)
                    return false;
            }
        }

        /** The characters the bytes decode to (up to the first that decodes to
            0), in their UTF-8 encoding: what the framework's identifier pool
            takes them for, and what its writer writes back as read. No
            character's encoding is longer than the bytes it was decoded from. */
        static juce::String canonicalSpelling (const juce::String& text)
        {
            if (writesBackExactly (text))
                return text;

            const auto numBytes = std::strlen (text.toRawUTF8());
            juce::HeapBlock<char> buffer (numBytes + 8, true);
            juce::CharPointer_UTF8 destination (buffer.get());

            for (auto characters = text.getCharPointer();;)
            {
                const auto c = characters.getAndAdvance();

                if (c == 0 || destination.getAddress() + 4 > buffer.get() + numBytes + 4)
                    break;

                destination.write (c);
            }

            return juce::String (juce::CharPointer_UTF8 (buffer.get()), destination);
        }

        /** The identifier of a name in its canonical spelling (not empty), or a
            null one when there is none to write back: the pool, which hands
            back any string that compares equal, holds it in another spelling
            that someone else put there. */
        static juce::Identifier toIdentifier (const juce::String& spelling)
        {
            juce::Identifier identifier (spelling);

            if (! writesBackExactly (identifier.toString()))
                return {};

            return identifier;
        }

        /** juce::var::equalsWithSameType, safe for empty binaries. */
        static bool equalsWithSameType (const juce::var& a, const juce::var& b)
        {
            const auto kind = [] (const juce::var& v)
            {
                return std::make_tuple (v.isVoid(), v.isUndefined(), v.isInt(), v.isInt64(), v.isBool(), v.isDouble(),
                                        v.isString(), v.isObject(), v.isArray(), v.isBinaryData(), v.isMethod());
            };

            return kind (a) == kind (b) && equals (a, b);
        }

        /** juce::var::operator== (which compares across types), safe for empty binaries. */
        static bool equals (const juce::var& a, const juce::var& b)
        {
            const auto* blockA = a.getBinaryData();
            const auto* blockB = b.getBinaryData();

            if (blockA != nullptr && blockB != nullptr)
                return blockA->getSize() == blockB->getSize()
                    && (blockA->isEmpty() || std::memcmp (blockA->getData(), blockB->getData(), blockA->getSize()) == 0);

            const auto* arrayA = a.getArray();
            const auto* arrayB = b.getArray();

            if (arrayA != nullptr && arrayB != nullptr)
            {
                if (arrayA->size() != arrayB->size())
                    return false;

                // The framework compares arrays the other way round (b's elements
                // with a's), which matters where comparing across types is not symmetric.
                for (int i = 0; i < arrayA->size(); ++i)
                    if (! equals (arrayB->getReference (i), arrayA->getReference (i)))
                        return false;

                return true;
            }

            return a == b;
        }

        /** Reads up to count items, each with readItem, which returns false to
            stop: a count is followed only while bytes remain, never past their
            end, however large it is (a negative one reads nothing). The
            properties, children and array elements all go through here. */
        template <typename ReadItem>
        void readCounted (int count, ReadItem&& readItem)
        {
            for (int i = 0; i < count && ! atEnd(); ++i)
                if (! readItem())
                    return;
        }

        bool atEnd() const noexcept { return position >= size; }
        size_t remaining() const noexcept { return size - position; }
        void stop() noexcept { position = size; }
        void skip (size_t numBytes) noexcept { position += std::min (numBytes, remaining()); }

        std::uint8_t readByte() noexcept
        {
            return atEnd() ? std::uint8_t { 0 } : bytes[position++];
        }

        /** Copies what there is of numBytes; true when all of them were there. */
        bool read (std::uint8_t* dest, size_t numBytes) noexcept
        {
            const auto available = std::min (numBytes, remaining());

            if (available > 0)
                std::memcpy (dest, bytes + position, available);

            position += available;
            return available == numBytes;
        }

        std::uint32_t readUint32() noexcept
        {
            std::uint8_t b[4] {};

            if (! read (b, sizeof (b)))
                return 0;

            return static_cast<std::uint32_t> (b[0]) | static_cast<std::uint32_t> (b[1]) << 8
                 | static_cast<std::uint32_t> (b[2]) << 16 | static_cast<std::uint32_t> (b[3]) << 24;
        }

        std::uint64_t readUint64() noexcept
        {
            std::uint8_t b[8] {};

            if (! read (b, sizeof (b)))
                return 0;

            std::uint64_t value = 0;

            for (int i = 7; i >= 0; --i)
                value = (value << 8) | b[i];

            return value;
        }

        double readDouble() noexcept
        {
            const auto bits = readUint64();
            double value;
            std::memcpy (&value, &bits, sizeof (value));
            return value;
        }

        /** A size byte (bit 7 the sign, bits 0-6 the number of bytes, at most 4)
            followed by that many little-endian bytes; 0 for anything unreadable. */
        int readCompressedInt() noexcept
        {
            const auto sizeByte = readByte();

            if (sizeByte == 0)
                return 0;

            const auto numBytes = static_cast<size_t> (sizeByte & 0x7f);

            if (numBytes > 4)
                return 0;

            std::uint8_t b[4] {};

            if (! read (b, numBytes))
                return 0;

            const auto magnitude = static_cast<std::uint32_t> (b[0]) | static_cast<std::uint32_t> (b[1]) << 8
                                 | static_cast<std::uint32_t> (b[2]) << 16 | static_cast<std::uint32_t> (b[3]) << 24;

            // Two's complement, also for the one magnitude whose negation overflows.
            const auto value = (sizeByte & 0x80) != 0 ? 0u - magnitude : magnitude;
            return static_cast<int> (value);
        }

        /** What there is of numBytes as text, taken as the framework takes it:
            the raw bytes, up to the first zero byte among them. */
        juce::String readUtf8 (size_t numBytes)
        {
            const auto available = std::min (numBytes, remaining());

            if (available == 0)
                return {};

            const auto* start = reinterpret_cast<const char*> (bytes + position);
            position += available;
            return juce::String (juce::CharPointer_UTF8 (start), juce::CharPointer_UTF8 (start + available));
        }

        const std::uint8_t* bytes;
        size_t size;
        size_t position = 0;

        NameTable names;
        int numDistinctNames = 0;

        /** The properties of the tree being read, each name once. */
        std::vector<Property> properties;

        JUCE_DECLARE_NON_COPYABLE (BoundedStateReader)
    };
} // namespace

juce::ValueTree readStateTree (const void* data, size_t numBytes)
{
    const juce::Identifier standIn (standInRootType);

    BoundedStateReader reader (data, numBytes);
    bool unwritable = false;
    auto tree = reader.readTree (1, standIn, unwritable);

    // The pool hands back whatever spelling of the stand-in it holds; only one
    // that someone put there on purpose could fail to write back as it reads.
    if (unwritable && std::strcmp (standIn.toString().toRawUTF8(), standInRootType) != 0)
        return {};

    return tree;
}

} // namespace my

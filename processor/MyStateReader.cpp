#include "MyStateReader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iterator>
#include <tuple>
#include <unordered_set>
#include <utility>

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
        BoundedStateReader (const void* data, size_t numBytes) noexcept
            : bytes (static_cast<const std::uint8_t*> (data)),
              size (data != nullptr ? numBytes : 0)
        {
        }

        /** Reads a tree; unwritable tells that its type, though present, has no
            characters to write back (see toIdentifier): the tree has the type
            standIn instead. */
        juce::ValueTree readTree (int level, const juce::Identifier& standIn, bool& unwritable)
        {
            if (level > StateReaderLimits::maxDepth)
                stop();

            const auto type = readString();

            if (type.isEmpty())
                return {};

            const auto typeIdentifier = toIdentifier (type);
            unwritable = typeIdentifier.isNull();

            if (! unwritable && ! admitName (typeIdentifier))
            {
                stop();
                return {};
            }

            juce::ValueTree tree { unwritable ? standIn : typeIdentifier };

            const auto numProperties = readCompressedInt();

            if (numProperties < 0)
                return tree;

            for (int i = 0; i < numProperties && ! atEnd(); ++i)
            {
                const auto name = readString();

                // An empty name is skipped without reading a value.
                if (name.isEmpty())
                    continue;

                const auto identifier = toIdentifier (name);

                if (! identifier.isNull() && ! admitName (identifier))
                {
                    stop();
                    break;
                }

                const auto value = readValue (level);

                if (identifier.isNull())
                    continue;

                // A repeated name keeps its first value where the new one equals it
                // with the same type, else takes the new one in the same place, as
                // NamedValueSet::set does; but compared here, because the
                // framework's comparison hands memcmp a null pointer for two empty
                // binaries. The tree is new and has no listeners to tell.
                if (const auto* existing = tree.getPropertyPointer (identifier))
                {
                    if (! equalsWithSameType (*existing, value))
                        *const_cast<juce::var*> (existing) = value;

                    continue;
                }

                tree.setProperty (identifier, value, nullptr);
            }

            const auto numChildren = readCompressedInt();

            for (int i = 0; i < numChildren && ! atEnd(); ++i)
            {
                bool childUnwritable = false;
                auto child = readTree (level + 1, standIn, childUnwritable);

                if (! child.isValid())
                    break;

                // Left out: there is no type to write back in its place.
                if (! childUnwritable)
                    tree.appendChild (child, nullptr);
            }

            return tree;
        }

    private:
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

            for (auto i = readCompressedInt(); --i >= 0 && ! atEnd();)
                elements.add (readValue (level));

            return juce::var (std::move (elements));
        }

        /** Whether a type or property name may join the tree: one of the names
            the plug-in's own state is made of, one already in it, or a new one
            within the limit. */
        bool admitName (const juce::Identifier& name)
        {
            static const juce::Identifier ownNames[] { standInRootType, "PARAM", "id", "value" };

            if (std::find (std::begin (ownNames), std::end (ownNames), name) != std::end (ownNames))
                return true;

            if (namesSeen.count (name) != 0)
                return true;

            if (namesSeen.size() >= static_cast<size_t> (StateReaderLimits::maxDistinctNames))
                return false;

            namesSeen.insert (name);
            return true;
        }

        /** A pooled identifier's characters are its own: their address tells names apart. */
        struct IdentifierHash
        {
            size_t operator() (const juce::Identifier& name) const noexcept
            {
                return std::hash<const void*>() (name.getCharPointer().getAddress());
            }
        };

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

        /** The identifier of a type or name, or a null one when there is none to
            write back: its characters are none, or the pool, which hands back
            any string that compares equal, holds them in another spelling that
            someone else put there. */
        static juce::Identifier toIdentifier (const juce::String& text)
        {
            const auto spelling = canonicalSpelling (text);

            if (spelling.isEmpty())
                return {};

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

        /** The bytes up to and including the next zero byte, or to the end. */
        juce::String readString()
        {
            if (atEnd())
                return {};

            const auto* start = bytes + position;
            const auto* zero = static_cast<const std::uint8_t*> (std::memchr (start, 0, remaining()));
            const auto length = zero != nullptr ? static_cast<size_t> (zero - start) + 1 : remaining();
            return readUtf8 (length);
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
        std::unordered_set<juce::Identifier, IdentifierHash> namesSeen;

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

#include "IndexTags.h"

#include <algorithm>
#include <set>

namespace korvex::dbase {

namespace {

// A compound index is a tag directory, itself a compact index whose keys are the tag
// names and whose record numbers are the byte offsets of the tags' headers, and one
// compact index per tag. Every header is 512 bytes followed by its 512-byte expression
// pool; every node is 512 bytes; all pointers are byte offsets.
constexpr std::size_t NodeSize = 512;
constexpr std::size_t HeaderSize = 1024;

// Header
constexpr std::size_t RootOffset = 0;
constexpr std::size_t KeyLengthOffset = 12;
constexpr std::size_t OptionsOffset = 14;
constexpr std::uint8_t UniqueOption = 0x01;
constexpr std::uint8_t ForOption = 0x08;
constexpr std::uint8_t CompactOption = 0x20;
constexpr std::size_t OrderOffset = 502; // 0 ascending, 1 descending
constexpr std::size_t ForPoolLengthOffset = 506;
constexpr std::size_t KeyPoolLengthOffset = 510;
constexpr std::size_t PoolOffset = 512;
constexpr std::size_t PoolSize = 512;
constexpr std::size_t MaxKeyLength = 240;

// Nodes
constexpr std::uint16_t LeafAttribute = 0x02;
constexpr std::size_t KeyCountOffset = 2;
constexpr std::size_t RightSiblingOffset = 8;
constexpr std::uint32_t NoNode = 0xFFFFFFFF;
// Interior nodes: from byte 12, entries of the key followed by the record number and the
// child's offset, both stored high byte first.
constexpr std::size_t InteriorEntriesOffset = 12;
constexpr std::size_t InteriorRoom = NodeSize - InteriorEntriesOffset;
// Leaf nodes: the decoding of their packed entries, then the entries from byte 24; the
// keys' bytes fill the node from its end backwards.
constexpr std::size_t RecordMaskOffset = 14;
constexpr std::size_t DuplicateMaskOffset = 18;
constexpr std::size_t TrailingMaskOffset = 19;
constexpr std::size_t RecordBitsOffset = 20;
constexpr std::size_t DuplicateBitsOffset = 21;
constexpr std::size_t TrailingBitsOffset = 22;
constexpr std::size_t EntryBytesOffset = 23;
constexpr std::size_t LeafEntriesOffset = 24;

// Text up to its first NUL, without surrounding blanks.
QString decodedText(const CodePage& codePage, std::span<const std::byte> bytes)
{
    const auto nul = std::find(bytes.begin(), bytes.end(), std::byte{0});
    return codePage.decode(bytes.first(std::size_t(nul - bytes.begin()))).trimmed();
}

// The text of a pool slot up to its first NUL.
QString poolText(const ByteReader& pool, std::size_t offset, std::size_t length, std::string_view what,
                 const CodePage& codePage)
{
    ByteReader slot = pool.sub(offset, length, what);
    return decodedText(codePage, slot.fixedString(length, what));
}

class Directory {
public:
    Directory(const FileBytes& cdx, const CodePage& codePage) : file_(cdx), codePage_(codePage)
    {
        const ByteReader header = file_.sub(0, HeaderSize, "tag directory header");
        if ((header.u8At(OptionsOffset, "index options") & CompactOption) == 0)
            header.sub(OptionsOffset, 1, "index options")
                .fail(FormatError::Kind::Unsupported,
                      QStringLiteral("the tag directory is not a compact index, the only kind a compound index holds"));
        keyLength_ = header.u16leAt(KeyLengthOffset, "tag name length");
        if (keyLength_ == 0 || keyLength_ > MaxKeyLength)
            header.sub(KeyLengthOffset, 2, "tag name length")
                .fail(FormatError::Kind::Damaged, QStringLiteral("tag names of %1 bytes").arg(keyLength_));
        root_ = header.u32leAt(RootOffset, "root node");
    }

    std::vector<IndexTag> tags()
    {
        ByteReader node = leftmostLeaf();
        for (;;) {
            readLeaf(node);
            const std::uint32_t right = node.u32leAt(RightSiblingOffset, "right sibling");
            if (right == NoNode)
                break;
            node = visit(right, "leaf node");
            if ((node.u16leAt(0, "node attributes") & LeafAttribute) == 0)
                node.fail(FormatError::Kind::Damaged, QStringLiteral("the leaf chain leads to an interior node"));
        }
        return std::move(tags_);
    }

private:
    // The node at offset, once: a node reached twice means the tree or the leaf chain
    // loops, and the walk would never end.
    ByteReader visit(std::uint32_t offset, std::string_view what)
    {
        if (offset < HeaderSize)
            file_.sub(std::min<std::size_t>(offset, file_.size()), 0, what)
                .fail(FormatError::Kind::Damaged, QStringLiteral("a node pointer leads into the directory header"));
        ByteReader node = file_.sub(offset, NodeSize, what);
        if (!visited_.insert(offset).second)
            node.fail(FormatError::Kind::Damaged, QStringLiteral("the tag directory's nodes form a loop"));
        // Nodes do not overlap, so no more of them fit than the file has room for.
        if (visited_.size() > (file_.size() - HeaderSize) / NodeSize)
            node.fail(FormatError::Kind::Damaged,
                      QStringLiteral("the tag directory has more nodes than the file holds"));
        return node;
    }

    ByteReader leftmostLeaf()
    {
        ByteReader node = visit(root_, "root node");
        while ((node.u16leAt(0, "node attributes") & LeafAttribute) == 0) {
            const std::size_t count = node.u16leAt(KeyCountOffset, "key count");
            const std::size_t entrySize = keyLength_ + 8;
            if (count == 0 || count > InteriorRoom / entrySize)
                node.fail(FormatError::Kind::Damaged, QStringLiteral("an interior node claims %1 keys").arg(count));
            ByteReader child = node;
            child.seek(InteriorEntriesOffset + keyLength_ + 4, "child node pointer");
            node = visit(child.u32be("child node pointer"), "node");
        }
        return node;
    }

    void readLeaf(const ByteReader& node)
    {
        const std::size_t count = node.u16leAt(KeyCountOffset, "key count");
        const std::uint32_t recordMask = node.u32leAt(RecordMaskOffset, "record number mask");
        const std::uint8_t duplicateMask = node.u8At(DuplicateMaskOffset, "duplicate count mask");
        const std::uint8_t trailingMask = node.u8At(TrailingMaskOffset, "trailing count mask");
        const unsigned recordBits = node.u8At(RecordBitsOffset, "record number bits");
        const unsigned duplicateBits = node.u8At(DuplicateBitsOffset, "duplicate count bits");
        const unsigned trailingBits = node.u8At(TrailingBitsOffset, "trailing count bits");
        const std::size_t entryBytes = node.u8At(EntryBytesOffset, "bytes per leaf entry");
        if (entryBytes == 0 || entryBytes > 8 || recordBits > 32 || duplicateBits > 8 || trailingBits > 8 ||
            recordBits + duplicateBits + trailingBits > 8 * entryBytes)
            node.fail(FormatError::Kind::Damaged, QStringLiteral("a leaf's entry layout is impossible"));
        const std::size_t entriesEnd = LeafEntriesOffset + count * entryBytes;
        if (entriesEnd > NodeSize)
            node.fail(FormatError::Kind::Damaged, QStringLiteral("a leaf claims %1 keys").arg(count));
        if (tags_.size() + count > maxTags())
            node.fail(FormatError::Kind::Damaged, QStringLiteral("the directory lists more tags than the file holds"));

        std::vector<std::byte> key(keyLength_);
        std::size_t keyLength = 0; // of the previous key, without its trailing blanks
        std::size_t keysStart = NodeSize;
        ByteReader entries = node;
        entries.seek(LeafEntriesOffset, "leaf entries");
        for (std::size_t i = 0; i < count; ++i) {
            std::uint64_t value = 0;
            const auto packed = entries.bytes(entryBytes, "leaf entry");
            for (std::size_t b = entryBytes; b-- > 0;)
                value = value << 8 | std::to_integer<std::uint64_t>(packed[b]);
            const std::uint32_t record = std::uint32_t(value & recordMask);
            const std::size_t duplicates = (value >> recordBits) & duplicateMask;
            const std::size_t trailing = (value >> (recordBits + duplicateBits)) & trailingMask;
            if (duplicates > keyLength || duplicates + trailing > keyLength_)
                node.fail(FormatError::Kind::Damaged, QStringLiteral("a leaf entry's key counts do not fit its key"));
            const std::size_t fresh = keyLength_ - duplicates - trailing;
            if (fresh > keysStart - entriesEnd)
                node.fail(FormatError::Kind::Damaged, QStringLiteral("a leaf's keys overrun its entries"));
            keysStart -= fresh;
            const auto bytes = node.sub(keysStart, fresh, "leaf key").bytes(fresh, "leaf key");
            std::copy(bytes.begin(), bytes.end(), key.begin() + std::ptrdiff_t(duplicates));
            keyLength = duplicates + fresh;
            addTag(record, std::span<const std::byte>(key).first(keyLength));
        }
    }

    // Each tag header and its pool take 1024 bytes of their own after the directory's.
    std::size_t maxTags() const { return (file_.size() - HeaderSize) / HeaderSize; }

    void addTag(std::uint32_t headerOffset, std::span<const std::byte> nameBytes)
    {
        const QString name = decodedText(codePage_, nameBytes);
        const auto fail = [&](const QString& detail) {
            file_.sub(std::min<std::size_t>(headerOffset, file_.size()), 0, "tag header")
                .fail(FormatError::Kind::Damaged, detail);
        };
        if (name.isEmpty())
            fail(QStringLiteral("a tag of the directory has no name"));
        if (headerOffset < HeaderSize)
            fail(QStringLiteral("tag %1 places its header inside the directory header").arg(name));
        if (!tagHeaders_.insert(headerOffset).second)
            fail(QStringLiteral("tag %1 shares its header with another tag").arg(name));

        const ByteReader header = file_.sub(headerOffset, HeaderSize, "tag header");
        const ByteReader pool = header.sub(PoolOffset, PoolSize, "expression pool");
        const std::size_t keyPool = header.u16leAt(KeyPoolLengthOffset, "key expression length");
        const std::size_t forPool = header.u16leAt(ForPoolLengthOffset, "FOR expression length");
        if (keyPool + forPool > PoolSize)
            pool.fail(FormatError::Kind::Damaged, QStringLiteral("tag %1's expressions overrun their pool").arg(name));
        const std::uint8_t options = header.u8At(OptionsOffset, "index options");

        IndexTag tag;
        tag.name = name;
        tag.expression = poolText(pool, 0, keyPool, "key expression", codePage_);
        if (tag.expression.isEmpty())
            pool.fail(FormatError::Kind::Damaged, QStringLiteral("tag %1 has no key expression").arg(name));
        if (options & ForOption)
            tag.forCondition = poolText(pool, keyPool, forPool, "FOR expression", codePage_);
        tag.unique = (options & UniqueOption) != 0;
        tag.descending = header.u16leAt(OrderOffset, "key order") != 0;
        tags_.push_back(std::move(tag));
    }

    ByteReader file_;
    const CodePage& codePage_;
    std::size_t keyLength_ = 0;
    std::uint32_t root_ = 0;
    std::set<std::uint32_t> visited_;
    std::set<std::uint32_t> tagHeaders_;
    std::vector<IndexTag> tags_;
};

} // namespace

std::vector<IndexTag> readCdxTags(const FileBytes& cdx, const CodePage& codePage)
{
    return Directory(cdx, codePage).tags();
}

} // namespace korvex::dbase

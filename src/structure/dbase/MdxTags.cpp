#include "IndexTags.h"

namespace korvex::dbase {

namespace {

constexpr std::size_t PageSize = 512;

// File header
constexpr std::size_t EntriesAvailableOffset = 25;
constexpr std::size_t EntryLengthOffset = 26;
constexpr std::size_t TagsInUseOffset = 28;
// The tag table follows the header at 544 for 32-byte entries; dBASE 7 files with their
// 43-byte entries move it on by the 11 extra bytes.
constexpr std::size_t TagTableBase = 544;
constexpr std::size_t ShortEntry = 32; // name slot of 11 bytes
constexpr std::size_t LongEntry = 43;  // name slot of 33 bytes
constexpr std::size_t ShortNameSlot = 11;
constexpr std::size_t LongNameSlot = 33;

// Tag header, at its page
constexpr std::size_t KeyFormatOffset = 8;
constexpr std::uint8_t DescendingFlag = 0x08;
constexpr std::uint8_t UniqueFlag = 0x40;
constexpr std::size_t ExpressionOffset = 24;
constexpr std::size_t ExpressionSlot = 221; // up to 220 characters and their NUL
constexpr std::size_t ForFlagOffset = 245;
constexpr std::size_t TagHeaderPart = 256; // what every tag header holds
// The FOR condition sits past the key part of the tag's header block.
constexpr std::size_t ForExpressionOffset = 762;
constexpr std::size_t MaxExpressionLength = 220;

QString decoded(const CodePage& codePage, std::span<const std::byte> bytes)
{
    return codePage.decode(bytes).trimmed();
}

IndexTag readTagHeader(const ByteReader& file, std::size_t offset, QString name, const CodePage& codePage)
{
    const ByteReader header = file.sub(offset, TagHeaderPart, "tag header");
    IndexTag tag;
    tag.name = std::move(name);
    const auto keyFormat = header.u8At(KeyFormatOffset, "key format");
    tag.unique = (keyFormat & UniqueFlag) != 0;
    tag.descending = (keyFormat & DescendingFlag) != 0;

    const ByteReader slot = header.sub(ExpressionOffset, ExpressionSlot, "key expression");
    ByteReader expression = slot;
    tag.expression = decoded(codePage, expression.fixedString(ExpressionSlot, "key expression"));
    if (tag.expression.isEmpty())
        slot.fail(FormatError::Kind::Damaged, QStringLiteral("tag %1 has no key expression").arg(tag.name));

    if (header.u8At(ForFlagOffset, "FOR clause flag") != 0) {
        ByteReader condition = file.sub(offset, file.size() - offset, "FOR condition");
        condition.seek(ForExpressionOffset, "FOR condition");
        tag.forCondition = decoded(codePage, condition.zString(MaxExpressionLength, "FOR condition"));
    }
    return tag;
}

} // namespace

std::vector<IndexTag> readMdxTags(const FileBytes& mdx, const CodePage& codePage)
{
    const ByteReader file(mdx);
    const std::size_t available = file.u8At(EntriesAvailableOffset, "number of tag entries");
    const std::size_t entryLength = file.u8At(EntryLengthOffset, "tag entry length");
    const std::size_t inUse = file.u16leAt(TagsInUseOffset, "number of tags in use");

    std::size_t nameSlot = 0;
    if (entryLength == ShortEntry)
        nameSlot = ShortNameSlot;
    else if (entryLength == LongEntry)
        nameSlot = LongNameSlot;
    else
        file.sub(EntryLengthOffset, 1, "tag entry length")
            .fail(FormatError::Kind::Unsupported,
                  QStringLiteral("tag table entries of %1 bytes are not a production index layout this reader knows")
                      .arg(entryLength));
    if (inUse > available)
        file.sub(TagsInUseOffset, 2, "number of tags in use")
            .fail(FormatError::Kind::Damaged,
                  QStringLiteral("%1 tags in use, but the tag table has %2 entries").arg(inUse).arg(available));

    const std::size_t tableStart = TagTableBase + (entryLength - ShortEntry);
    std::vector<IndexTag> tags;
    tags.reserve(inUse);
    for (std::size_t i = 0; i < inUse; ++i) {
        const ByteReader entryAt = file.sub(tableStart + i * entryLength, entryLength, "tag table entry");
        ByteReader entry = entryAt;
        const std::uint32_t page = entry.u32le("tag header page");
        const QString name = decoded(codePage, entry.fixedString(nameSlot, "tag name"));
        if (name.isEmpty())
            entryAt.fail(FormatError::Kind::Damaged, QStringLiteral("tag %1 of the tag table has no name").arg(i + 1));
        if (page == 0)
            entryAt.fail(FormatError::Kind::Damaged,
                         QStringLiteral("tag %1 places its header on page 0, the file header").arg(name));
        tags.push_back(readTagHeader(file, std::size_t(page) * PageSize, name, codePage));
    }
    return tags;
}

} // namespace korvex::dbase

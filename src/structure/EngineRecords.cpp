#include "EngineRecords.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>

namespace korvex::record {

// The members lie at fixed offsets inside records of fixed sizes: one outside its record
// is a mistake in this code, never something a table file can cause.
std::uint16_t get16(std::span<const std::byte> r, std::size_t at)
{
    Q_ASSERT(at + 2 <= r.size());
    return std::uint16_t(std::to_integer<unsigned>(r[at]) | std::to_integer<unsigned>(r[at + 1]) << 8);
}

void put16(std::span<std::byte> r, std::size_t at, std::uint16_t v)
{
    Q_ASSERT(at + 2 <= r.size());
    r[at] = std::byte(v & 0xFF);
    r[at + 1] = std::byte(v >> 8);
}

std::uint32_t get32(std::span<const std::byte> r, std::size_t at)
{
    return std::uint32_t(get16(r, at)) | std::uint32_t(get16(r, at + 2)) << 16;
}

void put32(std::span<std::byte> r, std::size_t at, std::uint32_t v)
{
    put16(r, at, std::uint16_t(v & 0xFFFF));
    put16(r, at + 2, std::uint16_t(v >> 16));
}

QString getText(std::span<const std::byte> r, std::size_t at, std::size_t slotSize)
{
    Q_ASSERT(at + slotSize <= r.size());
    const auto* begin = reinterpret_cast<const char*>(r.data() + at);
    return QString::fromUtf8(begin, qsizetype(strnlen(begin, slotSize)));
}

void putText(std::span<std::byte> r, std::size_t at, std::size_t slotSize, const QString& text)
{
    Q_ASSERT(slotSize > 0 && at + slotSize <= r.size());
    const QByteArray utf8 = text.toUtf8();
    qsizetype n = std::min<qsizetype>(utf8.size(), qsizetype(slotSize) - 1);
    if (n < utf8.size())
        while (n > 0 && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80)
            --n;
    std::memset(r.data() + at, 0, slotSize);
    std::memcpy(r.data() + at, utf8.constData(), std::size_t(n));
}

namespace {

std::uint32_t ruleCode(ReferentialAction action)
{
    switch (action) {
    case ReferentialAction::Restrict: return integrity::Restrict;
    case ReferentialAction::Cascade: return integrity::Cascade;
    case ReferentialAction::NoAction: return integrity::NoAction;
    case ReferentialAction::SetNull: return integrity::SetNull;
    case ReferentialAction::SetDefault: return integrity::SetDefault;
    }
    return integrity::NoAction;
}

ReferentialAction ruleOf(std::uint32_t code)
{
    switch (code) {
    case integrity::Restrict: return ReferentialAction::Restrict;
    case integrity::Cascade: return ReferentialAction::Cascade;
    case integrity::SetNull: return ReferentialAction::SetNull;
    case integrity::SetDefault: return ReferentialAction::SetDefault;
    default: return ReferentialAction::NoAction;
    }
}

} // namespace

void putIntegrityDescriptor(std::span<std::byte> r, const IntegrityDescriptor& link)
{
    namespace ri = integrity;
    putText(r, ri::LinkName, ri::LinkNameSize, link.name);
    put32(r, ri::Kind, link.kind == IntegrityDescriptor::Kind::Dependent ? 1 : 0);
    putText(r, ri::RelatedTable, ri::RelatedTableSize, link.relatedTable);
    if (link.cascade.serverRules()) {
        put32(r, ri::ModifyRule, ruleCode(link.cascade.onUpdate()));
        put32(r, ri::DeleteRule, ruleCode(link.cascade.onDelete()) + 1);
    } else {
        put32(r, ri::ModifyRule, link.cascade ? ri::Cascade : ri::Restrict);
        put32(r, ri::DeleteRule, 0);
    }
    const std::size_t pairs = std::min(link.pairs.size(), ri::MaxPairs);
    put16(r, ri::PairCount, std::uint16_t(pairs));
    for (std::size_t i = 0; i < ri::MaxPairs; ++i) {
        put16(r, ri::ThisFields + 2 * i, i < pairs ? link.pairs[i].first : 0);
        put16(r, ri::RelatedFields + 2 * i, i < pairs ? link.pairs[i].second : 0);
    }
}

IntegrityDescriptor getIntegrityDescriptor(std::span<const std::byte> r)
{
    namespace ri = integrity;
    IntegrityDescriptor link;
    link.name = getText(r, ri::LinkName, ri::LinkNameSize);
    link.kind = get32(r, ri::Kind) == 0 ? IntegrityDescriptor::Kind::Master : IntegrityDescriptor::Kind::Dependent;
    link.relatedTable = getText(r, ri::RelatedTable, ri::RelatedTableSize);
    const std::uint32_t modify = get32(r, ri::ModifyRule);
    if (const std::uint32_t remove = get32(r, ri::DeleteRule); remove != 0) {
        link.cascade = LinkRules(ruleOf(modify), ruleOf(remove - 1));
    } else {
        link.cascade = modify != 0;
    }
    const std::size_t pairs = std::min<std::size_t>(get16(r, ri::PairCount), ri::MaxPairs);
    for (std::size_t i = 0; i < pairs; ++i)
        link.pairs.emplace_back(get16(r, ri::ThisFields + 2 * i), get16(r, ri::RelatedFields + 2 * i));
    return link;
}

} // namespace korvex::record

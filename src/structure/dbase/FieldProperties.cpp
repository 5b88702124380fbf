#include "FieldProperties.h"

#include "EngineValues.h"

#include <QDate>

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>

namespace korvex::dbase {

namespace {

// The properties structure: a 16-byte header of counts and offsets (all offsets counted
// from the structure's start), then arrays of 15-byte standard property descriptors.
constexpr std::size_t PropertiesHeaderSize = 16;
constexpr std::size_t StandardDescriptorSize = 15;

enum Property : std::uint8_t { Required = 1, Minimum = 2, Maximum = 3, Default = 4 };

// The current generation of one property of one field.
struct Stored {
    std::uint16_t generation = 0;
    std::size_t valueOffset = 0; // within the properties structure
    std::size_t valueSize = 0;
};

struct FieldProperties {
    std::array<std::optional<Stored>, 4> byProperty; // indexed by Property - 1
    bool any() const
    {
        for (const auto& p : byProperty)
            if (p)
                return true;
        return false;
    }
};

std::string_view asText(std::span<const std::byte> bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\0'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.remove_suffix(1);
    return s;
}

bool allZero(std::span<const std::byte> bytes)
{
    for (auto b : bytes)
        if (b != std::byte{0})
            return false;
    return true;
}

std::uint64_t bigEndian(std::span<const std::byte> bytes)
{
    std::uint64_t v = 0;
    for (auto b : bytes)
        v = v << 8 | std::to_integer<std::uint64_t>(b);
    return v;
}

// Turns one stored property value into the engine's encoding for its field. Answers
// false for a value that is blank (not set); a value that does not read as its type is
// damage.
class ValueConverter {
public:
    ValueConverter(ByteReader value, const FieldDefinition& field, char storedType, const CodePage& codePage)
        : value_(std::move(value)), field_(field), storedType_(storedType), codePage_(codePage)
    {}

    bool convert(ValueSlot& slot)
    {
        const auto bytes = value_.bytes(value_.size(), "field property value");
        switch (storedType_) {
        case 'C': return text(bytes, slot);
        case 'N':
        case 'F': return number(asText(bytes), slot);
        case 'D': return date(asText(bytes), slot);
        case 'L': return logical(asText(bytes), slot);
        case 'I':
        case '+': return integer(bytes, slot);
        case 'O': return binaryDouble(bytes, slot);
        case '@': return timestamp(bytes, slot);
        default: return false; // memo and blob fields have no value the engine hands out
        }
    }

private:
    [[noreturn]] void bad(const QString& why) const
    {
        value_.fail(FormatError::Kind::Damaged, QStringLiteral("field property of field %1 %2").arg(field_.name, why));
    }

    void needSize(std::size_t bytes, std::size_t size) const
    {
        if (bytes != size)
            bad(QStringLiteral("has %1 bytes, its type needs %2").arg(bytes).arg(size));
    }

    bool text(std::span<const std::byte> bytes, ValueSlot& slot)
    {
        auto s = asText(bytes);
        while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
            s.remove_suffix(1);
        if (s.empty())
            return false;
        slot::putString(slot, codePage_.decode(bytes.first(s.size())).toUtf8());
        return true;
    }

    bool number(std::string_view stored, ValueSlot& slot)
    {
        auto s = trimmed(stored);
        if (s.empty() || s == ".")
            return false;
        if (s.front() == '+')
            s.remove_prefix(1);
        const char* end = s.data() + s.size();
        if (field_.type == FieldType::SmallInt) {
            int v = 0;
            const auto [ptr, ec] = std::from_chars(s.data(), end, v);
            if (ec != std::errc() || ptr != end || v < std::numeric_limits<std::int16_t>::min() ||
                v > std::numeric_limits<std::int16_t>::max())
                bad(QStringLiteral("is not a small integer"));
            slot::putInt16(slot, std::int16_t(v));
            return true;
        }
        double v = 0;
        const auto [ptr, ec] = std::from_chars(s.data(), end, v);
        if (ec != std::errc() || ptr != end || !std::isfinite(v))
            bad(QStringLiteral("is not a number"));
        slot::putDouble(slot, v);
        return true;
    }

    bool date(std::string_view stored, ValueSlot& slot)
    {
        const auto s = trimmed(stored);
        if (s.empty())
            return false;
        int parts[3] = {};
        const std::size_t widths[3] = {4, 2, 2};
        std::size_t at = 0;
        for (int i = 0; i < 3; ++i) {
            const char* begin = s.data() + at;
            const char* end = begin + widths[i];
            if (at + widths[i] > s.size() || std::from_chars(begin, end, parts[i]).ptr != end)
                bad(QStringLiteral("is not a date"));
            at += widths[i];
        }
        const QDate d(parts[0], parts[1], parts[2]);
        if (at != s.size() || !d.isValid())
            bad(QStringLiteral("is not a date"));
        slot::putDate(slot, dayNumberOf(d));
        return true;
    }

    bool logical(std::string_view stored, ValueSlot& slot)
    {
        const auto s = trimmed(stored);
        if (s.size() != 1)
            return false;
        switch (s.front()) {
        case 'T':
        case 't':
        case 'Y':
        case 'y': slot::putBool(slot, true); return true;
        case 'F':
        case 'f':
        case 'N':
        case 'n': slot::putBool(slot, false); return true;
        default: return false; // '?': not initialised
        }
    }

    // Big-endian with the sign bit flipped, so that the bytes sort like the numbers.
    bool integer(std::span<const std::byte> bytes, ValueSlot& slot)
    {
        needSize(bytes.size(), 4);
        if (allZero(bytes))
            return false;
        const auto stored = std::uint32_t(bigEndian(bytes));
        slot::putInt32(slot, std::bit_cast<std::int32_t>(stored ^ 0x80000000u));
        return true;
    }

    // Big-endian IEEE double made to sort like the numbers: non-negative values have the
    // sign bit flipped, negative values every bit.
    bool binaryDouble(std::span<const std::byte> bytes, ValueSlot& slot)
    {
        needSize(bytes.size(), 8);
        if (allZero(bytes))
            return false;
        auto bits = bigEndian(bytes);
        bits = (bits >> 63) ? bits ^ (std::uint64_t(1) << 63) : ~bits;
        const double v = std::bit_cast<double>(bits);
        if (!std::isfinite(v))
            bad(QStringLiteral("is not a number"));
        slot::putDouble(slot, v);
        return true;
    }

    // A big-endian double counting milliseconds from the start of day 0 (day 1 being
    // 1 January of year 1): the engine's own timestamp.
    bool timestamp(std::span<const std::byte> bytes, ValueSlot& slot)
    {
        needSize(bytes.size(), 8);
        if (allZero(bytes))
            return false;
        const double v = std::bit_cast<double>(bigEndian(bytes));
        if (!std::isfinite(v) || v < 0)
            bad(QStringLiteral("is not a timestamp"));
        slot::putTimestamp(slot, v);
        return true;
    }

    ByteReader value_;
    const FieldDefinition& field_;
    char storedType_;
    const CodePage& codePage_;
};

} // namespace

std::vector<ValidityCheck> readValidityChecks(const FileBytes& dbf, const DbfHeader& header,
                                              const std::vector<FieldDefinition>& fields, const CodePage& codePage)
{
    if (!header.level7Layout || header.trailerSize() < PropertiesHeaderSize)
        return {};
    const ByteReader area = ByteReader(dbf).sub(header.trailerOffset(), header.trailerSize(), "field properties");
    const std::size_t count = area.u16leAt(0, "standard property count");
    const std::size_t first = area.u16leAt(2, "standard property offset");
    if (count == 0)
        return {};

    std::vector<FieldProperties> byField(fields.size());
    for (std::size_t i = 0; i < count; ++i) {
        ByteReader e = area.sub(first + i * StandardDescriptorSize, StandardDescriptorSize, "standard field property");
        Stored s;
        s.generation = e.u16le("property generation");
        const std::size_t fieldNumber = e.u16le("property field number");
        const auto property = e.u8("property kind");
        e.skip(6, "property descriptor"); // field type, constraint flag, reserved
        s.valueOffset = e.u16le("property value offset");
        s.valueSize = e.u16le("property value size");

        // Field number 0 is a table constraint; kind 6 a database constraint.
        if (fieldNumber == 0 || property < Required || property > Default)
            continue;
        if (fieldNumber > fields.size())
            e.fail(FormatError::Kind::Damaged,
                   QStringLiteral("field property names field %1 of %2").arg(fieldNumber).arg(fields.size()));
        if (property != Required)
            (void)area.sub(s.valueOffset, s.valueSize, "field property value"); // must lie inside

        auto& slot = byField[fieldNumber - 1].byProperty[property - 1];
        if (!slot || s.generation >= slot->generation)
            slot = s;
    }

    std::vector<ValidityCheck> checks;
    for (std::size_t f = 0; f < fields.size(); ++f) {
        const auto& props = byField[f];
        if (!props.any())
            continue;
        ValidityCheck c;
        c.fieldNumber = std::uint16_t(f + 1);
        c.required = props.byProperty[Required - 1].has_value();
        const auto value = [&](Property p, ValueSlot& slot) {
            const auto& s = props.byProperty[p - 1];
            if (!s)
                return false;
            ValueConverter converter(area.sub(s->valueOffset, s->valueSize, "field property value"), fields[f],
                                     header.fields[f].type, codePage);
            return converter.convert(slot);
        };
        c.hasMinimum = value(Minimum, c.minimum);
        c.hasMaximum = value(Maximum, c.maximum);
        c.hasDefault = value(Default, c.defaultValue);
        if (c.required || c.hasMinimum || c.hasMaximum || c.hasDefault)
            checks.push_back(std::move(c));
    }
    return checks;
}

} // namespace korvex::dbase

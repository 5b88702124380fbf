#include "ParadoxFieldTypes.h"

#include "EngineValues.h"

namespace korvex::paradox {

namespace {

// Logical lengths are the bytes of the engine's value: a zero-terminated string gets one
// byte more than its length, a logical value is the engine's 16-bit boolean, a BCD the
// engine's packed decimal. Sized types (Alpha, Bytes, BLOBs, BCD) are finished by the reader.
constexpr FieldTypeInfo kTypes[] = {
    {kAlpha, 'A', FieldType::String, LogicalType::ZString, subtype::None, 0, 0},
    {kDate, 'D', FieldType::Date, LogicalType::Date, subtype::None, 4, 4},
    {kShort, 'S', FieldType::SmallInt, LogicalType::Int16, subtype::None, 2, 2},
    {kLong, 'I', FieldType::Integer, LogicalType::Int32, subtype::None, 4, 4},
    {kMoney, '$', FieldType::Money, LogicalType::Float, subtype::Money, 8, 8},
    {kNumber, 'N', FieldType::Float, LogicalType::Float, subtype::None, 8, 8},
    {kLogical, 'L', FieldType::Boolean, LogicalType::Bool, subtype::None, 1, 2},
    {kMemo, 'M', FieldType::Memo, LogicalType::Blob, subtype::Memo, 0, 0},
    {kBinary, 'B', FieldType::Blob, LogicalType::Blob, subtype::Binary, 0, 0},
    {kFormattedMemo, 'F', FieldType::FmtMemo, LogicalType::Blob, subtype::FmtMemo, 0, 0},
    {kOle, 'O', FieldType::ParadoxOle, LogicalType::Blob, subtype::OleObject, 0, 0},
    {kGraphic, 'G', FieldType::Graphic, LogicalType::Blob, subtype::Graphic, 0, 0},
    {kTime, 'T', FieldType::Time, LogicalType::Time, subtype::None, 4, 4},
    {kTimestamp, '@', FieldType::DateTime, LogicalType::Timestamp, subtype::None, 8, 8},
    {kAutoIncrement, '+', FieldType::AutoInc, LogicalType::Int32, subtype::AutoInc, 4, 4},
    {kBcd, '#', FieldType::BCD, LogicalType::Bcd, subtype::None, kBcdStoredSize, EngineBcd::Size},
    {kBytes, 'Y', FieldType::Bytes, LogicalType::Bytes, subtype::None, 0, 0},
};

} // namespace

std::optional<FieldTypeInfo> fieldTypeInfo(std::uint8_t code)
{
    for (const auto& t : kTypes)
        if (t.code == code)
            return t;
    return std::nullopt;
}

std::size_t storedSizeOf(std::uint8_t code, std::uint8_t sizeByte)
{
    const auto info = fieldTypeInfo(code);
    return info && info->fixedStoredSize != 0 ? info->fixedStoredSize : sizeByte;
}

} // namespace korvex::paradox

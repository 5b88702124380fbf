#include "ParadoxFieldTypes.h"

#include "EngineValues.h"

namespace korvex::paradox {

namespace {

// Logical lengths are the bytes of the engine's value: a zero-terminated string gets one
// byte more than its length, a logical value is the engine's 16-bit boolean, a BCD the
// engine's packed decimal. Sized types (Alpha, Bytes, BLOBs, BCD) are finished by the reader.
constexpr FieldTypeInfo Types[] = {
    {Alpha, 'A', FieldType::String, LogicalType::ZString, subtype::None, 0, 0},
    {Date, 'D', FieldType::Date, LogicalType::Date, subtype::None, 4, 4},
    {Short, 'S', FieldType::SmallInt, LogicalType::Int16, subtype::None, 2, 2},
    {Long, 'I', FieldType::Integer, LogicalType::Int32, subtype::None, 4, 4},
    {Money, '$', FieldType::Money, LogicalType::Float, subtype::Money, 8, 8},
    {Number, 'N', FieldType::Float, LogicalType::Float, subtype::None, 8, 8},
    {Logical, 'L', FieldType::Boolean, LogicalType::Bool, subtype::None, 1, 2},
    {Memo, 'M', FieldType::Memo, LogicalType::Blob, subtype::Memo, 0, 0},
    {Binary, 'B', FieldType::Blob, LogicalType::Blob, subtype::Binary, 0, 0},
    {FormattedMemo, 'F', FieldType::FmtMemo, LogicalType::Blob, subtype::FmtMemo, 0, 0},
    {Ole, 'O', FieldType::ParadoxOle, LogicalType::Blob, subtype::OleObject, 0, 0},
    {Graphic, 'G', FieldType::Graphic, LogicalType::Blob, subtype::Graphic, 0, 0},
    {Time, 'T', FieldType::Time, LogicalType::Time, subtype::None, 4, 4},
    {Timestamp, '@', FieldType::DateTime, LogicalType::Timestamp, subtype::None, 8, 8},
    {AutoIncrement, '+', FieldType::AutoInc, LogicalType::Int32, subtype::AutoInc, 4, 4},
    {Bcd, '#', FieldType::BCD, LogicalType::Bcd, subtype::None, BcdStoredSize, EngineBcd::Size},
    {Bytes, 'Y', FieldType::Bytes, LogicalType::Bytes, subtype::None, 0, 0},
};

} // namespace

std::optional<FieldTypeInfo> fieldTypeInfo(std::uint8_t code)
{
    for (const auto& t : Types)
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

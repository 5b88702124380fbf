#include "DbaseFieldTypes.h"

#include <algorithm>

namespace korvex::dbase {

namespace {

constexpr std::uint8_t FoxAutoIncrement = 0x08;
// Harbour's binary integers and times by their width in the record.
constexpr int ShortIntegerWidth = 2;
constexpr int IntegerWidth = 4;
constexpr int TimeOfDayWidth = 4;

// Visual FoxPro's own version bytes: only its tables have its Varchar field V.
bool isVisualFoxPro(std::uint8_t version)
{
    return version == 0x30 || version == 0x31 || version == 0x32;
}

std::int16_t units(int value)
{
    return std::int16_t(std::clamp(value, 0, 32767));
}

std::uint16_t bufferBytes(int value)
{
    return std::uint16_t(std::clamp(value, 0, 65535));
}

// The kinds of field the table below distinguishes; each fills FieldDefinition alike.
void setFixed(FieldDefinition& d, FieldType type, LogicalType logical, int bufferLength,
              std::int16_t sub = subtype::None)
{
    d.type = type;
    d.logicalType = logical;
    d.subtype = sub;
    d.logicalLength = bufferBytes(bufferLength);
}

void setNumber(FieldDefinition& d, const StoredField& f, FieldType type, LogicalType logical, int bufferLength,
               std::int16_t sub = subtype::None)
{
    setFixed(d, type, logical, bufferLength, sub);
    d.units1 = units(f.width);
    d.units2 = units(f.decimals);
}

void setSized(FieldDefinition& d, const StoredField& f, FieldType type, LogicalType logical, int bufferLength)
{
    setFixed(d, type, logical, bufferLength);
    d.size = f.width;
    d.units1 = units(f.width);
}

void setBlob(FieldDefinition& d, const StoredField& f, FieldType type, std::int16_t sub)
{
    setFixed(d, type, LogicalType::Blob, f.width, sub);
    d.size = 1;
    d.units1 = 1;
}

} // namespace

bool isFoxProOnlyField(const StoredField& field)
{
    switch (field.type) {
    case 'Y':
    case 'T':
    case 'P':
    case 'Q':
    case 'W':
    case '0':
    case 'I': return true;
    case 'B': return field.width == 8; // a dBASE binary blob holds a 10-byte block number
    default: return false;
    }
}

FieldDefinition describeField(const StoredField& f, Dialect dialect, std::uint8_t version, const CodePage& codePage)
{
    FieldDefinition d;
    d.name = codePage.decode(f.name);
    d.storedType = QString(QChar::fromLatin1(f.type));
    d.storedSize = f.width;

    switch (f.type) {
    case 'C': setSized(d, f, FieldType::String, LogicalType::ZString, f.width + 1); break;
    case 'V':
        if (isVisualFoxPro(version))
            setSized(d, f, FieldType::String, LogicalType::ZString, f.width + 1);
        else // Harbour's variant: a value of any type, or where to find it in the memo file
            setSized(d, f, FieldType::Bytes, LogicalType::Bytes, f.width);
        break;
    case 'N':
        if (f.decimals == 0 && f.width <= 4)
            setNumber(d, f, FieldType::SmallInt, LogicalType::Int16, 2);
        else
            setNumber(d, f, FieldType::Float, LogicalType::Float, 8);
        break;
    case 'F':
    case 'O': setNumber(d, f, FieldType::Float, LogicalType::Float, 8); break;
    case 'B':
        if (dialect == Dialect::FoxPro)
            setNumber(d, f, FieldType::Float, LogicalType::Float, 8);
        else
            setBlob(d, f, FieldType::TypedBinary, subtype::TypedBinary);
        break;
    case 'Y': setNumber(d, f, FieldType::Money, LogicalType::Float, 8, subtype::Money); break;
    case 'D': setFixed(d, FieldType::Date, LogicalType::Date, 4); break;
    case 'T':
        if (f.width == TimeOfDayWidth) // Harbour's time of day
            setFixed(d, FieldType::Time, LogicalType::Time, 4);
        else
            setFixed(d, FieldType::DateTime, LogicalType::Timestamp, 8);
        break;
    case '@': // a timestamp: day number and milliseconds
    case '=': // Harbour's modification time, a timestamp the table keeps by itself
        setFixed(d, FieldType::DateTime, LogicalType::Timestamp, 8);
        break;
    case 'L': setFixed(d, FieldType::Boolean, LogicalType::Bool, 2); break;
    case 'I':
        if (dialect == Dialect::FoxPro && (f.foxFlags & FoxAutoIncrement))
            setFixed(d, FieldType::AutoInc, LogicalType::Int32, 4, subtype::AutoInc);
        else if (f.width <= ShortIntegerWidth)
            setFixed(d, FieldType::SmallInt, LogicalType::Int16, 2);
        else
            setFixed(d, FieldType::Integer, LogicalType::Int32, std::max(f.width, IntegerWidth));
        break;
    case '^': // Harbour's row version, a 64-bit counter the table raises at every change
        setFixed(d, FieldType::Integer, LogicalType::Int32, f.width);
        break;
    case '+': setFixed(d, FieldType::AutoInc, LogicalType::Int32, 4, subtype::AutoInc); break;
    case 'M': setBlob(d, f, FieldType::Memo, subtype::Memo); break;
    case 'G': setBlob(d, f, FieldType::DBaseOle, subtype::DbaseOle); break;
    case 'P': setBlob(d, f, FieldType::Graphic, subtype::Graphic); break;
    case 'W': setBlob(d, f, FieldType::Blob, subtype::Binary); break;
    case 'Q': setSized(d, f, FieldType::VarBytes, LogicalType::VarBytes, f.width + 2); break;
    case '0': setSized(d, f, FieldType::Bytes, LogicalType::Bytes, f.width); break;
    default: setFixed(d, FieldType::Unknown, LogicalType::Unknown, f.width); break;
    }
    return d;
}

} // namespace korvex::dbase

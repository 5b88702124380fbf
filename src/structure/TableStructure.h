#pragma once

#include "TableSource.h"

#include <QLocale>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace korvex {

// The printed form of a fixed word: the report binds this to the label lookup, so every
// fixed word passes through the chosen translation at the moment a text is built.
using LabelLookup = std::function<QString(const QString& builtInText)>;

struct FieldEntry {
    int position = 0; // 0-based
    QString name;
    FieldType type = FieldType::Unknown;
    int size = 0;
    std::int16_t subtype = 0;
    std::int16_t units1 = 0;
    std::int16_t units2 = 0;
    bool key = false;
};

// Everything one table's report prints about the table and its fields.
struct TableStructure {
    QString tableName;    // as the report was asked to print it
    QString tableType;    // at most 31 characters
    QString tableTypeKey; // tableType in upper case, at most 20 characters
    QString levelText;
    TableProperties properties;
    int fieldCount = 0;
    int indexCount = 0;
    std::vector<FieldEntry> fields;

    // From an open table whose properties and descriptors have been read.
    static TableStructure from(const QString& tableName, const TableProperties& properties, const TableSource& source,
                               const FieldDescriptorBuffer& descriptors);
};

// Whether the engine's table type is one of the dBASE family ("DBASE", or "FOXPRO" for the
// FoxPro dialect of the same file format): numeric sizes are width and decimals, and every
// index, expression indexes included, is listed with the dBASE captions.
bool isDbaseFamily(const QString& tableType);

// The table level as printed: the level in decimal for 1 to 10, except "Win" for a level-5
// table whose type is not exactly "PARADOX"; empty for any other level.
QString LevelText(int level, const QString& tableType);
// "Type of table": the type (at most 32 characters), a blank and the level text.
QString typeOfTableText(const QString& tableType, const QString& levelText);

// The locale's long time format without its time-zone field.
QString longTimeFormat(const QLocale& locale);

// The words and numbers of a structure report, the same in every locale: every fixed word
// through label. The printed report and the machine outputs both show them.
QString countText(int n, const LabelLookup& label); // "None" for 0
QString yesNoText(bool flag, const LabelLookup& label);
QString sizeText(int n, const QString& unit, const LabelLookup& label); // "4096 Bytes"
// The file block size in kilobytes, or in bytes when it is not a whole number of them.
QString blockSizeText(const TableProperties& properties, const LabelLookup& label);
// The "Type" column: the name of the field's data type ("Auto-Inc" for an auto-increment
// integer).
QString fieldTypeName(const FieldEntry& entry, const LabelLookup& label);
// The "Size" column: the size, or width and decimals of a dBASE-family numeric field.
QString fieldSizeText(const FieldEntry& entry, const QString& tableTypeKey);

enum class ValidityValue { Minimum, Maximum, Default };

// The texts of one table's report. The first validity or picture text reads and decodes
// every check of the open table, in order (an engine error there is raised then, and the
// next text tries again); every later one scans those checks: they cannot change while
// the table is open.
class StructureTexts {
public:
    StructureTexts(TableSource& source, const TableStructure& structure, LabelLookup label,
                   const QLocale& locale = QLocale::system());

    QString CountText(int n) const;
    QString YesNoText(bool flag) const;
    QString SizeText(int n, const QString& unit) const;
    // The file block size in kilobytes, or in bytes when it is not a whole number of them.
    QString blockSizeText(const TableProperties& properties) const;
    QString FieldTypeName(const FieldEntry& entry) const;
    QString FieldSizeText(const FieldEntry& entry) const;
    QString ValidityText(const FieldEntry& entry, ValidityValue which) const; // EngineError
    QString PictureText(const FieldEntry& entry) const;                       // EngineError
    QString LanguageDriverText() const;

    // One validity value formatted by the encoding of the field's data type code.
    QString formatValue(FieldType type, const ValueSlot& value) const;

private:
    // General floating-point text: up to 15 significant digits, the locale's separator.
    QString numberText(double value) const;
    const std::vector<ValidityCheck>& validityChecks() const; // EngineError

    TableSource& source_;
    const TableStructure& structure_;
    LabelLookup label_;
    QLocale locale_;
    mutable std::optional<std::vector<ValidityCheck>> checks_;
};

} // namespace korvex

#pragma once

#include "EngineValues.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace korvex {

// The data type codes a structure report prints, one per kind of field value.
enum class FieldType : std::uint8_t {
    Unknown = 0,
    String = 1,
    SmallInt = 2,
    Integer = 3,
    Word = 4,
    Boolean = 5,
    Float = 6,
    Money = 7,
    BCD = 8,
    Date = 9,
    Time = 10,
    DateTime = 11,
    Bytes = 12,
    VarBytes = 13,
    AutoInc = 14,
    Blob = 15,
    Memo = 16,
    Graphic = 17,
    FmtMemo = 18,
    ParadoxOle = 19,
    DBaseOle = 20,
    TypedBinary = 21,
};

// The engine's logical field types, as its field descriptors carry them.
enum class LogicalType : std::uint16_t {
    Unknown = 0,
    ZString = 1,
    Date = 2,
    Blob = 3,
    Bool = 4,
    Int16 = 5,
    Int32 = 6,
    Float = 7,
    Bcd = 8,
    Bytes = 9,
    Time = 10,
    Timestamp = 11,
    UInt16 = 12,
    UInt32 = 13,
    FloatIeee = 14,
    VarBytes = 15,
    LockInfo = 16,
};

// Field subtypes of the engine's descriptors.
namespace subtype {
inline constexpr std::int16_t None = 0;
inline constexpr std::int16_t Money = 21;
inline constexpr std::int16_t Memo = 22;
inline constexpr std::int16_t Binary = 23;
inline constexpr std::int16_t FmtMemo = 24;
inline constexpr std::int16_t OleObject = 25;
inline constexpr std::int16_t Graphic = 26;
inline constexpr std::int16_t DbaseOle = 27;
inline constexpr std::int16_t TypedBinary = 28;
inline constexpr std::int16_t AutoInc = 29;
} // namespace subtype

// One field as a table-file reader describes it: what the engine's field list and its
// field descriptor report, plus the stored type for diagnostics.
struct FieldDefinition {
    QString name;
    FieldType type = FieldType::Unknown; // the field list's data type code
    int size = 0;                        // the field list's size (see the readers for the rule)
    LogicalType logicalType = LogicalType::Unknown;
    std::int16_t subtype = subtype::None;
    std::int16_t units1 = 0;
    std::int16_t units2 = 0;
    std::uint16_t logicalLength = 0; // bytes of the field in the engine's record buffer
    bool key = false;                // belongs to the primary key
    QString storedType;              // the file's own type: "A", "N", "+", "C", "F" ...
    int storedSize = 0;              // bytes in the stored record
    // A server's column: its type as the server writes it ("numeric(12,4)", "character
    // varying(40)"), empty for a table file's field; and a default the server computes
    // ("now()", "nextval(...)") as its text, empty when there is none or it is a literal
    // (a literal is the validity check's default).
    QString serverType;
    QString defaultExpression;
    // An auto-increment field: the value the next new row gets and the step, where the
    // table records them.
    std::optional<std::int64_t> nextValue;
    int increment = 1;
};

// One validity check: the values are little-endian engine values for the field's
// logical type (EngineValues.h). Through the engine's record the picture keeps at most
// 175 bytes of UTF-8.
struct ValidityCheck {
    std::uint16_t fieldNumber = 0; // 1-based
    bool required = false;
    bool hasMinimum = false;
    bool hasMaximum = false;
    bool hasDefault = false;
    ValueSlot minimum{};
    ValueSlot maximum{};
    ValueSlot defaultValue{};
    QString picture;
};

// One index of a table, as a reader finds it and as the engine lists it.
struct IndexDescription {
    QString name;
    QString fields;       // the key fields in key order, separated by ";"; empty for
                          // an expression index
    QString expression;   // the key expression of an expression index
    QString forCondition; // a dBASE/FoxPro FOR condition; empty when none
    bool primary = false;
    bool maintained = true;
    bool unique = false;
    bool descending = false;
    bool caseInsensitive = false;
    bool expressionIndex = false;
};

// What a link does to the referring rows when the referred row changes or goes.
enum class ReferentialAction : std::uint8_t { Restrict, Cascade, NoAction, SetNull, SetDefault };

// The rules of a link. A Paradox link has one, its modify rule: updates cascade or are
// restricted, and deleting is always restricted; that rule converts from and to bool (true:
// cascade). A server's foreign key has an update and a delete rule of any kind.
class LinkRules {
public:
    constexpr LinkRules(bool cascade = false) noexcept // a Paradox link's modify rule
        : onUpdate_(cascade ? ReferentialAction::Cascade : ReferentialAction::Restrict)
    {}
    constexpr LinkRules(ReferentialAction onUpdate, ReferentialAction onDelete) noexcept
        : onUpdate_(onUpdate), onDelete_(onDelete), server_(true)
    {}
    // Whether updates cascade.
    constexpr explicit operator bool() const noexcept { return onUpdate_ == ReferentialAction::Cascade; }
    constexpr ReferentialAction onUpdate() const noexcept { return onUpdate_; }
    constexpr ReferentialAction onDelete() const noexcept { return onDelete_; }
    // Whether these are a server's rules, where every kind of rule may stand.
    constexpr bool serverRules() const noexcept { return server_; }
    bool operator==(const LinkRules&) const = default;

private:
    ReferentialAction onUpdate_ = ReferentialAction::Restrict;
    ReferentialAction onDelete_ = ReferentialAction::Restrict;
    bool server_ = false;
};

// One referential-integrity link: of a Paradox table, or a server's foreign key. A reader
// gives the related table as the files name it (usually the file name alone); the engine's
// list gives its full path. A server names it as its table list does.
struct IntegrityDescriptor {
    enum class Kind { Master = 0, Dependent = 1 };
    QString name;
    Kind kind = Kind::Master;
    QString relatedTable;
    // The link's rules: for a Paradox link its modify rule, true when updates cascade;
    // a server's foreign key's update and delete rules.
    LinkRules cascade;
    // Field numbers from 1: this table's field, the related table's field. The engine's
    // list holds at most 16 pairs.
    std::vector<std::pair<std::uint16_t, std::uint16_t>> pairs;
};

// A CHECK constraint of a server's table that is no range of one field (those are
// validity checks).
struct CheckConstraint {
    QString name;       // empty when the server keeps no name for it
    QString expression; // as the server gives it back, without "CHECK" and its parentheses
    QStringList fields; // the table's fields it mentions, in field order
    bool operator==(const CheckConstraint&) const = default;
};

// What a server's catalog says of a table beyond what a table file holds.
struct ServerFacts {
    QString encoding;  // the database's character encoding: "UTF8", "UTF-8"
    QString collation; // the database's default collation: "C.UTF-8", "BINARY"
    std::vector<CheckConstraint> checks;
    // Why no CHECK constraints are listed when the catalog cannot give them ("CHECK
    // constraints are not available through ODBC"); empty when the list is complete. Its
    // braces let the readers that fill the other three at once leave it out.
    QString checksNote{};
};

// Everything a reader learns from a table's files that the engine hands out.
struct TableDefinition {
    QString tableType;                  // "PARADOX", "DBASE" or "FOXPRO"
    std::uint16_t level = 0;            // the engine's table level
    std::uint16_t recordSize = 0;       // bytes of a stored record
    std::uint16_t recordBufferSize = 0; // bytes of the engine's record buffer
    std::uint16_t keySize = 0;          // bytes of the primary key
    std::uint16_t blockSizeKb = 0;      // whole kilobytes
    std::uint16_t blockSizeBytes = 0;   // the exact size when it is known in bytes (memo files), else 0
    std::uint16_t auxPasswordCount = 0;
    bool uniDirectional = false;
    bool strictIntegrity = false;

    int codePage = 1252;               // the code page its names were decoded from
    QString languageDriverName;        // the driver's symbolic name, e.g. "ascii", "DBWINUS0"
    QString languageDriverDescription; // the engine's description; empty when unknown

    // A server's table: what its catalog adds; nothing for a table file. The language
    // driver's description of a server's table is made from its encoding and collation.
    std::optional<ServerFacts> server;

    // Paradox master password checksum; 0 when the table is not encrypted.
    std::uint32_t passwordChecksum = 0;

    std::vector<FieldDefinition> fields;
    std::vector<ValidityCheck> validityChecks;

    // The indexes as read while the table was opened, where its reader reads them then (a
    // Paradox table's, to warn at once of one that cannot be used): listing the indexes of
    // the opened table then reads no file again.
    std::optional<std::vector<IndexDescription>> indexesAtOpening;

    // What the reader noticed that does not stop the table but changes what is shown of
    // it (a validity-check file that is not read, names read in another code page); each
    // a sentence naming its file.
    QStringList warnings;
};

} // namespace korvex

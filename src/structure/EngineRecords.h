#pragma once

#include "TableDefinition.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <span>

namespace korvex {

// Sizes and member positions of the byte-packed, little-endian records the engine fills
// for its callers. Booleans are 16 bits, non-zero true; texts are zero-terminated UTF-8.
namespace record {

// Table (or list) properties.
inline constexpr std::size_t PropertiesSize = 427;
namespace properties {
inline constexpr std::size_t Name = 0; // 261: the table's full path
inline constexpr std::size_t NameSize = 261;
inline constexpr std::size_t TableType = 263; // 32: "PARADOX", "DBASE" ...
inline constexpr std::size_t TableTypeSize = 32;
inline constexpr std::size_t FieldCount = 295;
inline constexpr std::size_t RecordSize = 297;
inline constexpr std::size_t RecordBufferSize = 299; // for a list: the size of one list record
inline constexpr std::size_t KeySize = 301;
inline constexpr std::size_t IndexCount = 303;
inline constexpr std::size_t ValidityCheckCount = 305;
inline constexpr std::size_t UniDirectional = 337;
inline constexpr std::size_t AuxPasswordCount = 345;
inline constexpr std::size_t TableLevel = 351;
inline constexpr std::size_t BlockSizeKb = 387;
inline constexpr std::size_t StrictIntegrity = 389;
inline constexpr std::size_t BlockSizeBytes = 391; // the exact block size in bytes; 0 when unknown
} // namespace properties

// Field descriptors: one per field, in field order, in the caller's buffer.
inline constexpr std::size_t FieldDescriptorSize = 62;
inline constexpr std::size_t FieldDescriptorBufferSize = 31000; // 500 descriptors
namespace descriptor {
inline constexpr std::size_t FieldNumber = 0; // 1-based
inline constexpr std::size_t Name = 2;        // 32
inline constexpr std::size_t NameSize = 32;
inline constexpr std::size_t LogicalType = 34;
inline constexpr std::size_t Subtype = 36; // signed; 29 auto-increment
inline constexpr std::size_t Units1 = 38;  // signed
inline constexpr std::size_t Units2 = 40;  // signed
inline constexpr std::size_t Offset = 42;  // in the engine's record buffer
inline constexpr std::size_t Length = 44;  // in the engine's record buffer
} // namespace descriptor

// One validity check.
inline constexpr std::size_t ValidityCheckSize = 954;
namespace validity {
inline constexpr std::size_t FieldNumber = 0; // 1-based
inline constexpr std::size_t Required = 2;
inline constexpr std::size_t HasMinimum = 4;
inline constexpr std::size_t HasMaximum = 6;
inline constexpr std::size_t HasDefault = 8;
inline constexpr std::size_t Minimum = 10; // 256 each, engine encoding
inline constexpr std::size_t Maximum = 266;
inline constexpr std::size_t Default = 522;
inline constexpr std::size_t ValueSize = 256;
inline constexpr std::size_t Picture = 778; // 176, zero-terminated
inline constexpr std::size_t PictureSize = 176;
} // namespace validity

// The language driver's information block.
inline constexpr std::size_t LanguageDriverSize = 320;
namespace language {
inline constexpr std::size_t Name = 0; // 32: symbolic name, e.g. "DBWINUS0"
inline constexpr std::size_t NameSize = 32;
inline constexpr std::size_t CodePage = 32;    // 16-bit
inline constexpr std::size_t Description = 54; // zero-terminated, up to the block's end
} // namespace language

// One referential-integrity link of a list opened with OpenIntegrityList.
inline constexpr std::size_t IntegrityDescriptorSize = 373;
namespace integrity {
inline constexpr std::size_t Number = 0;   // 16-bit sequence number from 1
inline constexpr std::size_t LinkName = 2; // 32
inline constexpr std::size_t LinkNameSize = 32;
inline constexpr std::size_t Kind = 34;         // 32-bit: 0 master link, 1 dependent link
inline constexpr std::size_t RelatedTable = 38; // 261: full path and file name
inline constexpr std::size_t RelatedTableSize = 261;
// 32-bit: 0 restrict, any other value cascade; for a server's foreign key the update
// rule's code (RuleCode)
inline constexpr std::size_t ModifyRule = 299;
// 32-bit: 0 for a Paradox link, which always restricts deleting; for a server's foreign
// key its delete rule's code plus 1
inline constexpr std::size_t DeleteRule = 303;
inline constexpr std::size_t PairCount = 307;     // 16-bit, at most 16
inline constexpr std::size_t ThisFields = 309;    // 16 x 16-bit field numbers from 1
inline constexpr std::size_t RelatedFields = 341; // 16 x 16-bit field numbers from 1
inline constexpr std::size_t MaxPairs = 16;
// The codes of the rules: restrict 0 and cascade 1 as a Paradox link has them, then the
// rules only servers know.
enum RuleCode : std::uint32_t { Restrict = 0, Cascade = 1, NoAction = 2, SetNull = 3, SetDefault = 4 };
} // namespace integrity

// Reading and writing the members of these records.
std::uint16_t get16(std::span<const std::byte> r, std::size_t at);
void put16(std::span<std::byte> r, std::size_t at, std::uint16_t v);
std::uint32_t get32(std::span<const std::byte> r, std::size_t at);
void put32(std::span<std::byte> r, std::size_t at, std::uint32_t v);
// A zero-terminated UTF-8 text in a slot of slotSize bytes.
QString getText(std::span<const std::byte> r, std::size_t at, std::size_t slotSize);
// Cut to slotSize - 1 bytes at a character boundary; the rest of the slot is zeroed.
void putText(std::span<std::byte> r, std::size_t at, std::size_t slotSize, const QString& text);

// An integrity-list record (IntegrityDescriptorSize bytes) and its typed form; the
// sequence number is left to the list. At most MaxPairs pairs are kept.
void putIntegrityDescriptor(std::span<std::byte> r, const IntegrityDescriptor& link);
IntegrityDescriptor getIntegrityDescriptor(std::span<const std::byte> r);

} // namespace record
} // namespace korvex

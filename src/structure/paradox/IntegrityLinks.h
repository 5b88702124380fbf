#pragma once

#include "ByteReader.h"
#include "CodePage.h"
#include "ParadoxHeader.h"
#include "TableDefinition.h"
#include "TableFiles.h"
#include "ValidityFile.h"

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace korvex::paradox {

// The referential-integrity section of a .VAL file, as stored. A dependent (child) table
// keeps one master-link record per link to a master; a master (parent) table keeps the
// list of its dependents. Field numbers count from 1.

inline constexpr std::size_t MaxLinkedFields = 16;

struct StoredMasterLink {
    std::size_t offset = 0; // of the record in the file
    QByteArray name;
    QByteArray masterTable;            // the master's file name, as stored (no directory)
    std::uint32_t updateRule = 0;      // 0 restrict, 1 cascade
    std::vector<std::uint16_t> fields; // this (dependent) table's fields
    std::vector<std::uint16_t> masterFields;
};

struct StoredDependent {
    std::size_t offset = 0; // of the record in the file
    QByteArray name;
    QByteArray dependentTable; // the dependent's file name, as stored
    // 1 in every single-field cascade link seen, but 0 in a composite cascade link: not
    // reliable as the update rule, which the dependent's own .VAL holds.
    std::uint16_t updateHint = 0;
    std::vector<std::uint16_t> dependentFields; // as many as the master key fields
};

struct IntegritySection {
    std::vector<StoredMasterLink> masterLinks;
    std::vector<std::uint16_t> masterKeyFields; // this table's fields the dependents refer to
    std::size_t masterKeyFieldsOffset = 0;
    std::vector<StoredDependent> dependents;
};

// Parses the section that header.integrityOffset locates, up to the footer (the header as
// parseValFile checked it). Throws FormatError naming the file when the section runs past
// the footer, a list flag is neither 0 nor 1, or a link has no field or more than 16.
IntegritySection parseIntegritySection(const ByteReader& val, const ValHeader& header);

// The update rule of a dependent link as the dependent table records it: cascade (true)
// or restrict, looked up by the dependent's stored file name and the link's name; nothing
// when it cannot be told.
using DependentRule = std::function<std::optional<bool>(const QByteArray& dependentTable, const QByteArray& linkName)>;

// The links of the table whose .DB header is table, from its .VAL val: first its master
// links (this table refers to a master), in stored order, then its dependents (another
// table refers to this one). Related tables are named as stored, by file name; names are
// decoded in codePage. A dependent link's rule comes from dependentRule, else from the
// master's own record (see StoredDependent::updateHint).
//
// A .VAL without a referential-integrity section, one written for an earlier state of the
// table (its change counter differs) and one in the DOS-era layout give no links, as they
// give no validity checks. Throws FormatError naming the .VAL when it is damaged: besides
// parseIntegritySection's rules, a link to a field this table does not have, a related
// field number 0, or a link without a related table name.
std::vector<IntegrityDescriptor> integrityLinks(const ByteReader& val, const ParadoxHeader& table,
                                                const CodePage& codePage, const DependentRule& dependentRule);

// The links of the table whose definition was read from files.mainPath(); none without a
// .VAL. A dependent link's rule is read from the dependent table's .VAL in the same
// directory (names matched without regard to case): its master-link record of the same
// name that points back at this table. When that table or its .VAL is missing, damaged,
// stale or has no such record, the master's own record decides.
std::vector<IntegrityDescriptor> readIntegrityLinks(const TableDefinition& definition, const TableFiles& files);

} // namespace korvex::paradox

#pragma once

#include "DatabaseEngine.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace korvex {

class AliasDatabase;

// The property members of an open table that the report prints.
struct TableProperties {
    QString tableType; // at most 31 characters
    std::uint16_t recordSize = 0;
    std::uint16_t recordBufferSize = 0;
    std::uint16_t keySize = 0;
    std::uint16_t validityCheckCount = 0;
    bool uniDirectional = false;
    std::uint16_t auxPasswordCount = 0;
    std::uint16_t tableLevel = 0;
    std::uint16_t blockSizeKb = 0;
    std::uint16_t blockSizeBytes = 0; // the exact block size when the engine knows it, else 0
    bool strictIntegrity = false;
};

// The buffer of field descriptors, reserved once when the program starts and reused
// for every table: room for 500 descriptors.
class FieldDescriptorBuffer {
public:
    FieldDescriptorBuffer() : bytes_(record::FieldDescriptorBufferSize) {}
    std::span<std::byte> bytes() { return bytes_; }
    std::size_t capacity() const { return bytes_.size() / record::FieldDescriptorSize; }

    std::int16_t subtype(int i) const { return at(i, record::descriptor::Subtype); }
    std::int16_t units1(int i) const { return at(i, record::descriptor::Units1); }
    std::int16_t units2(int i) const { return at(i, record::descriptor::Units2); }

private:
    std::int16_t at(int i, std::size_t member) const;
    std::vector<std::byte> bytes_;
};

// The referential-integrity links of one table, read through the engine's list: a cursor
// that reads the list from its start again after rewind(). Made by TableSource; the list
// is closed when the object goes.
class IntegrityList {
public:
    ~IntegrityList();
    IntegrityList(IntegrityList&& other) noexcept;
    IntegrityList& operator=(IntegrityList&&) = delete;
    IntegrityList(const IntegrityList&) = delete;
    IntegrityList& operator=(const IntegrityList&) = delete;

    void rewind(); // EngineError
    // The next link, or nothing at the end of the list.
    std::optional<IntegrityDescriptor> next(); // EngineError

private:
    friend class TableSource;
    IntegrityList(DatabaseEngine& engine, TableHandle list, std::size_t recordSize);
    void check(EngineResult r) const;

    DatabaseEngine& engine_;
    TableHandle list_ = 0;
    std::vector<std::byte> buffer_;
};

// The one table that a report is printing, opened read-only through the engine.
class TableSource {
public:
    explicit TableSource(DatabaseEngine& engine) : engine_(engine) {}
    ~TableSource();
    TableSource(const TableSource&) = delete;
    TableSource& operator=(const TableSource&) = delete;

    // databaseName: the directory of the table (empty when tableName is a path), or the
    // name of a connected database.
    void open(const QString& databaseName, const QString& tableName); // EngineError
    // Opens tableName in the alias's directory, connecting the database first.
    void open(AliasDatabase& database, const QString& tableName); // EngineError
    bool isOpen() const { return handle_ != 0; }
    void close();

    void refreshIndexDefinitions(); // EngineError
    int indexCount() const { return indexCount_; }
    // Every index of the open table in the engine's order; for Paradox the primary first.
    std::vector<IndexDescription> indexes(); // EngineError
    TableProperties properties();            // EngineError
    // Fills the buffer; false (no exception) when the descriptors cannot be read.
    bool readFieldDescriptors(FieldDescriptorBuffer& buffer);
    int fieldCount() const { return int(fields_.size()); }
    const FieldListEntry& field(int i) const { return fields_.at(std::size_t(i)); }
    ValidityCheck validityCheck(int checkNumber); // EngineError
    // The language driver's description, or nothing when the engine cannot give it.
    std::optional<QString> languageDriverText();
    // What the engine noticed on opening the table that does not stop it but changes what
    // is shown of it (DatabaseEngine::ReadWarnings); empty when nothing, or no table open.
    const QStringList& warnings() const { return warnings_; }
    // The open table's whole definition; null when no table is open.
    const TableDefinition* definition() const;
    // Whether the open table is a server's, whose links the engine lists too.
    bool isServerTable() const;

    // Converts a validity value of a BCD field; value is left as it is when the bytes are
    // not a packed decimal.
    void bcdToFloat(std::span<const std::byte, EngineBcd::Size> bcd, double& value);

    // The referential-integrity links of tableName, opened as for open(); the table itself
    // need not be open. Fails when the list cannot be opened or its records sized.
    IntegrityList integrityLinks(const QString& databaseName, const QString& tableName); // EngineError
    // The full path of the open table's main file; empty when none is open.
    QString tablePath() const;
    // Where the related table of one of this table's links lives on this machine
    // (ResolveRelatedTable beside this table).
    QString relatedTablePath(const IntegrityDescriptor& link) const;
    // Opens the related table of one of table's links: a server's table in the database
    // table was opened through (databaseName), a table file where relatedTablePath finds it.
    void openRelated(const TableSource& table, const QString& databaseName,
                     const IntegrityDescriptor& link); // EngineError

private:
    void check(EngineResult r) const;

    DatabaseEngine& engine_;
    TableHandle handle_ = 0;
    std::vector<FieldListEntry> fields_;
    QStringList warnings_;
    int indexCount_ = 0;
};

// Where the related table of a link lives on this machine: its stored path when that
// exists; for a Windows path (drive letter or backslashes) that does not, the file of the
// same name, matched without regard to case, in the printed table's directory.
QString resolveRelatedTable(const QString& storedPath, const QString& tableDirectory);

} // namespace korvex

#pragma once

#include "DatabaseEngine.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>
#include <vector>

namespace korvex {

class AliasDatabase;

// An engine operation failed; carries the engine's result code and its message.
class EngineError : public std::runtime_error {
public:
    EngineError(EngineResult code, const QString& message);
    EngineResult code() const { return code_; }
    QString message() const { return QString::fromStdString(what()); }

private:
    EngineResult code_;
};

// The property members of an open table that the report prints.
struct TableProperties {
    QString tableType;              // at most 31 characters
    std::uint16_t recordSize = 0;
    std::uint16_t recordBufferSize = 0;
    std::uint16_t keySize = 0;
    std::uint16_t validityCheckCount = 0;
    bool uniDirectional = false;
    std::uint16_t auxPasswordCount = 0;
    std::uint16_t tableLevel = 0;
    std::uint16_t blockSizeKb = 0;
    std::uint16_t blockSizeBytes = 0;  // the exact block size when the engine knows it, else 0
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

// A validity check as the report reads it from the engine's record.
struct ValidityCheckRecord {
    std::uint16_t fieldNumber = 0;
    bool required = false;
    bool hasMinimum = false;
    bool hasMaximum = false;
    bool hasDefault = false;
    ValueSlot minimum{};
    ValueSlot maximum{};
    ValueSlot defaultValue{};
    QString picture;
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
    void open(const QString& databaseName, const QString& tableName);   // EngineError
    // Opens tableName in the alias's directory, connecting the database first.
    void open(AliasDatabase& database, const QString& tableName);       // EngineError
    bool isOpen() const { return handle_ != 0; }
    void close();

    void refreshIndexDefinitions();                                     // EngineError
    int indexCount() const { return indexCount_; }
    TableProperties properties();                                       // EngineError
    // Fills the buffer; false (no exception) when the descriptors cannot be read.
    bool readFieldDescriptors(FieldDescriptorBuffer& buffer);
    int fieldCount() const { return int(fields_.size()); }
    const FieldListEntry& field(int i) const { return fields_.at(std::size_t(i)); }
    ValidityCheckRecord validityCheck(int checkNumber);                 // EngineError
    // The language driver's description, or nothing when the engine cannot give it.
    std::optional<QString> languageDriverText();
    // What the engine noticed on opening the table that does not stop it but changes what
    // is shown of it (DatabaseEngine::ReadWarnings); empty when nothing, or no table open.
    const QStringList& warnings() const { return warnings_; }

    DatabaseEngine& engine() { return engine_; }
    TableHandle handle() const { return handle_; }

private:
    void check(EngineResult r) const;

    DatabaseEngine& engine_;
    TableHandle handle_ = 0;
    std::vector<FieldListEntry> fields_;
    QStringList warnings_;
    int indexCount_ = 0;
};

} // namespace korvex

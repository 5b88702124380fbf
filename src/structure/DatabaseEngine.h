#pragma once

#include "AliasFile.h"
#include "Database.h"
#include "EngineRecords.h"
#include "EngineResult.h"
#include "EngineValues.h"
#include "TableDefinition.h"
#include "TableFormat.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace korvex {

using TableHandle = std::uint32_t; // 0 is never a valid handle

// One field of the engine's field list.
struct FieldListEntry {
    QString name;
    FieldType type = FieldType::Unknown;
    int size = 0;
    bool key = false;
};

// Asks the user for the password of userName at a server alias, when the server wants one
// that its driver's own sources do not give; nothing when the user cancels the login. May
// throw EngineError to stop the login with a message of its own.
using PasswordPrompt = std::function<std::optional<QString>(const QString& aliasName, const QString& userName)>;

// What a server driver calls for the password of userName: the user's answer. Throws
// EngineError (LoginCancelled) when the user cancels, which the driver lets through.
using LoginPassword = std::function<QString(const QString& userName)>;

// Connects the database of a server alias: its tables listed and opened from the server's
// catalog. Throws EngineError with the server's text when it cannot (ServerRefused for a
// server out of reach, a refused login, a database that is not there).
using ServerOpener =
    std::function<std::unique_ptr<Database>(const AliasDefinition& alias, const LoginPassword& password)>;

// The read-only database engine over Paradox and dBASE files. Every operation answers a
// result code (EngineResult.h); after a failure lastError() tells what went wrong, naming
// the file. Tables are opened read-only and their files are never written. Tables are
// listed and opened through a Database (Database.h): the database object connected under
// a name, else the directory of that name.
class DatabaseEngine {
public:
    DatabaseEngine(); // with the built-in formats
    explicit DatabaseEngine(std::vector<std::unique_ptr<TableFormat>> formats);
    ~DatabaseEngine();
    DatabaseEngine(const DatabaseEngine&) = delete;
    DatabaseEngine& operator=(const DatabaseEngine&) = delete;

    // Aliases (DatabaseEngineAliases.cpp). location: the folder holding the aliases file
    // (AliasFile.h) or the file itself. A missing file means no aliases; a file that exists
    // but cannot be read leaves none and answers ReadError.
    EngineResult loadAliases(const QString& location);
    // Every alias name, sorted ascending ignoring case.
    EngineResult ListAliases(QStringList& names);
    // "name=value" lines, "PATH=<directory>" first for a directory alias. Alias names are
    // matched without regard to case, here and below.
    EngineResult ListAliasParameters(const QString& aliasName, QStringList& lines);
    EngineResult GetAliasDriver(const QString& aliasName, QString& driver);
    // The driver of server aliases whose TYPE is driverName (in any case): later openings of
    // such an alias connect through opener. Replaces an earlier opener of that name.
    void registerServerDriver(const QString& driverName, ServerOpener opener);
    bool hasServerDriver(const QString& driverName) const;
    // Who is asked for a server's password; none: a login that wants one is cancelled.
    void setPasswordPrompt(PasswordPrompt prompt) { passwordPrompt_ = std::move(prompt); }

    // Connects a database object: while it is open, databaseName stands for the alias's
    // directory or server database wherever a database name is passed (OpenTable,
    // OpenIntegrityList, ListTables). Opening a name already open for the same alias counts
    // once more, and each open wants its CloseDatabase. A server alias whose driver is not
    // registered answers NoDriver. A server's connection is made the first time its alias
    // is opened and then kept for the engine's life, however often the alias is closed and
    // opened again: the user logs in once per alias and run.
    EngineResult openDatabase(const QString& databaseName, const QString& aliasName);
    // Connects a database object made by the caller under databaseName, as openDatabase
    // does for an alias; its tables are then listed and opened through it.
    EngineResult attachDatabase(const QString& databaseName, std::unique_ptr<Database> database);
    EngineResult closeDatabase(const QString& databaseName);
    // The tables of an open database, or of a directory: names with their extensions, only
    // files of a table format (.db, .dbf; the extension in any case), no hidden files;
    // sorted ignoring case.
    EngineResult ListTables(const QString& databaseName, QStringList& names);

    // Later openings of tables protected by this password succeed.
    EngineResult RegisterPassword(const QString& password);

    // Opens tableName read-only. databaseName is the directory the table lives in; when it
    // is empty, tableName is a path of its own. A name without extension is looked for with
    // each format's extensions. Names are matched without regard to case.
    EngineResult OpenTable(const QString& databaseName, const QString& tableName, TableHandle& handle);
    EngineResult CloseTable(TableHandle handle);

    // Fills the properties record (record::PropertiesSize bytes at least).
    EngineResult ReadTableProperties(TableHandle handle, std::span<std::byte> properties);
    // One descriptor of record::FieldDescriptorSize bytes per field, in field order;
    // TooManyFields when they do not all fit in the buffer.
    EngineResult ReadFieldDescriptors(TableHandle handle, std::span<std::byte> buffer);
    EngineResult readFieldList(TableHandle handle, std::vector<FieldListEntry>& fields);
    // On success block points at the table's language driver information block
    // (record::LanguageDriverSize bytes), valid until the table is closed.
    EngineResult ReadLanguageDriver(TableHandle handle, const std::byte*& block);
    // Check number from 1; fills record::ValidityCheckSize bytes.
    EngineResult ReadValidityCheck(TableHandle handle, int checkNumber, std::span<std::byte> check);
    EngineResult readIndexCount(TableHandle handle, int& count);
    // What the engine noticed on opening the table that does not stop it but changes
    // what it shows (a validity-check file that is not read, names read as UTF-8 rather
    // than in the driver's code page): one sentence per warning, naming its file.
    EngineResult readWarnings(TableHandle handle, QStringList& warnings);
    // The open table's whole definition, valid until the table is closed: for what a
    // server's table has beyond the records above (its column types, computed defaults,
    // CHECK constraints).
    EngineResult readDefinition(TableHandle handle, const TableDefinition*& definition);
    // Every index of the open table in the engine's order; for Paradox the primary first.
    EngineResult ListIndexes(TableHandle handle, std::vector<IndexDescription>& indexes);

    // The referential-integrity links of a table as a list of record::IntegrityDescriptorSize
    // records. databaseName and tableName as for OpenTable; driverType may be empty. A table
    // without links gives an empty list. ReadTableProperties on the list reports the record
    // size in its record-buffer-size member.
    EngineResult OpenIntegrityList(const QString& databaseName, const QString& tableName, const QString& driverType,
                                   TableHandle& list);
    EngineResult RewindList(TableHandle list);
    // 0 with the next record copied into the buffer, or EndOfList.
    EngineResult NextRecord(TableHandle list, std::span<std::byte> buffer);
    EngineResult CloseList(TableHandle list);

    // Converts an engine packed decimal (EngineBcd) to a double.
    EngineResult BcdToFloat(std::span<const std::byte, EngineBcd::Size> bcd, double& value);

    // What went wrong in the last failed operation: names the file and the fault.
    const QString& lastError() const { return lastError_; }

    // The full path of an open table's main file.
    QString tablePath(TableHandle handle) const;

    // One run over many tables (a book, a dump, an export): while it lives, each directory
    // is listed once for all the tables of the run that look for their companion files in
    // it, instead of once per table. Runs nest; a table read outside any run sees its
    // directory as it is at that moment.
    class Run {
    public:
        explicit Run(DatabaseEngine& engine) : engine_(engine) { engine_.listings_.beginRun(); }
        ~Run() { engine_.listings_.endRun(); }
        Run(const Run&) = delete;
        Run& operator=(const Run&) = delete;

    private:
        DatabaseEngine& engine_;
    };
    // The run's directory listings (TableFiles.h), for readers of related tables.
    DirectoryListings& directoryListings() { return listings_; }

private:
    struct OpenedTable;
    struct OpenedList;

    EngineResult fail(EngineResult code, const QString& message);
    EngineResult succeed();
    OpenedTable* find(TableHandle handle);

    std::vector<std::unique_ptr<TableFormat>> formats_;
    QStringList passwords_;
    // Opens tableName in the database that databaseName stands for, checking its password.
    EngineResult openDatabaseTable(const QString& databaseName, const QString& tableName,
                                   std::unique_ptr<DatabaseTable>& table);
    EngineResult loadIndexes(OpenedTable& table);
    EngineResult noHandle(TableHandle handle);

    struct OpenedDatabase {
        QString aliasName;
        std::shared_ptr<Database> database;
        int openCount = 0;
    };
    const AliasDefinition* findAlias(const QString& aliasName) const;
    EngineResult noAlias(const QString& aliasName);
    // The database object behind an alias: the one place where a kind of database plugs
    // in. Throws EngineError (NoDriver for a server alias without a registered driver).
    std::shared_ptr<Database> databaseForAlias(const AliasDefinition& alias);
    // The kept connection of a server alias, made when there is none yet.
    std::shared_ptr<Database> serverDatabase(const AliasDefinition& alias);
    // The database that databaseName stands for: an open database, else the directory of
    // that name (none when it is empty), made into transient.
    Database& databaseNamed(const QString& databaseName, std::unique_ptr<Database>& transient);

    std::vector<AliasDefinition> aliases_;
    std::map<QString, ServerOpener> serverDrivers_; // by upper-case driver name
    PasswordPrompt passwordPrompt_;
    // By case-folded alias name: the connections kept for the run, and the password that
    // last logged into each, asked again only when a new connection is refused.
    std::map<QString, std::shared_ptr<Database>> serverDatabases_;
    std::map<QString, QString> serverPasswords_;
    std::map<QString, OpenedDatabase> databases_;
    std::map<TableHandle, std::unique_ptr<OpenedTable>> tables_;
    std::map<TableHandle, std::unique_ptr<OpenedList>> lists_;
    TableHandle nextHandle_ = 1;
    QString lastError_;
    DirectoryListings listings_;
};

} // namespace korvex

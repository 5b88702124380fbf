#pragma once

#include "BrowserFiles.h"
#include "Volumes.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace korvex {

class AliasDatabase;
class DatabaseEngine;

// Where the table list comes from: the files of a directory (a drive), the tables of an
// alias whose tables are the files of a directory, or the tables of a database server (an
// alias without a directory, whose tables carry no file dates).
enum class BrowserMode { Drive, Alias, ServerAlias };

// What the table browser shows, as one value: the window shows it, and each change of the
// drive, alias, directory or table type makes a new one.
struct BrowserState {
    static inline const QString TableMask = QStringLiteral("*.db;*.dbf");

    BrowserMode mode = BrowserMode::Drive;
    // The directory the directory list holds, absolute and clean; kept, though not shown,
    // while a server alias is chosen.
    QString directory;
    // The alias's full name; empty in drive mode.
    QString aliasName;
    // What the report takes from the browser (see TableLocation): the alias's name and
    // driver, each cut to AliasNameLength, empty in drive mode, and the database name of the
    // last alias chosen, kept when a drive is chosen.
    QString CurrentAlias;
    QString CurrentAliasDriver;
    QString CurrentDatabase;
    // Whether a change of directory reads the table list anew: not while an alias with a
    // directory is chosen, whose tables the engine lists.
    bool fileListLinked = true;
    // The table type's file mask.
    QString mask = TableMask;
    // The names of the table list, in its order.
    QStringList tables;
    // Counts the readings of the table list; a new reading leaves no table selected.
    int listing = 0;
    // The directory last shown on each volume, by mount path: where choosing it goes back
    // to, as each drive had its current directory.
    QHash<QString, QString> volumeDirectories;
};

// The table list's entries for names listed in state: in alias mode every entry is a table,
// and only an alias of desktop tables (driver "STANDARD") has file dates.
std::vector<TableListItem> tableListItems(const BrowserState& state, const QStringList& names, QChar separator);

// The table browser's state and the changes to it, without widgets.
//
// Each change computes the state that follows the present one and returns it; nothing is
// changed until the window shows the new state and takes it with setState(). A change that
// fails (an alias whose directory is gone, an alias the engine refuses, a directory that
// cannot be entered) throws its error, and the present state stays as it was.
//
// Volumes stand in for drive letters: the drive of a directory is the volume with the
// longest mount path that holds it.
class TableBrowser {
public:
    static constexpr int AliasNameLength = 25; // of CurrentAlias and CurrentAliasDriver

    // The volumes as the drive/alias box offers them now.
    using VolumeLookup = std::function<const VolumeList&()>;

    TableBrowser(DatabaseEngine& engine, VolumeLookup volumes);
    ~TableBrowser();
    TableBrowser(const TableBrowser&) = delete;
    TableBrowser& operator=(const TableBrowser&) = delete;

    // Lists the engine's aliases (EngineError when it cannot) and makes one database per
    // alias, none connected yet.
    void readAliases();
    // Forgets the aliases and their databases.
    void clearAliases();
    // In ascending order ignoring case.
    const QStringList& aliasNames() const { return aliasNames_; }
    // The database of an alias, by its exact name; null when there is none.
    AliasDatabase* FindAliasDatabase(const QString& aliasName) const;

    const BrowserState& state() const { return state_; }
    void setState(BrowserState state) { state_ = std::move(state); }

    // The entry of the drive/alias box (">" and an alias's name, or a volume's text), with
    // the box's current drive: the alias of that name, or else the drive.
    BrowserState withEntry(const QString& entryText, const QString& drive) const;
    // An alias: its directory, its tables and its driver. A server alias keeps the directory
    // and shows none.
    BrowserState withAlias(const QString& aliasName) const;
    // Drive mode on the volume mounted at mountPath: the directory last shown on it, or its
    // top. A volume that cannot be entered leaves the directory as it was, without an error.
    // Coming from an alias, the table list is read anew.
    BrowserState withDrive(const QString& mountPath) const;
    // Another directory; in drive mode its files are read.
    BrowserState withDirectory(const QString& directory) const;
    // Another table type; in drive mode the directory is read anew.
    BrowserState withTableType(const QString& mask) const;

private:
    const Volume* volumeOf(const QString& directory) const;
    BrowserState entered(BrowserState state, const QString& directory) const;
    BrowserState enteredVolume(BrowserState state, const QString& mountPath) const;
    static BrowserState read(BrowserState state);

    DatabaseEngine& engine_;
    VolumeLookup volumes_;
    QStringList aliasNames_;
    std::vector<std::unique_ptr<AliasDatabase>> aliasDatabases_;
    BrowserState state_;
};

} // namespace korvex

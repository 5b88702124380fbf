#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace korvex {

class AliasDatabase;
class DatabaseEngine;

// One table of a run over several tables: where it is opened and the names it goes by.
struct TableEntry {
    QString name;         // as the table list shows it: the file name, or the alias's table name
    QString databaseName; // the directory the table lives in, or the alias's database name
    QString argument;     // as the user named it: a path (the directory's tables joined to it),
                          // or the table name within the alias
    // With tables from several directories, this table's directory relative to their
    // common root ("sales/2019"); empty when the tables come from one directory or alias.
    QString qualifier = {};

    // The name the exports show, unique within a run: the name, after the qualifier and a
    // slash when there is one ("sales/2019/NUMBER.DBF").
    QString shownName() const { return qualifier.isEmpty() ? name : qualifier + QLatin1Char('/') + name; }
};

// The tables of a run in the order they are documented, and where they come from.
struct TableSet {
    // For titles: the directory as it was given, "alias NAME", or the directories of the
    // tables named one by one.
    QString origin;
    QString aliasName; // the alias the tables are opened through; empty for directories
    std::vector<TableEntry> tables;
    // Arguments that gave no table: a directory without tables, or one that cannot be read.
    QStringList problems;
};

// The tables that the arguments name. Without an alias, a directory stands for every
// table the table list shows in it under "Paradox / DBase" (its .db and .dbf files,
// ordinary files that are not hidden, ascending ignoring case), and any other argument
// is a table file. With an alias, the arguments are table names within it, and no
// argument at all means every table of the alias, in the engine's order.
TableSet expandTableArguments(DatabaseEngine& engine, const QStringList& arguments,
                              const AliasDatabase* alias = nullptr);

// Gives every table its qualifier: two tables of one name from different directories
// (NUMBER.DBF of two sample folders) must not look like one table anywhere.
void qualifyTableNames(std::vector<TableEntry>& tables);

} // namespace korvex

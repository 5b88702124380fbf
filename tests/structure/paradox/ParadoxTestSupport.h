#pragma once

#include "ByteReader.h"
#include "ParadoxFixtureTables.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace korvex::test::paradox {

// A table file (and its .VAL, when one lies beside it) read into memory.
struct TableFiles {
    QString dbPath;
    QByteArray db;
    QString valPath; // empty when the table has no .VAL
    QByteArray val;

    FileBytes dbBytes() const;
    std::optional<FileBytes> valBytes() const;
};

TableFiles loadTable(const QString& dbPath);
// The .VAL beside a .DB, found without regard to letter case; empty when there is none.
QString companionVal(const QString& dbPath);

// Every .DB under the Paradox samples folder, sorted; empty when the samples are absent.
QStringList sampleTables();
// A sample by its path below the Paradox samples folder.
QString samplePath(const QString& relative);

// What pxlib reads from the same file (opened read-only).
struct PxlibField {
    QByteArray name;
    int type = 0;
    int length = 0;   // record bytes
    int decimals = 0; // BCD only
};
struct PxlibTable {
    int recordSize = 0;
    int fileVersion = 0; // 30, 35, 40, 50 or 70
    int fileType = 0;
    int primaryKeyFields = 0;
    int maxTableSize = 0;
    int sortOrder = 0;
    int dosCodePage = 0;
    unsigned long encryption = 0;
    int refIntegrity = 0; // byte 0x55: in index data files, the index options
    std::vector<PxlibField> fields;
};
std::optional<PxlibTable> readWithPxlib(const QString& path);

// A table written by pxlib with these fields, as the bytes of its .DB file.
QByteArray writeWithPxlib(const std::vector<fixtures::ParadoxFixtureField>& fields, int keyFields);

// pxlib's encoding of single values in the record format, for building test files.
QByteArray pxlibShort(short value);
QByteArray pxlibLong(int value);
QByteArray pxlibDouble(double value, int length = 8);
QByteArray pxlibByte(char value);
QByteArray pxlibBcd(const char* text, int decimals);

} // namespace korvex::test::paradox

#pragma once

#include "dbase/DbaseReader.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>
#include <vector>

namespace korvex::dbase::test {

// A .DBF and the companions beside it, held in memory, found as the engine finds them:
// same base name, extension in any letter case.
struct LoadedTable {
    QString path;
    QByteArray dbf, dbt, fpt, mdx, cdx;

    static LoadedTable load(const QString& dbfPath);
    FileBytes file() const;
    DbaseCompanions companions() const;
    TableDefinition read() const { return readTable(file(), companions()); }
};

FileBytes bytesOf(const QString& name, const QByteArray& data);
inline std::string text(const QString& s)
{
    return s.toStdString();
}

// Every .DBF of the real samples, sorted by path.
QStringList sampleTables();

// Runs the independent reader python3-dbfread over the files and answers its JSON: an
// object per path with "ok" and either "fields" or "error". Fails the calling test when
// the reader cannot be run.
QJsonObject dbfreadFields(const QStringList& paths);

// A small writer of .DBF headers for cases no independent writer makes (level-7 field
// properties, odd version bytes, damaged headers). It writes no records unless asked to.
struct FieldSpec {
    std::string name;
    char type;
    int width;
    int decimals = 0;
    std::uint8_t foxFlags = 0;
};

struct StandardProperty {
    std::uint16_t generation;
    std::uint16_t field; // 1-based; 0 for a table constraint
    std::uint8_t kind;   // 1 required, 2 minimum, 3 maximum, 4 default, 6 constraint
    QByteArray value;    // stored like a record value of the field
};

struct DbfSpec {
    std::uint8_t version = 0x03;
    std::vector<FieldSpec> fields;
    std::uint8_t tableFlags = 0;
    std::uint8_t languageDriverId = 0;
    std::uint8_t encryptionFlag = 0;
    QByteArray languageDriverName; // level 7
    QByteArray trailer;            // bytes between the terminator and the first record
    std::uint32_t recordCount = 0;
};

QByteArray buildDbf(const DbfSpec& spec);
// The level-7 field properties structure holding the standard properties.
QByteArray buildProperties(const std::vector<StandardProperty>& properties);

} // namespace korvex::dbase::test

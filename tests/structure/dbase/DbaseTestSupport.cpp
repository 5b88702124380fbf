#include "DbaseTestSupport.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>

namespace korvex::dbase::test {

namespace {

QByteArray companion(const QFileInfo& table, const char* extension)
{
    const QDir dir = table.dir();
    for (const auto& name : dir.entryList(QDir::Files))
        if (QFileInfo(name).completeBaseName().compare(table.completeBaseName(), Qt::CaseInsensitive) == 0 &&
            QFileInfo(name).suffix().compare(QLatin1String(extension), Qt::CaseInsensitive) == 0)
            return korvex::test::readWholeFile(dir.filePath(name));
    return {};
}

void put16(QByteArray& a, qsizetype at, std::uint16_t v)
{
    a[at] = char(v & 0xFF);
    a[at + 1] = char(v >> 8);
}

void put32(QByteArray& a, qsizetype at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        a[at + i] = char((v >> (8 * i)) & 0xFF);
}

} // namespace

FileBytes bytesOf(const QString& name, const QByteArray& data)
{
    return {name, korvex::test::asBytes(data)};
}

LoadedTable LoadedTable::load(const QString& dbfPath)
{
    const QFileInfo info(dbfPath);
    LoadedTable t;
    t.path = dbfPath;
    t.dbf = korvex::test::readWholeFile(dbfPath);
    t.dbt = companion(info, "dbt");
    t.fpt = companion(info, "fpt");
    t.mdx = companion(info, "mdx");
    t.cdx = companion(info, "cdx");
    return t;
}

FileBytes LoadedTable::file() const
{
    return bytesOf(QFileInfo(path).fileName(), dbf);
}

DbaseCompanions LoadedTable::companions() const
{
    DbaseCompanions c;
    const QString base = QFileInfo(path).completeBaseName();
    if (!dbt.isEmpty())
        c.dbt = bytesOf(base + QStringLiteral(".DBT"), dbt);
    if (!fpt.isEmpty())
        c.fpt = bytesOf(base + QStringLiteral(".FPT"), fpt);
    if (!mdx.isEmpty())
        c.mdx = bytesOf(base + QStringLiteral(".MDX"), mdx);
    if (!cdx.isEmpty())
        c.cdx = bytesOf(base + QStringLiteral(".CDX"), cdx);
    return c;
}

QStringList sampleTables()
{
    return korvex::test::filesWithSuffix(korvex::test::samplesDir() + QStringLiteral("/dbase"),
                                         {QStringLiteral(".dbf")});
}

QJsonObject dbfreadFields(const QStringList& paths)
{
    QProcess python;
    python.start(QStringLiteral(KORVEX_SYSTEM_PYTHON), QStringList{QStringLiteral(KORVEX_DBFREAD_SCRIPT)} + paths);
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        ADD_FAILURE() << "dbfread could not be run: " << python.readAllStandardError().toStdString();
        return {};
    }
    QJsonParseError error;
    const auto doc = QJsonDocument::fromJson(python.readAllStandardOutput(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return doc.object();
}

QByteArray buildDbf(const DbfSpec& spec)
{
    const bool level7 = (spec.version & 7) == 4;
    const int descriptorSize = level7 ? 48 : 32;
    const int first = level7 ? 68 : 32;
    const int terminator = first + descriptorSize * int(spec.fields.size());
    const int headerLength = terminator + 1 + int(spec.trailer.size());
    int recordSize = 1;
    for (const auto& f : spec.fields)
        recordSize += f.width;

    QByteArray a(headerLength, '\0');
    a[0] = char(spec.version);
    a[1] = char(124);
    a[2] = char(5);
    a[3] = char(17); // 2024-05-17
    put32(a, 4, spec.recordCount);
    put16(a, 8, std::uint16_t(headerLength));
    put16(a, 10, std::uint16_t(recordSize));
    a[15] = char(spec.encryptionFlag);
    a[28] = char(spec.tableFlags);
    a[29] = char(spec.languageDriverId);
    if (level7)
        a.replace(32, spec.languageDriverName.size(), spec.languageDriverName);

    int at = first;
    for (const auto& f : spec.fields) {
        a.replace(at, qsizetype(f.name.size()), QByteArray::fromStdString(f.name));
        if (level7) {
            a[at + 32] = f.type;
            a[at + 33] = char(f.width & 0xFF);
            a[at + 34] = char(f.decimals);
        } else {
            a[at + 11] = f.type;
            a[at + 16] = char(f.width & 0xFF);
            // character fields keep the width's high byte where others keep decimals
            a[at + 17] = char(f.type == 'C' ? f.width >> 8 : f.decimals);
            a[at + 18] = char(f.foxFlags);
        }
        at += descriptorSize;
    }
    a[terminator] = '\r';
    a.replace(terminator + 1, spec.trailer.size(), spec.trailer);
    a.append(QByteArray(qsizetype(spec.recordCount) * recordSize, ' '));
    a.append('\x1A');
    return a;
}

QByteArray buildProperties(const std::vector<StandardProperty>& properties)
{
    const int descriptors = 16;
    const int data = descriptors + 15 * int(properties.size());
    QByteArray a(data, '\0');
    put16(a, 0, std::uint16_t(properties.size()));
    put16(a, 2, descriptors);
    put16(a, 6, std::uint16_t(data));  // custom properties: none, placed at the data
    put16(a, 10, std::uint16_t(data)); // referential-integrity properties: none
    put16(a, 12, std::uint16_t(data));
    int at = descriptors;
    for (const auto& p : properties) {
        put16(a, at, p.generation);
        put16(a, at + 2, p.field);
        a[at + 4] = char(p.kind);
        a[at + 6] = char(p.field == 0 ? 0x00 : 0x02);
        if (!p.value.isEmpty()) {
            put16(a, at + 11, std::uint16_t(a.size()));
            put16(a, at + 13, std::uint16_t(p.value.size()));
            a.append(p.value);
        }
        at += 15;
    }
    put16(a, 14, std::uint16_t(a.size()));
    return a;
}

} // namespace korvex::dbase::test

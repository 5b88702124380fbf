// Tables written by python3-dbf: every field type it writes for dBASE III, Clipper,
// FoxPro 2 and Visual FoxPro, with FoxPro code page marks and dBASE language driver ids,
// and non-ASCII field names. The writer's manifest says what it wrote.

#include "DbaseTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

namespace korvex::dbase::test {
namespace {

QString fixture(const QString& name)
{
    return korvex::test::fixturesDir() + QStringLiteral("/dbase/") + name;
}

QJsonArray manifest()
{
    QFile f(fixture(QStringLiteral("manifest.json")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).array();
}

TableDefinition readFixture(const char* file)
{
    return LoadedTable::load(fixture(QString::fromLatin1(file))).read();
}

TEST(DbaseFixtures, FieldsAreWhatTheWriterWrote)
{
    KORVEX_REQUIRE_FIXTURES();
    const auto tables = manifest();
    ASSERT_GE(tables.size(), 10);
    for (const auto& value : tables) {
        const auto t = value.toObject();
        const auto file = t.value(QStringLiteral("file")).toString();
        SCOPED_TRACE(text(file));
        const auto ours = LoadedTable::load(fixture(file)).read();
        const auto fields = t.value(QStringLiteral("fields")).toArray();
        // Visual FoxPro tables with nullable fields end in the _NullFlags system column,
        // which the writer does not list among its fields.
        std::size_t count = ours.fields.size();
        if (count > 0 && ours.fields.back().name.compare(QLatin1String("_NullFlags"), Qt::CaseInsensitive) == 0) {
            EXPECT_EQ(ours.fields.back().type, FieldType::Bytes);
            --count;
        }
        ASSERT_EQ(qsizetype(count), fields.size());
        for (qsizetype i = 0; i < fields.size(); ++i) {
            const auto f = fields[i].toObject();
            const auto& mine = ours.fields[std::size_t(i)];
            // the writer lists names in lower case and stores them in upper case
            EXPECT_EQ(mine.name.compare(f.value(QStringLiteral("name")).toString(), Qt::CaseInsensitive), 0)
                << text(mine.name) << " vs " << text(f.value(QStringLiteral("name")).toString());
            EXPECT_EQ(text(mine.storedType), text(f.value(QStringLiteral("type")).toString()));
            EXPECT_EQ(mine.storedSize, f.value(QStringLiteral("width")).toInt()) << text(mine.name);
            if (mine.type == FieldType::Float || mine.type == FieldType::SmallInt) {
                EXPECT_EQ(mine.units2, f.value(QStringLiteral("decimals")).toInt()) << text(mine.name);
            }
        }
        const QString encoding = t.value(QStringLiteral("encoding")).toString();
        if (encoding.startsWith(QLatin1String("cp"))) {
            EXPECT_EQ(ours.codePage, encoding.mid(2).toInt());
        }
    }
}

TEST(DbaseFixtures, EveryFieldTypeOfEachKind)
{
    KORVEX_REQUIRE_FIXTURES();
    const auto db3 = readFixture("db3_types.dbf");
    EXPECT_EQ(text(db3.tableType), "DBASE");
    const std::vector<FieldType> db3Types = {FieldType::String, FieldType::SmallInt, FieldType::SmallInt,
                                             FieldType::Float,  FieldType::Float,    FieldType::Float,
                                             FieldType::Date,   FieldType::Boolean,  FieldType::Memo};
    ASSERT_EQ(db3.fields.size(), db3Types.size());
    for (std::size_t i = 0; i < db3Types.size(); ++i)
        EXPECT_EQ(db3.fields[i].type, db3Types[i]) << text(db3.fields[i].name);

    const auto fp = readFixture("fp_types.dbf");
    EXPECT_EQ(text(fp.tableType), "FOXPRO");
    EXPECT_EQ(fp.level, 25);
    EXPECT_EQ(fp.fields[7].type, FieldType::DBaseOle);
    EXPECT_EQ(fp.fields[8].type, FieldType::Graphic);
    EXPECT_EQ(fp.blockSizeKb, 0); // python3-dbf writes 128-byte memo blocks

    const auto vfp = readFixture("vfp_types.dbf");
    EXPECT_EQ(text(vfp.tableType), "FOXPRO");
    const std::vector<FieldType> vfpTypes = {FieldType::String,   FieldType::Money,    FieldType::SmallInt,
                                             FieldType::Float,    FieldType::Float,    FieldType::Integer,
                                             FieldType::DateTime, FieldType::Boolean,  FieldType::Date,
                                             FieldType::Memo,     FieldType::DBaseOle, FieldType::Graphic,
                                             FieldType::String,   FieldType::String,   FieldType::Bytes};
    ASSERT_EQ(vfp.fields.size(), vfpTypes.size());
    for (std::size_t i = 0; i < vfpTypes.size(); ++i)
        EXPECT_EQ(vfp.fields[i].type, vfpTypes[i]) << text(vfp.fields[i].name);
    EXPECT_EQ(vfp.fields[9].size, 1);
    EXPECT_EQ(vfp.fields[9].logicalLength, 4); // Visual FoxPro keeps a 4-byte block number
}

TEST(DbaseFixtures, LanguageDriversAndCodePages)
{
    KORVEX_REQUIRE_FIXTURES();
    const auto ldid57 = readFixture("db3_ldid57.dbf");
    EXPECT_EQ(text(ldid57.languageDriverName), "DBWINUS0");
    EXPECT_EQ(text(ldid57.languageDriverDescription), "'ascii' ANSI");
    EXPECT_EQ(ldid57.level, 4);
    EXPECT_EQ(text(readFixture("db3_ldid1b.dbf").languageDriverDescription), "dBASE ENU cp437");
    EXPECT_EQ(text(readFixture("db3_ldid22.dbf").languageDriverDescription), "dBASE HUN cp852");
    EXPECT_EQ(text(readFixture("db3_cp850.dbf").languageDriverDescription), "International MS-DOS");
    EXPECT_EQ(text(readFixture("db3_types.dbf").languageDriverDescription), "Windows ANSI");
    const auto plain = readFixture("db3_nomemo.dbf");
    EXPECT_EQ(plain.level, 3); // no memo, no driver, no F field
    EXPECT_TRUE(plain.languageDriverDescription.isEmpty());
    EXPECT_EQ(text(readFixture("vfp_cp1251.dbf").languageDriverDescription), "Russian Windows");
}

TEST(DbaseFixtures, NonAsciiFieldNamesDecodeInTheTablesCodePage)
{
    KORVEX_REQUIRE_FIXTURES();
    EXPECT_EQ(text(readFixture("db3_cp850.dbf").fields[0].name.toLower()), "größe");
    EXPECT_EQ(text(readFixture("db3_cp866.dbf").fields[0].name), "цена");
    EXPECT_EQ(text(readFixture("vfp_cp1251.dbf").fields[1].name), "сумма");
    EXPECT_EQ(text(readFixture("vfp_types.dbf").fields[13].name.toLower()), "ärger");
}

// Clipper keeps the high byte of a long character field's width in the decimals byte.
// python3-dbf's own field list reports that byte as decimals (C(300) as 300 with 1
// decimal); the reader, like dbfread, takes it as part of the width and gives no decimals.
TEST(DbaseFixtures, ClipperLongCharacterFields)
{
    KORVEX_REQUIRE_FIXTURES();
    const auto t = readFixture("clp_long.dbf");
    EXPECT_EQ(t.fields[1].size, 300);
    EXPECT_EQ(t.fields[1].units2, 0);
    EXPECT_EQ(t.fields[2].size, 1000);
    EXPECT_EQ(t.recordBufferSize, 11 + 301 + 1001 + 8 + 10);

    const auto path = fixture(QStringLiteral("clp_long.dbf"));
    const auto other = dbfreadFields({path}).value(path).toObject();
    const auto fields = other.value(QStringLiteral("fields")).toArray();
    ASSERT_EQ(fields.size(), 5);
    EXPECT_EQ(fields[1].toObject().value(QStringLiteral("length")).toInt(), 300);
    EXPECT_EQ(fields[2].toObject().value(QStringLiteral("length")).toInt(), 1000);
    EXPECT_EQ(fields[1].toObject().value(QStringLiteral("decimals")).toInt(), 0);
}

} // namespace
} // namespace korvex::dbase::test

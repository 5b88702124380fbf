// Validity checks from .VAL files made for a table written by pxlib: values of every type
// (encoded by pxlib), stale and DOS-era files, and damage, which must name the .VAL.

#include "ParadoxTestSupport.h"
#include "ScratchFolder.h"
#include "TestSupport.h"
#include "ValBuilder.h"

#include "DatabaseEngine.h"
#include "EngineValues.h"
#include "TableSource.h"
#include "paradox/ParadoxReader.h"

#include <gtest/gtest.h>

#include <QDate>

using namespace korvex;
using namespace korvex::paradox;
using namespace korvex::test::paradox;

namespace {

// A pxlib table with a field of every type, and a .VAL builder that matches it.
struct Fixture {
    QByteArray db;
    ValBuilder val;

    Fixture()
    {
        const auto fields = fixtures::everyParadoxFieldType();
        db = writeWithPxlib(fields, 1);
        val.changeCount = std::uint8_t(db.at(0x2E));
        val.keyFieldCount = 1;
        for (const auto& f : fields)
            val.fields.append({std::uint8_t(f.type), std::uint8_t(f.type == 0x17 ? f.decimals : f.length),
                               QByteArray::fromStdString(f.name)});
    }

    TableDefinition read(const QByteArray& valBytes) const
    {
        const FileBytes v{QStringLiteral("TABLE.VAL"), test::asBytes(valBytes)};
        return readTable(FileBytes{QStringLiteral("TABLE.DB"), test::asBytes(db)}, &v);
    }
    TableDefinition read() const { return read(val.build()); }

    // The error reading the .VAL gives; fails the test when there is none.
    FormatError failure(const QByteArray& valBytes) const
    {
        try {
            read(valBytes);
        } catch (const FormatError& e) {
            return e;
        }
        ADD_FAILURE() << "no error";
        return FormatError(FormatError::Kind::Damaged, {}, 0, {});
    }
};

enum Field {
    Alpha,
    Date,
    Short,
    Long,
    Money,
    Number,
    Logical,
    Memo,
    Binary,
    FmtMemo,
    Ole,
    Graphic,
    Time,
    Timestamp,
    AutoInc,
    Bcd,
    Bytes
};

QByteArray alpha(const char* text, int size)
{
    QByteArray b(text);
    b.append(QByteArray(size - b.size(), '\0'));
    return b;
}

double bcdValue(const ValueSlot& slot)
{
    double v = 0;
    EXPECT_TRUE(BcdToFloat(std::span<const std::byte, EngineBcd::Size>(slot.data(), EngineBcd::Size), v));
    return v;
}

} // namespace

// The builder writes the layout of the real files: rebuilt with the same content, the
// logical table's .VAL comes out byte for byte.
TEST(ValidityFile, BuilderReproducesARealFile)
{
    KORVEX_REQUIRE_SAMPLES();
    const QByteArray real = test::readWholeFile(
        samplePath("leonhad+paradoxdriver/src/test/resources/fields/logical.val"));
    ValBuilder b;
    b.changeCount = 0x83;
    b.version = 11;
    b.updateTime = 0x5F172E1F;
    b.hiFieldID = 2;
    b.pointer = 0x6BE4BECC - 3; // the real file's default mark
    b.tablePath = "C:\\Paradox\\db\\resttemp.DB";
    b.fields = {{0x09, 1, "BOOL"}};
    ValCheck c;
    c.required = true;
    c.defaultValue = QByteArray(1, char(0x81));
    b.checks = {c};
    EXPECT_EQ(b.build().toHex(), real.toHex());
}

TEST(ValidityFile, ValuesOfEveryTypeBecomeEngineValues)
{
    Fixture f;
    ASSERT_FALSE(f.db.isEmpty());
    auto check = [](int field) {
        ValCheck c;
        c.fieldIndex = std::uint8_t(field);
        return c;
    };
    ValCheck a = check(Alpha);
    a.minimum = alpha("abc", 20);
    a.maximum = alpha("\xDF"
                      "zz",
                      20); // sharp s in Windows-1252, the table's code page
    a.defaultValue = alpha("12345678901234567890", 20);
    ValCheck d = check(Date);
    d.minimum = pxlibLong(dayNumberOf(QDate(1996, 1, 1)));
    d.maximum = pxlibLong(dayNumberOf(QDate(2030, 12, 31)));
    ValCheck s = check(Short);
    s.minimum = pxlibShort(-5);
    s.maximum = pxlibShort(1000);
    s.defaultValue = pxlibShort(0); // zero is stored 80 00, not blank
    ValCheck l = check(Long);
    l.minimum = pxlibLong(-100000);
    ValCheck m = check(Money);
    m.maximum = pxlibDouble(9999.99);
    ValCheck n = check(Number);
    n.minimum = pxlibDouble(-1.387);
    n.defaultValue = pxlibDouble(200.36);
    ValCheck b = check(Logical);
    b.defaultValue = pxlibByte(0);
    ValCheck t = check(Time);
    t.minimum = pxlibLong(8 * 3600 * 1000);
    t.maximum = pxlibLong((17 * 3600 + 30 * 60) * 1000);
    ValCheck ts = check(Timestamp);
    ts.defaultValue = pxlibDouble(double(dayNumberOf(QDate(2020, 2, 1))) * 86400000.0);
    ValCheck ai = check(AutoInc);
    ai.minimum = pxlibLong(1);
    ValCheck bcd = check(Bcd);
    bcd.minimum = pxlibBcd("-12.5", 4);
    bcd.maximum = pxlibBcd("1234.5678", 4);
    ValCheck y = check(Bytes);
    y.defaultValue = QByteArray("\x01\x02\x03", 3) + QByteArray(13, '\0');
    f.val.checks = {a, d, s, l, m, n, b, t, ts, ai, bcd, y};

    const TableDefinition table = f.read();
    ASSERT_EQ(table.validityChecks.size(), 12u);
    const auto& c = table.validityChecks;
    for (std::size_t i = 0; i < c.size(); ++i)
        EXPECT_EQ(c[i].fieldNumber, f.val.checks[qsizetype(i)].fieldIndex + 1);

    EXPECT_EQ(slot::string(c[0].minimum), "abc");
    EXPECT_EQ(slot::string(c[0].maximum), QString::fromUtf8("\u00dfzz").toUtf8());
    EXPECT_EQ(slot::string(c[0].defaultValue), "12345678901234567890");
    EXPECT_EQ(dateOfDayNumber(slot::int32(c[1].minimum)), QDate(1996, 1, 1));
    EXPECT_EQ(dateOfDayNumber(slot::int32(c[1].maximum)), QDate(2030, 12, 31));
    EXPECT_FALSE(c[1].hasDefault);
    EXPECT_EQ(slot::int16(c[2].minimum), -5);
    EXPECT_EQ(slot::int16(c[2].maximum), 1000);
    EXPECT_TRUE(c[2].hasDefault);
    EXPECT_EQ(slot::int16(c[2].defaultValue), 0);
    EXPECT_EQ(slot::int32(c[3].minimum), -100000);
    EXPECT_TRUE(c[3].hasMinimum);
    EXPECT_FALSE(c[3].hasMaximum);
    EXPECT_EQ(slot::float64(c[4].maximum), 9999.99);
    EXPECT_EQ(slot::float64(c[5].minimum), -1.387);
    EXPECT_EQ(slot::float64(c[5].defaultValue), 200.36);
    EXPECT_TRUE(c[6].hasDefault);
    EXPECT_EQ(std::to_integer<int>(c[6].defaultValue[0]), 0); // false
    EXPECT_EQ(slot::int32(c[7].minimum), 8 * 3600 * 1000);
    EXPECT_EQ(slot::int32(c[7].maximum), (17 * 3600 + 30 * 60) * 1000);
    EXPECT_EQ(slot::float64(c[8].defaultValue), double(dayNumberOf(QDate(2020, 2, 1))) * 86400000.0);
    EXPECT_EQ(slot::int32(c[9].minimum), 1);
    EXPECT_DOUBLE_EQ(bcdValue(c[10].minimum), -12.5);
    EXPECT_DOUBLE_EQ(bcdValue(c[10].maximum), 1234.5678);
    EXPECT_EQ(std::to_integer<int>(c[11].defaultValue[2]), 3);
}

TEST(ValidityFile, PicturesRequiredFlagsAndLookups)
{
    Fixture f;
    ValCheck zip;
    zip.fieldIndex = Alpha;
    zip.required = true;
    zip.lookupTable = QByteArray("STATES.DB");
    zip.lookupOptions = 2;
    zip.picture = QByteArray("#####[-####]");
    ValCheck grade;
    grade.fieldIndex = Short;
    grade.picture = QByteArray("\xB0#"); // the degree sign in Windows-1252
    f.val.checks = {zip, grade};
    const TableDefinition t = f.read();
    ASSERT_EQ(t.validityChecks.size(), 2u);
    EXPECT_TRUE(t.validityChecks[0].required);
    EXPECT_EQ(t.validityChecks[0].picture, "#####[-####]");
    EXPECT_FALSE(t.validityChecks[0].hasMinimum || t.validityChecks[0].hasMaximum || t.validityChecks[0].hasDefault);
    EXPECT_FALSE(t.validityChecks[1].required);
    EXPECT_EQ(t.validityChecks[1].picture, QString::fromUtf8("\u00b0#").toUtf8());
}

// Two checks on one field stay two checks, in file order: the report lets the later win.
TEST(ValidityFile, EveryCheckRecordIsOneCheck)
{
    Fixture f;
    ValCheck first;
    first.fieldIndex = Short;
    first.minimum = pxlibShort(1);
    ValCheck second = first;
    second.minimum = pxlibShort(2);
    f.val.checks = {first, second};
    const TableDefinition t = f.read();
    ASSERT_EQ(t.validityChecks.size(), 2u);
    EXPECT_EQ(slot::int16(t.validityChecks[1].minimum), 2);
}

TEST(ValidityFile, ABlankValueMarkedPresentCountsAsAbsent)
{
    Fixture f;
    ValCheck c;
    c.fieldIndex = Long;
    c.minimum = QByteArray(4, '\0');
    c.maximum = pxlibLong(7);
    f.val.checks = {c};
    const TableDefinition t = f.read();
    ASSERT_EQ(t.validityChecks.size(), 1u);
    EXPECT_FALSE(t.validityChecks[0].hasMinimum);
    EXPECT_TRUE(t.validityChecks[0].hasMaximum);
}

// The referential-integrity section lies between the checks and the footer.
TEST(ValidityFile, ChecksBeforeAReferentialIntegritySection)
{
    Fixture f;
    ValCheck c;
    c.fieldIndex = Alpha;
    c.picture = QByteArray("&&");
    f.val.checks = {c};
    f.val.integritySection = QByteArray(0x20, '\x55');
    const TableDefinition t = f.read();
    ASSERT_EQ(t.validityChecks.size(), 1u);
    EXPECT_EQ(t.validityChecks[0].picture, "&&");
}

TEST(ValidityFile, StaleFileIsIgnoredWithANote)
{
    Fixture f;
    ValCheck c;
    c.fieldIndex = Alpha;
    c.picture = QByteArray("###");
    f.val.checks = {c};
    f.val.changeCount = std::uint8_t(f.val.changeCount + 1);
    const TableDefinition t = f.read();
    EXPECT_TRUE(t.validityChecks.empty());
    ASSERT_EQ(t.warnings.size(), 1);
    EXPECT_TRUE(t.warnings[0].startsWith("TABLE.VAL: written for an earlier state of the table"))
        << t.warnings[0].toStdString();
    // Even a damaged stale file is ignored: nothing of it is trusted.
    QByteArray damaged = f.val.build().left(10);
    EXPECT_NO_THROW(f.read(damaged));
}

TEST(ValidityFile, DosEraLayoutIsNotGuessed)
{
    Fixture f;
    QByteArray dos = f.val.build();
    dos[1] = char(1);
    dos.append("###-##\0&&\0STORE.DB", 18);
    const TableDefinition t = f.read(dos);
    EXPECT_TRUE(t.validityChecks.empty());
    ASSERT_EQ(t.warnings.size(), 1);
    EXPECT_TRUE(t.warnings[0].contains("DOS-era")) << t.warnings[0].toStdString();
}

// No Paradox 7 .VAL has been seen; it is read like those of versions 9 to 11.
TEST(ValidityFile, Version12IsReadLikeEarlierVersions)
{
    Fixture f;
    f.val.version = 12;
    ValCheck c;
    c.fieldIndex = Short;
    c.minimum = pxlibShort(-5);
    f.val.checks = {c};
    const TableDefinition t = f.read();
    ASSERT_EQ(t.validityChecks.size(), 1u);
    EXPECT_EQ(slot::int16(t.validityChecks[0].minimum), -5);
}

TEST(ValidityFile, NewerVersionIsUnsupported)
{
    Fixture f;
    f.val.version = 13;
    const FormatError e = f.failure(f.val.build());
    EXPECT_EQ(e.kind(), FormatError::Kind::Unsupported);
    EXPECT_EQ(e.file(), "TABLE.VAL");
}

TEST(ValidityFile, CheckOnAFieldTheTableDoesNotHaveIsDamage)
{
    Fixture f;
    ValCheck c;
    c.fieldIndex = 17; // the table has 17 fields, indexes 0 to 16
    f.val.checks = {c};
    const FormatError e = f.failure(f.val.build());
    EXPECT_EQ(e.kind(), FormatError::Kind::ValidityDamaged);
    EXPECT_EQ(e.file(), "TABLE.VAL");
    EXPECT_EQ(e.detail(), "validity check 1 is for field 18, but the table has 17 fields");
}

TEST(ValidityFile, FooterMustDescribeTheTablesFields)
{
    Fixture f;
    ValBuilder fewer = f.val;
    fewer.fields.removeLast();
    EXPECT_EQ(f.failure(fewer.build()).detail(), "the field list describes 16 fields, but the table has 17");
    ValBuilder resized = f.val;
    resized.fields[Alpha].size = 21;
    const FormatError e = f.failure(resized.build());
    EXPECT_TRUE(e.detail().startsWith("the field list describes field 1 as type 0x01 size 21"))
        << e.message().toStdString();
}

TEST(ValidityFile, OffsetsOutsideTheFileAreDamage)
{
    Fixture f;
    ValCheck c;
    c.fieldIndex = Short;
    c.minimum = pxlibShort(1);
    f.val.checks = {c};
    const QByteArray good = f.val.build();

    QByteArray farFooter = good;
    farFooter[9] = char(0xFF);
    farFooter[10] = char(0xFF);
    EXPECT_TRUE(f.failure(farFooter).detail().startsWith("footer offset"));

    // The integrity section may not start after the footer.
    QByteArray lateIntegrity = good;
    const std::size_t footer = f.val.footerOffset();
    lateIntegrity[0x0D] = char((footer + 1) & 0xFF);
    lateIntegrity[0x0E] = char((footer + 1) >> 8);
    EXPECT_TRUE(f.failure(lateIntegrity).detail().startsWith("referential-integrity offset"));

    // A check record that runs into the footer.
    QByteArray overrun = good;
    overrun[2] = char(2);
    EXPECT_EQ(f.failure(overrun).kind(), FormatError::Kind::ValidityDamaged);

    // More checks than the body could hold, refused before any is read.
    QByteArray tooMany = good;
    tooMany[2] = char(200);
    EXPECT_TRUE(f.failure(tooMany).detail().contains("do not fit")) << f.failure(tooMany).message().toStdString();
}

TEST(ValidityFile, EveryPrefixFailsNamingTheValFile)
{
    Fixture f;
    ValCheck c;
    c.fieldIndex = Alpha;
    c.lookupTable = QByteArray("OTHER.DB");
    c.minimum = alpha("a", 20);
    c.picture = QByteArray("*!");
    ValCheck d;
    d.fieldIndex = Bcd;
    d.defaultValue = pxlibBcd("1.5", 4);
    f.val.checks = {c, d};
    f.val.integritySection = QByteArray(40, '\0');
    const QByteArray full = f.val.build();
    ASSERT_NO_THROW(f.read(full));
    for (qsizetype n = 0; n < full.size(); ++n) {
        const FormatError e = f.failure(full.left(n));
        EXPECT_EQ(e.file(), "TABLE.VAL") << n;
        EXPECT_EQ(e.kind(), FormatError::Kind::ValidityDamaged) << n;
    }
}

// Through the engine and TableSource, on a copy of a real table with two checks: a .VAL
// that is not read leaves the table open with a warning naming the .VAL, and a damaged
// one fails the table with its own code, not as a table that is no table.
TEST(ValidityFile, StaleOrDamagedValIsToldAboutRatherThanDroppedOrCalledNotATable)
{
    KORVEX_REQUIRE_SAMPLES();
    ScratchFolder s;
    s.copy("leonhad+paradoxdriver/src/test/resources/areas/ZIPCODES.DB");
    s.copy("leonhad+paradoxdriver/src/test/resources/areas/ZIPCODES.VAL");
    const auto setValByte = [&](qint64 at, char value) {
        QFile val(s.path("ZIPCODES.VAL"));
        ASSERT_TRUE(val.open(QIODevice::ReadWrite));
        val.seek(at);
        val.write(&value, 1);
    };
    DatabaseEngine engine;
    TableSource source(engine);
    source.open(s.dir.path(), "ZIPCODES.DB");
    EXPECT_TRUE(source.warnings().isEmpty());
    EXPECT_EQ(source.properties().validityCheckCount, 2);

    setValByte(0, char(0x85)); // the table's change counter is 0x84
    source.open(s.dir.path(), "ZIPCODES.DB");
    EXPECT_EQ(source.properties().validityCheckCount, 0);
    ASSERT_EQ(source.warnings().size(), 1);
    EXPECT_TRUE(source.warnings()[0].startsWith(s.path("ZIPCODES.VAL") + ": written for an earlier state"))
        << source.warnings()[0].toStdString();

    setValByte(0, char(0x84));
    setValByte(1, char(0x01)); // the DOS-era layout
    source.open(s.dir.path(), "ZIPCODES.DB");
    ASSERT_EQ(source.warnings().size(), 1);
    EXPECT_TRUE(source.warnings()[0].contains("DOS-era")) << source.warnings()[0].toStdString();

    setValByte(1, char(0x09));
    setValByte(2, char(200)); // more checks than the file holds
    TableHandle h = 0;
    EXPECT_EQ(engine.OpenTable(s.dir.path(), "ZIPCODES.DB", h), result::ValidityDamaged);
    EXPECT_TRUE(engine.lastError().startsWith(s.path("ZIPCODES.VAL") + ": 200 validity checks do not fit"))
        << engine.lastError().toStdString();
    EXPECT_STREQ(resultName(result::ValidityDamaged), "ValidityDamaged");
}

#include "DatabaseEngine.h"
#include "FakeFormat.h"
#include "TableSource.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <array>

#include <sys/stat.h>

using namespace korvex;
using korvex::test::FakeFormat;

namespace {

std::uint16_t get16(std::span<const std::byte> r, std::size_t at)
{
    return std::uint16_t(std::to_integer<unsigned>(r[at]) | std::to_integer<unsigned>(r[at + 1]) << 8);
}

std::string textAt(std::span<const std::byte> r, std::size_t at)
{
    return std::string(reinterpret_cast<const char*>(r.data() + at));
}

TableDefinition sampleDefinition()
{
    TableDefinition d;
    d.tableType = "FAKE";
    d.level = 7;
    d.recordSize = 49;
    d.recordBufferSize = 61;
    d.keySize = 4;
    d.blockSizeKb = 2;
    d.auxPasswordCount = 3;
    d.strictIntegrity = true;
    d.languageDriverName = "DBWINUS0";
    d.languageDriverDescription = "'ascii' ANSI";
    FieldDefinition id;
    id.name = "Id";
    id.type = FieldType::AutoInc;
    id.logicalType = LogicalType::Int32;
    id.subtype = subtype::AutoInc;
    id.logicalLength = 4;
    id.key = true;
    FieldDefinition price;
    price.name = QString::fromUtf8("Preis in €");
    price.type = FieldType::Float;
    price.logicalType = LogicalType::Float;
    price.units1 = 10;
    price.units2 = -2;
    price.logicalLength = 8;
    d.fields = {id, price};
    ValidityCheck check;
    check.fieldNumber = 2;
    check.required = true;
    check.hasMaximum = true;
    slot::putDouble(check.maximum, 99.5);
    check.picture = "#.##";
    d.validityChecks = {check};
    return d;
}

class Engine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        write("Orders.FAK", "ok");
        write("broken.fak", "DAMAGED");
        write("future.fak", "NEWER");
        write("notes.txt", "text");
        std::vector<std::unique_ptr<TableFormat>> formats;
        formats.push_back(std::make_unique<FakeFormat>(sampleDefinition(), 2));
        engine_ = std::make_unique<DatabaseEngine>(std::move(formats));
    }

    void write(const QString& name, const QByteArray& content)
    {
        QFile f(dir_.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }

    TableHandle open(const QString& name)
    {
        TableHandle h = 0;
        EXPECT_EQ(engine_->OpenTable(dir_.path(), name, h), result::Ok) << engine_->lastError().toStdString();
        return h;
    }

    QTemporaryDir dir_;
    std::unique_ptr<DatabaseEngine> engine_;
};

} // namespace

TEST_F(Engine, FindsTablesWithoutRegardToCaseAndWithoutExtension)
{
    EXPECT_NE(open("ORDERS.FAK"), 0u);
    EXPECT_NE(open("orders.fak"), 0u);
    TableHandle h = 0;
    // A bare name is looked for with the known table extensions only.
    EXPECT_EQ(engine_->OpenTable(dir_.path(), "orders", h), result::NoSuchFile);
    // Without a directory the name is a path.
    EXPECT_EQ(engine_->OpenTable("", dir_.filePath("orders.FAK"), h), result::Ok);
}

TEST_F(Engine, FailuresAnswerNamedCodesWithMessagesThatNameTheFile)
{
    TableHandle h = 99;
    EXPECT_EQ(engine_->OpenTable(dir_.path(), "missing.fak", h), result::NoSuchFile);
    EXPECT_EQ(h, 0u);
    EXPECT_TRUE(engine_->lastError().contains("missing.fak"));

    EXPECT_EQ(engine_->OpenTable(dir_.filePath("nowhere"), "orders.fak", h), result::NoSuchFile);
    EXPECT_TRUE(engine_->lastError().contains("no such directory"));

    EXPECT_EQ(engine_->OpenTable(dir_.path(), "broken.fak", h), result::NotATable);
    EXPECT_TRUE(engine_->lastError().contains("broken.fak")) << engine_->lastError().toStdString();
    EXPECT_TRUE(engine_->lastError().contains("header is damaged"));

    EXPECT_EQ(engine_->OpenTable(dir_.path(), "future.fak", h), result::UnsupportedVersion);
    EXPECT_EQ(engine_->OpenTable(dir_.path(), "notes.txt", h), result::NotATable);
    EXPECT_TRUE(engine_->lastError().contains("txt"));

    std::array<std::byte, record::PropertiesSize> props{};
    EXPECT_EQ(engine_->ReadTableProperties(12345, props), result::InvalidHandle);
    EXPECT_EQ(engine_->CloseTable(12345), result::InvalidHandle);
}

TEST_F(Engine, PropertiesRecordHoldsItsMembersAtTheirBytePositions)
{
    const TableHandle h = open("orders.fak");
    std::array<std::byte, record::PropertiesSize> r{};
    r.fill(std::byte{0xEE});
    ASSERT_EQ(engine_->ReadTableProperties(h, r), result::Ok);
    EXPECT_EQ(textAt(r, 263), "FAKE");
    EXPECT_EQ(get16(r, 297), 49);
    EXPECT_EQ(get16(r, 299), 61);
    EXPECT_EQ(get16(r, 301), 4);
    EXPECT_EQ(get16(r, 305), 1);
    EXPECT_EQ(get16(r, 337), 0);
    EXPECT_EQ(get16(r, 345), 3);
    EXPECT_EQ(get16(r, 351), 7);
    EXPECT_EQ(get16(r, 387), 2);
    EXPECT_EQ(get16(r, 389), 1);

    std::array<std::byte, 100> tooSmall{};
    EXPECT_EQ(engine_->ReadTableProperties(h, tooSmall), result::BufferTooSmall);
}

TEST_F(Engine, FieldDescriptorsAndFieldList)
{
    const TableHandle h = open("orders.fak");
    std::vector<std::byte> buffer(record::FieldDescriptorBufferSize);
    ASSERT_EQ(engine_->ReadFieldDescriptors(h, buffer), result::Ok);
    EXPECT_EQ(get16(buffer, 0), 1);
    EXPECT_EQ(textAt(buffer, 2), "Id");
    EXPECT_EQ(get16(buffer, 36), 29); // auto-increment subtype
    EXPECT_EQ(get16(buffer, 62 + 0), 2);
    EXPECT_EQ(textAt(buffer, 62 + 2), "Preis in \xE2\x82\xAC");
    EXPECT_EQ(std::int16_t(get16(buffer, 62 + 38)), 10);
    EXPECT_EQ(std::int16_t(get16(buffer, 62 + 40)), -2);
    EXPECT_EQ(get16(buffer, 62 + 42), 4); // offset after the 4-byte Id

    std::vector<FieldListEntry> list;
    ASSERT_EQ(engine_->readFieldList(h, list), result::Ok);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, "Id");
    EXPECT_EQ(list[0].type, FieldType::AutoInc);
    EXPECT_TRUE(list[0].key);
    EXPECT_FALSE(list[1].key);
}

TEST_F(Engine, MoreFieldsThanTheBufferHoldsAreRefused)
{
    auto d = sampleDefinition();
    d.fields.resize(501, d.fields[1]);
    std::vector<std::unique_ptr<TableFormat>> formats;
    formats.push_back(std::make_unique<FakeFormat>(d));
    DatabaseEngine wide(std::move(formats));
    TableHandle h = 0;
    ASSERT_EQ(wide.OpenTable(dir_.path(), "orders.fak", h), result::Ok);
    std::vector<std::byte> buffer(record::FieldDescriptorBufferSize);
    EXPECT_EQ(wide.ReadFieldDescriptors(h, buffer), result::TooManyFields);
    EXPECT_TRUE(wide.lastError().contains("501 fields")) << wide.lastError().toStdString();
    d.fields.resize(500);
}

TEST_F(Engine, ValidityCheckRecordAndLanguageDriverBlock)
{
    const TableHandle h = open("orders.fak");
    std::array<std::byte, record::ValidityCheckSize> c{};
    ASSERT_EQ(engine_->ReadValidityCheck(h, 1, c), result::Ok);
    EXPECT_EQ(get16(c, 0), 2);
    EXPECT_EQ(get16(c, 2), 1);
    EXPECT_EQ(get16(c, 4), 0);
    EXPECT_EQ(get16(c, 6), 1);
    ValueSlot max{};
    std::copy_n(c.begin() + 266, 256, max.begin());
    EXPECT_DOUBLE_EQ(slot::float64(max), 99.5);
    EXPECT_EQ(textAt(c, 778), "#.##");
    EXPECT_EQ(engine_->ReadValidityCheck(h, 0, c), result::NoSuchRecord);
    EXPECT_EQ(engine_->ReadValidityCheck(h, 2, c), result::NoSuchRecord);

    const std::byte* block = nullptr;
    ASSERT_EQ(engine_->ReadLanguageDriver(h, block), result::Ok);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block + 54)), "'ascii' ANSI");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block)), "DBWINUS0");
}

TEST_F(Engine, ProtectedTableOpensOnlyWithARegisteredPassword)
{
    auto d = sampleDefinition();
    d.passwordChecksum = 0x0A25E09A;
    std::vector<std::unique_ptr<TableFormat>> formats;
    formats.push_back(std::make_unique<FakeFormat>(d, 0, "123"));
    DatabaseEngine locked(std::move(formats));
    TableHandle h = 0;
    EXPECT_EQ(locked.OpenTable(dir_.path(), "orders.fak", h), result::PasswordNeeded);
    EXPECT_TRUE(locked.lastError().contains("password"));
    locked.RegisterPassword("wrong");
    EXPECT_EQ(locked.OpenTable(dir_.path(), "orders.fak", h), result::PasswordNeeded);
    locked.RegisterPassword("123");
    EXPECT_EQ(locked.OpenTable(dir_.path(), "orders.fak", h), result::Ok);
}

TEST_F(Engine, IndexListAndCount)
{
    const TableHandle h = open("orders.fak");
    int count = -1;
    ASSERT_EQ(engine_->readIndexCount(h, count), result::Ok);
    EXPECT_EQ(count, 2);
    std::vector<IndexDescription> indexes;
    ASSERT_EQ(engine_->ListIndexes(h, indexes), result::Ok);
    ASSERT_EQ(indexes.size(), 2u);
    EXPECT_EQ(indexes[1].name, "Index2");
    EXPECT_EQ(indexes[1].fields, "A;B");
    std::array<std::byte, record::PropertiesSize> r{};
    ASSERT_EQ(engine_->ReadTableProperties(h, r), result::Ok);
    EXPECT_EQ(get16(r, 303), 2);
}

TEST_F(Engine, IntegrityListRecordsAndTheirCursor)
{
    auto format = std::make_unique<FakeFormat>(sampleDefinition());
    IntegrityDescriptor master{
        "OrdersCustomer", IntegrityDescriptor::Kind::Master, "customer.db", true, {{2, 1}, {3, 4}}};
    IntegrityDescriptor dependent{
        "LinesOrders", IntegrityDescriptor::Kind::Dependent, "C:\\DATA\\LINES.DB", false, {{1, 2}}};
    format->links = {master, dependent};
    std::vector<std::unique_ptr<TableFormat>> formats;
    formats.push_back(std::move(format));
    DatabaseEngine linked(std::move(formats));

    TableHandle list = 0;
    ASSERT_EQ(linked.OpenIntegrityList(dir_.path(), "orders.fak", "", list), result::Ok);
    std::array<std::byte, record::PropertiesSize> props{};
    ASSERT_EQ(linked.ReadTableProperties(list, props), result::Ok);
    EXPECT_EQ(get16(props, 299), record::IntegrityDescriptorSize);

    std::vector<std::byte> r(record::IntegrityDescriptorSize);
    ASSERT_EQ(linked.NextRecord(list, r), result::Ok);
    EXPECT_EQ(textAt(r, 2), "OrdersCustomer");
    EXPECT_EQ(get16(r, 34), 0);
    // A related table stored by name alone lives beside this table.
    EXPECT_EQ(QString::fromStdString(textAt(r, 38)), QDir(dir_.path()).filePath("customer.db"));
    EXPECT_EQ(get16(r, 299), 1);
    EXPECT_EQ(get16(r, 307), 2);
    EXPECT_EQ(get16(r, 309), 2);
    EXPECT_EQ(get16(r, 311), 3);
    EXPECT_EQ(get16(r, 341), 1);
    EXPECT_EQ(get16(r, 343), 4);
    ASSERT_EQ(linked.NextRecord(list, r), result::Ok);
    EXPECT_EQ(get16(r, 34), 1);
    EXPECT_EQ(textAt(r, 38), "C:\\DATA\\LINES.DB");
    EXPECT_EQ(get16(r, 299), 0);
    EXPECT_EQ(linked.NextRecord(list, r), result::EndOfList);
    ASSERT_EQ(linked.RewindList(list), result::Ok);
    ASSERT_EQ(linked.NextRecord(list, r), result::Ok);
    EXPECT_EQ(textAt(r, 2), "OrdersCustomer");
    EXPECT_EQ(linked.CloseList(list), result::Ok);
    EXPECT_EQ(linked.NextRecord(list, r), result::InvalidHandle);
}

TEST_F(Engine, TableSourceReadsTheLinksAsTypedRecords)
{
    write("lines.fak", "ok");
    auto format = std::make_unique<FakeFormat>(sampleDefinition());
    using Kind = IntegrityDescriptor::Kind;
    format->links = {{"OrdersCustomer", Kind::Master, "customer.db", true, {{2, 1}, {3, 4}}},
                     {"LinesOrders", Kind::Dependent, "C:\\DATA\\LINES.FAK", false, {{1, 2}}}};
    std::vector<std::unique_ptr<TableFormat>> formats;
    formats.push_back(std::move(format));
    DatabaseEngine linked(std::move(formats));
    TableSource source(linked);
    source.open(dir_.path(), "orders.fak");

    auto list = source.integrityLinks(dir_.path(), "orders.fak");
    const auto master = list.next();
    ASSERT_TRUE(master.has_value());
    EXPECT_EQ(master->name, "OrdersCustomer");
    EXPECT_EQ(master->kind, IntegrityDescriptor::Kind::Master);
    EXPECT_EQ(master->relatedTable, QDir(dir_.path()).filePath("customer.db"));
    EXPECT_TRUE(master->cascade);
    EXPECT_EQ(master->pairs, (std::vector<std::pair<std::uint16_t, std::uint16_t>>{{2, 1}, {3, 4}}));
    const auto dependent = list.next();
    ASSERT_TRUE(dependent.has_value());
    EXPECT_EQ(dependent->kind, IntegrityDescriptor::Kind::Dependent);
    EXPECT_FALSE(dependent->cascade);
    // The stored Windows path is kept; where the table lives here is found beside this one.
    EXPECT_EQ(dependent->relatedTable, "C:\\DATA\\LINES.FAK");
    EXPECT_EQ(source.relatedTablePath(*dependent), QDir(dir_.path()).filePath("lines.fak"));
    EXPECT_FALSE(list.next().has_value());
    list.rewind();
    EXPECT_EQ(list.next()->name, "OrdersCustomer");

    try {
        source.integrityLinks(dir_.path(), "missing.fak");
        FAIL() << "a missing table has no list";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), result::NoSuchFile);
    }
}

// The modify rule and the kind are 32-bit members: a value in the upper half counts.
TEST(IntegrityRecord, RuleAndKindAreReadWholeAndPairsStopAtSixteen)
{
    std::array<std::byte, record::IntegrityDescriptorSize> r{};
    record::put32(r, record::integrity::ModifyRule, 0x10000);
    record::put32(r, record::integrity::Kind, 0x10000);
    record::put16(r, record::integrity::PairCount, 40);
    const auto link = record::getIntegrityDescriptor(r);
    EXPECT_TRUE(link.cascade);
    EXPECT_EQ(link.kind, IntegrityDescriptor::Kind::Dependent);
    EXPECT_EQ(link.pairs.size(), record::integrity::MaxPairs);

    IntegrityDescriptor wide{"Wide", IntegrityDescriptor::Kind::Master, "/t/wide.db", false, {}};
    for (std::uint16_t i = 1; i <= 17; ++i)
        wide.pairs.emplace_back(i, std::uint16_t(i + 100));
    std::array<std::byte, record::IntegrityDescriptorSize> w{};
    record::putIntegrityDescriptor(w, wide);
    const auto back = record::getIntegrityDescriptor(w);
    EXPECT_EQ(back.name, "Wide");
    EXPECT_EQ(back.relatedTable, "/t/wide.db");
    EXPECT_FALSE(back.cascade);
    ASSERT_EQ(back.pairs.size(), 16u);
    EXPECT_EQ(back.pairs[15], std::make_pair(std::uint16_t(16), std::uint16_t(116)));
}

TEST(ResolveRelatedTable, AWindowsPathResolvesBesideThePrintedTable)
{
    QTemporaryDir dir;
    QFile f(dir.filePath("orders.fak"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_EQ(resolveRelatedTable("C:\\DATA\\ORDERS.FAK", dir.path()), dir.filePath("orders.fak"));
    EXPECT_EQ(resolveRelatedTable("D:ORDERS.FAK", dir.path()), dir.filePath("orders.fak"));
    EXPECT_EQ(resolveRelatedTable("C:\\DATA\\NONE.FAK", dir.path()), "C:\\DATA\\NONE.FAK");
    EXPECT_EQ(resolveRelatedTable(dir.filePath("orders.fak"), "/elsewhere"), dir.filePath("orders.fak"));
}

TEST_F(Engine, TableWithoutLinksGivesAnEmptyList)
{
    TableHandle list = 0;
    ASSERT_EQ(engine_->OpenIntegrityList(dir_.path(), "orders.fak", "", list), result::Ok);
    std::vector<std::byte> r(record::IntegrityDescriptorSize);
    EXPECT_EQ(engine_->NextRecord(list, r), result::EndOfList);
    EXPECT_EQ(engine_->OpenIntegrityList(dir_.path(), "missing.fak", "", list), result::NoSuchFile);
}

// Messages that misled: an empty file said "file ends inside version byte", random bytes
// named .dbf an "unknown dBASE version", a missing production index "(at byte 0)" with the
// code of a damaged one; and files were named sometimes by path, sometimes by bare name.
// Now each says what is wrong and names every file by its path as the caller gave it.
TEST(EngineMessages, SayWhatIsWrongAndNameFilesByThePathAsGiven)
{
    QTemporaryDir dir;
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    // One C(10) field; byte 28 says a production index belongs to the table.
    QByteArray indexed(65, '\0');
    indexed[0] = 0x03;
    indexed[8] = 65;
    indexed[10] = 11;
    indexed[28] = 1;
    indexed.replace(32, 4, "NAME");
    indexed[43] = 'C';
    indexed[48] = 10;
    indexed[64] = 0x0D;
    write("indexed.dbf", indexed);
    write("empty.dbf", {});
    write("EMPTY.DB", {});
    write("random.dbf", QByteArray("\x78\x9c\x01\x02", 4).repeated(100));

    const QString rel = QDir::current().relativeFilePath(dir.path());
    DatabaseEngine engine;
    TableHandle h = 0;
    EXPECT_EQ(engine.OpenTable(QString(), rel + "/empty.dbf", h), result::NotATable);
    EXPECT_EQ(engine.lastError(), rel + "/empty.dbf: the file is empty");
    EXPECT_EQ(engine.OpenTable(rel, "empty.db", h), result::NotATable); // found without regard to case
    EXPECT_EQ(engine.lastError(), rel + "/EMPTY.DB: the file is empty");
    EXPECT_EQ(engine.OpenTable(rel, "random.dbf", h), result::NotATable);
    EXPECT_EQ(engine.lastError(), rel + "/random.dbf: not a dBASE table (its first byte, 0x78, is not the version "
                                        "byte of any dBASE or FoxPro table)");

    ASSERT_EQ(engine.OpenTable(rel, "indexed.dbf", h), result::Ok) << engine.lastError().toStdString();
    int count = -1;
    EXPECT_EQ(engine.readIndexCount(h, count), result::IndexMissing);
    EXPECT_EQ(engine.lastError(), rel + "/indexed.MDX: no such file; byte 28 of " + rel +
                                      "/indexed.dbf says the table has a production index");
    EXPECT_STREQ(resultName(result::IndexMissing), "IndexMissing");
}

// A .MDX that is a directory was reported as "no such file", a named pipe as "not a table";
// a path longer than the system allows as "no such table".
TEST(EngineMessages, CompanionThatIsNoFileAndPathTooLongSayWhatHappened)
{
    QTemporaryDir dir;
    QByteArray indexed(65, '\0'); // one C(10) field; byte 28: a production index belongs to it
    indexed[0] = 0x03;
    indexed[8] = 65;
    indexed[10] = 11;
    indexed[28] = 1;
    indexed.replace(32, 4, "NAME");
    indexed[43] = 'C';
    indexed[48] = 10;
    indexed[64] = 0x0D;
    QFile table(dir.filePath("indexed.dbf"));
    ASSERT_TRUE(table.open(QIODevice::WriteOnly) && table.write(indexed) == indexed.size());
    table.close();

    DatabaseEngine engine;
    TableHandle h = 0;
    ASSERT_TRUE(QDir(dir.path()).mkdir("indexed.mdx"));
    ASSERT_EQ(engine.OpenTable(dir.path(), "indexed.dbf", h), result::Ok) << engine.lastError().toStdString();
    int count = -1;
    EXPECT_EQ(engine.readIndexCount(h, count), result::ReadError);
    EXPECT_EQ(engine.lastError(), dir.filePath("indexed.mdx") + ": is a directory, not a file");
    engine.CloseTable(h);

    ASSERT_TRUE(QDir(dir.path()).rmdir("indexed.mdx"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("indexed.mdx")).constData(), 0600), 0);
    EXPECT_EQ(engine.OpenTable(dir.path(), "indexed.dbf", h), result::ReadError); // and does not wait for a writer
    EXPECT_EQ(engine.lastError(), dir.filePath("indexed.mdx") + ": is a named pipe, not a file");

    const QString tooLong = dir.filePath(QString(5000, 'a') + ".db");
    EXPECT_EQ(engine.OpenTable(QString(), tooLong, h), result::NoSuchFile);
    EXPECT_EQ(engine.lastError(), tooLong + ": the path is longer than the system allows");
    QStringList names;
    EXPECT_EQ(engine.ListTables(dir.filePath(QString(5000, 'b')), names), result::NoSuchFile);
    EXPECT_EQ(engine.lastError(), dir.filePath(QString(5000, 'b')) + ": the path is longer than the system allows");
}

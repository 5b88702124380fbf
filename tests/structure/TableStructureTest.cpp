#include "TableStructure.h"
#include "FakeFormat.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cmath>

using namespace korvex;
using korvex::test::FakeFormat;

namespace {

FieldDefinition field(const char* name, FieldType type, int size = 0)
{
    FieldDefinition f;
    f.name = name;
    f.type = type;
    f.size = size;
    return f;
}

// A table of one field per interesting type with checks in the engine encoding.
class Texts : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        QFile f(dir_.filePath("t.fak"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("ok");
        f.close();

        def_.tableType = "DBASE";
        def_.level = 5;
        def_.fields = {field("S", FieldType::SmallInt),  field("B", FieldType::Boolean),
                       field("D", FieldType::Date),      field("TS", FieldType::DateTime),
                       field("F", FieldType::Float),     field("M", FieldType::Memo, 10),
                       field("T", FieldType::Time),      field("N", FieldType::BCD, 2),
                       field("A", FieldType::String, 20)};
        def_.fields[4].units1 = 10;
        def_.fields[4].units2 = 2;
    }

    void addCheck(std::uint16_t fieldNumber, ValidityValue which, auto put, QByteArray picture = {})
    {
        ValidityCheck c;
        c.fieldNumber = fieldNumber;
        ValueSlot* s = nullptr;
        switch (which) {
        case ValidityValue::Minimum:
            c.hasMinimum = true;
            s = &c.minimum;
            break;
        case ValidityValue::Maximum:
            c.hasMaximum = true;
            s = &c.maximum;
            break;
        case ValidityValue::Default:
            c.hasDefault = true;
            s = &c.defaultValue;
            break;
        }
        put(*s);
        c.picture = std::move(picture);
        def_.validityChecks.push_back(c);
    }

    void open(
        LabelLookup label = [](const QString& t) { return t; },
        QLocale locale = QLocale(QLocale::German, QLocale::Germany))
    {
        std::vector<std::unique_ptr<TableFormat>> formats;
        formats.push_back(std::make_unique<FakeFormat>(def_));
        // A table source closes its table through its engine: it goes first.
        texts_.reset();
        source_.reset();
        engine_ = std::make_unique<DatabaseEngine>(std::move(formats));
        source_ = std::make_unique<TableSource>(*engine_);
        source_->open(dir_.path(), "t.fak");
        source_->refreshIndexDefinitions();
        ASSERT_TRUE(source_->readFieldDescriptors(descriptors_));
        structure_ = TableStructure::from("t.fak", source_->properties(), *source_, descriptors_);
        texts_ = std::make_unique<StructureTexts>(*source_, structure_, std::move(label), std::move(locale));
    }

    const FieldEntry& entry(int i) const { return structure_.fields.at(std::size_t(i)); }

    QTemporaryDir dir_;
    TableDefinition def_;
    std::unique_ptr<DatabaseEngine> engine_;
    std::unique_ptr<TableSource> source_;
    FieldDescriptorBuffer descriptors_;
    TableStructure structure_;
    std::unique_ptr<StructureTexts> texts_;
};

} // namespace

TEST(LevelText, ParadoxLevelFiveIsANumberOthersAreWin)
{
    EXPECT_EQ(LevelText(5, "PARADOX"), "5");
    EXPECT_EQ(LevelText(5, "DBASE"), "Win");
    EXPECT_EQ(LevelText(5, "paradox"), "Win"); // the comparison is exact
    EXPECT_EQ(LevelText(7, "DBASE"), "7");
    EXPECT_EQ(LevelText(10, "DBASE"), "10");
    EXPECT_EQ(LevelText(0, "PARADOX"), "");
    EXPECT_EQ(LevelText(25, "FOXPRO"), "");
    EXPECT_EQ(typeOfTableText("PARADOX", "5"), "PARADOX 5");
    EXPECT_EQ(typeOfTableText("PARADOX", ""), "PARADOX ");
}

TEST_F(Texts, CountsYesNoAndSizesUseTheLabels)
{
    open([](const QString& t) { return "<" + t + ">"; });
    EXPECT_EQ(texts_->CountText(0), "<None>");
    EXPECT_EQ(texts_->CountText(-1), "<None>");
    EXPECT_EQ(texts_->CountText(3), "3");
    EXPECT_EQ(texts_->YesNoText(true), "<Yes>");
    EXPECT_EQ(texts_->YesNoText(false), "<No>");
    EXPECT_EQ(texts_->SizeText(49, "Bytes"), "49 <Bytes>");
    EXPECT_EQ(texts_->FieldTypeName(entry(0)), "<Small Integer>");
    EXPECT_EQ(texts_->LanguageDriverText(), "<Unknown>");
    EXPECT_EQ(structure_.levelText, "Win");
}

TEST_F(Texts, TypeNamesIncludingAutoIncrementSubtype)
{
    def_.fields.push_back(field("I", FieldType::Integer));
    def_.fields.back().subtype = subtype::AutoInc;
    def_.fields.push_back(field("J", FieldType::Integer));
    def_.fields.push_back(field("K", FieldType::DBaseOle));
    open();
    EXPECT_EQ(texts_->FieldTypeName(entry(9)), "Auto-Inc");
    EXPECT_EQ(texts_->FieldTypeName(entry(10)), "Integer");
    EXPECT_EQ(texts_->FieldTypeName(entry(11)), "OLE");
    FieldEntry odd = entry(0);
    odd.type = FieldType(42);
    EXPECT_EQ(texts_->FieldTypeName(odd), "Unknown");
}

TEST_F(Texts, FloatSizeIsWidthAndDecimalsOnlyForDbase)
{
    open();
    EXPECT_EQ(texts_->FieldSizeText(entry(4)), "10,2");
    EXPECT_EQ(texts_->FieldSizeText(entry(5)), "10");
    EXPECT_EQ(texts_->FieldSizeText(entry(0)), "0");
    def_.tableType = "PARADOX";
    open();
    EXPECT_EQ(texts_->FieldSizeText(entry(4)), "0");
}

TEST_F(Texts, ValidityValuesInTheirEncodings)
{
    addCheck(1, ValidityValue::Minimum, [](ValueSlot& s) { slot::putInt16(s, -5); });
    addCheck(2, ValidityValue::Default, [](ValueSlot& s) { s[0] = std::byte{2}; });
    addCheck(3, ValidityValue::Minimum, [](ValueSlot& s) { slot::putDate(s, dayNumberOf(QDate(1996, 1, 1))); });
    addCheck(4, ValidityValue::Default,
             [](ValueSlot& s) { slot::putTimestamp(s, double(dayNumberOf(QDate(2020, 2, 1))) * 86400000.0); });
    addCheck(4, ValidityValue::Maximum, [](ValueSlot& s) {
        slot::putTimestamp(s, double(dayNumberOf(QDate(2020, 2, 1))) * 86400000.0 + 3601000.0);
    });
    addCheck(5, ValidityValue::Maximum, [](ValueSlot& s) { slot::putDouble(s, 1234.5); });
    addCheck(6, ValidityValue::Default, [](ValueSlot& s) { slot::putString(s, "memo text"); });
    addCheck(7, ValidityValue::Minimum, [](ValueSlot& s) { slot::putInt32(s, 9 * 3600000 + 25 * 60000 + 25000); });
    addCheck(8, ValidityValue::Maximum, [](ValueSlot& s) { slot::putBcd(s, EngineBcd::fromDigits(true, "12345", 2)); });
    open();
    EXPECT_EQ(texts_->ValidityText(entry(0), ValidityValue::Minimum), "-5");
    EXPECT_EQ(texts_->ValidityText(entry(1), ValidityValue::Default), "false");
    EXPECT_EQ(texts_->ValidityText(entry(2), ValidityValue::Minimum), "01.01.96");
    EXPECT_EQ(texts_->ValidityText(entry(3), ValidityValue::Default), "01.02.20");
    EXPECT_EQ(texts_->ValidityText(entry(3), ValidityValue::Maximum), "01.02.20 01:00:01");
    EXPECT_EQ(texts_->ValidityText(entry(4), ValidityValue::Maximum), "1234,5");
    EXPECT_EQ(texts_->ValidityText(entry(5), ValidityValue::Default), ""); // memo values print nothing
    EXPECT_EQ(texts_->ValidityText(entry(6), ValidityValue::Minimum), "09:25:25");
    EXPECT_EQ(texts_->ValidityText(entry(7), ValidityValue::Maximum), "-123,45");
    // A value that is not defined prints nothing even when another one is.
    EXPECT_EQ(texts_->ValidityText(entry(0), ValidityValue::Maximum), "");
}

TEST_F(Texts, LastMatchingCheckWinsAndPicturesFollowEveryMatch)
{
    addCheck(
        9, ValidityValue::Minimum, [](ValueSlot& s) { slot::putString(s, "first"); }, "!!!");
    addCheck(1, ValidityValue::Minimum, [](ValueSlot& s) { slot::putInt16(s, 1); });
    addCheck(9, ValidityValue::Minimum, [](ValueSlot& s) { slot::putString(s, "second"); });
    open();
    EXPECT_EQ(texts_->ValidityText(entry(8), ValidityValue::Minimum), "second");
    // The later check has an empty picture and replaces the earlier one.
    EXPECT_EQ(texts_->PictureText(entry(8)), "");
    EXPECT_EQ(texts_->PictureText(entry(2)), "");
}

TEST_F(Texts, FloatTextUsesTheLocaleSeparatorWithoutGrouping)
{
    addCheck(5, ValidityValue::Minimum, [](ValueSlot& s) { slot::putDouble(s, 1234567.25); });
    addCheck(5, ValidityValue::Maximum, [](ValueSlot& s) { slot::putDouble(s, 0.1 + 0.2); });
    open([](const QString& t) { return t; }, QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(texts_->ValidityText(entry(4), ValidityValue::Minimum), "1234567.25");
    EXPECT_EQ(texts_->ValidityText(entry(4), ValidityValue::Maximum), "0.3"); // 15 significant digits
}

TEST_F(Texts, LanguageDriverDescriptionWhenKnown)
{
    def_.languageDriverName = "DB437US0";
    def_.languageDriverDescription = "dBASE ENU cp437";
    open();
    EXPECT_EQ(texts_->LanguageDriverText(), "dBASE ENU cp437");
}

TEST_F(Texts, MemoBlockUnderOneKilobytePrintsInBytes)
{
    def_.blockSizeBytes = 512; // a dBASE III memo file
    open();
    EXPECT_EQ(texts_->blockSizeText(source_->properties()), "512 Bytes");
    def_.blockSizeKb = 2;
    def_.blockSizeBytes = 2048;
    open();
    EXPECT_EQ(texts_->blockSizeText(source_->properties()), "2 KBytes");
}

TEST_F(Texts, HugeTimestampAndOtherUnprintableDatesPrintTheStoredNumber)
{
    constexpr double day = 86400000.0;
    const double end = (dayNumberOf(QDate(9999, 12, 31)) + 1) * day; // after the last printable moment
    const std::pair<double, QString> timestamps[] = {{1e300, "1E+300"},
                                                     {std::nan(""), "nan"},
                                                     {day - 1, "86399999"},
                                                     {day, "01.01.01"},
                                                     {end - 1000, "31.12.99 23:59:59"},
                                                     {end, "315537984000000"}};
    for (const auto& t : timestamps) {
        def_.validityChecks.clear();
        addCheck(4, ValidityValue::Default, [&t](ValueSlot& s) { slot::putTimestamp(s, t.first); });
        addCheck(3, ValidityValue::Default, [](ValueSlot& s) { slot::putDate(s, INT32_MIN); });
        addCheck(7, ValidityValue::Default, [](ValueSlot& s) { slot::putInt32(s, 86400000); });
        open();
        EXPECT_EQ(texts_->ValidityText(entry(3), ValidityValue::Default), t.second);
    }
    EXPECT_EQ(texts_->ValidityText(entry(2), ValidityValue::Default), "-2147483648");
    EXPECT_EQ(texts_->ValidityText(entry(6), ValidityValue::Default), "86400000");
}

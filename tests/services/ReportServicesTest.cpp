#include "ReportServices.h"
#include "FakeFormat.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace korvex;

namespace {

// A table of one text field protected by the password "secret".
std::vector<std::unique_ptr<TableFormat>> protectedTable()
{
    TableDefinition def;
    def.tableType = "PARADOX";
    def.level = 5;
    def.passwordChecksum = 1;
    FieldDefinition f;
    f.name = "F1";
    f.type = FieldType::String;
    f.size = 10;
    def.fields.push_back(f);
    std::vector<std::unique_ptr<TableFormat>> formats;
    formats.push_back(std::make_unique<test::FakeFormat>(def, 0, "secret"));
    return formats;
}

bool opens(DatabaseEngine& engine, const QString& dir)
{
    TableHandle h = 0;
    if (engine.OpenTable(dir, "T.FAK", h) != result::Ok)
        return false;
    engine.CloseTable(h);
    return true;
}

} // namespace

TEST(ReportServices, MadeFromTheSettingsFileWithTheStoredPasswordsLabelsAndBodyFont)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile table(dir.filePath("T.FAK"));
    ASSERT_TRUE(table.open(QIODevice::WriteOnly));
    table.write("ok");
    table.close();
    const QString ini = dir.filePath("KORVEX20.INI");
    {
        ReportServices first(ini, protectedTable());
        EXPECT_FALSE(opens(first.engine(), dir.path()));
        EXPECT_EQ(first.bodyFont(), BodyFont());
        EXPECT_EQ(first.labelLookup()("Name of table"), "Name of table");
        SettingsFile& settings = first.settings();
        settings.WriteText("Passwords", "Password_0", "secret");
        settings.WriteText("FONT", "Name", "Mono");
        settings.WriteText("FONT", "Size", "12");
        settings.WriteText("Languages", "Current", "2");
        settings.WriteText("Language_1", "Name of table", "Tabellenname");
    }
    ReportServices services(ini, protectedTable());
    EXPECT_EQ(services.settings().path(), ini);
    EXPECT_TRUE(opens(services.engine(), dir.path()));
    EXPECT_EQ(services.bodyFont(), (BodyFont{"Mono", 12}));
    EXPECT_TRUE(services.location().currentDirectory.isEmpty());

    // The lookup reads the label table as it is when a label is printed.
    const LabelLookup label = services.labelLookup();
    EXPECT_EQ(label("Name of table"), "Tabellenname");
    services.labels().setLanguage(LanguageTable::Language::Original);
    EXPECT_EQ(label("Name of table"), "Name of table");
}

// Every real table of the samples through the engine, as the report opens it.

#include "DatabaseEngine.h"
#include "TableStructure.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QFileInfo>

using namespace korvex;

namespace {

QStringList sampleTables()
{
    return test::filesWithSuffix(test::samplesDir(), {".db", ".dbf"});
}

bool isEncryptedSample(const QString& path)
{
    return QFileInfo(path).path().endsWith("/encrypt");
}

// Tables whose header says they have a production or structural index that the sample set
// does not carry: they open, but their index definitions cannot be read.
bool lacksItsIndexFile(const QString& path)
{
    static const QStringList Names = {"dbase_8c.dbf", "cp1251.dbf", "dbase_30.dbf", "dbase_31.dbf"};
    return QFileInfo(path).path().endsWith("spec/fixtures") && Names.contains(QFileInfo(path).fileName());
}

} // namespace

// Every byte of the samples stays as it was: the samples_unchanged test compares them
// after the last test of the run.
TEST(EngineOnSamples, EveryTableOpensAndEveryTextBuilds)
{
    KORVEX_REQUIRE_SAMPLES();
    const QStringList tables = sampleTables();
    ASSERT_GE(tables.size(), 130);

    DatabaseEngine engine;
    FieldDescriptorBuffer descriptors;
    int opened = 0;
    int missingIndex = 0;
    for (const auto& path : tables) {
        SCOPED_TRACE(path.toStdString());
        TableHandle h = 0;
        const EngineResult r = engine.OpenTable(QString(), path, h);
        if (isEncryptedSample(path)) {
            // Protected by the password 123; without it the open fails.
            EXPECT_EQ(r, result::PasswordNeeded);
            continue;
        }
        ASSERT_EQ(r, result::Ok) << engine.lastError().toStdString();
        engine.CloseTable(h);

        TableSource source(engine);
        source.open(QString(), path);
        if (lacksItsIndexFile(path)) {
            try {
                source.refreshIndexDefinitions();
                ADD_FAILURE() << "the missing index file went unnoticed";
            } catch (const EngineError& e) {
                EXPECT_EQ(e.code(), result::IndexMissing);
                EXPECT_TRUE(e.message().contains(".MDX") || e.message().contains(".CDX")) << e.message().toStdString();
            }
            ++missingIndex;
            continue;
        }
        source.refreshIndexDefinitions();
        const auto props = source.properties();
        EXPECT_TRUE(props.tableType == "PARADOX" || props.tableType == "DBASE" || props.tableType == "FOXPRO");
        ASSERT_TRUE(source.readFieldDescriptors(descriptors)) << engine.lastError().toStdString();
        const auto structure = TableStructure::from(QFileInfo(path).fileName(), props, source, descriptors);
        const StructureTexts texts(source, structure, [](const QString& s) { return s; });
        EXPECT_FALSE(texts.LanguageDriverText().isEmpty());
        for (const auto& f : structure.fields) {
            texts.FieldTypeName(f);
            texts.FieldSizeText(f);
            texts.ValidityText(f, ValidityValue::Minimum);
            texts.ValidityText(f, ValidityValue::Maximum);
            texts.ValidityText(f, ValidityValue::Default);
            texts.PictureText(f);
        }
        ++opened;
    }
    EXPECT_EQ(missingIndex, 4);
    EXPECT_EQ(opened, tables.size() - 3 - 4);
}

TEST(EngineOnSamples, EncryptedTablesOpenWithTheirPassword)
{
    KORVEX_REQUIRE_SAMPLES();
    DatabaseEngine engine;
    engine.RegisterPassword("wrong");
    engine.RegisterPassword("123");
    int encrypted = 0;
    for (const auto& path : sampleTables()) {
        if (!isEncryptedSample(path))
            continue;
        SCOPED_TRACE(path.toStdString());
        TableHandle h = 0;
        EXPECT_EQ(engine.OpenTable(QString(), path, h), result::Ok) << engine.lastError().toStdString();
        ++encrypted;
    }
    EXPECT_EQ(encrypted, 3);
}

TEST(EngineOnSamples, PrimaryIndexOfAKeyedTableComesFirst)
{
    KORVEX_REQUIRE_SAMPLES();
    DatabaseEngine engine;
    int keyed = 0;
    for (const auto& path : test::filesWithSuffix(test::samplesDir(), {".db"})) {
        if (isEncryptedSample(path))
            continue;
        TableHandle h = 0;
        ASSERT_EQ(engine.OpenTable(QString(), path, h), result::Ok);
        std::vector<FieldListEntry> fields;
        engine.readFieldList(h, fields);
        std::vector<IndexDescription> indexes;
        ASSERT_EQ(engine.ListIndexes(h, indexes), result::Ok) << engine.lastError().toStdString();
        const bool hasKey = !fields.empty() && fields[0].key;
        if (hasKey) {
            ++keyed;
            ASSERT_FALSE(indexes.empty()) << path.toStdString();
            EXPECT_TRUE(indexes[0].primary);
            EXPECT_TRUE(indexes[0].fields.startsWith(fields[0].name));
        }
        engine.CloseTable(h);
    }
    EXPECT_GT(keyed, 10);
}

#include "LanguageTable.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace korvex;

namespace {

int rowOf(const char* text, int from = 0)
{
    for (int r = from; r < LanguageTable::RowCount; ++r)
        if (LanguageTable::builtInText(r) == QLatin1String(text))
            return r;
    return -1;
}

LanguageTable translated(LanguageTable::Language language)
{
    LanguageTable t;
    for (int r = 0; r < LanguageTable::RowCount; ++r) {
        t.setCell(r, 1, QStringLiteral("L1:%1").arg(r));
        t.setCell(r, 2, QStringLiteral("L2:%1").arg(r));
    }
    t.setLanguage(language);
    return t;
}

} // namespace

TEST(LanguageTable, RowsFollowTheFixedOrder)
{
    // Spot checks at the edges of every group of rows (1-based row numbers).
    EXPECT_EQ(rowOf("Name of table"), 1);
    EXPECT_EQ(rowOf("Strict integrity"), 12);
    EXPECT_EQ(rowOf("None"), 13);
    EXPECT_EQ(rowOf("Page:"), 14);
    EXPECT_EQ(rowOf("No."), 22);
    EXPECT_EQ(rowOf("Index"), 30);
    EXPECT_EQ(rowOf("Sec. Indexes"), 31);
    EXPECT_EQ(rowOf("Desc."), 38);
    EXPECT_EQ(rowOf("Master links"), 39);
    EXPECT_EQ(rowOf("Unknown"), 50);
    EXPECT_EQ(rowOf("Typed bin"), 70);
    // The duplicated built-in texts.
    EXPECT_EQ(rowOf("Bytes"), 18);
    EXPECT_EQ(rowOf("Bytes", 19), 63);
    EXPECT_EQ(rowOf("Related table", 42), 42);
}

TEST(LookupLabel, BuiltInLanguageReturnsTheTextWhateverTheTranslationsHold)
{
    const auto t = translated(LanguageTable::Language::Original);
    EXPECT_EQ(LookupLabel(t, "Page:"), "Page:");
    EXPECT_EQ(LookupLabel(t, "not a label"), "not a label");
}

TEST(LookupLabel, TranslationIsFoundCaseBlindFirstRowWinning)
{
    const auto t = translated(LanguageTable::Language::Translation2);
    EXPECT_EQ(LookupLabel(t, "name"), QStringLiteral("L2:%1").arg(rowOf("Name")));
    EXPECT_EQ(LookupLabel(t, "Related table"), "L2:41");
    EXPECT_EQ(LookupLabel(t, "Bytes"), "L2:18");
    EXPECT_EQ(LookupLabel(t, "not a label"), "");
}

TEST(LookupLabel, EmptyTranslationPrintsEmpty)
{
    auto t = translated(LanguageTable::Language::Translation1);
    t.setCell(rowOf("Page:"), 1, QString());
    EXPECT_EQ(LookupLabel(t, "Page:"), "");
    EXPECT_EQ(LookupLabel(t, "Date:"), QStringLiteral("L1:%1").arg(rowOf("Date:")));
}

// --- Loading and saving the translations ----------------------------------------------------

namespace {

SettingsFile fileHolding(const QTemporaryDir& dir, const QByteArray& bytes)
{
    QFile f(dir.filePath("KORVEX20.INI"));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return SettingsFile(f.fileName());
}

} // namespace

TEST(LanguageTableFile, ReportLabelTranslationsAreLoadedIntoTheTable)
{
    QTemporaryDir dir;
    LanguageTable t;
    LoadLanguageTable(t, fileHolding(dir, "[Languages]\nCurrent=3\n[Language_1]\nPage:=Seite:\n"
                                          "[Language_2]\nPage:=\nrelated table=Verwandte\nBytes=Octets\n"));
    EXPECT_EQ(t.language(), LanguageTable::Language::Translation2);
    EXPECT_EQ(t.cell(rowOf("Page:"), 1), "Seite:");
    EXPECT_EQ(t.cell(rowOf("Page:"), 2), "") << "a stored empty translation";
    EXPECT_EQ(t.cell(rowOf("Date:"), 2), "Date:") << "no stored translation";
    EXPECT_EQ(t.cell(42, 2), "Verwandte") << "equal built-in texts share one key";
    EXPECT_EQ(t.cell(rowOf("Bytes", 19), 2), "Octets");
    EXPECT_EQ(LookupLabel(t, "Related table"), "Verwandte");

    for (const char* current : {"0", "7"}) {
        LoadLanguageTable(t, fileHolding(dir, QByteArray("[Languages]\nCurrent=") + current + "\n"));
        EXPECT_EQ(t.language(), LanguageTable::Language::Original) << current;
        EXPECT_EQ(t.cell(rowOf("Page:"), 2), "Page:") << "a load replaces every cell";
    }
}

TEST(LanguageTableFile, SavedTranslationsLoadBackAndTheLaterEqualRowWins)
{
    QTemporaryDir dir;
    auto settings = fileHolding(dir, "[Options]\nPrintGrid=0\n");
    LanguageTable saved;
    LoadLanguageTable(saved, settings);
    saved.setLanguage(LanguageTable::Language::Translation1);
    saved.setCell(rowOf("Page:"), 1, "Seite:");
    saved.setCell(rowOf("Date:"), 2, "");
    saved.setCell(41, 1, "edited first row");
    SaveLanguageTable(saved, settings);

    LanguageTable loaded;
    LoadLanguageTable(loaded, settings);
    EXPECT_EQ(loaded.language(), LanguageTable::Language::Translation1);
    saved.setCell(41, 1, "Related table"); // the file keeps the second row's text
    for (int r = 0; r < LanguageTable::RowCount; ++r)
        for (int c = 0; c < LanguageTable::ColumnCount; ++c)
            EXPECT_EQ(loaded.cell(r, c), saved.cell(r, c)) << r << ',' << c;
    EXPECT_FALSE(settings.ReadFlag(SettingsSection::Options, "PrintGrid", true)) << "other sections stay";
}

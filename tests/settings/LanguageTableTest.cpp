#include "LanguageTable.h"

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

#include "ReplaceText.h"

#include <gtest/gtest.h>

using namespace korvex;

namespace {
QString replaced(QString text, const QString& pattern, const QString& with, int flags)
{
    ReplaceText(text, pattern, with, flags);
    return text;
}
} // namespace

TEST(ReplaceText, FirstOrAllOccurrencesCaseBlindByDefault)
{
    EXPECT_EQ(replaced("a-A-a", "a", "x", 0), "x-A-a");
    EXPECT_EQ(replaced("a-A-a", "a", "x", replace::All), "x-x-x");
    EXPECT_EQ(replaced("a-A-a", "a", "x", replace::All | replace::CaseSensitive), "x-A-x");
    EXPECT_EQ(replaced("abc", "", "x", replace::All), "abc");
    EXPECT_EQ(replaced("abc", "zz", "x", replace::All), "abc");
}

TEST(ReplaceText, OnlyAsciiLettersAreFolded)
{
    EXPECT_EQ(replaced(QString::fromUtf8("Ärger ärger"), QString::fromUtf8("ärger"), "x", replace::All),
              QString::fromUtf8("Ärger x"));
}

TEST(ReplaceText, InsertedTextIsNotSearchedAgain)
{
    EXPECT_EQ(replaced("aa", "a", "aa", replace::All), "aaaa");
    EXPECT_EQ(replaced("aaa", "aa", "b", replace::All), "ba"); // occurrences do not overlap
}

TEST(ReplaceText, WholeWordLooksOnlyAtTheCharacterAfter)
{
    EXPECT_EQ(replaced("ab abc", "ab", "X", replace::WholeWord | replace::All), "X abc");
    EXPECT_EQ(replaced("cab.", "ab", "X", replace::WholeWord | replace::All), "cX.");
    EXPECT_EQ(replaced(QString::fromUtf8("ab§ab|ab~"), "ab", "X", replace::WholeWord | replace::All),
              QString::fromUtf8("X§X|X~"));
    // An occurrence at the very end of the text is a whole word.
    EXPECT_EQ(replaced("x ab", "ab", "X", replace::WholeWord), "x X");
    // Without All only the first occurrence is looked at, even when it is not a whole word.
    EXPECT_EQ(replaced("abc ab", "ab", "X", replace::WholeWord), "abc ab");
}

TEST(ExpandMacros, FixedOrderOnEachOthersOutput)
{
    MacroValues v;
    v.tableName = "%DATE.DB";
    v.tableType = "PARADOX";
    v.tableLevel = "7";
    v.date = "09.12.26";
    v.time = "10:11:12";
    v.page = 3;
    // The date step runs after the name step and replaces the date macro the name brought in.
    EXPECT_EQ(ExpandMacros("%TABLENAME", v), "09.12.26.DB");
    EXPECT_EQ(ExpandMacros("%tabletype %TableLevel p%page of %ALIAS|", v), "PARADOX 7 p3 of |");
    // Not whole words: a macro followed by a letter is replaced and the letter stays.
    EXPECT_EQ(ExpandMacros("%TABLETYPES at %TIME", v), "PARADOXS at 10:11:12");
}

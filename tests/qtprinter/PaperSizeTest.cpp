#include "PaperSize.h"

#include <gtest/gtest.h>

using namespace korvex;

TEST(PaperSize, LetterOnlyWhereLetterIsThePaperOfTheCountry)
{
    for (QLocale::Territory t : {QLocale::UnitedStates, QLocale::Canada, QLocale::Mexico, QLocale::Philippines,
                                 QLocale::Chile, QLocale::PuertoRico})
        EXPECT_EQ(paperSizeOfTerritory(t), QPageSize::Letter) << QLocale::territoryToString(t).toStdString();
    // Imperial units do not make Letter paper: Liberia and Myanmar print on A4.
    for (QLocale::Territory t : {QLocale::Germany, QLocale::UnitedKingdom, QLocale::France, QLocale::Japan,
                                 QLocale::Australia, QLocale::Liberia, QLocale::Myanmar, QLocale::AnyTerritory})
        EXPECT_EQ(paperSizeOfTerritory(t), QPageSize::A4) << QLocale::territoryToString(t).toStdString();
}

TEST(PaperSize, TheTerritoryComesFromLcAllThenLcPaperThenLang)
{
    const QString none;
    EXPECT_EQ(paperTerritory(none, none, QStringLiteral("en_US.UTF-8")), QLocale::UnitedStates);
    EXPECT_EQ(paperTerritory(none, QStringLiteral("de_DE.UTF-8"), QStringLiteral("en_US.UTF-8")), QLocale::Germany);
    EXPECT_EQ(paperTerritory(QStringLiteral("fr_CA"), QStringLiteral("de_DE"), QStringLiteral("en_GB")),
              QLocale::Canada);
    EXPECT_EQ(paperTerritory(none, none, QStringLiteral("de_AT@euro")), QLocale::Austria);
    EXPECT_EQ(paperTerritory(none, none, QStringLiteral("ast_ES.UTF-8")), QLocale::Spain);
    // No territory: the C library's own locales, a bare language, nothing.
    for (const char* name : {"C", "C.UTF-8", "POSIX", "de", "", "garbage_value"})
        EXPECT_EQ(paperTerritory(none, none, QString::fromLatin1(name)), QLocale::AnyTerritory) << name;
    EXPECT_EQ(paperSizeOfTerritory(paperTerritory(none, none, QStringLiteral("C.UTF-8"))), QPageSize::A4);
}

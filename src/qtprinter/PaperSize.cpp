#include "PaperSize.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>

namespace korvex {

QPageSize::PageSizeId paperSizeOfTerritory(QLocale::Territory territory)
{
    // Common locale data's US-Letter territories.
    static constexpr std::array LetterTerritories{
        QLocale::Belize,     QLocale::Canada,     QLocale::Chile,        QLocale::Colombia,  QLocale::CostaRica,
        QLocale::Guatemala,  QLocale::Mexico,     QLocale::Nicaragua,    QLocale::Panama,    QLocale::Philippines,
        QLocale::PuertoRico, QLocale::ElSalvador, QLocale::UnitedStates, QLocale::Venezuela,
    };
    const bool letter = std::find(LetterTerritories.begin(), LetterTerritories.end(), territory) !=
                        LetterTerritories.end();
    return letter ? QPageSize::Letter : QPageSize::A4;
}

QLocale::Territory paperTerritory(const QString& lcAll, const QString& lcPaper, const QString& lang)
{
    const QString name = !lcAll.isEmpty() ? lcAll : !lcPaper.isEmpty() ? lcPaper : lang;
    // language[_territory][.codeset][@modifier]; only the territory matters.
    static const QRegularExpression Form(QStringLiteral("^[A-Za-z]{2,3}_([A-Za-z]{2})(?:[.@].*)?$"));
    const QRegularExpressionMatch m = Form.match(name);
    if (!m.hasMatch())
        return QLocale::AnyTerritory;
    return QLocale::codeToTerritory(m.captured(1).toUpper());
}

QPageSize::PageSizeId localePaperSize()
{
    return paperSizeOfTerritory(
        paperTerritory(qEnvironmentVariable("LC_ALL"), qEnvironmentVariable("LC_PAPER"), qEnvironmentVariable("LANG")));
}

} // namespace korvex

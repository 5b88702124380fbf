#pragma once

#include <QLocale>
#include <QPageSize>
#include <QString>

namespace korvex {

// The paper a territory uses by default: US Letter in the Americas' letter countries
// and the Philippines, A4 everywhere else and for no territory at all.
QPageSize::PageSizeId paperSizeOfTerritory(QLocale::Territory territory);

// The territory of the paper locale named by the environment: LC_ALL, else LC_PAPER,
// else LANG, as the C library picks its paper size ("de_DE.UTF-8", "en_US"). C, POSIX
// and nothing at all give no territory.
QLocale::Territory paperTerritory(const QString& lcAll, const QString& lcPaper, const QString& lang);

// The paper of this process's locale.
QPageSize::PageSizeId localePaperSize();

} // namespace korvex

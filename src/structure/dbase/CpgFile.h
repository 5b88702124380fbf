#pragma once

#include <QByteArrayView>

#include <optional>

namespace korvex::dbase {

// GIS tools write shapefile attribute tables (.DBF) without a language driver (byte 29 is
// 0) and name the code page of their text in a one-line sidecar, NAME.cpg. The forms seen:
// "UTF-8", a bare Windows code page number ("1252", "65001"), one with a word before it
// ("CP1251", "ANSI 1252", "OEM 866", "Windows-1250"), ISO 8859 parts ("ISO-8859-1",
// "8859-5", "88591"), a dBASE language driver id ("LDID/38"), and a few charset names
// ("KOI8-R", "Big5", "GBK", "Shift_JIS", "Latin1").
//
// The code page the text names, in letter case and blanks as they come (a byte-order mark
// and surrounding blanks are ignored); nothing when it names none that CodePage reads.
std::optional<int> codePageOfCpg(QByteArrayView text);

} // namespace korvex::dbase

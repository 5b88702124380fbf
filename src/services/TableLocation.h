#pragma once

#include <QString>

namespace korvex {

// Where the tables of the table list live: the directory the browser shows, and the alias
// the table was chosen through (empty when it was chosen by directory).
struct TableLocation {
    QString currentDirectory;
    QString CurrentAlias;
    QString CurrentAliasDriver;
    QString CurrentDatabase; // the alias's database name ("DDB" + alias), or a directory
};

} // namespace korvex

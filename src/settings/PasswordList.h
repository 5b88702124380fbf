#pragma once

#include "SettingsFile.h"

#include <QString>
#include <QStringList>

namespace korvex {

// Table passwords, kept in clear in section Passwords under Password_0, Password_1, ... in
// list order, and handed to the database engine so that the tables they protect open
// without a question.
struct PasswordKeys {
    static inline const QString KeyPrefix = QStringLiteral("Password_");
};

// The stored passwords in file order: the value of every line of the section whatever its
// key, everything after the line's first "=" (a password may hold "=" itself). Keys with
// an empty value are not among them.
QStringList loadPasswordList(const SettingsFile& settings);
// Replaces the section with the list in one change of the file. Raises SettingsWriteError
// when the file cannot be written; the section then stays as it was.
void savePasswordList(SettingsFile& settings, const QStringList& passwords);
// The keys SavePasswordList writes once the section is emptied, for a change of the file
// together with others.
std::vector<SettingsFile::Value> passwordValues(const QStringList& passwords);
// Whether a new password goes into the list: not when it is empty, nor when the list
// holds it already, letter case aside.
bool canAddPassword(const QStringList& passwords, const QString& password);

} // namespace korvex

#include "PasswordList.h"

namespace korvex {

QStringList LoadPasswordList(const SettingsFile& settings)
{
    QStringList passwords;
    for (const QString& line : settings.ReadSectionLines(SettingsSection::Passwords))
        passwords << line.mid(line.indexOf(u'=') + 1);
    return passwords;
}

void SavePasswordList(SettingsFile& settings, const QStringList& passwords)
{
    settings.ClearSection(SettingsSection::Passwords);
    for (qsizetype i = 0; i < passwords.size(); ++i)
        settings.WriteText(SettingsSection::Passwords, PasswordKeys::KeyPrefix + QString::number(i), passwords[i]);
}

bool CanAddPassword(const QStringList& passwords, const QString& password)
{
    return !password.isEmpty() && !passwords.contains(password, Qt::CaseInsensitive);
}

} // namespace korvex

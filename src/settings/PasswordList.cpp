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
    settings.writeTexts(PasswordValues(passwords), {SettingsSection::Passwords});
}

std::vector<SettingsFile::Value> PasswordValues(const QStringList& passwords)
{
    std::vector<SettingsFile::Value> values;
    for (qsizetype i = 0; i < passwords.size(); ++i)
        values.push_back({SettingsSection::Passwords, PasswordKeys::KeyPrefix + QString::number(i), passwords[i]});
    return values;
}

bool CanAddPassword(const QStringList& passwords, const QString& password)
{
    return !password.isEmpty() && !passwords.contains(password, Qt::CaseInsensitive);
}

} // namespace korvex

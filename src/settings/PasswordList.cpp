#include "PasswordList.h"

namespace korvex {

QStringList loadPasswordList(const SettingsFile& settings)
{
    QStringList passwords;
    for (const QString& line : settings.ReadSectionLines(SettingsSection::Passwords))
        passwords << line.mid(line.indexOf(u'=') + 1);
    return passwords;
}

void savePasswordList(SettingsFile& settings, const QStringList& passwords)
{
    settings.writeTexts(passwordValues(passwords), {SettingsSection::Passwords});
}

std::vector<SettingsFile::Value> passwordValues(const QStringList& passwords)
{
    std::vector<SettingsFile::Value> values;
    for (qsizetype i = 0; i < passwords.size(); ++i)
        values.push_back({SettingsSection::Passwords, PasswordKeys::KeyPrefix + QString::number(i), passwords[i]});
    return values;
}

bool canAddPassword(const QStringList& passwords, const QString& password)
{
    return !password.isEmpty() && !passwords.contains(password, Qt::CaseInsensitive);
}

} // namespace korvex

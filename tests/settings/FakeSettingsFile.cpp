// TEMPORARY: an in-memory SettingsFile for the field-column tests, linked into
// test_field_columns only. Replace it with the real SettingsFile.cpp (remove this file
// and its entry in tests/settings/CMakeLists.txt) once that is in korvex_settings.
//
// Files are told apart by path; sections and keys are compared without regard to case and
// keep their file order; nothing touches the disk.

#include "SettingsFile.h"

#include <QMap>

#include <limits>

namespace korvex {

namespace {

struct Entry {
    QString key;
    QString value;
};

struct Section {
    QString name;
    QList<Entry> entries;
};

QMap<QString, QList<Section>>& files()
{
    static QMap<QString, QList<Section>> store;
    return store;
}

Section* findSection(QList<Section>& sections, const QString& name)
{
    for (Section& s : sections)
        if (s.name.compare(name, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

const Entry* findEntry(const QString& path, const QString& section, const QString& key)
{
    Section* s = findSection(files()[path], section);
    if (!s)
        return nullptr;
    for (const Entry& e : s->entries)
        if (e.key.compare(key, Qt::CaseInsensitive) == 0)
            return &e;
    return nullptr;
}

} // namespace

SettingsWriteError::SettingsWriteError(const QString& fileName)
    : std::runtime_error(QStringLiteral("Kann nicht nach %1 schreiben").arg(fileName).toStdString())
{
}

SettingsFile::SettingsFile(const QString& name)
    : path_(name.contains(u'/') ? name : settingsDirectory() + u'/' + name)
{
}

QString SettingsFile::settingsDirectory()
{
    return QStringLiteral("/fake-settings/korvex");
}

QString SettingsFile::ReadText(const QString& section, const QString& key, const QString& defaultValue) const
{
    const Entry* e = findEntry(path_, section, key);
    return e ? e->value.left(1023) : defaultValue;
}

void SettingsFile::WriteText(const QString& section, const QString& key, const QString& value)
{
    QList<Section>& sections = files()[path_];
    Section* s = findSection(sections, section);
    if (!s) {
        sections.append(Section{section, {}});
        s = &sections.last();
    }
    for (Entry& e : s->entries)
        if (e.key.compare(key, Qt::CaseInsensitive) == 0) {
            e.value = value;
            return;
        }
    s->entries.append(Entry{key, value});
}

int SettingsFile::ReadNumber(const QString& section, const QString& key, int defaultValue) const
{
    const Entry* e = findEntry(path_, section, key);
    if (!e)
        return defaultValue;
    QString text = e->value;
    bool negative = false;
    if (text.startsWith(u'-') || text.startsWith(u'+')) {
        negative = text.startsWith(u'-');
        text.remove(0, 1);
    }
    int base = 10;
    if (text.startsWith(u'$')) {
        base = 16;
        text.remove(0, 1);
    } else if (text.size() > 2 && (text.startsWith(QLatin1String("0x")) || text.startsWith(QLatin1String("0X")))) {
        base = 16;
        text.remove(0, 2);
    }
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok, base);
    if (!ok || text.isEmpty() || text.front().isSpace() || text.back().isSpace())
        return defaultValue;
    const qlonglong signedValue = negative ? -value : value;
    if (signedValue < std::numeric_limits<int>::min() || signedValue > std::numeric_limits<int>::max())
        return defaultValue;
    return int(signedValue);
}

void SettingsFile::WriteNumber(const QString& section, const QString& key, int value)
{
    WriteText(section, key, QString::number(value));
}

bool SettingsFile::ReadFlag(const QString& section, const QString& key, bool defaultValue) const
{
    return ReadNumber(section, key, defaultValue ? 1 : 0) != 0;
}

void SettingsFile::WriteFlag(const QString& section, const QString& key, bool value)
{
    WriteText(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QStringList SettingsFile::ReadSectionLines(const QString& section) const
{
    QStringList lines;
    if (Section* s = findSection(files()[path_], section))
        for (const Entry& e : s->entries)
            if (!e.value.isEmpty())
                lines.append(e.key + u'=' + e.value);
    return lines;
}

void SettingsFile::ClearSection(const QString& section)
{
    QList<Section>& sections = files()[path_];
    sections.removeIf([&](const Section& s) { return s.name.compare(section, Qt::CaseInsensitive) == 0; });
}

} // namespace korvex

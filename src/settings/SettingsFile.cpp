#include "SettingsFile.h"

#include "ConfigurationFile.h"
#include "FileWriter.h"
#include "IniDocument.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>
#include <limits>

namespace korvex {

namespace {

bool hasLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

bool hasOuterBlanks(const QString& text)
{
    return text.isEmpty() || text.trimmed().size() != text.size();
}

void checkSectionName(const QString& section)
{
    if (hasOuterBlanks(section) || hasLineBreak(section) || section.contains(QLatin1Char(']')))
        throw std::invalid_argument("not a settings section name: \"" + section.toStdString() + '"');
}

void checkKeyName(const QString& key)
{
    if (hasOuterBlanks(key) || hasLineBreak(key) || key.contains(QLatin1Char('=')) ||
        key.startsWith(QLatin1Char('[')) || key.startsWith(QLatin1Char(';')))
        throw std::invalid_argument("not a settings key name: \"" + key.toStdString() + '"');
}

// At most MaxValueLength characters, never cutting a character outside the basic plane
// in half.
QString cutToReadLimit(const QString& value)
{
    if (value.size() <= SettingsFile::MaxValueLength)
        return value;
    qsizetype length = SettingsFile::MaxValueLength;
    if (value.at(length - 1).isHighSurrogate())
        --length;
    return value.left(length);
}

int hexDigit(QChar c)
{
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return c.unicode() - '0';
    if (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        return c.unicode() - 'a' + 10;
    if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
        return c.unicode() - 'A' + 10;
    return -1;
}

// The warning of a settings file until its owner sets another.
void writeToStandardError(const QString& text)
{
    const QByteArray line = (QCoreApplication::applicationName() + QStringLiteral(": warning: ") + text).toLocal8Bit() +
                            '\n';
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace

struct SettingsFile::Parsed {
    QByteArray bytes;
    IniDocument document;
};

SettingsWriteError::SettingsWriteError(const QString& fileName) : SettingsWriteError(fileName, QString())
{}

SettingsWriteError::SettingsWriteError(const QString& fileName, const QString& reason)
    : std::runtime_error(QStringLiteral("Kann nicht nach %1 schreiben").arg(fileName).toStdString()), reason_(reason)
{}

SettingsValueError::SettingsValueError(const QString& section, const QString& key, const QString& value)
    : std::runtime_error(QStringLiteral("The setting %1 in section [%2] holds \"%3\", which is not a whole number")
                             .arg(key, section, value)
                             .toStdString()),
      section_(section), key_(key), value_(value)
{}

std::optional<int> parseSettingsNumber(QStringView text)
{
    text = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == QLatin1Char('$')) {
        base = 16;
        ++i;
    } else if (text.size() - i > 2 && text[i] == QLatin1Char('0') &&
               (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    if (i == text.size())
        return std::nullopt;

    // One more than INT_MAX, so that INT_MIN itself can be written.
    constexpr qint64 limit = qint64(std::numeric_limits<int>::max()) + 1;
    qint64 magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = hexDigit(text[i]);
        if (digit < 0 || digit >= base)
            return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return std::nullopt;
    }
    const qint64 number = negative ? -magnitude : magnitude;
    if (number > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(number);
}

int findChoice(const QStringList& choices, const QString& stored)
{
    for (qsizetype i = 0; i < choices.size(); ++i)
        if (choices[i].compare(stored, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

SettingsFile::SettingsFile() : SettingsFile(settingsDirectory() + QLatin1Char('/') + ProgramFileName)
{}

SettingsFile::SettingsFile(const QString& path)
    : path_(QFileInfo(path).absoluteFilePath()), warning_(writeToStandardError)
{}

void SettingsFile::setWarning(Warning warning)
{
    warning_ = std::move(warning);
}

void SettingsFile::warn(const QString& text) const
{
    if (told_->contains(text))
        return;
    told_->append(text);
    if (warning_)
        warning_(text);
}

QString SettingsFile::settingsDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/korvex");
}

std::shared_ptr<const IniDocument> SettingsFile::load() const
{
    const ConfigurationFile file = ConfigurationFile::read(path_);
    switch (file.status) {
    case ConfigurationFile::Status::Missing: return std::make_shared<const IniDocument>();
    case ConfigurationFile::Status::Read:
        if (!lastRead_ || lastRead_->bytes != file.bytes)
            lastRead_ = std::make_shared<const Parsed>(Parsed{file.bytes, IniDocument::fromBytes(file.bytes)});
        return {lastRead_, &lastRead_->document};
    case ConfigurationFile::Status::Failed: break;
    }
    warn(QStringLiteral("the settings file %1 cannot be read (%2); the settings take their defaults")
             .arg(path_, file.reason));
    return nullptr;
}

IniDocument SettingsFile::loadForChange() const
{
    const auto document = load();
    if (!document)
        throw SettingsWriteError(path_, QStringLiteral("the file cannot be read"));
    return *document;
}

void SettingsFile::writeBack(const TextKey& key, const QString& value)
{
    try {
        WriteText(key, value);
    } catch (const SettingsWriteError& e) {
        // One text for every key, so that a run tells it once.
        warn(QStringLiteral("%1 (%2); the defaults that a print writes back for editing by hand are used without "
                            "being written")
                 .arg(e.message(), e.reason().isEmpty() ? QStringLiteral("no reason given") : e.reason()));
    }
}

void SettingsFile::writeBack(const NumberKey& key, int value)
{
    writeBack(TextKey{key.section, key.name, QString::number(key.defaultValue)}, QString::number(value));
}

void SettingsFile::store(const IniDocument& document)
{
    const QFileInfo target(path_);
    const QString dir = target.absolutePath();
    if (!QFileInfo::exists(dir)) {
        if (!QDir().mkpath(dir))
            throw SettingsWriteError(path_, QStringLiteral("the folder %1 cannot be made").arg(dir));
        // The folder holds nothing but this program's settings, passwords among them.
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    // The settings hold passwords: a new file is its owner's alone.
    const QString error = writeFileAtomically(path_, document.toBytes(), NewFileAccess::OwnerOnly);
    if (!error.isEmpty())
        throw SettingsWriteError(path_, error);
}

QString SettingsFile::ReadText(const QString& section, const QString& key, const QString& defaultValue) const
{
    const auto document = load();
    if (!document)
        return defaultValue;
    const auto value = document->value(section, key);
    return value ? cutToReadLimit(*value) : defaultValue;
}

void SettingsFile::WriteText(const QString& section, const QString& key, const QString& value)
{
    writeTexts({Value{section, key, value}});
}

std::vector<std::optional<QString>> SettingsFile::readTexts(const QString& section, const QStringList& keys) const
{
    std::vector<std::optional<QString>> values(std::size_t(keys.size()));
    const auto document = load();
    if (!document)
        return values;
    for (qsizetype i = 0; i < keys.size(); ++i)
        if (const auto value = document->value(section, keys[i]))
            values[std::size_t(i)] = cutToReadLimit(*value);
    return values;
}

void SettingsFile::writeTexts(const std::vector<Value>& values, const QStringList& clearedSections)
{
    for (const QString& section : clearedSections)
        checkSectionName(section);
    for (const Value& value : values) {
        checkSectionName(value.section);
        checkKeyName(value.key);
    }
    IniDocument document = loadForChange();
    bool changed = false;
    for (const QString& section : clearedSections)
        changed = document.removeSection(section) || changed;
    for (const Value& value : values) {
        QString oneLine = value.text;
        oneLine.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        changed = document.setValue(value.section, value.key, oneLine) || changed;
    }
    if (changed)
        store(document);
}

int SettingsFile::ReadNumber(const QString& section, const QString& key, int defaultValue) const
{
    return parseSettingsNumber(ReadText(section, key, QString())).value_or(defaultValue);
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
    const auto document = load();
    if (!document)
        return lines;
    qsizetype used = 0;
    for (const QString& key : document->keys(section)) {
        used += key.toUtf8().size() + 1;
        if (used > KeyNameBufferSize)
            break;
        const QString value = cutToReadLimit(document->value(section, key).value_or(QString()));
        if (!value.isEmpty())
            lines << key + QLatin1Char('=') + value;
    }
    return lines;
}

void SettingsFile::ClearSection(const QString& section)
{
    checkSectionName(section);
    IniDocument document = loadForChange();
    if (document.removeSection(section))
        store(document);
}

} // namespace korvex

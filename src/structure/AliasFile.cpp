#include "AliasFile.h"

#include "ConfigurationFile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <QStringTokenizer>

#include <algorithm>

namespace korvex {

namespace {

const QString PathKey = QStringLiteral("PATH");
const QString TypeKey = QStringLiteral("TYPE");

QString decodeText(QByteArrayView bytes)
{
    constexpr QByteArrayView byteOrderMark("\xEF\xBB\xBF", 3);
    if (bytes.startsWith(byteOrderMark))
        bytes = bytes.sliced(byteOrderMark.size());
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder windows1252("windows-1252");
    return windows1252.isValid() ? QString(windows1252.decode(bytes)) : QString::fromLatin1(bytes);
}

bool sameKey(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// An alias while its lines are gathered, with the keys seen so far: the first counts.
struct PendingAlias {
    AliasDefinition alias;
    QSet<QString> keys; // case-folded
};

void addLine(PendingAlias& pending, const QString& key, const QString& value, const QString& folder)
{
    const QString folded = key.toCaseFolded();
    if (pending.keys.contains(folded))
        return;
    pending.keys.insert(folded);
    if (sameKey(key, PathKey))
        pending.alias.path = value.isEmpty() ? QString() : QDir::cleanPath(QDir(folder).absoluteFilePath(value));
    else if (sameKey(key, TypeKey))
        pending.alias.driver = value.isEmpty() ? AliasDefinition::StandardDriver : value.toUpper();
    else
        pending.alias.parameters << key + '=' + value;
}

} // namespace

QStringList AliasDefinition::parameterLines() const
{
    QStringList lines;
    if (path)
        lines << PathKey + '=' + *path;
    return lines + parameters;
}

QString AliasDefinition::parameter(QStringView key) const
{
    for (const QString& line : parameters) {
        const auto equals = line.indexOf(u'=');
        if (equals >= 0 && QStringView(line).first(equals).compare(key, Qt::CaseInsensitive) == 0)
            return line.sliced(equals + 1);
    }
    return {};
}

ServerAddress AliasDefinition::serverAddress() const
{
    const QString server = serverName();
    ServerAddress address{server};
    // An address in brackets may hold colons of its own (IPv6).
    qsizetype colon = -1;
    if (server.startsWith(u'[')) {
        const auto close = server.indexOf(u']');
        if (close > 0) {
            address.host = server.mid(1, close - 1);
            colon = server.indexOf(u':', close) == close + 1 ? close + 1 : -1;
        }
    } else if (server.count(u':') == 1) {
        colon = server.indexOf(u':');
        address.host = server.first(colon);
    }
    if (colon >= 0) {
        bool number = false;
        const int port = server.mid(colon + 1).toInt(&number);
        if (number && port > 0 && port < 65536)
            address.port = port;
        else
            address.host = server; // not a port: the colon belongs to the name
    }
    return address;
}

QString AliasDefinition::databaseFile() const
{
    const QString file = databaseName();
    return file.isEmpty() ? file : QDir::cleanPath(QDir(folder).absoluteFilePath(file));
}

QString AliasFile::pathFor(const QString& location)
{
    const QFileInfo info(location);
    return info.isDir() ? QDir(location).filePath(FileName) : location;
}

std::vector<AliasDefinition> AliasFile::parse(const QByteArray& bytes, const QString& folder)
{
    std::vector<PendingAlias> aliases;
    QHash<QString, std::size_t> byName; // case-folded name -> position in aliases
    constexpr std::size_t none = std::size_t(-1);
    std::size_t current = none; // None before the first section and under a broken header
    const QString text = decodeText(bytes);
    for (QStringView line : QStringTokenizer(text, u'\n')) {
        line = line.trimmed(); // also drops the CR of a CRLF line end
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            current = none;
            const auto close = line.indexOf(u']');
            const QString name = close < 0 ? QString() : line.sliced(1, close - 1).trimmed().toString();
            if (name.isEmpty())
                continue;
            const QString folded = name.toCaseFolded();
            if (!byName.contains(folded)) {
                byName.insert(folded, aliases.size());
                auto& alias = aliases.emplace_back().alias;
                alias.name = name;
                alias.folder = folder;
            }
            current = byName.value(folded);
            continue;
        }
        const auto equals = line.indexOf(u'=');
        if (current == none || equals < 0)
            continue;
        const QString key = line.first(equals).trimmed().toString();
        if (key.isEmpty())
            continue;
        addLine(aliases[current], key, line.sliced(equals + 1).trimmed().toString(), folder);
    }

    std::vector<AliasDefinition> result;
    result.reserve(aliases.size());
    for (auto& pending : aliases)
        result.push_back(std::move(pending.alias));
    std::sort(result.begin(), result.end(), [](const AliasDefinition& a, const AliasDefinition& b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return result;
}

std::optional<std::vector<AliasDefinition>> AliasFile::read(const QString& path, QString& error)
{
    const ConfigurationFile file = ConfigurationFile::read(path);
    switch (file.status) {
    case ConfigurationFile::Status::Missing: return std::vector<AliasDefinition>{};
    case ConfigurationFile::Status::Read: return parse(file.bytes, QFileInfo(path).absolutePath());
    case ConfigurationFile::Status::Failed: break;
    }
    error = QStringLiteral("%1: the aliases file cannot be read (%2)").arg(path, file.reason);
    return std::nullopt;
}

} // namespace korvex

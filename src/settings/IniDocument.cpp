#include "IniDocument.h"

#include <QStringDecoder>

#include <array>

namespace korvex {

namespace {

constexpr QByteArrayView Utf8ByteOrderMark("\xEF\xBB\xBF", 3);

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isBlank(const QString& text)
{
    return text.trimmed().isEmpty();
}

QString decodeText(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return decodeWindows1252(bytes);
}

} // namespace

QString decodeWindows1252(QByteArrayView bytes)
{
    QStringDecoder windows1252("windows-1252");
    if (!windows1252.isValid())
        return QString::fromLatin1(bytes);
    return windows1252.decode(bytes);
}

IniDocument IniDocument::fromBytes(const QByteArray& bytes)
{
    IniDocument doc;
    QByteArrayView body(bytes);
    if (body.startsWith(Utf8ByteOrderMark)) {
        doc.byteOrderMark_ = true;
        body = body.sliced(Utf8ByteOrderMark.size());
    }
    const qsizetype firstBreak = body.indexOf('\n');
    doc.crlf_ = firstBreak > 0 && body.at(firstBreak - 1) == '\r';

    const QString text = decodeText(body);
    if (text.isEmpty())
        return doc;
    QStringList lines = text.split(QLatin1Char('\n'));
    // The line end after the last line makes an empty last piece, not a line.
    if (lines.last().isEmpty())
        lines.removeLast();
    doc.lines_.reserve(std::size_t(lines.size()));
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        doc.lines_.push_back(parseLine(line));
    }
    return doc;
}

QByteArray IniDocument::toBytes() const
{
    const QString lineEnd = crlf_ ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString text;
    for (const Line& line : lines_)
        text += line.text + lineEnd;
    QByteArray bytes = text.toUtf8();
    if (byteOrderMark_)
        bytes.prepend(Utf8ByteOrderMark.data(), Utf8ByteOrderMark.size());
    return bytes;
}

IniDocument::Line IniDocument::parseLine(const QString& text)
{
    Line line;
    line.text = text;
    const QString trimmed = text.trimmed();
    if (trimmed.startsWith(QLatin1Char('['))) {
        const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
        line.kind = Kind::Section;
        line.name = trimmed.mid(1, close < 0 ? -1 : close - 1).trimmed();
        return line;
    }
    if (trimmed.startsWith(QLatin1Char(';')))
        return line;
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    if (equals < 0)
        return line;
    const QString key = text.left(equals).trimmed();
    if (key.isEmpty())
        return line;
    line.kind = Kind::Key;
    line.name = key;
    line.value = text.mid(equals + 1).trimmed();
    return line;
}

std::vector<std::optional<QString>> IniDocument::owners() const
{
    std::vector<std::optional<QString>> result;
    result.reserve(lines_.size());
    std::optional<QString> current;
    for (const Line& line : lines_) {
        if (line.kind == Kind::Section)
            current = line.name;
        result.push_back(current);
    }
    return result;
}

std::optional<std::size_t> IniDocument::findKey(const QString& section, const QString& key) const
{
    const auto owner = owners();
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == Kind::Key && owner[i] && sameName(*owner[i], section)
            && sameName(lines_[i].name, key))
            return i;
    return std::nullopt;
}

std::optional<QString> IniDocument::value(const QString& section, const QString& key) const
{
    const auto i = findKey(section, key);
    if (!i)
        return std::nullopt;
    return lines_[*i].value;
}

QStringList IniDocument::keys(const QString& section) const
{
    QStringList names;
    const auto owner = owners();
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == Kind::Key && owner[i] && sameName(*owner[i], section)
            && !names.contains(lines_[i].name, Qt::CaseInsensitive))
            names << lines_[i].name;
    return names;
}

bool IniDocument::setValue(const QString& section, const QString& key, const QString& value)
{
    const Line written = parseLine(key + QLatin1Char('=') + value);
    if (const auto i = findKey(section, key)) {
        if (lines_[*i].value == written.value)
            return false;
        lines_[*i] = written;
        return true;
    }

    // After the last non-blank line of the section's first block, so that the blank lines
    // that part it from the next section stay where they are.
    std::optional<std::size_t> insertAt;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind != Kind::Section || !sameName(lines_[i].name, section))
            continue;
        insertAt = i + 1;
        for (std::size_t j = i + 1; j < lines_.size() && lines_[j].kind != Kind::Section; ++j)
            if (!isBlank(lines_[j].text))
                insertAt = j + 1;
        break;
    }
    if (insertAt) {
        lines_.insert(lines_.begin() + std::ptrdiff_t(*insertAt), written);
        return true;
    }

    if (!lines_.empty() && !isBlank(lines_.back().text))
        lines_.push_back(parseLine(QString()));
    lines_.push_back(parseLine(QLatin1Char('[') + section + QLatin1Char(']')));
    lines_.push_back(written);
    return true;
}

bool IniDocument::removeSection(const QString& section)
{
    const auto owner = owners();
    std::vector<Line> kept;
    kept.reserve(lines_.size());
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (!owner[i] || !sameName(*owner[i], section))
            kept.push_back(lines_[i]);
    if (kept.size() == lines_.size())
        return false;
    lines_ = std::move(kept);
    return true;
}

} // namespace korvex

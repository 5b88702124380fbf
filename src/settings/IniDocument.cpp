#include "IniDocument.h"

#include <QStringDecoder>

#include <array>

namespace korvex {

namespace {

constexpr QByteArrayView Utf8ByteOrderMark("\xEF\xBB\xBF", 3);

QString folded(const QString& name)
{
    return name.toCaseFolded();
}

bool isBlank(const QString& text)
{
    return text.trimmed().isEmpty();
}

// One line's text: UTF-8 when its bytes are valid UTF-8, else Windows-1252.
QString decodeLine(QByteArrayView bytes)
{
    if (bytes.isValidUtf8())
        return QString::fromUtf8(bytes);
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

    // No byte of a UTF-8 sequence is a line feed, so the bytes split into lines before
    // they are decoded.
    for (qsizetype start = 0; start < body.size();) {
        qsizetype end = body.indexOf('\n', start);
        const qsizetype next = end < 0 ? body.size() : end + 1;
        if (end < 0)
            end = body.size();
        QByteArrayView lineBytes = body.sliced(start, end - start);
        if (lineBytes.endsWith('\r'))
            lineBytes.chop(1);
        Line line = parseLine(decodeLine(lineBytes));
        line.bytes = lineBytes.toByteArray();
        line.asRead = true;
        doc.lines_.push_back(std::move(line));
        start = next;
    }
    return doc;
}

QByteArray IniDocument::toBytes() const
{
    const QByteArrayView lineEnd = crlf_ ? QByteArrayView("\r\n") : QByteArrayView("\n");
    QByteArray bytes;
    if (byteOrderMark_)
        bytes.append(Utf8ByteOrderMark);
    for (const Line& line : lines_) {
        bytes += line.asRead ? line.bytes : line.text.toUtf8();
        bytes += lineEnd;
    }
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

const IniDocument::Index& IniDocument::index() const
{
    if (index_)
        return *index_;
    Index index;
    SectionIndex* current = nullptr;
    bool firstBlock = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.kind == Kind::Section) {
            const QString name = folded(line.name);
            firstBlock = !index.contains(name);
            current = &index[name];
            if (firstBlock)
                current->insertAt = i + 1;
            continue;
        }
        if (current == nullptr)
            continue;
        if (firstBlock && !isBlank(line.text))
            current->insertAt = i + 1;
        if (line.kind == Kind::Key) {
            const QString key = folded(line.name);
            if (!current->keys.contains(key)) {
                current->keys.insert(key, i);
                current->order.push_back(i);
            }
        }
    }
    index_ = std::move(index);
    return *index_;
}

std::optional<std::size_t> IniDocument::findKey(const QString& section, const QString& key) const
{
    const Index& sections = index();
    const auto s = sections.constFind(folded(section));
    if (s == sections.cend())
        return std::nullopt;
    const auto k = s->keys.constFind(folded(key));
    if (k == s->keys.cend())
        return std::nullopt;
    return *k;
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
    const Index& sections = index();
    const auto s = sections.constFind(folded(section));
    if (s == sections.cend())
        return names;
    names.reserve(qsizetype(s->order.size()));
    for (const std::size_t i : s->order)
        names << lines_[i].name;
    return names;
}

bool IniDocument::setValue(const QString& section, const QString& key, const QString& value)
{
    const Line written = parseLine(key + QLatin1Char('=') + value);
    if (const auto i = findKey(section, key)) {
        if (lines_[*i].value == written.value)
            return false;
        // The line keeps its place, so the index stays as it is.
        lines_[*i] = written;
        return true;
    }

    // After the last non-blank line of the section's first block, so that the blank lines
    // that part it from the next section stay where they are.
    const auto s = index_->find(folded(section));
    if (s != index_->end()) {
        const std::size_t at = s->insertAt;
        if (at == lines_.size()) {
            // At the end of the file no line moves: the index takes the new key, and many
            // keys written into the last section one after the other cost no rebuilding.
            lines_.push_back(written);
            s->keys.insert(folded(written.name), at);
            s->order.push_back(at);
            s->insertAt = at + 1;
        } else {
            lines_.insert(lines_.begin() + std::ptrdiff_t(at), written);
            index_.reset();
        }
        return true;
    }

    if (!lines_.empty() && !isBlank(lines_.back().text))
        lines_.push_back(parseLine(QString()));
    lines_.push_back(parseLine(QLatin1Char('[') + section + QLatin1Char(']')));
    lines_.push_back(written);
    SectionIndex added;
    added.insertAt = lines_.size();
    added.keys.insert(folded(written.name), lines_.size() - 1);
    added.order.push_back(lines_.size() - 1);
    index_->emplace(folded(section), std::move(added));
    return true;
}

bool IniDocument::removeSection(const QString& section)
{
    const QString name = folded(section);
    std::vector<Line> kept;
    kept.reserve(lines_.size());
    bool inside = false;
    for (Line& line : lines_) {
        if (line.kind == Kind::Section)
            inside = folded(line.name) == name;
        if (!inside)
            kept.push_back(std::move(line));
    }
    const bool removed = kept.size() != lines_.size();
    lines_ = std::move(kept);
    if (removed)
        index_.reset();
    return removed;
}

} // namespace korvex

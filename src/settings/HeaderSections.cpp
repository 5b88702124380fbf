#include "HeaderSections.h"

#include <QSet>

#include <charconv>
#include <stdexcept>
#include <string>

namespace korvex {

namespace {

[[noreturn]] void throwBadIndex(int i, int count)
{
    throw std::out_of_range("header section " + std::to_string(i) + " out of range (count " + std::to_string(count) +
                            ")");
}

// A whole decimal number, optionally negative, that fits an int; nothing else.
bool parseWidth(const QString& text, int& width)
{
    const QByteArray latin = text.toLatin1();
    const char* first = latin.constData();
    const char* last = first + latin.size();
    const auto [end, error] = std::from_chars(first, last, width);
    return error == std::errc() && end == last;
}

} // namespace

void TQxHeaderStrings::setHeader(TextWidth textWidth, Repaint repaint)
{
    textWidth_ = std::move(textWidth);
    repaint_ = std::move(repaint);
}

const TQxHeaderSection& TQxHeaderStrings::section(int i) const
{
    if (i < 0 || i >= count())
        throwBadIndex(i, count());
    return sections_[i];
}

TQxHeaderSection& TQxHeaderStrings::at(int i)
{
    if (i < 0 || i >= count())
        throwBadIndex(i, count());
    return sections_[i];
}

int TQxHeaderStrings::measuredWidth(const QString& text) const
{
    return textWidth_ ? textWidth_(text) + TextPadding : UnmeasuredWidth;
}

void TQxHeaderStrings::insert(int i, const QString& text)
{
    if (i < 0 || i > count())
        throwBadIndex(i, count());
    sections_.insert(i, TQxHeaderSection{0, measuredWidth(text), text});
    repaint();
}

void TQxHeaderStrings::add(const QString& text)
{
    insert(count(), text);
}

void TQxHeaderStrings::remove(int i)
{
    at(i);
    sections_.removeAt(i);
    repaint();
}

void TQxHeaderStrings::setText(int i, const QString& text)
{
    TQxHeaderSection& s = at(i);
    s.text = text;
    s.width = measuredWidth(text);
    repaint();
}

void TQxHeaderStrings::setObject(int i, quintptr object)
{
    at(i).object = object;
    repaint();
}

void TQxHeaderStrings::setWidth(int i, int width)
{
    at(i).width = width;
    repaint();
}

void TQxHeaderStrings::clear()
{
    sections_.clear();
}

int TQxHeaderStrings::indexOf(const QString& text) const
{
    for (int i = 0; i < count(); ++i)
        if (sections_[i].text.compare(text, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void TQxHeaderStrings::assign(const QList<Item>& source)
{
    HeaderUpdateGuard guard(*this);
    QSet<QString> wanted;
    for (const Item& item : source)
        wanted.insert(item.text);
    QList<TQxHeaderSection> kept;
    for (const TQxHeaderSection& s : std::as_const(sections_))
        if (wanted.contains(s.text))
            kept.append(s);

    // The cursor only moves forward: a kept section is reused only where the source
    // reaches it in the old order.
    QList<TQxHeaderSection> rebuilt;
    rebuilt.reserve(source.size());
    qsizetype cursor = 0;
    for (const Item& item : source) {
        if (cursor < kept.size() && kept[cursor].text == item.text)
            rebuilt.append(kept[cursor++]);
        else
            rebuilt.append(TQxHeaderSection{item.object, measuredWidth(item.text), item.text});
    }
    sections_ = std::move(rebuilt);
}

void TQxHeaderStrings::assign(const QStringList& source)
{
    QList<Item> items;
    items.reserve(source.size());
    for (const QString& text : source)
        items.append(Item{text, 0});
    assign(items);
}

void TQxHeaderStrings::assign(const TQxHeaderStrings& source)
{
    QList<Item> items;
    items.reserve(source.count());
    for (const TQxHeaderSection& s : source.sections())
        items.append(Item{s.text, s.object});
    assign(items);
}

QStringList TQxHeaderStrings::storedForm() const
{
    const QChar nul(u'\0');
    QStringList stored;
    stored.reserve(sections_.size());
    for (const TQxHeaderSection& s : sections_)
        stored.append(nul + QString::number(s.width) + nul + s.text);
    return stored;
}

void TQxHeaderStrings::readStoredForm(const QStringList& stored)
{
    HeaderUpdateGuard guard(*this);
    const QChar nul(u'\0');
    sections_.clear();
    sections_.reserve(stored.size());
    for (const QString& entry : stored) {
        TQxHeaderSection s{0, UnmeasuredWidth, entry};
        if (entry.startsWith(nul)) {
            // The width runs to the second NUL; without one the entry is all width and
            // the text is empty.
            const qsizetype end = entry.indexOf(nul, 1);
            const QString widthText = entry.mid(1, end < 0 ? -1 : end - 1);
            s.text = end < 0 ? QString() : entry.mid(end + 1);
            if (!parseWidth(widthText, s.width))
                s.width = UnmeasuredWidth;
        }
        sections_.append(s);
    }
}

void TQxHeaderStrings::beginUpdate()
{
    ++updateDepth_;
}

void TQxHeaderStrings::endUpdate()
{
    if (updateDepth_ == 0)
        return;
    if (--updateDepth_ == 0)
        repaint();
}

void TQxHeaderStrings::repaint() const
{
    if (repaint_ && updateDepth_ == 0)
        repaint_();
}

} // namespace korvex

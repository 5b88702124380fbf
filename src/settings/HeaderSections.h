#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>

namespace korvex {

// One section of a header strip.
struct TQxHeaderSection {
    quintptr object = 0; // a value the owner attaches; 0 for every section the program makes
    int width = 0;       // pixels on the strip
    QString text;        // caption; for a field column, its kind

    friend bool operator==(const TQxHeaderSection&, const TQxHeaderSection&) = default;
};

// The ordered section list of a header strip, with string-list behaviour: texts are the
// list's strings, each with its object. It knows its header only through two hooks: one
// that measures a text in the header's font and one that repaints the header. A list
// without a measuring hook has no header; its new sections are then 75 pixels wide.
class TQxHeaderStrings {
public:
    using TextWidth = std::function<int(const QString&)>;
    using Repaint = std::function<void()>;

    // Width of a new section when there is no header to measure with, and of a stored
    // section whose width cannot be read.
    static constexpr int UnmeasuredWidth = 75;
    // Room around a measured text: the caption's indent and the section's edges.
    static constexpr int TextPadding = 8;

    // An item of a source list for assign(): a text with its object.
    struct Item {
        QString text;
        quintptr object = 0;
    };

    TQxHeaderStrings() = default;

    void setHeader(TextWidth textWidth, Repaint repaint);

    int count() const { return int(sections_.size()); }
    const QList<TQxHeaderSection>& sections() const { return sections_; }
    // Section accessors throw std::out_of_range for an index outside 0 .. count - 1.
    const TQxHeaderSection& section(int i) const;
    const QString& text(int i) const { return section(i).text; }
    quintptr object(int i) const { return section(i).object; }
    int width(int i) const { return section(i).width; }

    // A new section with object 0 and the measured width of its text, before position i
    // (0 .. count; otherwise std::out_of_range). add() inserts at the end.
    void insert(int i, const QString& text);
    void add(const QString& text);
    void remove(int i);
    // The width is measured afresh for the new text; the object stays.
    void setText(int i, const QString& text);
    void setObject(int i, quintptr object);
    void setWidth(int i, int width);
    // Drops every section without repainting.
    void clear();

    // The first section whose text equals text without regard to case, or -1.
    int indexOf(const QString& text) const;

    // Takes over a source list: sections whose text the source has (exactly, case
    // included) keep their width and object where they come in the same order; every
    // other source text becomes a new section with its measured width.
    void assign(const QList<Item>& source);
    void assign(const QStringList& source);
    void assign(const TQxHeaderStrings& source);

    // The form kept with a window definition: per section NUL, the width in decimal, NUL,
    // the text. Reading back replaces the list; a string without the leading NUL is a
    // text of width 75, and so is one whose width is not a whole decimal number.
    QStringList storedForm() const;
    void readStoredForm(const QStringList& stored);

    // Painting is held back between the outermost beginUpdate() and its endUpdate(),
    // which repaints once.
    void beginUpdate();
    void endUpdate();
    bool updating() const { return updateDepth_ > 0; }
    // Repaints the header unless an update is in progress.
    void repaint() const;

    // The width a new section with this text gets: its width in the header's font plus
    // the padding, or 75 without a header.
    int measuredWidth(const QString& text) const;

private:
    TQxHeaderSection& at(int i);

    QList<TQxHeaderSection> sections_;
    TextWidth textWidth_;
    Repaint repaint_;
    int updateDepth_ = 0;
};

// Holds a list's painting back for the lifetime of the guard.
class HeaderUpdateGuard {
public:
    explicit HeaderUpdateGuard(TQxHeaderStrings& list) : list_(list) { list_.beginUpdate(); }
    ~HeaderUpdateGuard() { list_.endUpdate(); }
    HeaderUpdateGuard(const HeaderUpdateGuard&) = delete;
    HeaderUpdateGuard& operator=(const HeaderUpdateGuard&) = delete;

private:
    TQxHeaderStrings& list_;
};

} // namespace korvex

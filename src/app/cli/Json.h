#pragma once

#include <QString>

#include <memory>
#include <utility>
#include <variant>
#include <vector>

namespace korvex {

// A JSON value whose objects keep their members in insertion order, so that the command
// line's output reads in a fixed, meaningful order.
class Json {
public:
    // A member's name: mostly a literal of ASCII letters, kept as it is rather than made
    // into a string for every object written.
    class Key {
    public:
        Key(const char* literal) : literal_(literal) {}   // NOLINT(google-explicit-constructor)
        Key(QString text) : text_(std::move(text)) {}     // NOLINT
        Key(QLatin1String literal) : literal_(literal) {} // NOLINT

        QString text() const { return literal_.data() ? QString(literal_) : text_; }
        QLatin1String literal() const { return literal_; } // null when the name is a string
    private:
        QLatin1String literal_;
        QString text_;
    };

    using Array = std::vector<Json>;
    using Object = std::vector<std::pair<Key, Json>>;

    Json() = default;                                     // null
    Json(bool v) : value_(v) {}                           // NOLINT(google-explicit-constructor)
    Json(int v) : value_(qint64(v)) {}                    // NOLINT
    Json(qint64 v) : value_(v) {}                         // NOLINT
    Json(const QString& v) : value_(v) {}                 // NOLINT
    Json(const char* v) : value_(QString::fromUtf8(v)) {} // NOLINT
    Json(Array v) : value_(std::move(v)) {}               // NOLINT
    Json(Object v) : value_(std::move(v)) {}              // NOLINT

    // Pretty-printed with two-space indentation, non-ASCII characters as UTF-8.
    QString serialize() const;
    // The value as UTF-8, as it stands depth columns deep within a document (its inner lines
    // indented from there), without a line end: a long document written a part at a time.
    QByteArray nestedUtf8(int depth) const;
    // JSON text written by another writer with DEL and the C1 controls escaped as well, which
    // a terminal would act on; raw, they can stand only within strings.
    static QString escapeControls(const QString& json);

private:
    void write(QString& out, int depth) const;
    std::variant<std::monostate, bool, qint64, QString, Array, Object> value_;
};

} // namespace korvex

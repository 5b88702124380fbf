#include "Json.h"

#include "FileNames.h"

#include <algorithm>

namespace korvex {

namespace {

bool escaped(char16_t c)
{
    // C1 controls and DEL as well: raw, a terminal would act on them.
    return c < 0x20 || c == '"' || c == '\\' || (c >= 0x7f && c <= 0x9f) || isKeptByte(c);
}

void writeString(QString& out, const QString& s)
{
    out += '"';
    const QChar* run = s.constData(); // the characters that go out as they are
    const QChar* const end = run + s.size();
    for (const QChar* p = run; p != end; ++p) {
        const char16_t c = p->unicode();
        if (!escaped(c))
            continue;
        out.append(run, p - run);
        run = p + 1;
        switch (c) {
        case '"': out += QLatin1String("\\\""); break;
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\t': out += QLatin1String("\\t"); break;
        default:
            if (isKeptByte(c)) // a file name's byte that is not UTF-8, as \xE9
                out += QLatin1String("\\\\x") + QString::number(keptByte(c), 16).toUpper();
            else
                out += QStringLiteral("\\u%1").arg(c, 4, 16, QLatin1Char('0'));
        }
    }
    out.append(run, end - run);
    out += '"';
}

void writeKey(QString& out, const Json::Key& key)
{
    const QLatin1String literal = key.literal();
    if (literal.data() == nullptr || std::any_of(literal.begin(), literal.end(), [](char c) {
            return escaped(char16_t(static_cast<unsigned char>(c)));
        })) {
        writeString(out, key.text());
        return;
    }
    out += '"';
    out += literal;
    out += '"';
}

void indent(QString& out, int width)
{
    out.resize(out.size() + width, QLatin1Char(' '));
}

} // namespace

void Json::write(QString& out, int depth) const
{
    if (std::holds_alternative<std::monostate>(value_)) {
        out += QLatin1String("null");
    } else if (const auto* b = std::get_if<bool>(&value_)) {
        out += *b ? QLatin1String("true") : QLatin1String("false");
    } else if (const auto* n = std::get_if<qint64>(&value_)) {
        out += QString::number(*n);
    } else if (const auto* s = std::get_if<QString>(&value_)) {
        writeString(out, *s);
    } else if (const auto* a = std::get_if<Array>(&value_)) {
        if (a->empty()) {
            out += QLatin1String("[]");
            return;
        }
        out += QLatin1String("[\n");
        for (std::size_t i = 0; i < a->size(); ++i) {
            indent(out, depth + 2);
            (*a)[i].write(out, depth + 2);
            out += i + 1 < a->size() ? QLatin1String(",\n") : QLatin1String("\n");
        }
        indent(out, depth);
        out += ']';
    } else if (const auto* o = std::get_if<Object>(&value_)) {
        if (o->empty()) {
            out += QLatin1String("{}");
            return;
        }
        out += QLatin1String("{\n");
        for (std::size_t i = 0; i < o->size(); ++i) {
            indent(out, depth + 2);
            writeKey(out, (*o)[i].first);
            out += QLatin1String(": ");
            (*o)[i].second.write(out, depth + 2);
            out += i + 1 < o->size() ? QLatin1String(",\n") : QLatin1String("\n");
        }
        indent(out, depth);
        out += '}';
    }
}

QString Json::escapeControls(const QString& json)
{
    QString out;
    out.reserve(json.size());
    for (const QChar c : json) {
        if (c.unicode() >= 0x7f && c.unicode() <= 0x9f)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString Json::serialize() const
{
    QString out;
    write(out, 0);
    out += '\n';
    return out;
}

QByteArray Json::nestedUtf8(int depth) const
{
    QString out;
    write(out, depth);
    return out.toUtf8();
}

} // namespace korvex

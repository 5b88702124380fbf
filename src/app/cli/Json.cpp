#include "Json.h"

#include "FileNames.h"

namespace korvex {

namespace {

void writeString(QString& out, const QString& s)
{
    out += '"';
    for (const QChar c : visibleFileName(s)) { // a file name's bytes that are not UTF-8 as \xE9
        switch (c.unicode()) {
        case '"': out += QLatin1String("\\\""); break;
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\t': out += QLatin1String("\\t"); break;
        default:
            // C1 controls and DEL as well: raw, a terminal would act on them.
            if (c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() <= 0x9f))
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += '"';
}

} // namespace

void Json::write(QString& out, int indent) const
{
    const QString pad(indent, ' ');
    const QString innerPad(indent + 2, ' ');
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
            out += innerPad;
            (*a)[i].write(out, indent + 2);
            out += i + 1 < a->size() ? QLatin1String(",\n") : QLatin1String("\n");
        }
        out += pad + ']';
    } else if (const auto* o = std::get_if<Object>(&value_)) {
        if (o->empty()) {
            out += QLatin1String("{}");
            return;
        }
        out += QLatin1String("{\n");
        for (std::size_t i = 0; i < o->size(); ++i) {
            out += innerPad;
            writeString(out, (*o)[i].first);
            out += QLatin1String(": ");
            (*o)[i].second.write(out, indent + 2);
            out += i + 1 < o->size() ? QLatin1String(",\n") : QLatin1String("\n");
        }
        out += pad + '}';
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

} // namespace korvex

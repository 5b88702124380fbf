#include "PdfTools.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace korvex::test {

QMap<QString, QString> pdfInfo(const QString& pdfPath)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdfPath});
    QMap<QString, QString> fields;
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        return fields;
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split(u'\n')) {
        const qsizetype colon = line.indexOf(u':');
        if (colon > 0)
            fields.insert(line.left(colon), line.mid(colon + 1).trimmed());
    }
    return fields;
}

QStringList pdfFontNames(const QString& pdfPath)
{
    QProcess p;
    p.start(QStringLiteral("pdffonts"), {pdfPath});
    QStringList names;
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        return names;
    // Two lines of column headings, then one font a line, its name first.
    const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    for (qsizetype i = 2; i < lines.size(); ++i)
        names << lines[i].section(u' ', 0, 0);
    return names;
}

QRect inkBoxAt600Dpi(const QString& pdfPath, int width, int height, QPoint origin)
{
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("corner"));
    QProcess p;
    p.start(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QStringLiteral("600"), QStringLiteral("-gray"), QStringLiteral("-f"),
             QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-singlefile"),
             QStringLiteral("-x"), QString::number(origin.x()), QStringLiteral("-y"), QString::number(origin.y()),
             QStringLiteral("-W"), QString::number(width), QStringLiteral("-H"), QString::number(height), pdfPath,
             prefix});
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        return {};
    QFile file(prefix + QStringLiteral(".pgm"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Binary PGM: "P5", width, height, maximum value, one whitespace, then the pixels.
    const QByteArray bytes = file.readAll();
    int fields = 0;
    qsizetype pos = 0;
    while (fields < 4 && pos < bytes.size()) {
        while (pos < bytes.size() && QChar(bytes[pos]).isSpace())
            ++pos;
        while (pos < bytes.size() && !QChar(bytes[pos]).isSpace())
            ++pos;
        ++fields;
    }
    ++pos;
    if (bytes.size() - pos < qsizetype(width) * height)
        return {};
    QRect box;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (static_cast<unsigned char>(bytes[pos + qsizetype(y) * width + x]) < 128)
                box |= QRect(origin.x() + x, origin.y() + y, 1, 1);
    return box;
}

} // namespace korvex::test

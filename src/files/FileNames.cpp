#include "FileNames.h"

#include <algorithm>
#include <cerrno>

#include <sys/stat.h>

namespace korvex {

namespace {

bool isKept(QChar c)
{
    return isKeptByte(c.unicode());
}

// The length of the valid UTF-8 sequence at the start of bytes, or 0 when there is none:
// no overlong forms, no surrogates, nothing above U+10FFFF.
qsizetype utf8SequenceLength(const unsigned char* bytes, qsizetype available)
{
    const unsigned char lead = bytes[0];
    qsizetype length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (available < length || bytes[1] < low || bytes[1] > high)
        return 0;
    for (qsizetype i = 2; i < length; ++i)
        if (bytes[i] < 0x80 || bytes[i] > 0xBF)
            return 0;
    return length;
}

} // namespace

QString decodeFileName(QByteArrayView bytes)
{
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    QString name;
    name.reserve(size);
    qsizetype i = 0;
    while (i < size) {
        if (data[i] < 0x80) {
            qsizetype end = i + 1;
            while (end < size && data[end] < 0x80)
                ++end;
            name += QLatin1StringView(bytes.data() + i, end - i);
            i = end;
        } else if (const qsizetype length = utf8SequenceLength(data + i, size - i); length > 0) {
            name += QString::fromUtf8(bytes.data() + i, length);
            i += length;
        } else {
            name += QChar(char16_t(KeptByteBase + data[i]));
            ++i;
        }
    }
    return name;
}

QByteArray encodeFileName(const QString& name)
{
    if (std::none_of(name.begin(), name.end(), isKept))
        return name.toUtf8();
    QByteArray bytes;
    bytes.reserve(name.size() * 3);
    qsizetype start = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !isKept(name[i]))
            continue;
        bytes += QStringView(name).sliced(start, i - start).toUtf8();
        if (i < name.size())
            bytes += char(keptByte(name[i].unicode()));
        start = i + 1;
    }
    return bytes;
}

QString visibleFileName(const QString& name)
{
    if (std::none_of(name.begin(), name.end(), isKept))
        return name;
    QString shown;
    shown.reserve(name.size() + 8);
    for (const QChar c : name) {
        if (isKept(c))
            shown += QStringLiteral("\\x") + QString::number(keptByte(c.unicode()), 16).toUpper();
        else
            shown += c;
    }
    return shown;
}

PathStatus pathStatus(const QString& path)
{
    PathStatus status;
    struct stat info {};
    if (::stat(encodeFileName(path).constData(), &info) != 0) {
        status.error = errno;
        return status;
    }
    status.directory = S_ISDIR(info.st_mode);
    status.regularFile = S_ISREG(info.st_mode);
    return status;
}

QString pathTooLongMessage(const QString& path)
{
    return QStringLiteral("%1: the path is longer than the system allows").arg(visibleFileName(path));
}

} // namespace korvex

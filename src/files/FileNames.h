#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace korvex {

// File names on disk are bytes. Most are UTF-8, but a disk brought from an older system
// may hold names in a DOS or Windows code page (CAFÉ.DB written as "CAF\xC9.DB"). Each
// byte that is not part of valid UTF-8 is kept in the name as U+DC80..U+DCFF, a lone
// surrogate that no UTF-8 text decodes to, so that the name opens the same file again.
QString decodeFileName(QByteArrayView bytes);
// The bytes a name (or path) decoded by decodeFileName stands for.
QByteArray encodeFileName(const QString& name);
// The name for people to read: each kept byte shown as \xC9.
QString visibleFileName(const QString& name);
// Whether c is a byte kept by decodeFileName, and which.
constexpr char16_t KeptByteBase = 0xDC00;
constexpr bool isKeptByte(char16_t c)
{
    return c >= KeptByteBase + 0x80 && c <= KeptByteBase + 0xFF;
}
constexpr unsigned char keptByte(char16_t c)
{
    return static_cast<unsigned char>(c - KeptByteBase);
}

// What stat() says about a path, by its bytes.
struct PathStatus {
    int error = 0; // 0, or errno: ENOENT for no such file, ENAMETOOLONG for a path too long
    bool directory = false;
    bool regularFile = false;
    bool exists() const { return error == 0; }
};
PathStatus pathStatus(const QString& path);

// The message for a path the system refuses as longer than it allows.
QString pathTooLongMessage(const QString& path);

} // namespace korvex

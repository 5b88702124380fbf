#pragma once

#include <QByteArrayView>

#include <cstdint>

namespace korvex::paradox {

// A language driver a Paradox table can name: its sort-order byte (0x29), its symbolic
// name (stored after the field numbers from format 4.x on), the description the engine
// shows for it, and the code page of its text.
struct LanguageDriver {
    int sortOrder;            // -1 when the driver's byte is not known
    const char* id;
    const char* description;  // empty when no source gives the engine's text
    int codePage;             // 0: HP Roman-8, which the code-page converters read as 1252
};

// By symbolic name, compared without regard to letter case.
const LanguageDriver* languageDriverById(QByteArrayView id);
// By sort-order byte, the only identifier of 3.x tables. Several drivers share a byte;
// the DOS driver of that byte is preferred, since a 3.x table comes from DOS Paradox.
const LanguageDriver* languageDriverBySortOrder(std::uint8_t sortOrder);

} // namespace korvex::paradox

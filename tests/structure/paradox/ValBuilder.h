#pragma once

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <optional>

namespace korvex::test::paradox {

// Builds a .VAL file in the layout of format versions 9 to 12, for cases no real file or
// independent writer provides (minimum and maximum values of every type, damage).
struct ValField {
    std::uint8_t type;
    std::uint8_t size;
    QByteArray name;
};

struct ValCheck {
    std::uint8_t fieldIndex = 0;
    bool required = false;
    std::uint8_t lookupOptions = 0;
    std::optional<QByteArray> lookupTable;
    std::optional<QByteArray> minimum; // record-encoded values, exactly as stored
    std::optional<QByteArray> maximum;
    std::optional<QByteArray> defaultValue;
    std::optional<QByteArray> picture; // without its NUL
};

struct ValBuilder {
    std::uint8_t changeCount = 0;
    std::uint8_t version = 11;
    std::uint32_t updateTime = 0;
    std::uint8_t hiFieldID = 0;
    std::uint16_t keyFieldCount = 0;
    QByteArray tablePath = "C:\\DATA\\TABLE.DB";
    std::uint32_t pointer = 0x6B000000; // the non-zero "present" marks
    QList<ValField> fields;
    QList<ValCheck> checks;
    QByteArray integritySection; // placed between the checks and the footer

    QByteArray build() const;
    // Offsets of the parts in the built file.
    std::size_t footerOffset() const;
};

} // namespace korvex::test::paradox

#pragma once

#include <QByteArray>
#include <QList>

#include <cstdint>

namespace korvex::test::paradox {

// Builds the header of a secondary index's data file (.Xnn, .XGn) in the layout the
// samples show, for layouts no sample has: an index field that is also a key field, a
// unique index, format 3.x files.
struct IndexFileField {
    std::uint8_t type;
    std::uint8_t size;
    QByteArray name;
    std::uint16_t number; // entry of the field-number list (bit 15: descending)
};

struct IndexFileBuilder {
    std::uint8_t fileType = 8;         // 3/5 .Xnn, 6/8 .XGn
    std::uint8_t version = 11;         // byte 0x39; below 5 the file has no field numbers
    std::uint8_t options = 0;          // byte 0x55
    std::uint8_t indexFieldNumber = 0; // byte 0x15; 0: the first field's number
    QByteArray sortOrderId = "ascii";
    QByteArray indexName; // .XGn only
    QList<IndexFileField> fields;

    QByteArray build() const;
};

} // namespace korvex::test::paradox

#include "ParadoxCompanions.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace korvex::demo {

namespace {

std::uint16_t get16(const Bytes& b, std::size_t at)
{
    if (at + 2 > b.size())
        throw std::runtime_error("header cut short at offset " + std::to_string(at));
    return std::uint16_t(b[at] | b[at + 1] << 8);
}

std::uint32_t get32(const Bytes& b, std::size_t at)
{
    return std::uint32_t(get16(b, at)) | std::uint32_t(get16(b, at + 2)) << 16;
}

void put16(Bytes& b, std::size_t at, std::uint16_t v)
{
    if (at + 2 > b.size())
        throw std::runtime_error("write past the end at offset " + std::to_string(at));
    b[at] = std::uint8_t(v);
    b[at + 1] = std::uint8_t(v >> 8);
}

void put32(Bytes& b, std::size_t at, std::uint32_t v)
{
    put16(b, at, std::uint16_t(v));
    put16(b, at + 2, std::uint16_t(v >> 16));
}

// Copies text into a fixed slot of size bytes: NUL-terminated, the rest zeros.
void putText(Bytes& b, std::size_t at, std::size_t size, const std::string& text)
{
    if (text.size() >= size)
        throw std::runtime_error("\"" + text + "\" does not fit a slot of " + std::to_string(size) + " bytes");
    if (at + size > b.size())
        throw std::runtime_error("write past the end at offset " + std::to_string(at));
    std::copy(text.begin(), text.end(), b.begin() + std::ptrdiff_t(at));
}

void append(Bytes& b, const Bytes& part)
{
    b.insert(b.end(), part.begin(), part.end());
}

void appendText(Bytes& b, const std::string& text)
{
    b.insert(b.end(), text.begin(), text.end());
    b.push_back(0);
}

void append16(Bytes& b, std::uint16_t v)
{
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}

void append32(Bytes& b, std::uint32_t v)
{
    append16(b, std::uint16_t(v));
    append16(b, std::uint16_t(v >> 16));
}

std::size_t endOfText(const Bytes& b, std::size_t at)
{
    const auto nul = std::find(b.begin() + std::ptrdiff_t(at), b.end(), 0);
    if (nul == b.end())
        throw std::runtime_error("unterminated text at offset " + std::to_string(at));
    return std::size_t(nul - b.begin()) + 1;
}

// Where the parts of the variable header lie. .DB and X files carry field names, field
// numbers and the sort-order ID; .PX and Y files end after the table-name slot.
struct HeaderLayout {
    bool dataFile = false;
    std::uint16_t fieldCount = 0;
    std::size_t descriptors = 0;
    std::size_t tableNamePointer = 0;
    std::size_t fieldNamePointers = 0;
    std::size_t fieldNames = 0;
    std::size_t fieldNumbers = 0;
    std::size_t end = 0;
};

HeaderLayout layoutOf(const Bytes& f)
{
    if (f.size() < 0x78)
        throw std::runtime_error("not a Paradox file: too short");
    HeaderLayout l;
    const std::uint8_t fileType = f[0x04];
    const std::uint8_t version = f[0x39];
    if (version < 5)
        throw std::runtime_error("the demo writes only Paradox 4 and later files");
    l.dataFile = fileType == 0 || fileType == 2 || fileType == 3 || fileType == 5 || fileType == 6 || fileType == 8;
    l.fieldCount = get16(f, 0x21);
    const std::size_t tableNameSize = version == 12 ? 261 : 79;
    std::size_t p = l.dataFile ? 0x78 : 0x58;
    l.descriptors = p;
    p += 2 * std::size_t(l.fieldCount);
    l.tableNamePointer = p;
    p += 4;
    if (l.dataFile) {
        l.fieldNamePointers = p;
        p += 4 * std::size_t(l.fieldCount);
    }
    p += tableNameSize;
    if (l.dataFile) {
        l.fieldNames = p;
        for (std::size_t i = 0; i < l.fieldCount; ++i)
            p = endOfText(f, p);
        l.fieldNumbers = p;
        p += 2 * std::size_t(l.fieldCount);
        p = endOfText(f, p); // the sort-order ID
    }
    l.end = p;
    return l;
}

// The fixed part of a check record, before the values it announces.
constexpr std::size_t ValHeaderSize = 0x35;
// Only zero or non-zero matters in the slots that tell which parts of a check follow;
// the engine leaves memory addresses there.
constexpr std::uint32_t Present = 1;
constexpr std::size_t MaxLinkFields = 16;
constexpr std::size_t MasterLinkSize = 0x1E0;
constexpr std::size_t DependentsHeaderSize = 0xBA;
constexpr std::size_t DependentSize = 0x12A;
// The slot for the table's path in the footer.
constexpr std::size_t PathSlot = 79;

Bytes checkRecord(const ValCheck& c)
{
    const std::size_t pictureLength = c.picture.empty() ? 0 : c.picture.size() + 1;
    if (pictureLength > 176)
        throw std::runtime_error("picture \"" + c.picture + "\" is longer than 175 characters");
    Bytes r;
    r.push_back(std::uint8_t(c.fieldIndex));
    r.push_back(std::uint8_t(pictureLength));
    r.push_back(c.required ? 1 : 0);
    r.push_back(0); // lookup options
    append32(r, 0); // no table lookup
    append32(r, 0);
    append32(r, c.minimum ? Present : 0);
    append32(r, c.maximum ? Present : 0);
    append32(r, c.defaultValue ? Present : 0);
    append32(r, c.picture.empty() ? 0 : Present);
    for (const auto* value : {&c.minimum, &c.maximum, &c.defaultValue})
        if (*value)
            append(r, **value);
    if (!c.picture.empty())
        appendText(r, c.picture);
    return r;
}

void putFieldNumbers(Bytes& b, std::size_t at, const std::vector<std::uint16_t>& numbers)
{
    if (numbers.empty() || numbers.size() > MaxLinkFields)
        throw std::runtime_error("a link has 1 to 16 field pairs");
    for (std::size_t i = 0; i < numbers.size(); ++i)
        put16(b, at + 2 * i, numbers[i]);
}

Bytes masterLinkRecord(const ValMasterLink& link)
{
    if (link.fields.size() != link.masterFields.size())
        throw std::runtime_error("link " + link.name + " pairs unequal field lists");
    const bool single = link.fields.size() == 1;
    Bytes r(MasterLinkSize, 0);
    putText(r, 0x000, 64, link.name);
    // A single-field link names this table's field; a composite one repeats its own name.
    putText(r, 0x040, 64, single ? link.fieldName : link.name);
    r[0x0B2] = single ? std::uint8_t(link.fields[0]) : 0;
    putText(r, 0x0D4, 114, link.masterFile);
    put32(r, 0x19A, link.cascade ? 1 : 0);
    put16(r, 0x19E, std::uint16_t(link.fields.size()));
    putFieldNumbers(r, 0x1A0, link.fields);
    putFieldNumbers(r, 0x1C0, link.masterFields);
    return r;
}

Bytes dependentRecord(const ValDependent& d)
{
    const bool single = d.dependentFields.size() == 1;
    Bytes r(DependentSize, 0);
    putText(r, 0x000, 64, d.name);
    putText(r, 0x040, 82, d.dependentFile);
    putText(r, 0x092, 114, single ? d.fieldName : d.name);
    put16(r, 0x104, single ? d.dependentFields[0] : 0);
    // Real files carry the update rule here for single-field links and 0 for composite ones.
    put16(r, 0x106, single && d.cascade ? 1 : 0);
    putFieldNumbers(r, 0x10A, d.dependentFields);
    return r;
}

Bytes integritySection(const ValContent& c)
{
    Bytes s;
    append16(s, std::uint16_t(c.masterLinks.size()));
    for (const auto& link : c.masterLinks)
        append(s, masterLinkRecord(link));
    if (c.dependents.empty()) {
        append16(s, 0);
        return s;
    }
    // The dependents header starts with the flag word that says it is there.
    Bytes header(DependentsHeaderSize, 0);
    put16(header, 0x00, 1);
    put16(header, 0x96, std::uint16_t(c.referencedKeyFields.size()));
    putFieldNumbers(header, 0x98, c.referencedKeyFields);
    put16(header, 0xB8, std::uint16_t(c.dependents.size()));
    append(s, header);
    for (const auto& d : c.dependents)
        append(s, dependentRecord(d));
    return s;
}

Bytes footer(const ValContent& c)
{
    const auto& t = c.table;
    std::size_t namesSize = 0;
    for (const auto& name : t.fieldNames)
        namesSize += name.size() + 1;
    Bytes f;
    append16(f, std::uint16_t(t.descriptors.size()));
    append16(f, t.keyFields);
    append16(f, std::uint16_t(PathSlot + namesSize));
    for (auto n : t.fieldNumbers)
        append16(f, n);
    for (auto [type, size] : t.descriptors) {
        f.push_back(type);
        f.push_back(size);
    }
    Bytes path(PathSlot, 0);
    putText(path, 0, PathSlot, c.tableFile);
    append(f, path);
    for (const auto& name : t.fieldNames)
        appendText(f, name);
    return f;
}

} // namespace

TableHeaderFacts readTableHeader(const Bytes& db)
{
    const HeaderLayout l = layoutOf(db);
    if (db[0x04] != 0 && db[0x04] != 2)
        throw std::runtime_error("not a .DB file");
    TableHeaderFacts t;
    t.fileVersion = db[0x39];
    t.changeCount = db[0x2E];
    t.updateTime = get32(db, 0x60);
    t.hiFieldId = get16(db, 0x64);
    t.keyFields = get16(db, 0x23);
    for (std::size_t i = 0; i < l.fieldCount; ++i) {
        t.descriptors.emplace_back(db[l.descriptors + 2 * i], db[l.descriptors + 2 * i + 1]);
        t.fieldNumbers.push_back(get16(db, l.fieldNumbers + 2 * i));
    }
    for (std::size_t p = l.fieldNames; p < l.fieldNumbers; p = endOfText(db, p))
        t.fieldNames.emplace_back(reinterpret_cast<const char*>(db.data() + p));
    return t;
}

Bytes buildValFile(const ValContent& c)
{
    Bytes body;
    for (const auto& check : c.checks)
        append(body, checkRecord(check));
    const bool hasIntegrity = !c.masterLinks.empty() || !c.dependents.empty();
    const Bytes integrity = hasIntegrity ? integritySection(c) : Bytes{};

    Bytes v(ValHeaderSize, 0);
    v[0x00] = c.table.changeCount;
    v[0x01] = c.table.fileVersion;
    v[0x02] = std::uint8_t(c.checks.size());
    put32(v, 0x03, c.table.updateTime);
    v[0x07] = std::uint8_t(c.table.hiFieldId);
    const std::size_t integrityAt = ValHeaderSize + body.size();
    put32(v, 0x09, std::uint32_t(integrityAt + integrity.size()));
    put32(v, 0x0D, hasIntegrity ? std::uint32_t(integrityAt) : 0);
    append(v, body);
    append(v, integrity);
    append(v, footer(c));
    return v;
}

void normalisePxlibHeader(Bytes& f, std::uint32_t updateTime)
{
    const HeaderLayout l = layoutOf(f);
    std::fill(f.begin() + 0x16, f.begin() + 0x1E, 0);
    std::fill(f.begin() + 0x30, f.begin() + 0x38, 0);
    put32(f, l.tableNamePointer, 0);
    if (l.dataFile) {
        for (std::size_t i = 0; i < l.fieldCount; ++i)
            put32(f, l.fieldNamePointers + 4 * i, 0);
        put32(f, 0x60, updateTime);
    }
}

void completeSecondaryIndex(Bytes& x, Bytes& y, const SecondaryIndexHeader& index)
{
    const HeaderLayout l = layoutOf(x);
    if (!l.dataFile || x[0x04] != 0)
        throw std::runtime_error("expected the index data as pxlib writes a keyed table");
    if (y[0x04] != 1)
        throw std::runtime_error("expected the index tree as pxlib writes a primary index");
    if (get16(x, 0x51) != l.end)
        throw std::runtime_error("the index header does not end where its real size says");
    const std::size_t m = index.fields.size();
    if (m == 0 || m >= l.fieldCount)
        throw std::runtime_error("an index needs 1 to " + std::to_string(l.fieldCount - 1) + " fields");

    x[0x04] = index.composite ? 8 : 5; // maintained
    y[0x04] = index.composite ? 7 : 4;
    x[0x15] = std::uint8_t(index.fields[0]);
    x[0x2C] = 0xFF;
    x[0x2E] = index.tableChangeCount;
    x[0x55] = std::uint8_t((index.caseInsensitive ? 0x01 : 0) | (index.descending ? 0x10 : 0) |
                           (index.unique ? 0x20 : 0));
    // The index fields by their table numbers (bit 15: descending), then the X file's
    // own positions of the fields that follow them.
    for (std::size_t i = 0; i < l.fieldCount; ++i) {
        const std::uint16_t number = i < m ? std::uint16_t(index.fields[i] | (index.descending ? 0x8000 : 0))
                                           : std::uint16_t(i + 1);
        put16(x, l.fieldNumbers + 2 * i, number);
    }
    if (index.composite) {
        const std::size_t headerSize = get16(x, 0x02);
        if (l.end + index.name.size() + 1 > headerSize)
            throw std::runtime_error("index name " + index.name + " does not fit the header");
        putText(x, l.end, index.name.size() + 1, index.name);
        put16(x, 0x51, std::uint16_t(l.end + index.name.size() + 1));
    }
}

Bytes readFile(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        throw std::runtime_error("cannot open " + path);
    Bytes b;
    std::uint8_t chunk[4096];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        b.insert(b.end(), chunk, chunk + n);
    std::fclose(f);
    return b;
}

void writeFile(const std::string& path, const Bytes& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        throw std::runtime_error("cannot create " + path);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !written)
        throw std::runtime_error("cannot write " + path);
}

} // namespace korvex::demo

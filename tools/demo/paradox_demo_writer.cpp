// Writes the Paradox part of the demo database (ParadoxDemoTables.h) into the folder
// given on the command line.
//
// pxlib, an independent writer of the format, writes the tables (.DB), their memo files
// (.MB), primary indexes (.PX) and the records and trees of the secondary indexes (.Xnn
// and .XGn as keyed tables, .Ynn and .YGn as their primary indexes); pxlib's encoders also
// turn every validity value into its stored form. ParadoxCompanions writes what pxlib
// cannot: the .VAL files and the secondary indexes' own header entries.

#include "ParadoxCompanions.h"
#include "ParadoxDemoTables.h"

extern "C" {
#include <paradox.h>
}

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvex::demo {

namespace {

// The demo's "now": every table says it was last written at 2026-01-15 12:00:00 UTC.
constexpr std::uint32_t UpdateTime = 1768478400;

void reportError(pxdoc_t*, int type, const char* message, void*)
{
    std::fprintf(stderr, "pxlib (%d): %s\n", type, message);
}

int recordBytes(const DemoField& f)
{
    return f.type == pdx::Bcd ? 17 : f.size;
}

std::size_t fieldIndex(const DemoTable& t, const std::string& name)
{
    for (std::size_t i = 0; i < t.fields.size(); ++i)
        if (t.fields[i].name == name)
            return i;
    throw std::runtime_error(t.file + " has no field " + name);
}

long long wholeNumber(const std::string& text)
{
    long long v = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (error != std::errc() || end != text.data() + text.size())
        throw std::runtime_error("not a whole number: " + text);
    return v;
}

double realNumber(const std::string& text)
{
    double v = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (error != std::errc() || end != text.data() + text.size())
        throw std::runtime_error("not a number: " + text);
    return v;
}

// Day number with 1 January of year 1 as day 1 (proleptic Gregorian calendar).
long dayNumber(const std::string& text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        throw std::runtime_error("not a YYYY-MM-DD date: " + text);
    long y = long(wholeNumber(text.substr(0, 4)));
    const long m = long(wholeNumber(text.substr(5, 2)));
    const long d = long(wholeNumber(text.substr(8, 2)));
    y -= m <= 2 ? 1 : 0;
    const long era = y / 400;
    const long yearOfEra = y - era * 400;
    const long dayOfYear = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 305; // 0001-01-01 gives 1
}

long millisecondsOfDay(const std::string& text)
{
    if (text.size() != 8 || text[2] != ':' || text[5] != ':')
        throw std::runtime_error("not an HH:MM:SS time: " + text);
    return ((wholeNumber(text.substr(0, 2)) * 60 + wholeNumber(text.substr(3, 2))) * 60 +
            wholeNumber(text.substr(6, 2))) *
           1000;
}

// A value as a number (for sorting index records) or as text (Alpha); blank sorts first.
struct SortValue {
    bool blank = true;
    double number = 0;
    std::string text;
};

SortValue sortValue(const DemoField& f, const std::string& text)
{
    SortValue v;
    if (text.empty())
        return v;
    v.blank = false;
    switch (f.type) {
    case pdx::Alpha: v.text = text; break;
    case pdx::Date: v.number = double(dayNumber(text)); break;
    case pdx::Time: v.number = double(millisecondsOfDay(text)); break;
    case pdx::Timestamp:
        v.number = double(dayNumber(text.substr(0, 10))) * 86400000.0 + double(millisecondsOfDay(text.substr(11)));
        break;
    case pdx::Logical: v.number = text == "true" ? 1 : 0; break;
    case pdx::Memo: v.text = text; break;
    default: v.number = realNumber(text); break;
    }
    return v;
}

int compare(const SortValue& a, const SortValue& b, bool caseInsensitive)
{
    if (a.blank || b.blank)
        return int(b.blank) - int(a.blank);
    if (a.number != b.number)
        return a.number < b.number ? -1 : 1;
    std::string x = a.text, y = b.text;
    if (caseInsensitive) {
        for (auto* s : {&x, &y})
            std::transform(s->begin(), s->end(), s->begin(), [](unsigned char c) { return char(std::tolower(c)); });
    }
    return x.compare(y) < 0 ? -1 : x.compare(y) > 0 ? 1 : 0;
}

// Stores text as the field's value with pxlib's encoders; blank text leaves zeros.
void encode(pxdoc_t* px, const DemoField& f, const std::string& text, char* out)
{
    std::memset(out, 0, std::size_t(recordBytes(f)));
    if (text.empty())
        return;
    std::string copy = text;
    switch (f.type) {
    case pdx::Alpha:
        if (int(text.size()) > f.size)
            throw std::runtime_error(f.name + ": \"" + text + "\" is longer than the field");
        PX_put_data_alpha(px, out, f.size, copy.data());
        break;
    case pdx::Date: PX_put_data_long(px, out, 4, int(dayNumber(text))); break;
    case pdx::Time: PX_put_data_long(px, out, 4, int(millisecondsOfDay(text))); break;
    case pdx::Short: PX_put_data_short(px, out, 2, short(wholeNumber(text))); break;
    case pdx::Long:
    case pdx::AutoInc: PX_put_data_long(px, out, 4, int(wholeNumber(text))); break;
    case pdx::Money:
    case pdx::Number: PX_put_data_double(px, out, 8, realNumber(text)); break;
    case pdx::Timestamp: PX_put_data_double(px, out, 8, sortValue(f, text).number); break;
    case pdx::Logical: PX_put_data_byte(px, out, 1, text == "true" ? 1 : 0); break;
    case pdx::Bcd: PX_put_data_bcd(px, out, f.size, copy.data()); break;
    case pdx::Memo: PX_put_data_blob(px, out, f.size, copy.data(), int(copy.size())); break;
    default: throw std::runtime_error(f.name + ": the demo has no values for this field type");
    }
}

Bytes encoded(pxdoc_t* px, const DemoField& f, const std::string& text)
{
    std::vector<char> value(static_cast<std::size_t>(recordBytes(f)));
    encode(px, f, text, value.data());
    return Bytes(value.begin(), value.end());
}

// pxlib takes over the field array and the names and frees them with free().
pxfield_t* fieldArray(const std::vector<DemoField>& fields)
{
    auto* array = static_cast<pxfield_t*>(std::calloc(fields.size(), sizeof(pxfield_t)));
    for (std::size_t i = 0; i < fields.size(); ++i) {
        array[i].px_fname = strdup(fields[i].name.c_str());
        array[i].px_ftype = char(fields[i].type);
        array[i].px_flen = recordBytes(fields[i]);
        array[i].px_fdc = fields[i].type == pdx::Bcd ? fields[i].size : 0;
    }
    return array;
}

// One pxlib document with the FILE it writes to.
class PxFile {
public:
    PxFile(const std::string& path, const std::vector<DemoField>& fields, int fileType, int keyFields)
        : path_(path), px_(PX_new2(reportError, nullptr, nullptr, nullptr)), fp_(std::fopen(path.c_str(), "w+b"))
    {
        if (!px_ || !fp_ || PX_create_fp(px_, fieldArray(fields), int(fields.size()), fp_, fileType) < 0)
            throw std::runtime_error("pxlib could not create " + path);
        // pxlib picks 3 KB blocks for some record sizes, a size the engine never writes;
        // 2 KB is its usual block. It leaves the byte it writes at 0x55 of a table unset.
        px_->px_head->px_maxtablesize = 2;
        px_->px_head->px_refintegrity = 0;
        if (keyFields > 0)
            PX_set_value(px_, "numprimkeys", float(keyFields));
        const std::string name = std::filesystem::path(path).filename().string();
        PX_set_parameter(px_, "tablename", name.c_str());
    }
    PxFile(const PxFile&) = delete;
    PxFile& operator=(const PxFile&) = delete;
    ~PxFile()
    {
        if (px_) {
            PX_close(px_);
            PX_delete(px_);
        }
        if (fp_)
            std::fclose(fp_);
    }
    pxdoc_t* doc() { return px_; }
    void put(std::vector<char>& record)
    {
        if (PX_put_record(px_, record.data()) < 0)
            throw std::runtime_error("pxlib could not write a record of " + path_);
    }
    void writePrimaryIndexTo(PxFile& index)
    {
        if (PX_write_primary_index(px_, index.px_) < 0)
            throw std::runtime_error("pxlib could not write the primary index of " + path_);
    }

private:
    std::string path_;
    pxdoc_t* px_;
    FILE* fp_;
};

std::string hexNumber(std::size_t n)
{
    const char* digits = "0123456789ABCDEF";
    return {digits[(n >> 4) & 0xF], digits[n & 0xF]};
}

std::string withExtension(const std::string& file, const std::string& extension)
{
    return std::filesystem::path(file).replace_extension(extension).string();
}

struct IndexFiles {
    std::string x;
    std::string y;
    SecondaryIndexHeader header;
};

// The rows in the order of the given columns, compared by value; the first
// descendingColumns columns count in descending order.
std::vector<std::size_t> rowOrder(const DemoTable& t, const std::vector<std::size_t>& columns,
                                  std::size_t descendingColumns, bool caseInsensitive)
{
    std::vector<std::size_t> order(t.rows.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const auto& f = t.fields[columns[i]];
            const int c = compare(sortValue(f, t.rows[a][columns[i]]), sortValue(f, t.rows[b][columns[i]]),
                                  caseInsensitive);
            if (c != 0)
                return i < descendingColumns ? c > 0 : c < 0;
        }
        return false;
    });
    return order;
}

// A table as written: its rows in key order, and the data block each row went to.
struct WrittenTable {
    DemoTable table;
    std::vector<int> blocks;
};

// The .DB, .MB and .PX of a table.
WrittenTable writeTable(const std::string& folder, const DemoTable& t)
{
    std::vector<std::size_t> key;
    for (int i = 0; i < t.keyFields; ++i)
        key.push_back(std::size_t(i));
    WrittenTable written{t, {}};
    written.table.rows.clear();
    for (std::size_t r : rowOrder(t, key, 0, false))
        written.table.rows.push_back(t.rows[r]);

    PxFile db(folder + "/" + t.file, t.fields, t.keyFields > 0 ? pxfFileTypIndexDB : pxfFileTypNonIndexDB, t.keyFields);
    if (!t.blobFile.empty() && PX_set_blob_file(db.doc(), (folder + "/" + t.blobFile).c_str()) < 0)
        throw std::runtime_error("pxlib could not create " + t.blobFile);
    int recordSize = 0;
    for (const auto& f : t.fields)
        recordSize += recordBytes(f);
    std::vector<char> record(static_cast<std::size_t>(recordSize));
    // pxlib fills each data block (6 bytes of block header, then records) before it
    // starts the next.
    float blockKb = 0;
    PX_get_value(db.doc(), "maxtablesize", &blockKb);
    const int recordsPerBlock = (int(blockKb) * 1024 - 6) / recordSize;
    for (const auto& row : written.table.rows) {
        if (row.size() != t.fields.size())
            throw std::runtime_error(t.file + ": a row needs one value per field");
        char* p = record.data();
        for (std::size_t i = 0; i < t.fields.size(); ++i) {
            encode(db.doc(), t.fields[i], row[i], p);
            p += recordBytes(t.fields[i]);
        }
        db.put(record);
        written.blocks.push_back(int(written.blocks.size()) / recordsPerBlock + 1);
    }
    if (t.keyFields > 0) {
        std::vector<DemoField> keyFields(t.fields.begin(), t.fields.begin() + t.keyFields);
        PxFile px(folder + "/" + withExtension(t.file, ".PX"), keyFields, pxfFileTypPrimIndex, 0);
        db.writePrimaryIndexTo(px);
    }
    return written;
}

// A secondary index of a keyed table: its records hold the index fields, the key fields
// and the data block of the row, in index order; the Y file is the tree over them.
IndexFiles writeSecondaryIndex(const std::string& folder, const WrittenTable& written, const DemoIndex& index,
                               int& compositeCount)
{
    const DemoTable& t = written.table;
    std::vector<std::size_t> fields;
    for (const auto& name : index.fields)
        fields.push_back(fieldIndex(t, name));
    const bool composite = !index.name.empty();
    if (!composite && (fields.size() != 1 || index.descending || index.caseInsensitive || index.unique))
        throw std::runtime_error(t.file + ": only a single-field, case-sensitive, ascending index may go unnamed");
    if (t.keyFields == 0)
        throw std::runtime_error(t.file + ": the demo indexes keyed tables only");

    IndexFiles files;
    // Appended, not prefixed: GCC 12 takes "G" + std::string&& for an overlapping copy
    // (-Wrestrict) once it is inlined.
    std::string suffix = composite ? std::string("G") : hexNumber(fields[0] + 1);
    if (composite)
        suffix += std::to_string(compositeCount++);
    files.x = folder + "/" + withExtension(t.file, ".X" + suffix);
    files.y = folder + "/" + withExtension(t.file, ".Y" + suffix);
    files.header.composite = composite;
    files.header.name = index.name;
    for (std::size_t f : fields)
        files.header.fields.push_back(std::uint16_t(f + 1));
    files.header.unique = index.unique;
    files.header.descending = index.descending;
    files.header.caseInsensitive = index.caseInsensitive;

    std::vector<DemoField> xFields;
    std::vector<std::size_t> columns = fields;
    for (const std::size_t f : fields)
        xFields.push_back(t.fields[f]);
    for (int k = 0; k < t.keyFields; ++k) {
        xFields.push_back(t.fields[std::size_t(k)]);
        columns.push_back(std::size_t(k));
    }
    xFields.push_back({"Blk Num", pdx::Short, 2});
    const int xKeyFields = int(xFields.size()) - 1;

    PxFile x(files.x, xFields, pxfFileTypIndexDB, xKeyFields);
    int recordSize = 0;
    for (const auto& f : xFields)
        recordSize += recordBytes(f);
    std::vector<char> record(static_cast<std::size_t>(recordSize));
    // The index fields decide the order; the key fields break ties, always ascending.
    const std::vector<std::size_t> rows = rowOrder(t, columns, index.descending ? fields.size() : 0,
                                                   index.caseInsensitive);
    for (std::size_t r : rows) {
        char* p = record.data();
        for (std::size_t i = 0; i < columns.size(); ++i) {
            encode(x.doc(), xFields[i], t.rows[r][columns[i]], p);
            p += recordBytes(xFields[i]);
        }
        encode(x.doc(), xFields.back(), std::to_string(written.blocks[r]), p);
        x.put(record);
    }
    std::vector<DemoField> yFields(xFields.begin(), xFields.end() - 1);
    PxFile y(files.y, yFields, pxfFileTypPrimIndex, 0);
    x.writePrimaryIndexTo(y);
    return files;
}

// The links of every table, seen from their masters.
struct Dependent {
    const DemoTable* table;
    const DemoLink* link;
};

ValContent valContent(const DemoTable& t, pxdoc_t* px, const TableHeaderFacts& facts,
                      const std::vector<Dependent>& dependents, const std::vector<DemoTable>& all)
{
    ValContent v;
    v.table = facts;
    v.tableFile = t.file;
    for (std::size_t i = 0; i < t.fields.size(); ++i) {
        for (const auto& c : t.checks) {
            if (c.field != t.fields[i].name)
                continue;
            ValCheck check;
            check.fieldIndex = int(i);
            check.required = c.required;
            if (!c.minimum.empty())
                check.minimum = encoded(px, t.fields[i], c.minimum);
            if (!c.maximum.empty())
                check.maximum = encoded(px, t.fields[i], c.maximum);
            if (!c.defaultValue.empty())
                check.defaultValue = encoded(px, t.fields[i], c.defaultValue);
            check.picture = c.picture;
            v.checks.push_back(check);
        }
    }
    for (const auto& c : t.checks)
        fieldIndex(t, c.field); // a check on a field the table lacks is a mistake in the demo

    const auto tableNamed = [&](const std::string& file) -> const DemoTable& {
        for (const auto& other : all)
            if (other.file == file)
                return other;
        throw std::runtime_error("no demo table " + file);
    };
    for (const auto& link : t.links) {
        const DemoTable& master = tableNamed(link.masterFile);
        ValMasterLink m;
        m.name = link.name;
        m.masterFile = link.masterFile;
        m.cascade = link.cascade;
        for (const auto& f : link.fields)
            m.fields.push_back(std::uint16_t(fieldIndex(t, f) + 1));
        for (const auto& f : link.masterFields)
            m.masterFields.push_back(std::uint16_t(fieldIndex(master, f) + 1));
        m.fieldName = link.fields.front();
        v.masterLinks.push_back(m);
    }
    for (const auto& d : dependents) {
        std::vector<std::uint16_t> keyFields;
        for (const auto& f : d.link->masterFields)
            keyFields.push_back(std::uint16_t(fieldIndex(t, f) + 1));
        if (!v.referencedKeyFields.empty() && v.referencedKeyFields != keyFields)
            throw std::runtime_error(t.file + ": every dependent must refer to the same key fields");
        v.referencedKeyFields = keyFields;
        ValDependent dep;
        dep.name = d.link->name;
        dep.dependentFile = d.table->file;
        dep.cascade = d.link->cascade;
        for (const auto& f : d.link->fields)
            dep.dependentFields.push_back(std::uint16_t(fieldIndex(*d.table, f) + 1));
        dep.fieldName = d.link->fields.front();
        v.dependents.push_back(dep);
    }
    return v;
}

void makeParadoxDemo(const std::string& folder)
{
    const std::vector<DemoTable> tables = paradoxDemoTables();
    std::map<std::string, std::vector<Dependent>> dependents;
    for (const auto& t : tables) {
        for (const auto& link : t.links) {
            dependents[link.masterFile].push_back({&t, &link});
            // Paradox keeps an index on a dependent's link fields.
            if (std::none_of(t.indexes.begin(), t.indexes.end(),
                             [&](const DemoIndex& i) { return i.fields == link.fields; }))
                throw std::runtime_error(t.file + ": link " + link.name + " needs an index on its fields");
        }
    }

    for (const auto& t : tables) {
        const WrittenTable written = writeTable(folder, t);
        std::vector<IndexFiles> indexes;
        int compositeCount = 0;
        for (const auto& index : t.indexes)
            indexes.push_back(writeSecondaryIndex(folder, written, index, compositeCount));

        const std::string dbPath = folder + "/" + t.file;
        Bytes db = readFile(dbPath);
        normalisePxlibHeader(db, UpdateTime);
        writeFile(dbPath, db);
        if (t.keyFields > 0) {
            const std::string pxPath = folder + "/" + withExtension(t.file, ".PX");
            Bytes px = readFile(pxPath);
            normalisePxlibHeader(px, UpdateTime);
            writeFile(pxPath, px);
        }
        const TableHeaderFacts facts = readTableHeader(db);
        for (auto& index : indexes) {
            Bytes x = readFile(index.x);
            Bytes y = readFile(index.y);
            normalisePxlibHeader(x, UpdateTime);
            normalisePxlibHeader(y, UpdateTime);
            index.header.tableChangeCount = facts.changeCount;
            completeSecondaryIndex(x, y, index.header);
            writeFile(index.x, x);
            writeFile(index.y, y);
        }

        // A document only for pxlib's value encoders.
        pxdoc_t* encoder = PX_new2(reportError, nullptr, nullptr, nullptr);
        const ValContent val = valContent(t, encoder, facts, dependents[t.file], tables);
        PX_delete(encoder);
        if (!val.checks.empty() || !val.masterLinks.empty() || !val.dependents.empty())
            writeFile(folder + "/" + withExtension(t.file, ".VAL"), buildValFile(val));
    }
}

} // namespace

} // namespace korvex::demo

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    std::error_code error;
    std::filesystem::create_directories(argv[1], error);
    if (error) {
        std::fprintf(stderr, "cannot create %s: %s\n", argv[1], error.message().c_str());
        return 1;
    }
    PX_boot();
    int status = 0;
    try {
        korvex::demo::makeParadoxDemo(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        status = 1;
    }
    PX_shutdown();
    return status;
}

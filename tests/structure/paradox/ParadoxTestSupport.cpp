#include "ParadoxTestSupport.h"

#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <paradox.h>
}

namespace korvex::test::paradox {

namespace {

void quiet(pxdoc_t*, int, const char*, void*)
{}

// A document for pxlib's value encoders; they only consult it for warnings.
pxdoc_t* encoder()
{
    static pxdoc_t* doc = [] {
        PX_boot();
        return PX_new2(quiet, nullptr, nullptr, nullptr);
    }();
    return doc;
}

} // namespace

FileBytes TableFiles::dbBytes() const
{
    return FileBytes{QFileInfo(dbPath).fileName(), asBytes(db)};
}

std::optional<FileBytes> TableFiles::valBytes() const
{
    if (valPath.isEmpty())
        return std::nullopt;
    return FileBytes{QFileInfo(valPath).fileName(), asBytes(val)};
}

QString companionVal(const QString& dbPath)
{
    const QFileInfo info(dbPath);
    const QString wanted = info.completeBaseName() + QStringLiteral(".val");
    for (const auto& entry : QDir(info.path()).entryList(QDir::Files))
        if (entry.compare(wanted, Qt::CaseInsensitive) == 0)
            return info.dir().filePath(entry);
    return {};
}

TableFiles loadTable(const QString& dbPath)
{
    TableFiles t;
    t.dbPath = dbPath;
    t.db = readWholeFile(dbPath);
    t.valPath = companionVal(dbPath);
    if (!t.valPath.isEmpty())
        t.val = readWholeFile(t.valPath);
    return t;
}

QStringList sampleTables()
{
    if (samplesDir().isEmpty())
        return {};
    return filesWithSuffix(samplesDir() + QStringLiteral("/paradox"), {QStringLiteral(".db")});
}

QString samplePath(const QString& relative)
{
    return samplesDir() + QStringLiteral("/paradox/") + relative;
}

std::optional<PxlibTable> readWithPxlib(const QString& path)
{
    PX_boot();
    pxdoc_t* px = PX_new2(quiet, nullptr, nullptr, nullptr);
    FILE* fp = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!px || !fp || PX_open_fp(px, fp) < 0) {
        if (fp)
            std::fclose(fp);
        if (px)
            PX_delete(px);
        return std::nullopt;
    }
    const pxhead_t* h = px->px_head;
    PxlibTable t;
    t.recordSize = h->px_recordsize;
    t.fileVersion = h->px_fileversion;
    t.fileType = h->px_filetype;
    t.primaryKeyFields = h->px_primarykeyfields;
    t.maxTableSize = h->px_maxtablesize;
    t.sortOrder = static_cast<unsigned char>(h->px_sortorder);
    t.dosCodePage = h->px_doscodepage;
    t.encryption = h->px_encryption;
    t.refIntegrity = static_cast<unsigned char>(h->px_refintegrity);
    for (int i = 0; i < h->px_numfields; ++i) {
        const pxfield_t* f = PX_get_field(px, i);
        t.fields.push_back({QByteArray(f->px_fname ? f->px_fname : ""), static_cast<unsigned char>(f->px_ftype),
                            f->px_flen, f->px_fdc});
    }
    PX_close(px);
    PX_delete(px);
    std::fclose(fp);
    return t;
}

QByteArray writeWithPxlib(const std::vector<fixtures::ParadoxFixtureField>& fields, int keyFields)
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("table.db")));
    PX_boot();
    pxdoc_t* px = PX_new2(quiet, nullptr, nullptr, nullptr);
    FILE* fp = std::fopen(path.constData(), "w+b");
    if (!px || !fp)
        return {};
    // pxlib frees the field array and names itself.
    auto* array = static_cast<pxfield_t*>(std::calloc(fields.size(), sizeof(pxfield_t)));
    for (std::size_t i = 0; i < fields.size(); ++i)
        array[i] = {strdup(fields[i].name.c_str()), char(fields[i].type), fields[i].length, fields[i].decimals};
    const bool created = PX_create_fp(px, array, int(fields.size()), fp,
                                      keyFields > 0 ? pxfFileTypIndexDB : pxfFileTypNonIndexDB) == 0;
    if (created && keyFields > 0)
        PX_set_value(px, "numprimkeys", float(keyFields));
    PX_close(px);
    PX_delete(px);
    std::fclose(fp);
    return created ? readWholeFile(dir.filePath(QStringLiteral("table.db"))) : QByteArray();
}

QByteArray pxlibShort(short value)
{
    QByteArray b(2, '\0');
    PX_put_data_short(encoder(), b.data(), 2, value);
    return b;
}

QByteArray pxlibLong(int value)
{
    QByteArray b(4, '\0');
    PX_put_data_long(encoder(), b.data(), 4, value);
    return b;
}

QByteArray pxlibDouble(double value, int length)
{
    QByteArray b(length, '\0');
    PX_put_data_double(encoder(), b.data(), length, value);
    return b;
}

QByteArray pxlibByte(char value)
{
    QByteArray b(1, '\0');
    PX_put_data_byte(encoder(), b.data(), 1, value);
    return b;
}

QByteArray pxlibBcd(const char* text, int decimals)
{
    QByteArray b(17, '\0');
    PX_put_data_bcd(encoder(), b.data(), decimals, const_cast<char*>(text));
    return b;
}

} // namespace korvex::test::paradox

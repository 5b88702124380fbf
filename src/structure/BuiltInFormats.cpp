#include "TableFormat.h"

#include "CodePage.h"
#include "MappedFile.h"
#include "dbase/DbaseIndexes.h"
#include "dbase/DbaseReader.h"
#include "paradox/IntegrityLinks.h"
#include "paradox/ParadoxIndexes.h"
#include "paradox/ParadoxReader.h"

#include <optional>

namespace korvex {

namespace {

// A companion file read into memory for the time of one read; a companion that is there
// but cannot be read is a failure of the table, named by that file.
class Companion {
public:
    explicit Companion(const std::optional<QString>& path, std::optional<qint64> headBytes = std::nullopt)
    {
        if (path)
            file_ = MappedFile::openCompanion(*path, headBytes);
    }

    std::optional<FileBytes> bytes() const
    {
        if (!file_)
            return std::nullopt;
        return file_->fileBytes();
    }

private:
    std::optional<MappedFile> file_;
};

// The header of a memo file: its first block (512 bytes in every dBASE and FoxPro dialect).
constexpr qint64 MemoHeaderBytes = 512;

class DbaseFormat : public TableFormat {
public:
    QString driverName() const override { return QStringLiteral("DBASE"); }
    bool handlesExtension(const QString& extension) const override { return extension == QLatin1String("DBF"); }

    TableDefinition readDefinition(const MappedFile& table, const TableFiles& files) const override
    {
        // Of a memo file only its header is read: it gives the block size.
        const Companion dbt(files.companion(QStringLiteral(".DBT")), MemoHeaderBytes);
        const Companion fpt(files.companion(QStringLiteral(".FPT")), MemoHeaderBytes);
        const Companion mdx(files.companion(QStringLiteral(".MDX")));
        const Companion cdx(files.companion(QStringLiteral(".CDX")));
        const Companion cpg(files.companion(QStringLiteral(".CPG")));
        TableDefinition definition = dbase::readTable(table.fileBytes(), {dbt.bytes(), fpt.bytes(), mdx.bytes(),
                                                                          cdx.bytes(), cpg.bytes()});
        // The indexes come from the bytes read already; an index file that cannot be read
        // fails the table when its indexes are listed, as it did before.
        try {
            definition.indexesAtOpening = dbase::readIndexes(definition, table.fileBytes(),
                                                             {std::nullopt, std::nullopt, mdx.bytes(), cdx.bytes(),
                                                              std::nullopt});
        } catch (const FormatError&) {
        }
        return definition;
    }

    std::vector<IndexDescription> readIndexes(const TableDefinition& definition, const TableFiles& files) const override
    {
        QString error;
        bool notFound = false;
        const auto table = MappedFile::open(files.mainPath(), error, notFound, MappedFile::TableHeadBytes);
        if (!table)
            throw FormatError(FormatError::Kind::Damaged, files.mainPath(), std::nullopt, error);
        const Companion mdx(files.companion(QStringLiteral(".MDX")));
        const Companion cdx(files.companion(QStringLiteral(".CDX")));
        return dbase::readIndexes(definition, table->fileBytes(),
                                  {std::nullopt, std::nullopt, mdx.bytes(), cdx.bytes(), std::nullopt});
    }

    bool passwordOpens(const TableDefinition&, const QString&) const override { return false; }
};

class ParadoxFormat : public TableFormat {
public:
    QString driverName() const override { return QStringLiteral("PARADOX"); }
    bool handlesExtension(const QString& extension) const override { return extension == QLatin1String("DB"); }

    TableDefinition readDefinition(const MappedFile& table, const TableFiles& files) const override
    {
        const auto valPath = files.companion(QStringLiteral(".VAL"));
        std::optional<Companion> val;
        try {
            val.emplace(valPath);
        } catch (const FormatError& e) {
            // A validity-check file that cannot be read fails the table as one that is damaged.
            throw FormatError(FormatError::Kind::ValidityDamaged, e.file(), e.offset(), e.detail());
        }
        const auto valBytes = val->bytes();
        TableDefinition definition = paradox::readTable(table.fileBytes(), valBytes ? &*valBytes : nullptr);
        // An index that cannot be used is told with the table's other warnings, at opening.
        paradox::noteUnreadableIndexes(definition, files);
        return definition;
    }

    std::vector<IndexDescription> readIndexes(const TableDefinition& definition, const TableFiles& files) const override
    {
        return paradox::readIndexes(definition, files);
    }

    std::vector<IntegrityDescriptor> readIntegrityLinks(const TableDefinition& definition,
                                                        const TableFiles& files) const override
    {
        return paradox::readIntegrityLinks(definition, files);
    }

    bool passwordOpens(const TableDefinition& definition, const QString& password) const override
    {
        // The checksum is taken over the password's bytes in the table's code page.
        return paradox::passwordChecksum(CodePage(definition.codePage).encode(password)) == definition.passwordChecksum;
    }
};

} // namespace

std::vector<std::unique_ptr<TableFormat>> builtInTableFormats()
{
    std::vector<std::unique_ptr<TableFormat>> formats;
    formats.push_back(std::make_unique<ParadoxFormat>());
    formats.push_back(std::make_unique<DbaseFormat>());
    return formats;
}

} // namespace korvex

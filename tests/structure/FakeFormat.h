#pragma once

#include "MappedFile.h"
#include "TableFormat.h"

#include <QByteArray>

namespace korvex::test {

// A table format for engine tests: files ending in .fak describe the table that the
// test put into the format; a file starting with "DAMAGED" or "NEWER" fails like a
// damaged or unsupported table.
class FakeFormat : public TableFormat {
public:
    explicit FakeFormat(TableDefinition definition, int indexes = 0, QString password = {})
        : definition_(std::move(definition)), indexes_(indexes), password_(std::move(password))
    {}

    QString driverName() const override { return QStringLiteral("FAKE"); }
    bool handlesExtension(const QString& extension) const override { return extension == "FAK"; }

    TableDefinition readDefinition(const MappedFile& table, const TableFiles&) const override
    {
        const QByteArray head(reinterpret_cast<const char*>(table.bytes().data()),
                              qsizetype(std::min<std::size_t>(table.bytes().size(), 16)));
        if (head.startsWith("DAMAGED"))
            throw FormatError(FormatError::Kind::Damaged, table.fileBytes().name, 7, "header is damaged");
        if (head.startsWith("NEWER"))
            throw FormatError(FormatError::Kind::Unsupported, table.fileBytes().name, 0, "version 99");
        return definition_;
    }

    std::vector<IndexDescription> readIndexes(const TableDefinition&, const TableFiles&) const override
    {
        std::vector<IndexDescription> indexes(static_cast<std::size_t>(indexes_));
        for (int i = 0; i < indexes_; ++i) {
            indexes[std::size_t(i)].name = QStringLiteral("Index%1").arg(i + 1);
            indexes[std::size_t(i)].primary = i == 0 && firstIsPrimary;
            indexes[std::size_t(i)].fields = QStringLiteral("A;B");
        }
        if (!indexes.empty() && !lastIndexExpression.isEmpty()) {
            indexes.back().fields.clear();
            indexes.back().expression = lastIndexExpression;
        }
        return indexes;
    }

    std::vector<IntegrityDescriptor> readIntegrityLinks(const TableDefinition&, const TableFiles&) const override
    {
        return links;
    }

    std::vector<IntegrityDescriptor> links;
    bool firstIsPrimary = true;  // as for a keyed Paradox table
    QString lastIndexExpression; // when set, the last index is an expression index

    bool passwordOpens(const TableDefinition&, const QString& password) const override { return password == password_; }

private:
    TableDefinition definition_;
    int indexes_;
    QString password_;
};

} // namespace korvex::test

#pragma once

#include "Json.h"

#include "DatabaseEngine.h"
#include "TableStructure.h"

#include <QLocale>
#include <QString>

namespace korvex {

// The structure of one table as the command line's JSON shows it: every item the printed
// report shows, read the same way the report reads it. ok is false when the table could
// not be opened or analysed; then the JSON carries the engine's code and message.
struct StructureDump {
    bool ok = false;
    Json json;
};

// databaseName: where tableArgument is looked for (a directory or a connected database);
// empty when tableArgument is a path of its own.
StructureDump dumpTableStructure(DatabaseEngine& engine, FieldDescriptorBuffer& descriptors,
                                 const QString& tableArgument, const LabelLookup& label,
                                 const QLocale& locale = QLocale::system(), const QString& databaseName = QString());

} // namespace korvex

#pragma once

#include "Json.h"

#include "DatabaseEngine.h"
#include "TableStructure.h"

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
// empty when tableArgument is a path of its own. name: the table as the run shows it, with
// its directory when the run has tables of several (TableEntry::shownName); empty for the
// file name. Nothing of it depends on the user's locale: validity values are ISO 8601
// dates and times and numbers with '.' before decimals.
StructureDump dumpTableStructure(DatabaseEngine& engine, FieldDescriptorBuffer& descriptors,
                                 const QString& tableArgument, const LabelLookup& label,
                                 const QString& databaseName = QString(), const QString& name = QString());

} // namespace korvex

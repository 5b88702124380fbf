#pragma once

#include "ReportRequest.h"

#include "StructureDiff.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace korvex {

class DatabaseEngine;

// One side of korvex-report --diff read into the structures it compares: a table file,
// a directory, a JSON snapshot written by --json, or alias:NAME (the aliases loaded).
// Nothing, with error set, when it cannot be read at all.
std::optional<StructureSide> readDiffSide(DatabaseEngine& engine, const QString& side, QString& error);

// The differences as --diff writes them: the same bytes in every locale.
QString diffText(const StructureSide& before, const StructureSide& after, const StructureDiff& diff);
QString diffJson(const StructureSide& before, const StructureSide& after, const StructureDiff& diff);
QString diffMarkdown(const StructureSide& before, const StructureSide& after, const StructureDiff& diff);

// Compares the request's two sides and writes their differences to standard output;
// answers 0 for none, 1 for differences and 2 for trouble, told on standard error.
int runDiffRequest(const ReportRequest& request, DatabaseEngine& engine);

} // namespace korvex

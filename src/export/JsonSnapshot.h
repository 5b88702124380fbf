#pragma once

#include "StructureDiff.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace korvex {

// Whether the bytes are a structure snapshot, as korvex-report --json writes it: a JSON
// object with a "tables" array. A table file never starts with '{'.
bool isJsonSnapshot(const QByteArray& bytes);

// The tables of a snapshot back in the model the structure diff compares, each as it was
// when it was written; nothing, with error set, when the bytes are no such snapshot.
std::optional<StructureSide> readJsonSnapshot(const QByteArray& bytes, const QString& origin, QString& error);

} // namespace korvex

#pragma once

#include "TableSchema.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace korvex {

class SettingsFile;

// The printed field table's columns and marks, as the report takes them from the settings.
struct FieldTableOptions {
    QStringList kinds;                       // the column kinds printed, in the report's order of kinds
    int offsetFirstField = 0;                // the number of the first field
    QString indexChar = QStringLiteral("*"); // the mark of key fields and index flags
};

// The field columns of the settings file's header strip (the built-in layout without
// one) and the numbering and marks of its report options. Reads only.
FieldTableOptions loadFieldTableOptions(const SettingsFile& settings);

struct MarkdownFile {
    QString name;        // file name within the output folder
    QByteArray contents; // UTF-8
};

// The documentation of the tables: README.md with the list of tables and a Mermaid
// diagram of their referential links, and one file per table that could be read (its
// name and ".md") with its properties, fields, indexes and links. Every fixed word passes
// through label. The same schemas give the same bytes.
std::vector<MarkdownFile> markdownDocuments(const QString& origin, const std::vector<TableSchema>& schemas,
                                            const FieldTableOptions& options, const LabelLookup& label);

// Writes the files into folder, made when missing, all of them or none: when one cannot be
// written, the earlier files are left as they were. Files of earlier runs that this run
// does not write stay. Answers an empty text, or why a file could not be written.
QString writeMarkdownFiles(const QString& folder, const std::vector<MarkdownFile>& files);

// Text for a cell of a Markdown table, shown literally: the characters Markdown would
// read as markup are escaped, blanks at either end kept, line breaks written as <br>.
QString escapeMarkdownCell(const QString& text);
// Text for running Markdown (headings, list items): the same without the cell rules.
QString escapeMarkdownText(const QString& text);

// A name that Mermaid's erDiagram takes as an entity or attribute name: ASCII letters,
// digits and underscores, starting with a letter; every other run of characters becomes
// one underscore, and the key markers PK, FK and UK get one after them.
QString mermaidName(const QString& text);

} // namespace korvex

#pragma once

#include "TableLocation.h"

#include "DatabaseEngine.h"
#include "HeaderStrip.h"
#include "LanguageTable.h"
#include "ReportSettings.h"
#include "SettingsFile.h"
#include "TableSource.h"
#include "TableStructure.h"

#include <QString>

#include <memory>
#include <vector>

namespace korvex {

// The services that live for the whole run of a program that prints reports: the one
// settings file, the engine, the field-descriptor buffer, the report labels, the field
// columns, the body font and where the listed tables are. Made in that order at start
// and destroyed in the reverse order at the end; the command line and the application
// each make one, and every window and every table's report works with its members.
class ReportServices {
public:
    // settingsPath empty: the program's own KORVEX20.INI in the settings folder.
    explicit ReportServices(const QString& settingsPath = {});
    // The same with an engine over the given table formats in place of the built-in ones.
    ReportServices(const QString& settingsPath, std::vector<std::unique_ptr<TableFormat>> formats);
    ReportServices(const ReportServices&) = delete;
    ReportServices& operator=(const ReportServices&) = delete;

    SettingsFile& settings() { return settings_; }
    // Holds the passwords stored in the settings file and the server drivers of the process
    // (ServerDrivers.h) from its creation on.
    DatabaseEngine& engine() { return engine_; }
    FieldDescriptorBuffer& descriptors() { return descriptors_; }
    // Loaded from the settings file at creation; the configuration dialog edits it.
    LanguageTable& labels() { return labels_; }
    // The columns of the printed field table; the report loads them afresh for every table.
    HeaderStrip& fieldColumns() { return fieldColumns_; }
    // Read from the settings file at creation; changed only by the configuration dialog.
    BodyFont& bodyFont() { return bodyFont_; }
    TableLocation& location() { return location_; }

    // The printed form of a label after the label table as it is when the label is printed.
    LabelLookup labelLookup();

private:
    SettingsFile settings_;
    DatabaseEngine engine_;
    FieldDescriptorBuffer descriptors_;
    LanguageTable labels_;
    HeaderStrip fieldColumns_;
    BodyFont bodyFont_;
    TableLocation location_;
};

} // namespace korvex

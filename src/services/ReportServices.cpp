#include "ReportServices.h"

#include "FieldColumns.h"
#include "PasswordList.h"
#include "ServerDrivers.h"
#include "TableFormat.h"

namespace korvex {

namespace {

SettingsFile settingsAt(const QString& path)
{
    return path.isEmpty() ? SettingsFile() : SettingsFile(path);
}

LanguageTable loadedLabels(const SettingsFile& settings)
{
    LanguageTable labels;
    LoadLanguageTable(labels, settings);
    return labels;
}

} // namespace

ReportServices::ReportServices(const QString& settingsPath) : ReportServices(settingsPath, builtInTableFormats())
{}

ReportServices::ReportServices(const QString& settingsPath, std::vector<std::unique_ptr<TableFormat>> formats)
    : settings_(settingsAt(settingsPath)), engine_(std::move(formats)), labels_(loadedLabels(settings_)),
      fieldColumns_(makeFieldHeader()), bodyFont_(loadBodyFont(settings_))
{
    // Nothing made after the engine depends on its passwords; registering them here keeps
    // the members plain.
    for (const QString& password : loadPasswordList(settings_))
        engine_.RegisterPassword(password);
    installServerDrivers(engine_);
}

LabelLookup ReportServices::labelLookup()
{
    return [this](const QString& text) { return LookupLabel(labels_, text); };
}

} // namespace korvex

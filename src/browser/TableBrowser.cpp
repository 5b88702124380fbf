#include "TableBrowser.h"

#include "AliasDatabase.h"
#include "AliasFile.h"
#include "DatabaseEngine.h"
#include "TableSource.h"

#include <QDir>

#include <utility>

namespace korvex {

namespace {

void require(EngineResult result, const DatabaseEngine& engine)
{
    if (result != result::Ok)
        throw EngineError(result, engine.lastError());
}

} // namespace

std::vector<TableListItem> tableListItems(const BrowserState& state, const QStringList& names, QChar separator)
{
    const bool aliasMode = !state.CurrentAlias.isEmpty();
    const bool noDates = aliasMode && state.CurrentAliasDriver != AliasDefinition::StandardDriver;
    const QDir directory(state.directory);
    std::vector<TableListItem> items;
    items.reserve(std::size_t(names.size()));
    for (const QString& name : names)
        items.push_back({name, tableImageIndex(name, aliasMode),
                         noDates ? QStringLiteral("?") : fileDateText(directory.filePath(name), separator)});
    return items;
}

TableBrowser::TableBrowser(DatabaseEngine& engine, VolumeLookup volumes) : engine_(engine), volumes_(std::move(volumes))
{}

TableBrowser::~TableBrowser() = default;

void TableBrowser::readAliases()
{
    clearAliases();
    QStringList names;
    require(engine_.ListAliases(names), engine_);
    aliasNames_ = names;
    for (const QString& name : aliasNames_)
        aliasDatabases_.push_back(std::make_unique<AliasDatabase>(engine_, name));
}

void TableBrowser::clearAliases()
{
    aliasDatabases_.clear();
    aliasNames_.clear();
}

AliasDatabase* TableBrowser::FindAliasDatabase(const QString& aliasName) const
{
    for (const auto& database : aliasDatabases_)
        if (database->aliasName() == aliasName)
            return database.get();
    return nullptr;
}

const Volume* TableBrowser::volumeOf(const QString& directory) const
{
    return volumes_ ? volumes_().volumeOf(directory) : nullptr;
}

BrowserState TableBrowser::withEntry(const QString& entryText, const QString& drive) const
{
    // The alias's full name finds its database, however long it is; only CurrentAlias,
    // which the report prints, is cut.
    if (entryText.startsWith(u'>')) {
        const QString name = entryText.mid(1);
        for (const QString& alias : aliasNames_)
            if (alias.compare(name, Qt::CaseInsensitive) == 0)
                return withAlias(alias);
    }
    return withDrive(drive);
}

BrowserState TableBrowser::withAlias(const QString& aliasName) const
{
    BrowserState next = state_;
    next.aliasName = aliasName;
    next.CurrentAlias = aliasName.left(AliasNameLength);
    QStringList parameters;
    require(engine_.ListAliasParameters(aliasName, parameters), engine_);
    if (parameters.isEmpty())
        throw EngineError(result::InvalidValue, QStringLiteral("alias \"%1\" has no parameters").arg(aliasName));
    const QString& first = parameters.first();
    if (first.left(5).toUpper() == QLatin1String("PATH=")) {
        next.mode = BrowserMode::Alias;
        next.fileListLinked = false;
        next = entered(std::move(next), first.mid(first.indexOf(u'=') + 1));
    } else {
        next.mode = BrowserMode::ServerAlias;
    }
    AliasDatabase* database = FindAliasDatabase(aliasName);
    if (!database)
        return next;
    // Listing the tables connects the database, which stays connected: a server's login
    // is asked for once per alias and run.
    next.CurrentDatabase = database->databaseName();
    QStringList tables;
    require(database->listTables(tables), engine_);
    QString driver;
    require(engine_.GetAliasDriver(aliasName, driver), engine_);
    next.CurrentAliasDriver = driver.left(AliasNameLength);
    next.tables = tables;
    ++next.listing;
    return next;
}

BrowserState TableBrowser::withDrive(const QString& mountPath) const
{
    // Coming from an alias the table list shows the alias's tables, and after a server
    // alias no directory is shown: both are read anew from the directory.
    const bool fromAlias = !state_.CurrentAlias.isEmpty() || !state_.fileListLinked ||
                           state_.mode != BrowserMode::Drive || state_.directory.isEmpty();
    BrowserState next = state_;
    next.mode = BrowserMode::Drive;
    next.aliasName.clear();
    next.CurrentAlias.clear();
    next.CurrentAliasDriver.clear();
    next.fileListLinked = true;
    const QString remembered = state_.directory;
    const Volume* current = volumeOf(remembered);
    try {
        if (!mountPath.isEmpty() && (!current || current->mountPath != mountPath))
            return enteredVolume(next, mountPath);
    } catch (const DirectoryError&) {
        // A volume that cannot be entered: back quietly to the directory shown before.
        if (!remembered.isEmpty())
            requireEnterableDirectory(remembered);
    }
    if (!fromAlias || remembered.isEmpty())
        return next;
    requireEnterableDirectory(remembered);
    return read(std::move(next));
}

BrowserState TableBrowser::withDirectory(const QString& directory) const
{
    return entered(state_, directory);
}

BrowserState TableBrowser::withTableType(const QString& mask) const
{
    BrowserState next = state_;
    next.mask = mask;
    return next.fileListLinked ? read(std::move(next)) : next;
}

BrowserState TableBrowser::entered(BrowserState state, const QString& directory) const
{
    const QString path = cleanDirectoryPath(directory);
    requireEnterableDirectory(path);
    if (path == state.directory)
        return state;
    state.directory = path;
    if (const Volume* volume = volumeOf(path))
        state.volumeDirectories.insert(volume->mountPath, path);
    return state.fileListLinked ? read(std::move(state)) : state;
}

BrowserState TableBrowser::enteredVolume(BrowserState state, const QString& mountPath) const
{
    // The directory last shown on that volume; the volume's top when it is gone.
    const QString last = state.volumeDirectories.value(mountPath, mountPath);
    try {
        return entered(state, last);
    } catch (const DirectoryError&) {
        if (last == mountPath)
            throw;
        return entered(std::move(state), mountPath);
    }
}

BrowserState TableBrowser::read(BrowserState state)
{
    state.tables = listMatchingFiles(state.directory, state.mask);
    ++state.listing;
    return state;
}

} // namespace korvex

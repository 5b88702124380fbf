// korvex-report: the structure of Paradox and dBASE tables from the command line.

#include "Json.h"
#include "StructureDump.h"

#include "DatabaseEngine.h"
#include "LanguageTable.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

using namespace korvex;

namespace {

constexpr int ExitUsage = 2;

void writeOut(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
}

void writeErr(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvex-report"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVEX_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Prints the structure of Paradox and dBASE tables."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Write the structure of every TABLE as one JSON object to standard output."));
    const QCommandLineOption password(QStringLiteral("password"),
                                      QStringLiteral("A password for protected tables (may be given several times)."),
                                      QStringLiteral("PW"));
    parser.addOption(json);
    parser.addOption(password);
    parser.addPositionalArgument(QStringLiteral("TABLE"), QStringLiteral("Table files (.db, .dbf)."),
                                 QStringLiteral("TABLE..."));
    if (!parser.parse(app.arguments())) {
        writeErr(parser.errorText() + QStringLiteral("\n\n") + parser.helpText());
        return ExitUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        writeOut(parser.helpText());
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        writeOut(QStringLiteral("korvex-report %1\n").arg(QCoreApplication::applicationVersion()));
        return 0;
    }
    const QStringList tables = parser.positionalArguments();
    if (tables.isEmpty()) {
        writeErr(QStringLiteral("korvex-report: no TABLE given\n\n") + parser.helpText());
        return ExitUsage;
    }
    if (!parser.isSet(json)) {
        writeErr(QStringLiteral("korvex-report: printing is not available yet; use --json\n"));
        return ExitUsage;
    }

    DatabaseEngine engine;
    for (const auto& pw : parser.values(password))
        engine.RegisterPassword(pw);
    FieldDescriptorBuffer descriptors;
    const LanguageTable labels;
    const LabelLookup label = [&labels](const QString& text) { return LookupLabel(labels, text); };

    bool allOk = true;
    Json::Array results;
    for (const auto& table : tables) {
        auto dump = DumpTableStructure(engine, descriptors, table, label);
        allOk = allOk && dump.ok;
        results.push_back(std::move(dump.json));
    }
    writeOut(Json(Json::Object{{"tables", std::move(results)}}).serialize());
    return allOk ? 0 : 1;
}

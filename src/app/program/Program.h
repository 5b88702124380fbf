#pragma once

#include "AboutBox.h"
#include "EvaMessageWindow.h"
#include "MainWindow.h"

#include "ConfigurationDialog.h"
#include "MarginsDialog.h"
#include "MessageBoxMessages.h"
#include "QtPrinterDevice.h"
#include "QtPrinterSetup.h"
#include "ReportServices.h"
#include "TableReport.h"
#include "WindowProgress.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace korvex {

// The application: the long-lived services, the printer and the windows, made in this
// order and so destroyed in the reverse order. The windows are made in the order the
// program has always made them: the main window, the margins dialog, the configuration
// dialog, the about box and the progress window.
class Program {
public:
    struct Options {
        QString settingsPath; // empty: the program's own settings file
        QString startFile;    // a table file to open the browser on; may be empty
        QString pdfFolder;    // empty: "Korvex" in the user's documents folder
        // Tells once per run where the PDF printer puts its files; empty: an
        // information box over the main window.
        std::function<void(const QString& folder)> tellPdfFolder;
        DriveAliasBox::VolumeSource volumes = [] { return VolumeList::read(); };
        // The error display of the windows and the report; none: error boxes.
        UserMessages* errors = nullptr;
    };

    // "korvex [FILE]": the options of a command line.
    static Options optionsFrom(const QStringList& arguments);
    // The folder the PDF printer writes into: "Korvex" in the user's documents folder.
    static QString defaultPdfFolder();
    // What every run sets up before the windows: the application's names and Qt's own
    // texts in the user's language.
    static void prepareApplication();

    explicit Program(Options options);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Shows the main window and runs until it is closed; the exit code.
    int run();

    TForm_PrintTable& mainWindow() { return mainWindow_; }
    TForm_PrnTabCfg& configurationDialog() { return configuration_; }
    AboutBox& aboutBox() { return about_; }
    TForm_EVAMsg& progressWindow() { return progressWindow_; }
    QtPrinterDevice& printer() { return printer_; }
    ReportServices& services() { return services_; }

    // Prints one table of the browser: the print run's function.
    bool printTable(const QString& name);
    // The table list's print preview of the tables named, over the printer's pages.
    void previewTables(const QStringList& names);
    // The table list's export: the export dialog, then the book, Markdown or tbls JSON of
    // the tables named, one table after the other in the progress window.
    void exportTables(const QStringList& names);

private:
    Options options_;
    ReportServices services_;
    QtPrinterDevice printer_;
    QtPrinterSetup printerSetup_;
    // The windows.
    TForm_PrintTable mainWindow_;
    TForm_Margins margins_;
    TForm_PrnTabCfg configuration_;
    AboutBox about_;
    TForm_EVAMsg progressWindow_;
    // The report.
    MessageBoxMessages messages_;
    WindowProgress progress_;
    TableReporter reporter_;
    bool pdfFolderTold_ = false;
    QString exportFolder_; // where the last export went; the next one starts there
};

} // namespace korvex

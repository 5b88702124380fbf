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
        // Tells where the PDF printer put its files, once a print run has ended, at most
        // once per run and not at all after the user asked for no more; answers true when
        // the user asks not to be told again. Empty: the note over the main window
        // (tellPdfFolderNote).
        std::function<bool(const QString& folder)> tellPdfFolder;
        DriveAliasBox::VolumeSource volumes = [] { return VolumeList::read(); };
        // The error display of the windows and the report; none: error boxes.
        UserMessages* errors = nullptr;
    };

    // Whether the note on the PDF folder still comes after a print run.
    static inline const FlagKey ShowPdfFolderNote{SettingsSection::Options, QStringLiteral("ShowPdfFolderNote"), true};
    static inline const QString OpenFolderCaption = QStringLiteral("Open folder");
    static inline const QString DoNotShowAgainCaption = QStringLiteral("Do not show this again");

    // The note on where the PDF files went: OK, "Open folder" (opens it in the desktop's
    // file manager) and the check box "Do not show this again"; true when that is checked.
    static bool tellPdfFolderNote(const QString& folder, QWidget* parent);

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
    // After a print run: the note on the PDF folder, when there is one to give.
    void printRunEnded();
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
    QString untoldPdfFolder_; // where this run's PDF files went, until the note is shown
    QString exportFolder_;    // where the last export went; the next one starts there
};

} // namespace korvex

#pragma once

#include "GrayedForm.h"
#include "ReportSettings.h"

#include <QDialog>
#include <QSize>
#include <QStringList>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QTableWidgetItem;

namespace korvex {

class DatabaseEngine;
class FieldColumnMenu;
class HeaderStrip;
class LanguageTable;
class PrinterSetup;
class ReportServices;
class SettingsFile;
class TForm_Margins;
class TQxHeader;
class UserMessages;
class ZebraShadingBox;

// The printer's font names with each family once: a foundry's name in square brackets
// after the family is dropped, and the first of the names left that are equal without
// regard to case is kept.
QStringList fontFamiliesOnce(const QStringList& fonts);

// The configuration dialog: every report option of the settings file on four pages
// ("Printing", "Headers", "Language", "Passwords"). Besides editing, it holds what the
// report takes from memory while printing: the field columns (its strip shows the shared
// strip model), the label translations and the language in use (its grid and radio
// buttons edit the shared label table), the body font, and through the margins dialog the
// margins. Edits reach those models at once, before they are saved.
//
// "Save" (Enter) writes every option and closes; "Cancel" (Escape) loads them all again
// and closes; the title bar's close button closes and keeps every edit in effect.
class TForm_PrnTabCfg : public QDialog, public TGrayedForm {
    Q_OBJECT
public:
    static constexpr QSize ClientSize{598, 271};
    static inline const QString Caption = QStringLiteral("Korvex V3.2 - Configuration");
    enum Page { PrintingPage, HeadersPage, LanguagePage, PasswordsPage };

    // What the dialog shows and edits, owned by the program for the whole run.
    struct Services {
        SettingsFile& settings;
        HeaderStrip& fieldColumns; // the columns of the printed field table
        LanguageTable& labels;     // the report labels and the language in use
        BodyFont& bodyFont;        // the report body's font, held in memory
        DatabaseEngine& engine;    // gets the passwords
        PrinterSetup& printer;     // the current printer, its fonts, and choosing another
        TForm_Margins& margins;    // holds the margins between load and save
        // The application's error display; none: an error box after the system's beep.
        UserMessages* errors = nullptr;

        // The settings file, field columns, labels, body font and engine of the program's
        // services, with the printer, the margins dialog and the error display.
        static Services from(ReportServices& services, PrinterSetup& printer, TForm_Margins& margins,
                             UserMessages* errors = nullptr);
    };

    // Fills the font lists from the printer and the sizes "5" to "35", loads every control,
    // then loads the passwords and hands them to the engine.
    explicit TForm_PrnTabCfg(Services services, QWidget* parent = nullptr);
    ~TForm_PrnTabCfg() override;

    // Fills every control but the password list from the settings file and memory: the
    // field columns, the body font, the options, the headers, the margins dialog's held
    // values and the label table. Ends on the "Printing" page.
    void LoadDialogSettings();
    // The report's share: the field columns from the settings file into the strip, and the
    // printed form of a label after the grid and the language chosen now.
    void LoadFieldColumns();
    QString LookupLabel(const QString& text) const;
    // The label table and the language from the settings file; written back by Save.
    void LoadLanguageTable();
    void SaveLanguageTable();

    // The password list from the settings file (ends on the "Printing" page); written back
    // by Save. ApplyPasswords hands every listed password to the engine; a refusal is shown
    // and ends the pass (false).
    void LoadPasswords();
    void SavePasswords();
    bool ApplyPasswords();
    QStringList passwords() const;

    // Escape and the Cancel button: reload, then close.
    void reject() override;

public slots:
    // "Save": writes every option in order and closes. A write that fails is shown by the
    // error display and ends the save there; what was written before stays written and the
    // dialog stays open.
    void OKButtonClick();
    void CancelButtonClick();
    // A double-click on either orientation button selects it and saves.
    void RadioPortraitDblClick();
    // "Printer": the printer-selection dialog; the font lists stay as they are.
    void ChangePrinterClick();
    // "Margins...": greys this dialog around the modal margins dialog.
    void Button1Click();
    void CheckBoxShowHintsClick();
    void CheckBoxRefIntClick();
    // Turning a page moves the focus to its first field.
    void TabbedNotebook1Click();

    void ButtonAddPWClick();
    void ButtonRemovePWClick();
    void ButtonClearPWClick();
    void ListBoxPWClick();
    void UpdatePasswordButtons();

protected:
    // The title bar's close button: neither saves nor reloads.
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct HeaderControls {
        QLineEdit* text = nullptr;
        QComboBox* visibility = nullptr;
        QComboBox* alignment = nullptr;
        QComboBox* fontName = nullptr;
        QComboBox* fontSize = nullptr;
        QComboBox* attributes = nullptr;
        QSpinBox* spacingBefore = nullptr;
        QSpinBox* spacingAfter = nullptr;
    };

    QWidget* makePrintingPage();
    QWidget* makeHeadersPage();
    QWidget* makeLanguagePage();
    QWidget* makePasswordsPage();
    HeaderControls makeHeaderGroup(QWidget* page, bool main, int x);
    void fillFontLists();

    void loadHeader(const HeaderKeys& keys, const HeaderControls& controls);
    void save();
    void showLanguageTable();
    void languageCellChanged(QTableWidgetItem* item);
    void languageChosen();
    void showError(const QString& message);

    Services s_;
    std::unique_ptr<UserMessages> ownErrors_;

    QTabWidget* TabbedNotebook1;
    QPushButton* OKButton;
    QPushButton* CancelButton;
    QPushButton* ChangePrinter;

    // "Printing"
    QComboBox* ComboBoxFontName;
    QComboBox* ComboBoxFontSize;
    QCheckBox* CheckBoxPrintGrid;
    QCheckBox* CheckBoxHeader;
    QCheckBox* CheckBoxPrintPageNr;
    QCheckBox* CheckBoxPrintCopyright;
    QCheckBox* CheckBoxPrintDate;
    QCheckBox* CheckBoxSecIndexes;
    QCheckBox* CheckBoxRefInt;
    QCheckBox* CheckBoxRefMaster;
    QCheckBox* CheckBoxRefDep;
    QCheckBox* CheckBoxZebraPattern;
    ZebraShadingBox* ComboBoxZebraShading;
    QRadioButton* RadioPortrait;
    QRadioButton* RadioLandscape;
    QPushButton* Button1;
    QCheckBox* CheckBoxShowHints;
    TQxHeader* FieldHeader;
    FieldColumnMenu* PopupMenu1;
    QLabel* LabelUse;

    // "Headers"
    HeaderControls mainHeader_;
    HeaderControls subHeader_;

    // "Language"
    QTableWidget* GridLanguage;
    QRadioButton* RadioLanguageOriginal;
    QRadioButton* RadioButtonLanguage1;
    QRadioButton* RadioButtonLanguage2;

    // "Passwords"
    QLineEdit* EditNewPW;
    QListWidget* ListBoxPW;
    QPushButton* ButtonAddPW;
    QPushButton* ButtonRemovePW;
    QPushButton* ButtonClearPW;
};

} // namespace korvex

#include "AboutBox.h"

#include "Pictures.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cups/cups.h>

namespace korvex {

namespace {

QLabel* text(const QString& content, QWidget* parent)
{
    auto* label = new QLabel(content, parent);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setWordWrap(true);
    return label;
}

} // namespace

QStringList AboutBox::libraryVersions()
{
    QStringList versions;
    versions
        << QStringLiteral("Qt %1 (built with %2)").arg(QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR));
    versions << QStringLiteral("CUPS %1.%2").arg(CUPS_VERSION_MAJOR).arg(CUPS_VERSION_MINOR);
    return versions;
}

AboutBox::AboutBox(const QString& settingsPath, const QString& aliasesPath, const QString& pdfFolder, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(Title);
    setAccessibleName(Title);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("AboutPicture"));
    picture->setPixmap(buttonIcon(ButtonPicture::About).pixmap(32, 32));
    picture->setAlignment(Qt::AlignTop);
    picture->setAccessibleName(QStringLiteral("Korvex"));

    auto* name = text(QStringLiteral("Korvex V3.2"), this);
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.4);
    name->setFont(bold);

    auto* column = new QVBoxLayout;
    column->addWidget(name);
    column->addWidget(text(QStringLiteral("Version %1\nPrints the structure of Paradox and dBASE tables.")
                               .arg(QStringLiteral(KORVEX_VERSION)),
                           this));
    column->addWidget(text(QStringLiteral("Licence: %1 (the file LICENSE, which also lists the licences of the "
                                          "third-party copies in the source)")
                               .arg(Licence),
                           this));
    column->addWidget(text(QStringLiteral("Libraries used:\n") + libraryVersions().join(u'\n'), this));
    column->addWidget(
        text(QStringLiteral("Settings file:\n%1\nAliases file:\n%2").arg(settingsPath, aliasesPath), this));
    if (!pdfFolder.isEmpty())
        column->addWidget(text(QStringLiteral("PDF files are written into:\n%1").arg(pdfFolder), this));

    auto* body = new QHBoxLayout;
    body->addWidget(picture);
    body->addLayout(column, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addWidget(buttons);
    buttons->button(QDialogButtonBox::Ok)->setFocus();
    setMinimumWidth(420);
}

} // namespace korvex

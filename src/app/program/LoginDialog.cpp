#include "LoginDialog.h"

#include "DialogFont.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvex {

LoginDialog::LoginDialog(const QString& aliasName, const QString& userName, QWidget* parent)
    : QDialog(parent), alias_(new QLabel(aliasName, this)), userName_(new QLineEdit(userName, this)),
      password_(new QLineEdit(this))
{
    setObjectName(QStringLiteral("LoginDialog"));
    setWindowTitle(Title);
    setFont(dialogFont());
    setModal(true);

    alias_->setObjectName(QStringLiteral("LoginAlias"));
    alias_->setAccessibleName(QStringLiteral("Alias"));
    alias_->setTextFormat(Qt::PlainText);
    // The user name comes from the alias, which the login is for; shown so that the user
    // knows whose password is asked, and read-only so that it still says so.
    userName_->setObjectName(QStringLiteral("LoginUserName"));
    userName_->setAccessibleName(QStringLiteral("User name"));
    userName_->setReadOnly(true);
    password_->setObjectName(QStringLiteral("LoginPassword"));
    password_->setAccessibleName(QStringLiteral("Password"));
    password_->setEchoMode(QLineEdit::Password);
    // Nothing typed here goes to the input method's memory or to the clipboard.
    password_->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Alias:"), alias_);
    auto* userLabel = new QLabel(QStringLiteral("&User name:"), this);
    userLabel->setBuddy(userName_);
    form->addRow(userLabel, userName_);
    auto* passwordLabel = new QLabel(QStringLiteral("&Password:"), this);
    passwordLabel->setBuddy(password_);
    form->addRow(passwordLabel, password_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->button(QDialogButtonBox::Ok)->setAccessibleName(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setAccessibleName(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    password_->setFocus();
    setMinimumWidth(300);
}

QString LoginDialog::password() const
{
    return password_->text();
}

std::optional<QString> DialogLogin::askPassword(const QString& aliasName, const QString& userName)
{
    // The hourglass of a table list being read would stand over the dialog.
    const bool busy = QGuiApplication::overrideCursor() != nullptr;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    LoginDialog dialog(aliasName, userName, parent_);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (busy)
        QGuiApplication::restoreOverrideCursor();
    if (!accepted)
        return std::nullopt;
    return dialog.password();
}

} // namespace korvex

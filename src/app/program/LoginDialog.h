#pragma once

#include "ServerLogin.h"

#include <QDialog>
#include <QPointer>

class QLabel;
class QLineEdit;

namespace korvex {

// The login to a server alias: the alias's name, the user name of the alias and a password
// field that does not show what is typed. Enter logs in, Escape cancels.
class LoginDialog : public QDialog {
    Q_OBJECT
public:
    static inline const QString Title = QStringLiteral("Database Login");

    LoginDialog(const QString& aliasName, const QString& userName, QWidget* parent = nullptr);

    QString password() const;

private:
    QLabel* alias_;
    QLineEdit* userName_;
    QLineEdit* password_;
};

// The application's server login: asks in a LoginDialog over the main window.
class DialogLogin : public ServerLogin {
public:
    explicit DialogLogin(QWidget* parent = nullptr) : parent_(parent) {}
    std::optional<QString> askPassword(const QString& aliasName, const QString& userName) override;

private:
    QPointer<QWidget> parent_;
};

} // namespace korvex

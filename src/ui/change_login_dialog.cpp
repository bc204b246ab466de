#include "ui/change_login_dialog.h"

#include "ui/control_factory.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

QLineEdit* makeField(QWidget* parent, const char* objectName, const std::string& value, const QString& hint,
                     const QString& accessibleName)
{
    auto* field = named(new QLineEdit(QString::fromStdString(value), parent), objectName);
    setHint(field, hint);
    field->setAccessibleName(accessibleName);
    return field;
}

}  // namespace

ChangeLoginDialog::ChangeLoginDialog(const SiteLogin& current, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ChangeLoginDialog"));
    setWindowTitle(QStringLiteral("Change log-in"));
    setAccessibleName(QStringLiteral("Change log-in"));

    auto* explanation = new QLabel(QStringLiteral("Every file of the project that logs in as shown here "
                                                  "takes the values you give; no file is marked for upload."),
                                   this);
    explanation->setWordWrap(true);
    serverField_ = makeField(this, "ServerField", current.server, QStringLiteral("The server the files go to"),
                             QStringLiteral("Server"));
    loginField_ = makeField(this, "LoginField", current.login, QStringLiteral("The user name on the server"),
                            QStringLiteral("Logon"));
    passwordField_ = makeField(this, "PasswordField", current.password, QStringLiteral("The password on the server"),
                               QStringLiteral("Password"));
    // Hidden from whoever looks over the shoulder, shown while it is edited.
    passwordField_->setEchoMode(QLineEdit::PasswordEchoOnEdit);
    portField_ = makeField(this, "PortField", current.port, QStringLiteral("The server's port"),
                           QStringLiteral("Port"));

    auto* form = new QFormLayout;
    const std::pair<const char*, QLineEdit*> rows[] = {
        {"&Server", serverField_}, {"&Logon", loginField_}, {"Pass&word", passwordField_}, {"P&ort", portField_}};
    for (const auto& [caption, field] : rows) {
        auto* label = new QLabel(QString::fromLatin1(caption), this);
        label->setBuddy(field);
        form->addRow(label, field);
    }
    auto* whole = new QVBoxLayout(this);
    whole->addWidget(explanation);
    whole->addLayout(form);
    whole->addLayout(makeOkCancelRow(this, ok_, cancel_));
    setTabOrder(serverField_, loginField_);
    setTabOrder(loginField_, passwordField_);
    setTabOrder(passwordField_, portField_);
    setTabOrder(portField_, ok_);
    setTabOrder(ok_, cancel_);
    serverField_->setFocus();
}

SiteLogin ChangeLoginDialog::login() const
{
    return SiteLogin{serverField_->text().toStdString(), loginField_->text().toStdString(),
                     passwordField_->text().toStdString(), portField_->text().toStdString()};
}

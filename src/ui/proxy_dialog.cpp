#include "ui/proxy_dialog.h"

#include "services/dialogs.h"
#include "ui/control_factory.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

QLineEdit* field(QWidget* parent, const char* objectName, const QString& accessibleName, const QString& hint)
{
    auto* edit = named(new QLineEdit(parent), objectName);
    edit->setAccessibleName(accessibleName);
    setHint(edit, hint);
    return edit;
}

}  // namespace

ProxyDialog::ProxyDialog(Dialogs& dialogs, QWidget* parent) : QDialog(parent), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("Proxyform"));
    setWindowTitle(QStringLiteral("Proxy"));
    setModal(true);

    kindBox = named(new QComboBox(this), "proxyKindBox");
    kindBox->setAccessibleName(QStringLiteral("Proxy kind"));
    setHint(kindBox, QStringLiteral("Kind of proxy"));
    kindBox->addItem(QStringLiteral("No proxy"), static_cast<int>(FtpProxyKind::None));
    kindBox->addItem(QStringLiteral("SOCKS 4"), static_cast<int>(FtpProxyKind::Socks4));
    kindBox->addItem(QStringLiteral("SOCKS 4A"), static_cast<int>(FtpProxyKind::Socks4A));
    kindBox->addItem(QStringLiteral("SOCKS 5"), static_cast<int>(FtpProxyKind::Socks5));
    hostField = field(this, "proxyHostField", QStringLiteral("Proxy host"), QStringLiteral("Proxy host name"));
    portField = field(this, "proxyPortField", QStringLiteral("Proxy port"), QStringLiteral("Proxy port number"));
    portField->setValidator(new QIntValidator(1, 65535, portField));
    userField = field(this, "proxyUserField", QStringLiteral("Proxy user"), QStringLiteral("Proxy user name"));
    passwordField = field(this, "proxyPasswordField", QStringLiteral("Proxy password"),
                          QStringLiteral("Proxy password"));
    passwordField->setEchoMode(QLineEdit::Password);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Proxy:"), kindBox);
    form->addRow(QStringLiteral("&Host:"), hostField);
    form->addRow(QStringLiteral("P&ort:"), portField);
    form->addRow(QStringLiteral("&User:"), userField);
    form->addRow(QStringLiteral("Pass&word:"), passwordField);

    auto* buttons = makeOkCancelRow(this, okButton, cancelButton);
    // The row's OK accepts at once; this one checks the fields first.
    disconnect(okButton, nullptr, this, nullptr);
    connect(okButton, &QPushButton::clicked, this, &ProxyDialog::acceptIfValid);
    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addLayout(buttons);
    setMinimumWidth(340);

    connect(kindBox, &QComboBox::currentIndexChanged, this, &ProxyDialog::enableFields);
    showProxy(FtpProxy{});
}

void ProxyDialog::showProxy(const FtpProxy& proxy)
{
    kindBox->setCurrentIndex(kindBox->findData(static_cast<int>(proxy.Enabled() ? proxy.kind : FtpProxyKind::None)));
    hostField->setText(QString::fromStdString(proxy.host));
    portField->setText(QString::fromStdString(proxy.port));
    userField->setText(QString::fromStdString(proxy.user));
    passwordField->setText(QString::fromStdString(proxy.password));
    enableFields();
}

FtpProxy ProxyDialog::proxy() const
{
    FtpProxy proxy;
    proxy.kind = static_cast<FtpProxyKind>(kindBox->currentData().toInt());
    if (proxy.kind == FtpProxyKind::None)
        return proxy;
    proxy.host = hostField->text().trimmed().toStdString();
    proxy.port = portField->text().trimmed().toStdString();
    // SOCKS 4 sends the user as its user id; only SOCKS 5 has a password.
    proxy.user = userField->text().toStdString();
    if (proxy.kind == FtpProxyKind::Socks5)
        proxy.password = passwordField->text().toStdString();
    return proxy;
}

void ProxyDialog::enableFields()
{
    const auto kind = static_cast<FtpProxyKind>(kindBox->currentData().toInt());
    const bool any = kind != FtpProxyKind::None;
    hostField->setEnabled(any);
    portField->setEnabled(any);
    userField->setEnabled(any);
    passwordField->setEnabled(kind == FtpProxyKind::Socks5);
}

void ProxyDialog::acceptIfValid()
{
    const FtpProxy chosen = proxy();
    if (chosen.kind != FtpProxyKind::None) {
        std::string error;
        if (chosen.host.empty() || !ParseProxyHostPort(chosen.kind, chosen.host + ":" + chosen.port, error)) {
            dialogs_.message(QStringLiteral("Please enter the proxy's host and a port from 1 to 65535"));
            (chosen.host.empty() ? hostField : portField)->setFocus();
            return;
        }
    }
    accept();
}

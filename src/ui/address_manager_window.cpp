#include "ui/address_manager_window.h"

#include "ui/control_factory.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

QPushButton* button(QWidget* parent, const char* objectName, const QString& caption,
                    const QString& hint = {})
{
    auto* made = makeButton(parent, objectName, caption, hint);
    made->setAutoDefault(false);
    return made;
}

QLineEdit* field(QWidget* parent, const char* objectName, const QString& hint = {})
{
    auto* made = named(new QLineEdit(parent), objectName);
    if (!hint.isEmpty())
        setHint(made, hint);
    return made;
}

}  // namespace

Tmidlform::Tmidlform(Dialogs& dialogs, SiteConnectionTarget& mainWindow,
                     const std::string& dataDirectory, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("midlform"));
    setWindowTitle(QStringLiteral("Server Address manager"));
    buildLayout();
    manager_ = std::make_unique<AddressManager>(view(), dialogs, mainWindow);
    wireControls();
    manager_->loadAtStart(dataDirectory);
}

AddressManagerView Tmidlform::view() const
{
    AddressManagerView view;
    view.siteList = c_.ListBox1;
    view.nameField = c_.Edit7;
    view.hostField = c_.Edit1;
    view.loginField = c_.Edit2;
    view.passwordField = c_.Edit3;
    view.portField = c_.Edit4;
    view.localDirectoryField = c_.Edit5;
    view.remoteDirectoryField = c_.Edit6;
    view.passiveBox = c_.CheckBox1;
    view.connectButton = c_.Button1;
    view.closeButton = c_.Button2;
    view.addButton = c_.server;
    view.deleteButton = c_.Delete;
    view.confirmAddButton = c_.OK;
    view.cancelAddButton = c_.Cancel;
    return view;
}

Tmidlform::~Tmidlform() = default;

void Tmidlform::buildLayout()
{
    c_.Edit7 = field(this, "Edit7", QStringLiteral("Enter any name"));
    c_.Edit1 = field(this, "Edit1", QStringLiteral("Enter remote host or proxy server"));
    c_.Edit2 = field(this, "Edit2", QStringLiteral("if anonymous, insert your email in Password"));
    c_.Edit3 = field(this, "Edit3", QStringLiteral("insert your email by anonymous login "));
    c_.Edit3->setEchoMode(QLineEdit::PasswordEchoOnEdit);
    c_.Edit4 = field(this, "Edit4", QStringLiteral("Port"));
    c_.Edit4->setText(QStringLiteral("21"));
    c_.Edit5 = field(this, "Edit5", QStringLiteral("state local dir ie. c:\\programs\\tavlin"));
    c_.Edit6 = field(this, "Edit6", QStringLiteral("Directory on remotehost"));
    c_.CheckBox1 = named(new QCheckBox(QStringLiteral("Passive Mode"), this), "CheckBox1");
    setHint(c_.CheckBox1, QStringLiteral("PASV mode"));

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Name"), c_.Edit7);
    fields->addRow(QStringLiteral("Remote host"), c_.Edit1);
    fields->addRow(QStringLiteral("Login"), c_.Edit2);
    fields->addRow(QStringLiteral("Password"), c_.Edit3);
    fields->addRow(QStringLiteral("Port"), c_.Edit4);
    fields->addRow(QStringLiteral("Local directory"), c_.Edit5);
    fields->addRow(QStringLiteral("Remote directory"), c_.Edit6);
    fields->addRow(QString(), c_.CheckBox1);

    c_.Button1 = button(this, "Button1", QStringLiteral("Connect"), QStringLiteral("Connect to selected site"));
    // Enter on "Connect", the last stop of the Enter key's way through the
    // fields, connects.
    c_.Button1->setAutoDefault(true);
    c_.Button2 = button(this, "Button2", QStringLiteral("Cancel"), QStringLiteral("Close window"));
    c_.server = button(this, "server", QStringLiteral("Add server"), QStringLiteral("New entry"));
    c_.Delete = button(this, "Delete", QStringLiteral("Delete"), QStringLiteral("Delete site"));
    c_.OK = button(this, "OK", QStringLiteral("OK"), QStringLiteral("Save the new site"));
    c_.Cancel = button(this, "Cancel", QStringLiteral("Cancel"), QStringLiteral("Do not add the site"));

    auto* siteButtons = new QHBoxLayout;
    siteButtons->addWidget(c_.server);
    siteButtons->addWidget(c_.Delete);
    siteButtons->addWidget(c_.OK);
    siteButtons->addWidget(c_.Cancel);
    siteButtons->addStretch();
    auto* closeButtons = new QHBoxLayout;
    closeButtons->addStretch();
    closeButtons->addWidget(c_.Button1);
    closeButtons->addWidget(c_.Button2);

    auto* left = new QVBoxLayout;
    left->addLayout(fields);
    left->addLayout(siteButtons);
    left->addStretch();
    left->addLayout(closeButtons);

    c_.ListBox1 = named(new QListWidget(this), "ListBox1");
    setHint(c_.ListBox1, QStringLiteral("Click to select a server"));
    c_.ListBox1->setAccessibleName(QStringLiteral("Sites"));
    c_.ListBox1->setMinimumWidth(180);

    auto* whole = new QHBoxLayout(this);
    whole->addLayout(left, 3);
    whole->addWidget(c_.ListBox1, 2);
    resize(560, 320);

    setTabOrder(c_.Edit7, c_.Edit1);
    setTabOrder(c_.Edit1, c_.Edit2);
    setTabOrder(c_.Edit2, c_.Edit3);
    setTabOrder(c_.Edit3, c_.Edit4);
    setTabOrder(c_.Edit4, c_.Edit5);
    setTabOrder(c_.Edit5, c_.Edit6);
    setTabOrder(c_.Edit6, c_.CheckBox1);
    setTabOrder(c_.CheckBox1, c_.Button1);
}

void Tmidlform::wireControls()
{
    AddressManager* manager = manager_.get();
    for (QLineEdit* edit : {c_.Edit7, c_.Edit1, c_.Edit2, c_.Edit3, c_.Edit4, c_.Edit5, c_.Edit6}) {
        connect(edit, &QLineEdit::textEdited, manager, &AddressManager::fieldEdited);
        edit->installEventFilter(this);
    }
    c_.CheckBox1->installEventFilter(this);

    // Keyboard moves in the list change the selection; a click on the row
    // that is already selected changes nothing but still shows the site.
    connect(c_.ListBox1, &QListWidget::itemSelectionChanged, manager, &AddressManager::siteChosen);
    connect(c_.ListBox1, &QListWidget::itemClicked, manager, &AddressManager::siteChosen);

    connect(c_.Button1, &QPushButton::clicked, this, [this] {
        manager_->connectChosen();
        accept();
    });
    connect(c_.Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(c_.server, &QPushButton::clicked, manager, &AddressManager::startAdding);
    connect(c_.Delete, &QPushButton::clicked, manager, &AddressManager::deleteSite);
    connect(c_.OK, &QPushButton::clicked, manager, &AddressManager::confirmAdding);
    connect(c_.Cancel, &QPushButton::clicked, manager, &AddressManager::cancelAdding);
}

void Tmidlform::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        manager_->windowShown();
    QDialog::showEvent(event);
}

void Tmidlform::done(int result)
{
    manager_->windowClosing();
    QDialog::done(result);
}

bool Tmidlform::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        // Only a move to another control of this window counts as leaving a
        // field; switching to another window or opening a menu does not.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == c_.CheckBox1)
                manager_->passiveBoxLeft();
            else if (auto* edit = qobject_cast<QLineEdit*>(watched))
                manager_->fieldLeft(edit);
        }
    } else if (event->type() == QEvent::KeyPress) {
        if (auto* edit = qobject_cast<QLineEdit*>(watched)) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
                if (manager_->moveBetweenFields(edit, key->key()))
                    return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

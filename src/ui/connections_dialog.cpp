#include "ui/connections_dialog.h"

#include "transfer/transfer_queue.h"
#include "ui/control_factory.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

ConnectionsDialog::ConnectionsDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Connectionsform"));
    setWindowTitle(QStringLiteral("Simultaneous transfers"));
    setModal(true);

    connectionsBox = named(new QSpinBox(this), "connectionsBox");
    connectionsBox->setRange(1, static_cast<int>(TransferQueue::kMostConnections));
    connectionsBox->setAccessibleName(QStringLiteral("Simultaneous transfers"));
    setHint(connectionsBox, QStringLiteral("How many files go at once, each on a connection of its own"));
    // The field inside the box is what takes the typing; a screen reader
    // names it as the box.
    if (auto* field = connectionsBox->findChild<QLineEdit*>())
        field->setAccessibleName(connectionsBox->accessibleName());

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Files at once:"), connectionsBox);
    auto* note = new QLabel(
        QStringLiteral("A server that takes fewer connections is worked with fewer. Downloads go one at a time."),
        this);
    note->setWordWrap(true);

    auto* buttons = makeOkCancelRow(this, okButton, cancelButton);
    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(note);
    column->addLayout(buttons);
    setMinimumWidth(300);
}

void ConnectionsDialog::showConnections(int connections)
{
    connectionsBox->setValue(connections);
    connectionsBox->setFocus();
    connectionsBox->selectAll();
}

int ConnectionsDialog::connections() const
{
    return connectionsBox->value();
}

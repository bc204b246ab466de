#include "ui/tmakedir.h"

#include "app/dialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TMakedir::TMakedir(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Makedir"));
    setModal(true);

    Panel1 = new QLabel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    QFont bold = Panel1->font();
    bold.setBold(true);
    Panel1->setFont(bold);
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setMinimumHeight(32);
    Panel1->setWordWrap(true);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));

    OkButton = new QPushButton(QStringLiteral("OK"), this);
    OkButton->setObjectName(QStringLiteral("OK"));
    OkButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("Cancel"));
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    auto* column = new QVBoxLayout(this);
    column->addWidget(Panel1);
    column->addWidget(Edit1);
    column->addLayout(buttons);
    setMinimumWidth(320);

    showState(NameDialogState{});
}

void TMakedir::showState(const NameDialogState& state)
{
    setWindowTitle(state.caption);
    Panel1->setText(state.panelText);
    Edit1->setText(state.editText);
    Edit1->setVisible(state.editVisible);
}

void TMakedir::readState(NameDialogState& state) const
{
    state.editText = Edit1->text();
}

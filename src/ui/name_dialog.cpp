#include "ui/name_dialog.h"

#include "services/dialogs.h"
#include "ui/control_factory.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TMakedir::TMakedir(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Makedir"));
    setModal(true);

    Panel1 = makeQuestionPanel(this, 32);
    QFont bold = Panel1->font();
    bold.setBold(true);
    Panel1->setFont(bold);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    setHint(Edit1, QStringLiteral("Type the name"));

    auto* buttons = makeOkCancelRow(this, OkButton, CancelButton);
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

#include "ui/ok_cancel_dialog.h"

#include "ui/control_factory.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

Tsaveform::Tsaveform(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("saveform"));
    setWindowTitle(QStringLiteral("Tavlinftp"));
    setModal(true);

    Panel1 = makeQuestionPanel(this, 40);

    auto* buttons = makeOkCancelRow(this, OkButton, CancelButton);
    auto* column = new QVBoxLayout(this);
    column->addWidget(Panel1);
    column->addLayout(buttons);
    setMinimumWidth(280);
}

void Tsaveform::setQuestion(const QString& question)
{
    Panel1->setText(question);
}

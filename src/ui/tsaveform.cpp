#include "ui/tsaveform.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

Tsaveform::Tsaveform(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("saveform"));
    setWindowTitle(QStringLiteral("Tavlinftp"));
    setModal(true);

    Panel1 = new QLabel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setWordWrap(true);
    Panel1->setMinimumHeight(40);

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
    column->addLayout(buttons);
    setMinimumWidth(280);
}

void Tsaveform::setQuestion(const QString& question)
{
    Panel1->setText(question);
}

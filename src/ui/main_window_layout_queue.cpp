// The queue of files in line with its counter, the progress bar with the
// sliding start button, the button that discards the queue, and the FTP log.
#include "ui/control_factory.h"
#include "ui/progress_bar_panel.h"
#include "ui/main_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QVBoxLayout>

QWidget* Thovedform::buildQueueArea()
{
    auto* area = named(new QWidget(this), "QueueArea");
    auto* column = new QVBoxLayout(area);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);

    auto* heading = new QHBoxLayout;
    auto* title = new QLabel(QStringLiteral("Queue"), area);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    c_.Label3 = named(new QLabel(area), "Label3");
    c_.Label3->hide();
    c_.Button1 = makeButton(area, "Button1", QStringLiteral("Delete"), QString());
    c_.Button1->hide();
    heading->addWidget(title);
    heading->addWidget(c_.Label3);
    heading->addStretch();
    heading->addWidget(c_.Button1);
    column->addLayout(heading);

    c_.ListBox4 = named(new QListWidget(area), "ListBox4");
    setHint(c_.ListBox4, QStringLiteral("File queue"));
    c_.ListBox4->setAccessibleName(QStringLiteral("Files in line"));
    // Every line is one line of text. Said so, the list does not measure
    // every line again each time the first one goes, which for a queue of
    // 20,000 files cost a quarter of a second per file sent.
    c_.ListBox4->setUniformItemSizes(true);
    column->addWidget(c_.ListBox4, 1);

    auto* groove = named(new QFrame(area), "ProgressFrame");
    groove->setFrameShape(QFrame::StyledPanel);
    groove->setFrameShadow(QFrame::Sunken);
    auto* grooveBox = new QVBoxLayout(groove);
    grooveBox->setContentsMargins(1, 1, 1, 1);
    auto* progress = new ProgressBarPanel(groove);
    grooveBox->addWidget(progress);
    c_.Panel6 = progress;
    c_.Image1 = progress->Image1;
    c_.BitBtn9 = progress->BitBtn9;
    column->addWidget(groove);

    // The queue as a whole, under the bar that shows the running file.
    c_.QueueProgress = named(new QLabel(area), "QueueProgress");
    // A screen reader reads the figures themselves; this says what they are.
    c_.QueueProgress->setAccessibleDescription(QStringLiteral("Queue progress"));
    c_.QueueProgress->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    c_.QueueProgress->hide();
    column->addWidget(c_.QueueProgress);
    return area;
}

QWidget* Thovedform::buildLog()
{
    c_.Memo1 = named(new QPlainTextEdit(this), "Memo1");
    c_.Memo1->setReadOnly(true);
    c_.Memo1->setAccessibleName(QStringLiteral("FTP log"));
    c_.Memo1->setPlainText(QStringLiteral("FTP log..."));
    c_.Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    return c_.Memo1;
}

#include "ui/qt_dialogs.h"

#include "ui/name_dialog.h"
#include "ui/ok_cancel_dialog.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {

QString captionOrTitle(const QString& caption)
{
    return caption.isEmpty() ? QString::fromLatin1(kProgramTitle) : caption;
}

// Shows the box with one button per choice, the last one the way out
// (Escape, and the default, so a stray Enter changes nothing); returns the
// index of the button chosen.
int runChoice(QMessageBox& box, const QStringList& choices)
{
    QList<QAbstractButton*> buttons;
    for (qsizetype i = 0; i < choices.size(); ++i) {
        const bool wayOut = i + 1 == choices.size();
        QPushButton* button = box.addButton(choices[i], wayOut ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
        button->setAccessibleName(choices[i]);
        buttons.append(button);
        if (wayOut)
            box.setEscapeButton(button);
    }
    if (!buttons.isEmpty())
        box.setDefaultButton(static_cast<QPushButton*>(buttons.last()));
    box.exec();
    const qsizetype chosen = buttons.indexOf(box.clickedButton());
    return chosen >= 0 ? static_cast<int>(chosen) : static_cast<int>(choices.size()) - 1;
}

}  // namespace

QtDialogs::QtDialogs(QWidget* owner)
    : owner_(owner), makedir_(new TMakedir(owner)), saveform_(new Tsaveform(owner))
{
}

void QtDialogs::message(const QString& text, const QString& caption)
{
    QMessageBox box(QMessageBox::NoIcon, captionOrTitle(caption), text, QMessageBox::Ok, owner_);
    box.exec();
}

DialogAnswer QtDialogs::askYesNo(const QString& caption, const QString& text)
{
    QMessageBox box(QMessageBox::Question, captionOrTitle(caption), text,
                    QMessageBox::Yes | QMessageBox::No, owner_);
    return box.exec() == QMessageBox::Yes ? DialogAnswer::Yes : DialogAnswer::No;
}

DialogAnswer QtDialogs::askYesNoWithDetails(const QString& caption, const QString& text, const QString& details)
{
    QMessageBox box(QMessageBox::Question, captionOrTitle(caption), text,
                    QMessageBox::Yes | QMessageBox::No, owner_);
    box.setDetailedText(details);
    return box.exec() == QMessageBox::Yes ? DialogAnswer::Yes : DialogAnswer::No;
}

DialogAnswer QtDialogs::askYesNoCancel(const QString& caption, const QString& text)
{
    QMessageBox box(QMessageBox::Question, captionOrTitle(caption), text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, owner_);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return DialogAnswer::Yes;
    case QMessageBox::No:
        return DialogAnswer::No;
    default:
        return DialogAnswer::Cancel;
    }
}

int QtDialogs::askChoice(const QString& caption, const QString& text, const QStringList& choices)
{
    QMessageBox box(QMessageBox::Question, captionOrTitle(caption), text, QMessageBox::NoButton, owner_);
    return runChoice(box, choices);
}

int QtDialogs::askChoiceWithCheckBox(const QString& caption, const QString& text, const QStringList& choices,
                                     const QString& checkBoxText, bool& ticked)
{
    QMessageBox box(QMessageBox::Question, captionOrTitle(caption), text, QMessageBox::NoButton, owner_);
    // Owned by the box from here.
    auto* checkBox = new QCheckBox(checkBoxText);
    checkBox->setObjectName(QStringLiteral("ChoiceCheckBox"));
    checkBox->setAccessibleName(checkBoxText);
    box.setCheckBox(checkBox);
    const int chosen = runChoice(box, choices);
    ticked = checkBox->isChecked();
    return chosen;
}

bool QtDialogs::confirmOkCancel(const QString& question)
{
    saveform_->setQuestion(question);
    return saveform_->exec() == QDialog::Accepted;
}

std::optional<QString> QtDialogs::askSaveFileName(const SaveFileRequest& request)
{
    QFileDialog dialog(owner_, QString(), request.directory);
    dialog.setObjectName(QStringLiteral("SaveDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!request.defaultExtension.isEmpty())
        dialog.setDefaultSuffix(request.defaultExtension);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

bool QtDialogs::showNameDialog(NameDialogState& state)
{
    makedir_->showState(state);
    const bool ok = makedir_->exec() == QDialog::Accepted;
    makedir_->readState(state);
    return ok;
}

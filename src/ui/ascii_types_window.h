#pragma once

#include "transfer/ascii_type_list.h"

#include <QDialog>

#include <string>

class Dialogs;
class QLineEdit;
class QListWidget;
class QPushButton;

// "Asciitypes": edits the list of extensions that are sent in ASCII mode.
// Created once at program start, which loads "ascd.dfd"; the list it shows
// is the one the transfer mode decision reads for the whole run.
class TAsciitypes : public QDialog {
    Q_OBJECT
public:
    TAsciitypes(Dialogs& dialogs, const std::string& startDirectory, QWidget* parent = nullptr);

    const AsciiTypeList& asciiTypes() const { return list_; }

    QLineEdit* Edit1 = nullptr;      // the new extension
    QLineEdit* Edit2 = nullptr;      // hidden: the data directory, set before showing
    QListWidget* ListBox1 = nullptr;
    QPushButton* Button1 = nullptr;  // "OK"
    QPushButton* Button2 = nullptr;  // "Cancel"
    QPushButton* Button3 = nullptr;  // "Delete"

    void Button1Click();
    void Button2Click();
    void Button3Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildLayout();
    void showList();

    Dialogs& dialogs_;
    AsciiTypeList list_;
};

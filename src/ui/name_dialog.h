#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
struct NameDialogState;

// The small "Write name" dialog: a bold text line, one field, OK and Cancel.
// Asks for new directory names, new names of renamed entries, project names,
// and serves as a confirmation box where the field is hidden.
class TMakedir : public QDialog {
    Q_OBJECT
public:
    explicit TMakedir(QWidget* parent = nullptr);

    // Puts the caption, line, field text and field visibility on screen.
    void showState(const NameDialogState& state);
    // Reads back what the user typed.
    void readState(NameDialogState& state) const;

    QLabel* Panel1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;
};

#pragma once

#include <QDialog>

class QPushButton;
class QSpinBox;

// Options -> "Simultaneous transfers...": how many transfer connections work
// the queue off at once.
class ConnectionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit ConnectionsDialog(QWidget* parent = nullptr);

    void showConnections(int connections);
    int connections() const;

    QSpinBox* connectionsBox = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
};

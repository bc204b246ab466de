#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The small OK/Cancel window; its panel shows the question.
class Tsaveform : public QDialog {
    Q_OBJECT
public:
    explicit Tsaveform(QWidget* parent = nullptr);

    void setQuestion(const QString& question);

    QLabel* Panel1 = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;
};

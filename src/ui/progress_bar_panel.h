#pragma once

#include <QFrame>

class QLabel;
class QPushButton;

// Panel6: the progress bar. Image1 covers the whole panel and is drawn on by
// the transfer queue (its pixmap always has the panel's size); BitBtn9
// slides along it, positioned by the queue through move(x, its y).
class ProgressBarPanel : public QFrame {
    Q_OBJECT
public:
    explicit ProgressBarPanel(QWidget* parent = nullptr);

    QLabel* Image1 = nullptr;
    QPushButton* BitBtn9 = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;
};

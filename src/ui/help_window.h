#pragma once

#include <QWidget>

class QKeyEvent;
class QPushButton;
class QTextBrowser;

// The help pages, shipped inside the program: a browser over the pages with
// their links, and buttons back to the contents and through the pages seen.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the window at a page of the help, by file name ("index.html").
    void showPage(const QString& page);

protected:
    // Escape closes the window, as it closes the program's dialogs.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTextBrowser* browser_ = nullptr;
    QPushButton* contentsButton_ = nullptr;
    QPushButton* backButton_ = nullptr;
    QPushButton* forwardButton_ = nullptr;
    bool placed_ = false;
};

// Where the pages lie among the program's resources.
QUrl helpPageUrl(const QString& page);

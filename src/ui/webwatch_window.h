#pragma once

#include "app/webwatch_window_handler.h"

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class Dialogs;
class UploadRun;
class HelpWindow;

// The WebWatch window: the web projects and their files, every stored value
// of a file, the project flags, and the upload runs. It lays out the
// controls and forwards their events to its handler.
class TWebwatch : public QDialog {
    Q_OBJECT
public:
    TWebwatch(UploadRun& run, Dialogs& dialogs, const std::vector<std::string>& asciiExtensions,
              QWidget* parent = nullptr);
    ~TWebwatch() override;

    WebwatchWindowHandler& handler() { return *handler_; }

    // Shows the window (not blocking: finished() tells when it closed).
    void openWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void wire();
    void closeWindow();

    void ListBox1Click();
    void ListView1SelectItem();
    void ListView1DblClick();
    void AsciiMouseUp();
    void notcleanMouseUp();
    void UploadedMouseUp();
    void CleanMouseUp();
    void DeleteMouseUp();
    void UploadallClick();
    void Button1Click();
    void Button2Click();
    void RemoveWebproject1Click();
    void Removefile1Click();
    void Setuploadstatusall1Click();
    void Changelogin1Click();
    void Help2Click();

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label12 = nullptr;
    QCheckBox* Clean = nullptr;
    QCheckBox* Delete = nullptr;
    QPushButton* Uploadall = nullptr;
    QListWidget* ListBox1 = nullptr;
    QListWidget* ListView1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QCheckBox* Ascii = nullptr;
    QCheckBox* Uploaded = nullptr;
    QCheckBox* notclean = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QLabel* Panel5 = nullptr;
    QMenu* Options = nullptr;
    QAction* RemoveWebproject1 = nullptr;
    QAction* Removefile1 = nullptr;
    QAction* Setuploadstatusall1 = nullptr;
    QAction* Changelogin1 = nullptr;
    QMenu* HelpMenu = nullptr;
    QAction* Help2 = nullptr;
    HelpWindow* help_ = nullptr;

    std::unique_ptr<WebwatchWindowHandler> handler_;
};

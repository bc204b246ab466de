#pragma once

#include <QObject>
#include <QString>

#include <functional>

#include <string>

class BrowsingConnectionState;
class Dialogs;
class QAction;
class QPlainTextEdit;

// The "Passive mode" item of the Options menu: its check mark is the
// program-wide passive switch that every connect reads. The mark is kept in
// line 3 of "prox.dfd" so that it survives a restart.
class PassiveModeOption : public QObject {
    Q_OBJECT
public:
    PassiveModeOption(QAction* passiveItem, QPlainTextEdit* log, Dialogs& dialogs,
                      const BrowsingConnectionState& session, std::string proxPath,
                      QObject* parent = nullptr);

    // Where a click while connected says why the mark did not change.
    void setMessageShower(std::function<void(const QString&)> show) { showMessage_ = std::move(show); }

    // At program start: checked exactly when line 3 of the file is "1".
    void loadAtStart();

    // Menu click. The item is checkable, so Qt has already inverted the
    // mark when this runs. While the browsing session is connected the mode
    // cannot change, so the mark is put back. Otherwise the new mark is stored in line 3; when the file is
    // missing the user is told, and the new mark still holds for this run.
    void toggle();

    // While a SOCKS proxy is set the mark is held on and cannot be clicked:
    // active mode cannot work through a proxy. The log says so once when the
    // user's own mark was off; it comes back when the proxy goes.
    void setProxyInUse(bool inUse);
    bool proxyInUse() const { return proxyInUse_; }

    bool passive() const;
    const std::string& proxPath() const { return proxPath_; }

private:
    QAction* item_;
    QPlainTextEdit* log_;
    std::function<void(const QString&)> showMessage_;
    Dialogs& dialogs_;
    const BrowsingConnectionState& session_;
    std::string proxPath_;
    bool proxyInUse_ = false;
    bool ownMark_ = false;
};

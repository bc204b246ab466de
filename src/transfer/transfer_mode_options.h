#pragma once

#include "transfer/transfer_mode_decision.h"

#include <QObject>

#include <string>
#include <string_view>

class AsciiTypeList;
class QAction;

// The three transfer mode items of the Options menu.
struct TransferModeMenu {
    QAction* binaryItem = nullptr;
    QAction* asciiItem = nullptr;
    QAction* autoDetectItem = nullptr;
};

// Keeps exactly one of the three mode items checked and decides the mode of
// each file as it is queued. The choice is not stored: every run starts with
// Auto Detect.
class TransferModeOptions : public QObject {
    Q_OBJECT
public:
    TransferModeOptions(const TransferModeMenu& menu, const AsciiTypeList& asciiTypes,
                        QObject* parent = nullptr);

    // Menu clicks. Qt may already have flipped the clicked item's mark; each
    // click sets all three marks itself.
    void chooseBinary();
    void chooseAscii();
    void chooseAutoDetect();

    // "0" (ASCII) or "1" (binary) for a file about to be queued: the local
    // name for an upload, the remote name for a download. Files queued
    // earlier keep the mode they were given then.
    std::string decideMode(std::string_view fileName);

    TransferModeChoice choice() const;

private:
    void check(TransferModeChoice choice);

    TransferModeMenu menu_;
    const AsciiTypeList& asciiTypes_;
};

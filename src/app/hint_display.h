#pragma once

#include "app/visual_help_capture.h"
#include "core/text_line_list.h"

#include <QPoint>
#include <QString>

#include <vector>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QWidget;
struct VisualHelpRow;

// The controls of the visual-help window the hint display fills.
struct VisualHelpView {
    // Visual help is on exactly while this window is shown.
    QWidget* window = nullptr;
    QLabel* title = nullptr;
    QLabel* firstLine = nullptr;
    QLabel* secondLine = nullptr;
    QLabel* moreInfo = nullptr;
    QLabel* picture = nullptr;
    QLabel* marker = nullptr;
    QPlainTextEdit* helpText = nullptr;
};

// What the hint display works on in the main window.
struct HintView {
    QWidget* mainWindow = nullptr;
    QStatusBar* statusBar = nullptr;
};

// Shows the hint of the control under the pointer in the status bar and,
// while visual help is on, explains the control in the visual-help window.
// Disabled buttons show no hint of their own; while visual help is on, the
// hover rule lets theirs through for the one hint event it causes.
class HintDisplay {
public:
    HintDisplay(HintView view, VisualHelpView help, const TextLineList& paragraphs);

    // The hint event: `hint` is the hint of the control under the pointer,
    // empty when it has none; `spot` is where that control is pictured.
    void showHint(const QString& hint, const CaptureSpot& spot);

    // The hover rule, on a pointer move over one of the two button panels:
    // a disabled button among `buttons` that strictly contains the pointer
    // is enabled, its hint shown, and it is disabled again at the end of
    // that hint event. Nothing happens while visual help is off, and a
    // button goes through this once until the pointer leaves it.
    void pointerOverButtons(const std::vector<QPushButton*>& buttons, QPoint globalPosition);

    // Menu item "Visual Help": shows the visual-help window beside the main
    // window, unless it is already shown.
    void openVisualHelp();
    bool visualHelpOn() const;

private:
    void updateVisualHelp(const QString& hint, const CaptureSpot& spot);
    void showRow(const VisualHelpRow& row, const CaptureSpot& spot);
    void showParagraph(int index);
    void placeBesideMainWindow();
    void disableHoverEnabled();

    HintView view_;
    VisualHelpView help_;
    const TextLineList& paragraphs_;
    // Buttons the hover rule enabled for the current hint event.
    std::vector<QPushButton*> hoverEnabled_;
    // The disabled button whose hint the hover rule showed last, so moving
    // inside it does not repeat the hint event.
    QPushButton* lastHovered_ = nullptr;
};

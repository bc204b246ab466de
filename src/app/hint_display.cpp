#include "app/hint_display.h"

#include "app/control_hint.h"
#include "app/visual_help_table.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QWidget>

#include <algorithm>

namespace {

constexpr int kMarkerLineWidth = 3;

}  // namespace

HintDisplay::HintDisplay(HintView view, VisualHelpView help, const TextLineList& paragraphs)
    : view_(view), help_(help), paragraphs_(paragraphs)
{
}

bool HintDisplay::visualHelpOn() const
{
    return help_.window->isVisible();
}

void HintDisplay::showHint(const QString& hint, const CaptureSpot& spot)
{
    view_.statusBar->showMessage(hint);
    if (visualHelpOn())
        updateVisualHelp(hint, spot);
    disableHoverEnabled();
}

void HintDisplay::disableHoverEnabled()
{
    for (QPushButton* button : hoverEnabled_)
        button->setEnabled(false);
    hoverEnabled_.clear();
}

void HintDisplay::pointerOverButtons(const std::vector<QPushButton*>& buttons, QPoint globalPosition)
{
    if (!visualHelpOn())
        return;
    QPushButton* under = nullptr;
    for (QPushButton* button : buttons) {
        const QRect area(button->mapToGlobal(QPoint(0, 0)), button->size());
        if (!button->isEnabled() && button->isVisible() && area.contains(globalPosition, true))
            under = button;
    }
    if (under == lastHovered_)
        return;
    lastHovered_ = under;
    if (!under)
        return;
    under->setEnabled(true);
    hoverEnabled_.push_back(under);
    showHint(hintOf(under), captureSpotOf(under));
}

void HintDisplay::updateVisualHelp(const QString& hint, const CaptureSpot& spot)
{
    help_.moreInfo->hide();
    if (const VisualHelpRow* row = findVisualHelpRow(hint))
        showRow(*row, spot);
}

void HintDisplay::showRow(const VisualHelpRow& row, const CaptureSpot& spot)
{
    const QPixmap picture = captureAround(spot);
    if (!picture.isNull())
        help_.picture->setPixmap(picture);
    help_.title->setText(row.title);
    help_.firstLine->setText(row.firstLine);
    help_.secondLine->setText(row.secondLine);
    showParagraph(row.paragraph);

    // The marker becomes a red bar the height of the picture.
    QPixmap bar(kMarkerLineWidth, kCaptureSide);
    bar.fill(Qt::red);
    help_.marker->setPixmap(bar);
    help_.marker->setGeometry(help_.marker->x(), row.marker, kMarkerLineWidth, kCaptureSide);
}

void HintDisplay::showParagraph(int index)
{
    help_.helpText->clear();
    const std::string& text = paragraphs_.lineOr(static_cast<std::size_t>(index));
    help_.helpText->setPlainText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void HintDisplay::openVisualHelp()
{
    if (visualHelpOn())
        return;
    QWidget* main = view_.mainWindow;
    main->setWindowState(main->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    placeBesideMainWindow();
    help_.window->show();
    help_.window->raise();
    showParagraph(kVisualHelpIntroParagraph);
    lastHovered_ = nullptr;
}

void HintDisplay::placeBesideMainWindow()
{
    // Right of the main window where the screen has room, else left of it,
    // else at the screen's right edge over the main window.
    const QRect main = view_.mainWindow->frameGeometry();
    QScreen* screen = view_.mainWindow->screen();
    const QRect room = screen ? screen->availableGeometry() : QRect();
    const int width = help_.window->frameGeometry().width();
    int left = main.right() + 1;
    if (room.isValid() && left + width - 1 > room.right()) {
        left = main.left() - width;
        if (left < room.left())
            left = room.right() - width + 1;
    }
    help_.window->move(left, std::max(main.top(), room.isValid() ? room.top() : main.top()));
}

// Hints, status bar, visual help and the help pages.
#include "ui/main_window.h"

#include "app/control_hint.h"
#include "app/hint_display.h"
#include "core/version.h"
#include "services/dialogs.h"
#include "ui/help_window.h"
#include "ui/visual_help_window.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusTipEvent>

namespace {

// Hands the hint display every hint event of the application, whichever of
// the program's windows the control lies in, and the pointer moves over the
// main window for the hover rule.
class HintEvents : public QObject {
public:
    struct Panel {
        QWidget* panel;
        std::vector<QPushButton*> buttons;
    };

    HintEvents(HintDisplay& display, QWidget* mainWindow, std::vector<Panel> panels, QObject* parent)
        : QObject(parent), display_(display), mainWindow_(mainWindow), panels_(std::move(panels))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* control = qobject_cast<QWidget*>(watched);
        if (!control)
            return false;
        if (event->type() == QEvent::StatusTip) {
            // A tip travels up from the control to its window; it is shown
            // once, for the control itself. A disabled control shows none.
            QString hint = static_cast<QStatusTipEvent*>(event)->tip();
            if (!control->isEnabled())
                hint.clear();
            display_.showHint(hint, captureSpotOf(control));
            return true;
        }
        if (event->type() == QEvent::MouseMove && display_.visualHelpOn() && control->window() == mainWindow_) {
            const QPoint pointer = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
            display_.pointerOverButtons(buttonsAround(control), pointer);
        }
        return false;
    }

private:
    const std::vector<QPushButton*>& buttonsAround(QWidget* control) const
    {
        static const std::vector<QPushButton*> none;
        for (const Panel& panel : panels_)
            if (panel.panel == control || panel.panel->isAncestorOf(control))
                return panel.buttons;
        return none;
    }

    HintDisplay& display_;
    QWidget* mainWindow_;
    std::vector<Panel> panels_;
};

TextLineList loadHelpParagraphs()
{
    QFile file(QStringLiteral(":/help/paragraphs.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return TextLineList(TextLineList::splitLines(std::string_view(bytes.constData(), bytes.size())));
}

}  // namespace

void Thovedform::wireHelp()
{
    setHint(c_.Memo1, QStringLiteral("FTP log"));
    helpParagraphs_ = loadHelpParagraphs();
    visualHelp_ = new VisualHelpWindow(this);
    hintDisplay_ = std::make_unique<HintDisplay>(HintView{this, c_.StatusBar1}, visualHelp_->view(), helpParagraphs_);

    connect(c_.VisualHelp1, &QAction::triggered, this, &Thovedform::VisualHelp1Click);
    connect(c_.Help1, &QAction::triggered, this, &Thovedform::Help1Click);
    connect(c_.About1, &QAction::triggered, this, &Thovedform::About1Click);
}

// Becomes the application's hint handler during start-up.
void Thovedform::installHintHandler()
{
    if (hintEvents_)
        return;
    hintEvents_ = new HintEvents(*hintDisplay_, this,
                                 {{c_.Panel1, {c_.BitBtn7, c_.BitBtn8, c_.BitBtn6, c_.BitBtn5}},
                                  {c_.Panel8, {c_.BitBtn4, c_.BitBtn2, c_.BitBtn3}}},
                                 this);
    qApp->installEventFilter(hintEvents_);
}

void Thovedform::VisualHelp1Click()
{
    hintDisplay_->openVisualHelp();
}

void Thovedform::Help1Click()
{
    if (!helpWindow_)
        helpWindow_ = new HelpWindow(this);
    helpWindow_->showPage(QStringLiteral("index.html"));
}

void Thovedform::About1Click()
{
    dialogs_->message(QStringLiteral("Tavlin FTP %1\n\n"
                                     "A desktop FTP client that keeps web sites up to date.\n\n"
                                     "Licence: proprietary, all rights reserved.")
                          .arg(QString::fromLatin1(kProgramVersion)),
                      QStringLiteral("About Tavlin FTP"));
}

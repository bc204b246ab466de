#include "ui/help_window.h"

#include "ui/control_factory.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

QUrl helpPageUrl(const QString& page)
{
    return QUrl(QStringLiteral("qrc:/help/") + page);
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Tavlin FTP help"));
    setAccessibleName(QStringLiteral("Help"));

    contentsButton_ = named(new QPushButton(QStringLiteral("&Contents"), this), "helpContentsButton");
    backButton_ = named(new QPushButton(QStringLiteral("&Back"), this), "helpBackButton");
    forwardButton_ = named(new QPushButton(QStringLiteral("&Forward"), this), "helpForwardButton");
    contentsButton_->setAccessibleName(QStringLiteral("Contents"));
    backButton_->setAccessibleName(QStringLiteral("Back"));
    forwardButton_->setAccessibleName(QStringLiteral("Forward"));
    backButton_->setEnabled(false);
    forwardButton_->setEnabled(false);

    browser_ = named(new QTextBrowser(this), "helpBrowser");
    browser_->setAccessibleName(QStringLiteral("Help page"));
    browser_->setOpenLinks(true);
    browser_->setOpenExternalLinks(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contentsButton_);
    buttons->addWidget(backButton_);
    buttons->addWidget(forwardButton_);
    buttons->addStretch();
    auto* column = new QVBoxLayout(this);
    column->addLayout(buttons);
    column->addWidget(browser_, 1);
    setTabOrder(contentsButton_, backButton_);
    setTabOrder(backButton_, forwardButton_);
    setTabOrder(forwardButton_, browser_);
    resize(560, 520);

    connect(contentsButton_, &QPushButton::clicked, this, [this] { browser_->setSource(helpPageUrl("index.html")); });
    connect(backButton_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forwardButton_, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, backButton_, &QWidget::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forwardButton_, &QWidget::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
        setWindowTitle(QStringLiteral("Tavlin FTP help - ") + browser_->documentTitle());
    });
}

void HelpWindow::showPage(const QString& page)
{
    browser_->setSource(helpPageUrl(page));
    // The first time over the window it was opened from; later where the
    // user left it.
    if (!placed_ && parentWidget()) {
        move(parentWidget()->window()->frameGeometry().center() - rect().center());
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
}

void HelpWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

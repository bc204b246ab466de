#include "support/modal.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <QWidget>

void whenModalOpens(std::function<void(QWidget*)> act, int timeoutMs)
{
    auto* poll = new QTimer;
    auto deadline = std::make_shared<QDeadlineTimer>(timeoutMs);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, deadline, act = std::move(act)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible()) {
            poll->stop();
            poll->deleteLater();
            act(modal);
        } else if (deadline->hasExpired()) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start();
}

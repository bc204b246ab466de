#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

// Receives the file URLs the program asks the desktop to open, instead of
// starting real applications, for as long as the object lives.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    OpenedUrls();
    ~OpenedUrls() override;
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url);
};

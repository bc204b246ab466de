// The connection bar across the top: host, login, password and port, the
// connect and address manager buttons, and the WebWatch controls.
#include "ui/control_factory.h"
#include "ui/drawn_images.h"
#include "ui/main_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace {

QLineEdit* makeField(QWidget* parent, const char* objectName, const QString& hint, int width)
{
    auto* field = named(new QLineEdit(parent), objectName);
    setHint(field, hint);
    field->setPlaceholderText(hint);
    field->setMinimumWidth(width);
    return field;
}

QLabel* caption(QWidget* parent, const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

QWidget* Thovedform::buildConnectionBar()
{
    auto* bar = named(new QWidget(this), "ConnectionBar");
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(4, 4, 4, 2);

    c_.Edit1 = makeField(bar, "Edit1", QStringLiteral("Host name"), 150);
    c_.Edit2 = makeField(bar, "Edit2", QStringLiteral("User name"), 90);
    c_.Edit3 = makeField(bar, "Edit3", QStringLiteral("Password"), 90);
    c_.Edit3->setEchoMode(QLineEdit::Password);
    c_.Edit4 = makeField(bar, "Edit4", QStringLiteral("Port number"), 44);
    c_.Edit4->setText(QStringLiteral("21"));
    c_.Edit4->setMaximumWidth(60);

    row->addWidget(caption(bar, QStringLiteral("&Host"), c_.Edit1));
    row->addWidget(c_.Edit1, 3);
    row->addWidget(caption(bar, QStringLiteral("&User"), c_.Edit2));
    row->addWidget(c_.Edit2, 2);
    row->addWidget(caption(bar, QStringLiteral("Pass&word"), c_.Edit3));
    row->addWidget(c_.Edit3, 2);
    row->addWidget(caption(bar, QStringLiteral("P&ort"), c_.Edit4));
    row->addWidget(c_.Edit4);

    c_.connectknap = makeButton(bar, "connectknap", QStringLiteral("Connect"), QStringLiteral("Connect"));
    c_.connectknap->setDefault(true);
    // The picture and the name change with what a press does.
    c_.connectknap->setIcon(QIcon(makeConnectionPicture(false, 16)));
    c_.connectknap->setAccessibleName(QStringLiteral("Connect"));
    c_.BitBtn1 = makeButton(bar, "BitBtn1", QStringLiteral("Addr"), QStringLiteral("FTP address manager"));
    row->addWidget(c_.connectknap);
    row->addWidget(c_.BitBtn1);
    row->addSpacing(12);

    c_.Image2 = named(new QToolButton(bar), "Image2");
    c_.Image2->setIcon(QIcon(makeWebwatchPicture(32)));
    c_.Image2->setIconSize(QSize(28, 28));
    c_.Image2->setAutoRaise(true);
    // A picture alone tells a screen reader nothing.
    c_.Image2->setAccessibleName(QStringLiteral("Open Webwatch"));
    setHint(c_.Image2, QStringLiteral("Open Webwatch"));
    c_.BitBtn10 = makeButton(bar, "BitBtn10", QStringLiteral("Upload all"),
                             QStringLiteral("Upload all from WebWatch"));
    row->addWidget(c_.Image2);
    row->addWidget(c_.BitBtn10);
    row->addSpacing(8);

    c_.Label2 = named(new QLabel(QStringLiteral("Recording"), bar), "Label2");
    c_.Label2->setStyleSheet(
        QStringLiteral("QLabel { color: white; background-color: red; padding: 2px 6px; font-weight: bold; }"));
    c_.Label2->hide();
    c_.BitBtn12 = makeButton(bar, "BitBtn12", QStringLiteral("Stop"), QStringLiteral("Stop recording"));
    c_.BitBtn12->hide();
    row->addWidget(c_.Label2);
    row->addWidget(c_.BitBtn12);
    return bar;
}

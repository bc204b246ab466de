#include "app/message_panel.h"

MessagePanel::MessagePanel(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("MessagePanel"));
    setFrameShape(QFrame::StyledPanel);
    setTextFormat(Qt::PlainText);
    // Server replies are read as they were sent; a long one is cut at the
    // panel's edge and shown whole as the tool tip.
    setWordWrap(false);
    setMinimumWidth(0);
    setAccessibleDescription(QStringLiteral("Messages"));
}

void MessagePanel::showMessage(const QString& message)
{
    // A reply may end in the line break it came with.
    const QString shown = message.trimmed();
    setText(shown);
    setToolTip(shown);
}

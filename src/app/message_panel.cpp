#include "app/message_panel.h"

MessagePanel::MessagePanel(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("MessagePanel"));
    setFrameShape(QFrame::StyledPanel);
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    // The layout must honour the width it is given: a policy that ignores the
    // size hint lets the status bar place the panel as if it had none, at the
    // bar's right edge, where most of it lies outside the window.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    setAccessibleDescription(QStringLiteral("Messages"));
}

void MessagePanel::showMessage(const QString& message)
{
    // A reply may end in the line break it came with.
    message_ = message.trimmed();
    setToolTip(message_);
    showFitted();
}

void MessagePanel::setPreferredWidth(int width)
{
    if (width == preferredWidth_)
        return;
    preferredWidth_ = width;
    updateGeometry();
}

QSize MessagePanel::sizeHint() const
{
    return {preferredWidth_, QLabel::sizeHint().height()};
}

QSize MessagePanel::minimumSizeHint() const
{
    // However long the message, it never holds the window wider than it is.
    return {0, QLabel::minimumSizeHint().height()};
}

void MessagePanel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    showFitted();
}

void MessagePanel::showFitted()
{
    // Server replies are read as they were sent; one longer than the panel
    // ends in an ellipsis and is shown whole as the tool tip.
    const int indentation =
        indent() >= 0 ? indent() : (frameWidth() > 0 ? fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 : 0);
    const int room = contentsRect().width() - 2 * margin() - indentation;
    setText(fontMetrics().elidedText(message_, Qt::ElideRight, qMax(room, 0)));
}

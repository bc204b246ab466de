#include "ui/visual_help_window.h"

#include "app/visual_help_capture.h"
#include "ui/control_factory.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

// The window keeps one fixed size and places its parts by pixel, so the
// marker heights of the visual-help table line up with the picture.
constexpr int kClientWidth = 152;
constexpr int kClientHeight = 479;
constexpr int kMargin = 6;
constexpr int kTextWidth = kClientWidth - 2 * kMargin;
constexpr int kPictureLeft = 14;
constexpr int kPictureTop = 158;
constexpr int kMarkerLeft = kPictureLeft + kCaptureSide + 8;
constexpr int kMarkerWidth = 17;

QLabel* line(QWidget* parent, const char* objectName, const QString& text, int top, int height = 18)
{
    auto* label = named(new QLabel(text, parent), objectName);
    label->setGeometry(kMargin, top, kTextWidth, height);
    return label;
}

}  // namespace

VisualHelpWindow::VisualHelpWindow(QWidget* parent) : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("VisualHelpWindow"));
    setWindowTitle(QStringLiteral("Visual help"));
    setAccessibleName(QStringLiteral("Visual help"));
    setFixedSize(kClientWidth, kClientHeight);

    view_.window = this;
    view_.title = line(this, "helpTitle", QStringLiteral("Visual help"), 8, 22);
    QFont bold = view_.title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    view_.title->setFont(bold);
    // Labels are read out by their text; the description says what the
    // text is for. A name would hide the text from a screen reader.
    view_.title->setAccessibleDescription(QStringLiteral("Control"));
    view_.firstLine = line(this, "helpFirstLine", QStringLiteral("Point at a control"), 36);
    view_.secondLine = line(this, "helpSecondLine", QStringLiteral("to see what it does."), 54);
    view_.firstLine->setAccessibleDescription(QStringLiteral("What it does"));
    view_.secondLine->setAccessibleDescription(QStringLiteral("What it does, continued"));
    view_.moreInfo = line(this, "helpMoreInfo", QStringLiteral("More info"), 78);
    view_.moreInfo->hide();

    auto* frame = named(new QLabel(this), "helpPictureFrame");
    frame->setFrameShape(QFrame::Box);
    frame->setGeometry(kPictureLeft - 1, kPictureTop - 1, kCaptureSide + 2, kCaptureSide + 2);
    view_.picture = named(new QLabel(this), "helpPicture");
    view_.picture->setGeometry(kPictureLeft, kPictureTop, kCaptureSide, kCaptureSide);
    view_.picture->setAccessibleName(QStringLiteral("Picture of the control"));
    view_.marker = named(new QLabel(this), "helpMarker");
    view_.marker->setGeometry(kMarkerLeft, kPictureTop, kMarkerWidth, kCaptureSide);
    view_.marker->setAccessibleName(QStringLiteral("Marker"));

    view_.helpText = named(new QPlainTextEdit(this), "helpText");
    view_.helpText->setReadOnly(true);
    view_.helpText->setAccessibleName(QStringLiteral("Help text"));
    const int textTop = kPictureTop + kCaptureSide + 10;
    view_.helpText->setGeometry(kMargin, textTop, kTextWidth, kClientHeight - textTop - 40);

    closeButton_ = named(new QPushButton(QStringLiteral("Close help"), this), "helpCloseButton");
    closeButton_->setAccessibleName(QStringLiteral("Close help"));
    closeButton_->setGeometry(kMargin, kClientHeight - 32, kTextWidth, 26);
    connect(closeButton_, &QPushButton::clicked, this, &QWidget::hide);
    setTabOrder(view_.helpText, closeButton_);
}

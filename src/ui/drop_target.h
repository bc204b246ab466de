#pragma once

#include <QObject>
#include <QPalette>
#include <QPointer>

#include <functional>

class QAbstractScrollArea;
class QMimeData;

// Lets a list or tree take drops. While a drag it would take hovers over
// it, the view is tinted with the highlight colour, so the user sees where
// the files will go; other drags pass it by. A drop is taken as a copy (the
// program that gave it keeps its files) and acted on once the drag has
// ended, so the questions it may ask do not hold the other program's drag
// open.
class DropTarget : public QObject {
    Q_OBJECT
public:
    using Accepts = std::function<bool(const QMimeData& data)>;
    using Dropped = std::function<void(const QMimeData& data)>;

    DropTarget(QAbstractScrollArea* view, Accepts accepts, Dropped dropped);

    bool highlighted() const { return highlighted_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setHighlighted(bool on);

    QPointer<QAbstractScrollArea> view_;
    Accepts accepts_;
    Dropped dropped_;
    bool highlighted_ = false;
    QPalette paletteBefore_;
};

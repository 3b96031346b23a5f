#include "twin_rail_widget.h"

#include <QMouseEvent>
#include <QPainter>

namespace twinrail {
namespace {

QRect ToQRect(const RailRect& r) { return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)); }

QColor FromColorRef(std::uint32_t color) {
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

}  // namespace

TwinRailWidget::TwinRailWidget(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setMinimumHeight(32);
    UpdateBounds();
}

void TwinRailWidget::UpdateBounds() { model_.SetBounds({0, 0, width(), height()}); }

// Geometry is kept from the size, not only from painting, so that a drag before the first paint
// works on the real track.
void TwinRailWidget::resizeEvent(QResizeEvent* event) {
    UpdateBounds();
    QWidget::resizeEvent(event);
}

void TwinRailWidget::paintEvent(QPaintEvent*) {
    UpdateBounds();
    QPainter painter(this);
    const QColor lightGray(0xC0, 0xC0, 0xC0);
    painter.setPen(lightGray);
    painter.setBrush(lightGray);
    painter.drawRect(ToQRect(model_.Bounds()));
    const RailRect inner = model_.Inner();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(Qt::white);
    painter.drawRect(ToQRect(inner));
    const RailRect sel = model_.Selection();
    painter.setPen(Qt::NoPen);
    // A container that never chose a colour gets the palette's selection colour, not a magenta block.
    painter.setBrush(model_.Color() == TwinRailModel::kDefaultColor ? palette().color(QPalette::Highlight)
                                                                    : FromColorRef(model_.Color()));
    painter.drawRect(ToQRect(sel));
    painter.setPen(Qt::black);
    painter.drawLine(inner.left, inner.bottom - 1, inner.left, inner.top);
    painter.drawLine(inner.left, inner.top, inner.right - 1, inner.top);
    painter.drawLine(sel.left, sel.bottom - 1, sel.right - 1, sel.bottom - 1);
    painter.drawLine(sel.right - 1, sel.bottom - 1, sel.right - 1, sel.top);
    if (model_.Dragging() && model_.DragZone() != RailZone::None) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(ToQRect(model_.Rubber()));
    }
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void TwinRailWidget::SetRailCursor(RailCursor cursor) {
    switch (cursor) {
    case RailCursor::Arrow: setCursor(Qt::ArrowCursor); break;
    case RailCursor::SizeWestEast: setCursor(Qt::SizeHorCursor); break;
    case RailCursor::SizeAll: setCursor(Qt::SizeAllCursor); break;
    }
}

void TwinRailWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = event->position().toPoint();
    SetRailCursor(model_.ButtonDown(p.x(), p.y()));
    update();
}

void TwinRailWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (!model_.Dragging()) {
        SetRailCursor(model_.HoverCursor(p.x(), p.y()));
        return;
    }
    const auto change = model_.MouseMove(p.x(), p.y());
    update();
    if (change && onChange_) onChange_(change->first, change->second);
}

void TwinRailWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    SetRailCursor(model_.ButtonUp());
    update();
}

void TwinRailWidget::focusInEvent(QFocusEvent* event) {
    update();
    QWidget::focusInEvent(event);
}

void TwinRailWidget::focusOutEvent(QFocusEvent* event) {
    update();
    QWidget::focusOutEvent(event);
}

}  // namespace twinrail

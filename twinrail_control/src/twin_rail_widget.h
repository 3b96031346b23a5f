// The dual-thumb slider's window: paints the model's geometry, turns mouse input into model calls
// and hands each drag step's (start, end) to `onChange`.
#pragma once

#include <QWidget>

#include <functional>

#include "model/twin_rail_model.h"

namespace twinrail {

class TwinRailWidget : public QWidget {
public:
    explicit TwinRailWidget(QWidget* parent = nullptr);

    TwinRailModel& Model() { return model_; }
    void SetChangeHandler(std::function<void(int, int)> onChange) { onChange_ = std::move(onChange); }
    // Repaints after the host changed the model.
    void RedrawSlider() { update(); }

    QSize sizeHint() const override { return {300, 40}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void SetRailCursor(RailCursor cursor);
    void UpdateBounds();

    TwinRailModel model_;
    std::function<void(int, int)> onChange_;
};

}  // namespace twinrail

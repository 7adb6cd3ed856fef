#pragma once
// A small live graph of a burn: write speed and the drive's buffer fill
// over time, two polylines on a shared time axis.
#include <QPointF>
#include <QWidget>

#include <vector>

class SpeedGraph : public QWidget {
public:
    explicit SpeedGraph(QWidget* parent = nullptr);

    // Points are (seconds since the start, value): speed in kB/s, fill in
    // percent. The speed axis reaches at least topSpeed (the medium's
    // fastest, so that a slow burn looks slow).
    void SetSeries(std::vector<QPointF> speed, std::vector<QPointF> fill, double topSpeed);
    void Clear() { SetSeries({}, {}, 0); }

    const std::vector<QPointF>& Speed() const { return speed_; }
    const std::vector<QPointF>& Fill() const { return fill_; }

    static const QColor kSpeedColour;
    static const QColor kFillColour;

    QSize sizeHint() const override { return {240, 80}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<QPointF> speed_, fill_;
    double topSpeed_ = 0;
};

#include "app/qt/SpeedGraph.h"

#include <QPainter>
#include <QPolygonF>

#include <algorithm>

const QColor SpeedGraph::kSpeedColour(0, 0, 160);
const QColor SpeedGraph::kFillColour(0, 150, 0);

namespace {

double LastTime(const std::vector<QPointF>& a, const std::vector<QPointF>& b) {
    double last = 0;
    for (const auto* series : {&a, &b})
        if (!series->empty()) last = std::max(last, series->back().x());
    return last;
}

// The series in the box: time across, value up from the bottom edge.
QPolygonF Scaled(const std::vector<QPointF>& series, const QRectF& box, double lastTime, double top) {
    QPolygonF line;
    for (const QPointF& p : series) {
        double x = box.left() + box.width() * (lastTime > 0 ? p.x() / lastTime : 0);
        double y = box.bottom() - box.height() * std::clamp(p.y() / top, 0.0, 1.0);
        line << QPointF(x, y);
    }
    return line;
}

}  // namespace

SpeedGraph::SpeedGraph(QWidget* parent) : QWidget(parent) {
    setMinimumSize(160, 60);
    setAccessibleName(QStringLiteral("Speed graph"));
    setAccessibleDescription(QStringLiteral("Write speed (blue) and the drive's buffer fill (green) over time"));
}

void SpeedGraph::SetSeries(std::vector<QPointF> speed, std::vector<QPointF> fill, double topSpeed) {
    speed_ = std::move(speed);
    fill_ = std::move(fill);
    topSpeed_ = topSpeed;
    update();
}

void SpeedGraph::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF box = QRectF(rect()).adjusted(1, 1, -2, -2);
    painter.fillRect(box, Qt::white);
    painter.setPen(QColor(160, 160, 160));
    painter.drawRect(box);
    double top = topSpeed_;
    for (const QPointF& p : speed_) top = std::max(top, p.y());
    const double last = LastTime(speed_, fill_);
    painter.setRenderHint(QPainter::Antialiasing);
    if (top > 0) {
        painter.setPen(QPen(kSpeedColour, 1.5));
        painter.drawPolyline(Scaled(speed_, box, last, top));
    }
    painter.setPen(QPen(kFillColour, 1.5));
    painter.drawPolyline(Scaled(fill_, box, last, 100.0));
}

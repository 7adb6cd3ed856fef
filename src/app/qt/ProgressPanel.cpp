#include "app/qt/ProgressPanel.h"

#include "app/qt/SpeedGraph.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

ProgressPanel::ProgressPanel(bool withGraph, QWidget* parent)
    : QWidget(parent), bar_(new QProgressBar(this)), line_(new QLabel(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    bar_->setRange(0, 100);
    bar_->setAccessibleName(QStringLiteral("Progress"));
    bar_->setAccessibleDescription(QStringLiteral("How much of the job is done"));
    line_->setAccessibleDescription(QStringLiteral("MB done of the total, speed, the drive's buffer fill and time left"));
    line_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(bar_);
    layout->addWidget(line_);
    if (withGraph) {
        graph_ = new SpeedGraph(this);
        graph_->hide();
        layout->addWidget(graph_);
    }
    Reset();
}

void ProgressPanel::Show(const kq::JobProgress& progress) {
    bar_->setValue(progress.percent);
    const QString line = QString::fromStdString(kq::ProgressText(progress)).trimmed();
    line_->setText(line);
    line_->setAccessibleName(line.isEmpty() ? QStringLiteral("Progress details") : line);
    if (!graph_) return;
    std::vector<QPointF> speed, fill;
    for (const kq::ProgressPoint& p : progress.samples) {
        speed.emplace_back(p.seconds, p.speedKBps);
        if (p.bufferPercent >= 0) fill.emplace_back(p.seconds, p.bufferPercent);
    }
    graph_->SetSeries(std::move(speed), std::move(fill), 0);
}

void ProgressPanel::Reset() {
    bar_->setValue(0);
    line_->clear();
    line_->setAccessibleName(QStringLiteral("Progress details"));
    if (graph_) graph_->Clear();
}

void ProgressPanel::SetRunning(bool running) {
    if (graph_ && running) graph_->show();
}

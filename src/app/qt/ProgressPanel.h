#pragma once
// A job's progress as every page shows it: the bar, the line under it
// (MB of the total, speed, buffer fill, time left) and, while a burn runs,
// the live graph of speed and buffer fill.
#include "app/JobProgress.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class SpeedGraph;

class ProgressPanel : public QWidget {
public:
    // withGraph: the page burns, so the graph shows while it runs.
    ProgressPanel(bool withGraph, QWidget* parent = nullptr);

    void Show(const kq::JobProgress& progress);
    void Reset();
    // The graph shows only while a burn runs.
    void SetRunning(bool running);

    QProgressBar* Bar() const { return bar_; }
    QLabel* Line() const { return line_; }
    SpeedGraph* Graph() const { return graph_; }

private:
    QProgressBar* bar_;
    QLabel* line_;
    SpeedGraph* graph_ = nullptr;
};

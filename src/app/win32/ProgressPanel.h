#pragma once
// A job's progress as every page shows it: the bar, the line under it
// (MB of the total, speed, buffer fill, time left) and the live graph of
// write speed and buffer fill.
#include "app/JobProgress.h"

#include <windows.h>

#include <vector>

class ProgressPanel {
public:
    // The bar, the line and the graph, hidden children of parent numbered
    // firstId, firstId + 1 and firstId + 2.
    ProgressPanel(HWND parent, int firstId, HFONT font);
    ProgressPanel(const ProgressPanel&) = delete;
    ProgressPanel& operator=(const ProgressPanel&) = delete;

    HWND Bar() const { return bar_; }
    HWND Line() const { return line_; }
    HWND Graph() const { return graph_; }

    // One under the other in the box; the graph takes what is left.
    void Place(int left, int top, int width, int height);
    void Show(const kq::JobProgress& progress);
    void Reset();
    void SetShown(bool shown);
    // True when item is the graph's, which is then drawn.
    bool Draw(const DRAWITEMSTRUCT& item) const;

    static constexpr int kBarHeight = 16, kLineHeight = 30;
    // The height that leaves the graph graphHeight.
    static constexpr int HeightFor(int graphHeight) { return kBarHeight + kLineHeight + 6 + graphHeight; }

private:
    HWND bar_, line_, graph_;
    std::vector<kq::ProgressPoint> samples_;
};

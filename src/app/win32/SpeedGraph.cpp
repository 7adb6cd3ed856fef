#include "app/win32/SpeedGraph.h"

#include <algorithm>

namespace {

// A line through the samples that have a value, broken where one has none.
template <class ValueOf>
void DrawLine(HDC dc, const RECT& box, const std::vector<kq::ProgressPoint>& samples, double top, COLORREF colour,
              ValueOf valueOf) {
    HPEN pen = CreatePen(PS_SOLID, 2, colour);
    HGDIOBJ previous = SelectObject(dc, pen);
    const double first = samples.front().seconds, last = samples.back().seconds;
    bool drawing = false;
    for (const kq::ProgressPoint& sample : samples) {
        double value = valueOf(sample);
        if (value < 0) {
            drawing = false;
            continue;
        }
        POINT at = GraphPoint(box, sample.seconds, first, last, value, top);
        if (drawing) LineTo(dc, at.x, at.y);
        else MoveToEx(dc, at.x, at.y, nullptr);
        drawing = true;
    }
    SelectObject(dc, previous);
    DeleteObject(pen);
}

}  // namespace

POINT GraphPoint(const RECT& box, double seconds, double first, double last, double value, double top) {
    const double width = box.right - box.left - 1, height = box.bottom - box.top - 1;
    const double x = last > first ? (seconds - first) / (last - first) : 1.0;
    const double y = top > 0 ? std::clamp(value / top, 0.0, 1.0) : 0.0;
    return {box.left + static_cast<LONG>(x * width + 0.5), box.bottom - 1 - static_cast<LONG>(y * height + 0.5)};
}

void DrawSpeedGraph(HDC dc, const RECT& box, const std::vector<kq::ProgressPoint>& samples) {
    FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FrameRect(dc, &box, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    if (samples.empty()) return;
    RECT inside{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
    double fastest = 0;
    for (const kq::ProgressPoint& sample : samples) fastest = std::max(fastest, sample.speedKBps);
    DrawLine(dc, inside, samples, 100.0, kBufferColour,
             [](const kq::ProgressPoint& p) { return static_cast<double>(p.bufferPercent); });
    DrawLine(dc, inside, samples, fastest * 1.1, kSpeedColour, [](const kq::ProgressPoint& p) { return p.speedKBps; });
}

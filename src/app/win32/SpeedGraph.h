#pragma once
// The live graph of a running job: write speed and the drive's buffer
// fill over time, drawn with GDI.
#include "app/JobProgress.h"

#include <windows.h>

#include <vector>

inline constexpr COLORREF kSpeedColour = RGB(0, 0, 192);
inline constexpr COLORREF kBufferColour = RGB(0, 160, 0);

// Where a value lands in box: the oldest sample at the left edge, the
// newest at the right, zero at the bottom and top at the top.
POINT GraphPoint(const RECT& box, double seconds, double first, double last, double value, double top);

// The box filled white with a frame, the speed line scaled to its fastest
// sample and the buffer line to 100%; samples the drive gave no buffer
// fill for are left out of that line.
void DrawSpeedGraph(HDC dc, const RECT& box, const std::vector<kq::ProgressPoint>& samples);

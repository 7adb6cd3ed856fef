#include "app/win32/ProgressPanel.h"

#include "app/win32/DialogText.h"
#include "app/win32/SpeedGraph.h"

#include <commctrl.h>

#include <algorithm>

ProgressPanel::ProgressPanel(HWND parent, int firstId, HFONT font)
    : bar_(dialogtext::MakeChild(parent, PROGRESS_CLASSW, PBS_SMOOTH, "", firstId, font)),
      line_(dialogtext::MakeChild(parent, L"STATIC", SS_NOPREFIX | SS_LEFT, "", firstId + 1, font)),
      graph_(dialogtext::MakeChild(parent, L"STATIC", SS_OWNERDRAW, "", firstId + 2, font)) {
    SendMessageW(bar_, PBM_SETRANGE32, 0, 100);
}

void ProgressPanel::Place(int left, int top, int width, int height) {
    auto place = [](HWND control, int x, int y, int w, int h) {
        SetWindowPos(control, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    const int line = top + kBarHeight + 4, graph = line + kLineHeight + 2;
    place(bar_, left, top, width, kBarHeight);
    place(line_, left, line, width, kLineHeight);
    place(graph_, left, graph, width, std::max(0, top + height - graph));
    InvalidateRect(graph_, nullptr, TRUE);
}

void ProgressPanel::Show(const kq::JobProgress& progress) {
    SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(progress.percent), 0);
    dialogtext::SetText(line_, kq::ProgressText(progress));
    samples_ = progress.samples;
    InvalidateRect(graph_, nullptr, FALSE);
}

void ProgressPanel::Reset() {
    SendMessageW(bar_, PBM_SETPOS, 0, 0);
    dialogtext::SetText(line_, "");
    samples_.clear();
    InvalidateRect(graph_, nullptr, FALSE);
}

void ProgressPanel::SetShown(bool shown) {
    for (HWND control : {bar_, line_, graph_}) ShowWindow(control, shown ? SW_SHOWNA : SW_HIDE);
}

bool ProgressPanel::Draw(const DRAWITEMSTRUCT& item) const {
    if (item.hwndItem != graph_) return false;
    DrawSpeedGraph(item.hDC, item.rcItem, samples_);
    return true;
}

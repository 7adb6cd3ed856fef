#include "app/BurnerWindow.h"

namespace kq {

void BurnerWindow::Start(std::string imageFolder) {
    // The burner waits for the queued report to run, or for its own end
    // when the window goes first.
    B->InstallHandOver([this](std::function<void()> call) { Post(std::move(call)); });
    workflow_ = std::make_unique<BurnWorkflow>(*this, *B, std::move(imageFolder));
}

void BurnerWindow::Shut() {
    if (workflow_) workflow_->FormClose();
    SetTimerEnabled(false);
}

void BurnerWindow::Release() {
    Shut();
    B.reset();
    workflow_.reset();
}

}  // namespace kq

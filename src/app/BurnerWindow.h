#pragma once
// What the burner's window is on every toolkit: a MainView that owns its
// burner B and the workflow driving it, hands B's reports to its own
// thread through Post, and lets the two go in a safe order.
#include "app/BurnWorkflow.h"
#include "app/BurnerPort.h"
#include "app/MainView.h"

#include <memory>
#include <string>

namespace kq {

class BurnerWindow : public MainView {
public:
    BurnWorkflow& Workflow() { return *workflow_; }

protected:
    explicit BurnerWindow(std::unique_ptr<BurnerPort> burner) : B(std::move(burner)) {}

    // Once the controls exist: B hands its reports over through Post, and
    // the workflow starts. imageFolder ends with a delimiter.
    void Start(std::string imageFolder) {
        B->InstallHandOver([this](std::function<void()> call) { Post(std::move(call)); });
        workflow_ = std::make_unique<BurnWorkflow>(*this, *B, std::move(imageFolder));
    }
    // Closing: a burn still running is stopped, and the timer with it.
    void Shut() {
        if (workflow_) workflow_->FormClose();
        SetTimerEnabled(false);
    }
    // First in the window's destructor: the burn is stopped; B then waits,
    // within its bound, for its threads, before anything they post to goes.
    void Release() {
        Shut();
        B.reset();
        workflow_.reset();
    }
    // The workflow, or null before Start and after Release.
    BurnWorkflow* Running() const { return workflow_.get(); }

private:
    std::unique_ptr<BurnerPort> B;
    std::unique_ptr<BurnWorkflow> workflow_;
};

}  // namespace kq

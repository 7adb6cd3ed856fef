#pragma once
// A job page for the workflows' tests: it remembers what the workflow
// showed, answers the unreadable-entries question from a script and runs
// what the job threads post when the test lets messages through.
#include "PostedCalls.h"
#include "app/JobView.h"

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace kqtest {

class ScriptedJobView : public kq::FilesView {
public:
    void ShowDrives(const std::vector<std::string>& list, int index) override {
        drives = list;
        selected = index;
    }
    void ShowRunning(bool on) override { running = on; }
    void ShowStage(const std::string& text) override { stages.push_back(text); }
    void ShowProgress(const kq::JobProgress& progress) override { shown.push_back(progress); }
    void ShowResult(const kq::JobResult& r) override { results.push_back(r); }
    kq::MessageAnswer ShowMessage(const std::string& text, kq::MessageButtons, kq::MessageIcon) override {
        messages.push_back(text);
        return answer;
    }
    void SetTimerEnabled(bool on) override { timer = on; }
    void ProcessMessages() override { RunPosted(); }
    void Post(std::function<void()> call) override { posted_.Post(std::move(call)); }
    // Runs what other threads posted, in order.
    void RunPosted() { posted_.Run(); }

    void ShowEntries(const std::vector<std::string>& list) override { entries = list; }
    void ShowVolumeId(const std::string& id) override { volumeId = id; }
    void ShowFit(const kq::DiscFit& f) override { fit = f; }
    bool AskSkipUnreadable(const std::vector<std::string>& list) override {
        unreadable = list;
        return skipUnreadable;
    }

    const kq::JobResult& Result() const {
        static const kq::JobResult none{kq::JobOutcome::Failed, "no result", "", "", {}};
        return results.empty() ? none : results.back();
    }

    std::vector<std::string> drives;
    int selected = -2;
    bool running = false;
    bool timer = false;
    std::vector<std::string> stages;
    std::vector<kq::JobProgress> shown;
    std::vector<kq::JobResult> results;
    std::vector<std::string> messages;
    kq::MessageAnswer answer = kq::MessageAnswer::Ok;  // to every message
    std::vector<std::string> entries;
    std::string volumeId;
    kq::DiscFit fit;
    std::vector<std::string> unreadable;
    bool skipUnreadable = false;

private:
    PostedCalls posted_;
};

}  // namespace kqtest

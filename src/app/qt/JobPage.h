#pragma once
// What the three job pages share: the drive list, the progress panel, the
// result, Abort and the timer, drawn as the workflow asks and forwarded
// to it as the user acts. A page adds its own controls between them.
#include "app/JobView.h"
#include "app/JobWorkflow.h"

#include <QWidget>

#include <functional>

class QBoxLayout;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;
class ProgressPanel;

class JobPageBase : public QWidget {
public:
    JobPageBase(bool withGraph, QWidget* parent);

    virtual kq::JobWorkflow& Work() = 0;
    // The button Return presses while the page shows.
    virtual QPushButton* DefaultButton() const = 0;
    // The window is closing: a running job is stopped and waited for.
    void Shut();
    // Raised when a job starts or ends, so the window locks the other pages.
    std::function<void(bool running)> onBusy;

    QComboBox* Drives() const { return drives_; }
    QLabel* Stage() const { return stage_; }
    ProgressPanel* Progress() const { return progress_; }
    QLabel* Result() const { return result_; }
    QPushButton* Abort() const { return abort_; }
    QTimer* Timer() const { return timer_; }

protected:
    // The page's own controls go in Body(), its buttons in Actions().
    QBoxLayout* Body() const { return body_; }
    QBoxLayout* Actions() const { return actions_; }
    // The page's own choices, locked while a job runs.
    virtual void SetChoicesEnabled(bool enabled) = 0;
    // Called once the page's controls and workflow exist; makes Abort.
    void Connect();

    void DrivesShown(const std::vector<std::string>& drives, int selected);
    void RunningShown(bool running);
    void StageShown(const std::string& text);
    void ProgressShown(const kq::JobProgress& progress);
    void ResultShown(const kq::JobResult& result);
    void TimerSet(bool enabled);
    void PostCall(std::function<void()> call);

    void showEvent(QShowEvent* event) override;

private:
    QComboBox* drives_;
    QBoxLayout* body_;
    QBoxLayout* actions_;
    QLabel* stage_;
    ProgressPanel* progress_;
    QLabel* result_;
    QPushButton* abort_ = nullptr;
    QTimer* timer_;
    bool filling_ = false;  // the drive list is being filled, not chosen from
    bool shown_ = false;
};

// The common view calls of View (a JobView) carried out by the base.
template <class View>
class JobPage : public JobPageBase, public View {
public:
    using JobPageBase::JobPageBase;

    void ShowDrives(const std::vector<std::string>& drives, int selected) override { DrivesShown(drives, selected); }
    void ShowRunning(bool running) override { RunningShown(running); }
    void ShowStage(const std::string& text) override { StageShown(text); }
    void ShowProgress(const kq::JobProgress& progress) override { ProgressShown(progress); }
    void ShowResult(const kq::JobResult& result) override { ResultShown(result); }
    kq::MessageAnswer ShowMessage(const std::string& text, kq::MessageButtons buttons,
                                  kq::MessageIcon icon) override;
    void SetTimerEnabled(bool enabled) override { TimerSet(enabled); }
    void ProcessMessages() override;
    void Post(std::function<void()> call) override { PostCall(std::move(call)); }
};

#include "app/qt/MessageBoxes.h"

#include <QCoreApplication>

template <class View>
kq::MessageAnswer JobPage<View>::ShowMessage(const std::string& text, kq::MessageButtons buttons,
                                             kq::MessageIcon icon) {
    return ShowMessageBox(text, buttons, icon);
}

template <class View>
void JobPage<View>::ProcessMessages() {
    QCoreApplication::processEvents();
}

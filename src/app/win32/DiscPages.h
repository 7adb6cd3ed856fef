#pragma once
// The "Read a disc" and "Check a disc" pages: the drive, a file chosen
// through the system's dialog, and the one button that starts the job.
#include "app/CheckWorkflow.h"
#include "app/ReadWorkflow.h"
#include "app/win32/DialogText.h"
#include "app/win32/JobPage.h"

#include <memory>

// What both pages show below the drive: a caption, the chosen file and Browse….
class FilePickPage : public JobPageOf<kq::JobView> {
public:
    enum Own { kFileLabel = kOwnSlots, kFile, kBrowse, kStart, kKeepGoing };

protected:
    FilePickPage(TMainForm& form, int firstId, UINT_PTR timerId, const char* caption, const char* start);
    void LayoutChoices(int width, int height) override;
    void ShowFile(const std::string& path) { dialogtext::SetText(Widget(kFile), path); }
    // Browse opens the dialog; the start button asks for a file first
    // when none is chosen yet.
    void OnCommand(int slot, int code) override;

private:
    // The chosen file, the system's dialog that chooses it (false when the
    // user cancels it), and the job it starts.
    virtual const std::string& File() const = 0;
    virtual bool Choose() = 0;
    virtual void Start() = 0;
};

class ReadPage : public FilePickPage {
public:
    ReadPage(TMainForm& form, int firstId, UINT_PTR timerId);
    ~ReadPage() override;
    kq::ReadWorkflow& Flow() override { return *flow_; }
    const char* Title() const override { return "Read a disc"; }

private:
    void OnCommand(int slot, int code) override;
    const std::string& File() const override { return flow_->Output(); }
    bool Choose() override;
    void Start() override { flow_->ReadClick(); }
    std::unique_ptr<kq::ReadWorkflow> flow_;
};

class CheckPage : public FilePickPage {
public:
    CheckPage(TMainForm& form, int firstId, UINT_PTR timerId);
    ~CheckPage() override;
    kq::CheckWorkflow& Flow() override { return *flow_; }
    const char* Title() const override { return "Check a disc"; }

private:
    const std::string& File() const override { return flow_->Reference(); }
    bool Choose() override;
    void Start() override { flow_->CheckClick(); }
    std::unique_ptr<kq::CheckWorkflow> flow_;
};

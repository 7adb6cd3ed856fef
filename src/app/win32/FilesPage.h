#pragma once
// The "Burn files and folders" page: the list of what goes on the disc,
// its name, how full the disc would be, the file systems under "More",
// and "Burn it", "Add to the disc" or "Write image file…".
#include "app/FilesWorkflow.h"
#include "app/win32/JobPage.h"

#include <memory>

class FilesPage : public JobPageOf<kq::FilesView> {
public:
    enum Own { kList = kOwnSlots, kAddFiles, kAddFolder, kDelete, kNameLabel, kName, kFitBar, kFitText, kMore,
               kJoliet, kRockRidge, kBurn, kWriteImage, kAddToDisc, kUdf, kNote, kEnd };
    static_assert(kEnd <= kSlotsPerPage, "a control past the page's slots takes the next page's id");

    FilesPage(TMainForm& form, int firstId, UINT_PTR timerId);
    ~FilesPage() override;

    kq::FilesWorkflow& Flow() override { return *flow_; }
    const char* Title() const override { return "Burn files and folders"; }
    // Files and folders dropped from the file manager.
    void Drop(const std::vector<std::string>& paths) { flow_->AddEntries(paths); }

    void ShowEntries(const std::vector<std::string>& entries) override;
    void ShowVolumeId(const std::string& volumeId) override;
    void ShowFit(const kq::DiscFit& fit) override;
    bool AskSkipUnreadable(const std::vector<std::string>& unreadable) override;

private:
    void OnCommand(int slot, int code) override;
    void LayoutChoices(int width, int height) override;
    bool ChoiceShown(int slot) const override {
        return more_ || (slot != kJoliet && slot != kRockRidge && slot != kUdf);
    }
    void LayoutButtons(int right, int top);
    bool Checked(int slot) const;

    std::unique_ptr<kq::FilesWorkflow> flow_;
    bool more_ = false;
    bool showingName_ = false;  // the name box's change is the workflow's own
};

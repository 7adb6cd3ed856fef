#pragma once
// TMainForm: the burner's one window. It lays out the controls, turns
// their events into the workflow's handlers and carries out what the
// workflow asks of the window.
#include "app/BurnerWindow.h"
#include "app/WindowLayout.h"

#include <QDialog>

#include <map>
#include <memory>
#include <vector>

class JobPageBase;
class ProgressPanel;
class QAccessibleEvent;
class QComboBox;
class QLabel;
class QTabWidget;
class QTimer;

class TMainForm : public QDialog, public kq::BurnerWindow {
public:
    // The window owns its burner B; imageFolder ends with "/".
    TMainForm(std::unique_ptr<kq::BurnerPort> burner, std::string imageFolder);
    ~TMainForm() override;

    void SetCaption(kq::Control control, const std::string& text) override;
    void SetVisible(kq::Control control, bool visible) override;
    void AddItem(kq::Control list, const std::string& text) override;
    int ItemCount(kq::Control list) const override;
    void SetItemIndex(kq::Control list, int index) override;
    std::string SelectedItem(kq::Control list) const override;
    void SetLabelFont(kq::Control label, kq::Rgb colour, bool bold) override;
    void SetDefaultButton(kq::Control button) override;
    void SetTimerEnabled(bool enabled) override;
    void ShowProgress(const kq::JobProgress& progress) override;
    void ProcessMessages() override;
    kq::MessageAnswer ShowMessage(const std::string& text, kq::MessageButtons buttons,
                                  kq::MessageIcon icon) override;
    void Close() override;
    void Post(std::function<void()> call) override;

    QWidget* Widget(kq::Control control) const { return controls_.at(control); }
    QTimer* Timer() const { return Timer_; }
    // The pages, one per job; the first burns an image.
    QTabWidget* Tabs() const { return tabs_; }
    QWidget* ImagePage() const { return imagePage_; }
    // The image page's progress, under its fixed layout, once a burn runs.
    ProgressPanel* ImageProgress() const { return imageProgress_; }
    // Adds the pages that burn files and folders, read and check a disc,
    // each with a burner of its own.
    void AddJobPages();
    // The job pages in tab order, after the image page.
    const std::vector<JobPageBase*>& JobPages() const { return jobPages_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Hands an event to assistive technology (which drops it while none listens).
    virtual void Notify(QAccessibleEvent& event);

private:
    void CreatePages();
    void CreateControls();
    void AddJobPage(JobPageBase* page, const QString& title);
    void PageChanged(int index);
    void MarkDefault(kq::Control button);
    // While the page at `index` runs a job the others cannot be chosen.
    void LockPages(int index, bool busy);
    void RestoreSize();
    void SaveSize() const;
    void ConnectHandlers();
    void BrowseClick();
    QLabel* LabelOf(kq::Control control) const;
    QComboBox* ListOf(kq::Control control) const;
    void DescribeControls();
    void SpeakText(kq::Control control, const QString& text);
    void AnnounceResult();

    std::map<kq::Control, QWidget*> controls_;
    QTimer* Timer_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QWidget* imagePage_ = nullptr;
    ProgressPanel* imageProgress_ = nullptr;
    kq::Control imageDefault_ = kq::window::kDefaultButton;
    std::vector<JobPageBase*> jobPages_;
    bool shown_ = false;
};

#pragma once
// The "Burn files and folders" page: the list, the disc's name, the fit
// bar, "More" (Joliet, Rock Ridge), "Burn it" and "Write image file…".
#include "app/FilesWorkflow.h"
#include "app/qt/JobPage.h"
#include "app/ComponentBurnerPort.h"

#include <memory>

class FileList;
class QCheckBox;
class QLineEdit;
class QProgressBar;
class QToolButton;

class FilesPage : public JobPage<kq::FilesView> {
public:
    explicit FilesPage(QWidget* parent = nullptr);
    ~FilesPage() override;

    kq::FilesWorkflow& Work() override { return *workflow_; }
    QPushButton* DefaultButton() const override { return burn_; }

    void ShowEntries(const std::vector<std::string>& entries) override;
    void ShowVolumeId(const std::string& volumeId) override;
    void ShowFit(const kq::DiscFit& fit) override;
    bool AskSkipUnreadable(const std::vector<std::string>& unreadable) override;

    FileList* List() const { return list_; }
    QLineEdit* VolumeId() const { return volumeId_; }
    QProgressBar* FitBar() const { return fitBar_; }
    QLabel* FitText() const { return fitText_; }
    QToolButton* More() const { return more_; }
    QCheckBox* Joliet() const { return joliet_; }
    QCheckBox* RockRidge() const { return rockRidge_; }
    QPushButton* WriteImage() const { return writeImage_; }

protected:
    void SetChoicesEnabled(bool enabled) override;

private:
    void CreateControls();
    void CreateMore();
    void ConnectControls();
    void WriteImageClick();

    FileList* list_;
    QLineEdit* volumeId_;
    QProgressBar* fitBar_;
    QLabel* fitText_;
    QToolButton* more_;
    QWidget* moreBox_;
    QCheckBox* joliet_;
    QCheckBox* rockRidge_;
    QPushButton* burn_;
    QPushButton* writeImage_;
    bool fits_ = false;
    bool laidOut_ = false;
    kq::ComponentBurnerPort burner_;  // the window's settings
    std::unique_ptr<kq::FilesWorkflow> workflow_;
};

#pragma once
// The "Burn files and folders" page: the list, the disc's name, the fit
// bar, "More" (Joliet, Rock Ridge, UDF), "Burn it", "Add to the disc" and
// "Write image file…".
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
    QLabel* FitNote() const { return fitNote_; }
    QToolButton* More() const { return more_; }
    QCheckBox* Joliet() const { return joliet_; }
    QCheckBox* RockRidge() const { return rockRidge_; }
    QCheckBox* Udf() const { return udf_; }
    QPushButton* AddToDisc() const { return addToDisc_; }
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
    QLabel* fitNote_;
    QToolButton* more_;
    QWidget* moreBox_;
    QCheckBox* joliet_;
    QCheckBox* rockRidge_;
    QCheckBox* udf_;
    QPushButton* burn_;
    QPushButton* addToDisc_;
    QPushButton* writeImage_;
    kq::DiscFit fit_;  // the last shown
    kq::ComponentBurnerPort burner_;  // the window's settings
    std::unique_ptr<kq::FilesWorkflow> workflow_;
};

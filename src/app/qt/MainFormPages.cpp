// The window's pages, one per job, chosen by tabs, and its remembered size.
#include "app/qt/MainForm.h"

#include "app/qt/DiscPages.h"
#include "app/qt/FilesPage.h"
#include "app/qt/ProgressPanel.h"

#include <QGridLayout>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr const char* kSizeKey = "window/size";

}  // namespace

// The image page keeps the fixed layout every toolkit shares, centred in
// its tab; the window around it may grow.
void TMainForm::CreatePages() {
    tabs_ = new QTabWidget(this);
    tabs_->setAccessibleName(QStringLiteral("Jobs"));
    tabs_->setAccessibleDescription(QStringLiteral("Burn an image, burn files and folders, read or check a disc"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(tabs_);

    auto* holder = new QWidget;
    imagePage_ = new QWidget(holder);
    imagePage_->setFixedSize(kq::window::kClientWidth, kq::window::kClientHeight);
    auto* centre = new QGridLayout(holder);
    centre->addWidget(imagePage_, 0, 0, Qt::AlignCenter);
    imageProgress_ = new ProgressPanel(true, holder);
    imageProgress_->hide();
    centre->addWidget(imageProgress_, 1, 0);
    tabs_->addTab(holder, QStringLiteral("&1 Burn an image"));
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) { PageChanged(index); });
}

void TMainForm::AddJobPages() {
    AddJobPage(new FilesPage, QStringLiteral("&2 Burn files and folders"));
    AddJobPage(new ReadPage, QStringLiteral("&3 Read a disc"));
    AddJobPage(new CheckPage, QStringLiteral("&4 Check a disc"));
    RestoreSize();
}

void TMainForm::AddJobPage(JobPageBase* page, const QString& title) {
    const int index = tabs_->addTab(page, title);
    page->onBusy = [this, index](bool busy) { LockPages(index, busy); };
    jobPages_.push_back(page);
}

// One default button for the whole window: the shown page's.
void TMainForm::PageChanged(int index) {
    if (index == 0) return MarkDefault(imageDefault_);
    if (index <= static_cast<int>(jobPages_.size())) jobPages_[index - 1]->DefaultButton()->setDefault(true);
}

void TMainForm::MarkDefault(kq::Control button) {
    for (kq::Control c : {kq::Control::Burn, kq::Control::Cancel})
        qobject_cast<QPushButton*>(Widget(c))->setDefault(c == button);
}

void TMainForm::LockPages(int index, bool busy) {
    for (int i = 0; i < tabs_->count(); ++i)
        if (i != index) tabs_->setTabEnabled(i, !busy);
}

void TMainForm::ShowProgress(const kq::JobProgress& progress) {
    imageProgress_->show();
    imageProgress_->SetRunning(true);
    imageProgress_->Show(progress);
}

// At first the size that shows every tab's title and the files page's
// list and graph; then the size the user left it at.
void TMainForm::RestoreSize() {
    setMinimumSize(minimumSizeHint());
    const QSize first = sizeHint().expandedTo(jobPages_.empty() ? QSize() : QSize(560, 520));
    const QSize saved = QSettings().value(kSizeKey).toSize();
    resize((saved.isValid() ? saved : first).expandedTo(minimumSize()));
}

void TMainForm::SaveSize() const { QSettings().setValue(kSizeKey, size()); }

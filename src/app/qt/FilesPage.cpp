#include "app/qt/FilesPage.h"

#include "app/qt/FileList.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

FilesPage::FilesPage(QWidget* parent)
    : JobPage(true, parent) {
    CreateControls();
    workflow_ = std::make_unique<kq::FilesWorkflow>(*this, burner_.Component());
    Connect();
    ConnectControls();
}

FilesPage::~FilesPage() { workflow_.reset(); }

// In the order the Tab key visits them.
void FilesPage::CreateControls() {
    list_ = new FileList(this);
    Body()->addWidget(list_, 1);
    auto* adds = new QHBoxLayout;
    adds->addWidget(list_->AddFilesButton());
    adds->addWidget(list_->AddFolderButton());
    adds->addStretch(1);
    Body()->addLayout(adds);

    auto* form = new QFormLayout;
    volumeId_ = new QLineEdit(this);
    volumeId_->setAccessibleName(QStringLiteral("Disc name"));
    volumeId_->setAccessibleDescription(QStringLiteral("The volume id; empty for the folder's name"));
    auto* nameLabel = new QLabel(QStringLiteral("Disc &name:"), this);
    nameLabel->setBuddy(volumeId_);
    form->addRow(nameLabel, volumeId_);
    fitBar_ = new QProgressBar(this);
    fitBar_->setRange(0, 100);
    fitBar_->setTextVisible(false);
    fitBar_->setAccessibleName(QStringLiteral("Disc use"));
    fitBar_->setAccessibleDescription(QStringLiteral("How full the disc in the chosen recorder would be"));
    fitText_ = new QLabel(this);
    fitText_->setAccessibleName(QStringLiteral("Disc use"));
    fitText_->setAccessibleDescription(QStringLiteral("The files' size against the disc's free space"));
    form->addRow(QStringLiteral("Disc use:"), fitBar_);
    form->addRow(fitText_);
    fitNote_ = new QLabel(this);
    fitNote_->setWordWrap(true);
    fitNote_->setAccessibleName(QStringLiteral("Note"));
    fitNote_->hide();
    form->addRow(fitNote_);
    Body()->addLayout(form);

    CreateMore();

    burn_ = new QPushButton(QStringLiteral("&Burn it"), this);
    burn_->setAccessibleDescription(QStringLiteral("Burns the files and folders onto the disc"));
    writeImage_ = new QPushButton(QStringLiteral("&Write image file…"), this);
    writeImage_->setAccessibleDescription(QStringLiteral("Writes them into an image file and its .sha256 instead"));
    addToDisc_ = new QPushButton(QStringLiteral("Add to &the disc"), this);
    addToDisc_->setAccessibleDescription(QStringLiteral("Adds them in a new session, keeping the files on the disc"));
    Actions()->addWidget(burn_);
    Actions()->addWidget(addToDisc_);
    Actions()->addWidget(writeImage_);
    Actions()->addStretch(1);
    for (QPushButton* button : {burn_, addToDisc_, writeImage_}) button->setEnabled(false);
}

// The file systems, folded away under "More".
void FilesPage::CreateMore() {
    more_ = new QToolButton(this);
    more_->setText(QStringLiteral("&More"));
    more_->setCheckable(true);
    more_->setAccessibleDescription(QStringLiteral("Shows the file system choices"));
    Body()->addWidget(more_);
    moreBox_ = new QWidget(this);
    auto* more = new QHBoxLayout(moreBox_);
    joliet_ = new QCheckBox(QStringLiteral("&Joliet (long names on Windows)"), moreBox_);
    rockRidge_ = new QCheckBox(QStringLiteral("&Rock Ridge (names and rights on Unix)"), moreBox_);
    joliet_->setAccessibleDescription(QStringLiteral("Adds the Joliet names Windows shows"));
    rockRidge_->setAccessibleDescription(QStringLiteral("Adds the Rock Ridge names, dates and rights Unix shows"));
    udf_ = new QCheckBox(QStringLiteral("&UDF (files of 4 GiB and more)"), moreBox_);
    udf_->setAccessibleDescription(QStringLiteral("Adds a UDF file system that every system reads"));
    for (QCheckBox* box : {joliet_, rockRidge_}) box->setChecked(true);
    for (QCheckBox* box : {joliet_, rockRidge_, udf_}) more->addWidget(box);
    moreBox_->hide();
    Body()->addWidget(moreBox_);
}

void FilesPage::ConnectControls() {
    list_->onAdd = [this](const std::vector<std::string>& paths) { Work().AddEntries(paths); };
    list_->onRemove = [this](const std::vector<int>& rows) {
        for (int row : rows) Work().RemoveEntry(row);
    };
    connect(volumeId_, &QLineEdit::textEdited, this,
            [this](const QString& text) { Work().SetVolumeId(text.toStdString()); });
    connect(more_, &QToolButton::toggled, moreBox_, &QWidget::setVisible);
    connect(joliet_, &QCheckBox::toggled, this, [this](bool on) { Work().SetJoliet(on); });
    connect(rockRidge_, &QCheckBox::toggled, this, [this](bool on) { Work().SetRockRidge(on); });
    connect(udf_, &QCheckBox::toggled, this, [this](bool on) { Work().SetUdf(on); });
    connect(burn_, &QPushButton::clicked, this, [this] { Work().BurnClick(); });
    connect(addToDisc_, &QPushButton::clicked, this, [this] { Work().AddToDiscClick(); });
    connect(writeImage_, &QPushButton::clicked, this, [this] { WriteImageClick(); });
}

void FilesPage::WriteImageClick() {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Write the image file"), QString(),
                                                      QStringLiteral("Disc images (*.iso);;All files (*)"), nullptr,
                                                      QFileDialog::DontUseNativeDialog);
    if (!path.isEmpty()) Work().WriteImageClick(path.toStdString());
}

void FilesPage::ShowEntries(const std::vector<std::string>& entries) { list_->SetPaths(entries); }

void FilesPage::ShowVolumeId(const std::string& volumeId) {
    const QString text = QString::fromStdString(volumeId);
    if (volumeId_->text() != text) volumeId_->setText(text);
}

// Red past the disc's room, and then "Burn it" is off.
void FilesPage::ShowFit(const kq::DiscFit& fit) {
    fit_ = fit;
    fitBar_->setValue(std::clamp(fit.percent, 0, 100));
    QPalette palette = fitBar_->palette();
    palette.setColor(QPalette::Highlight, fit.fits ? QColor(0, 120, 215) : QColor(Qt::red));
    fitBar_->setPalette(palette);
    fitText_->setText(QString::fromStdString(fit.text));
    fitText_->setAccessibleName(fitText_->text().isEmpty() ? QStringLiteral("Disc use") : fitText_->text());
    QPalette text = fitText_->palette();
    text.setColor(QPalette::WindowText, fit.fits ? QColor(Qt::black) : QColor(Qt::red));
    fitText_->setPalette(text);
    fitNote_->setText(QString::fromStdString(fit.note));
    fitNote_->setVisible(!fit.note.empty());
    SetChoicesEnabled(!Abort()->isEnabled());
}

bool FilesPage::AskSkipUnreadable(const std::vector<std::string>& unreadable) {
    QStringList names;
    for (const std::string& name : unreadable) names << QString::fromStdString(name);
    QMessageBox box(QMessageBox::Warning, QString(), QStringLiteral("These cannot be read:\n\n%1\n\nSkip them and go on?")
                                                         .arg(names.join(QLatin1Char('\n'))));
    QPushButton* skip = box.addButton(QStringLiteral("&Skip them"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("S&top"), QMessageBox::RejectRole);
    box.setDefaultButton(skip);
    box.exec();
    return box.clickedButton() == skip;
}

void FilesPage::SetChoicesEnabled(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{list_, list_->AddFilesButton(), list_->AddFolderButton(),
                                                      volumeId_, more_, moreBox_})
        w->setEnabled(enabled);
    burn_->setEnabled(enabled && fit_.fits);
    addToDisc_->setEnabled(enabled && fit_.fits && fit_.appendable);
    writeImage_->setEnabled(enabled && fit_.imageSectors.has_value());
}

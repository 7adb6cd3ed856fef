#include "app/qt/DiscPages.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

PathPage::PathPage(const Texts& texts, QWidget* parent)
    : JobPage(false, parent), path_(new QLineEdit(this)),
      browse_(new QPushButton(QString::fromUtf8(texts.browse), this)),
      action_(new QPushButton(QString::fromUtf8(texts.action), this)) {
    auto* form = new QFormLayout;
    auto* row = new QHBoxLayout;
    row->addWidget(path_, 1);
    row->addWidget(browse_);
    auto* label = new QLabel(QString::fromUtf8(texts.label), this);
    label->setBuddy(path_);
    form->addRow(label, row);
    Body()->addLayout(form);
    path_->setAccessibleName(QString::fromUtf8(texts.name));
    path_->setAccessibleDescription(QString::fromUtf8(texts.description));
    browse_->setAccessibleDescription(QStringLiteral("Choose the file in a dialog"));
    action_->setAccessibleDescription(QString::fromUtf8(texts.actionDescription));
    Actions()->addWidget(action_);
    Actions()->addStretch(1);
    connect(browse_, &QPushButton::clicked, this, [this] {
        const QString chosen = Choose();
        if (!chosen.isEmpty()) SetChosen(chosen);
    });
    connect(path_, &QLineEdit::textEdited, this, [this] { chosen_ = false; });
}

void PathPage::SetChoicesEnabled(bool enabled) {
    for (QWidget* w : {static_cast<QWidget*>(path_), static_cast<QWidget*>(browse_), static_cast<QWidget*>(action_)})
        w->setEnabled(enabled);
}

void PathPage::SetChosen(const QString& path) {
    path_->setText(path);
    chosen_ = !path.isEmpty();
}

std::string PathPage::ChosenPath() {
    if (path_->text().isEmpty()) SetChosen(Choose());
    return path_->text().toStdString();
}

ReadPage::ReadPage(QWidget* parent)
    : PathPage({"&Image file:", "Image file", "Where the disc's image goes; its .sha256 goes beside it",
                "&Save as…", "&Read", "Reads the disc into the image file"},
               parent),
      keepGoing_(new QCheckBox(QStringLiteral("&Keep going past unreadable sectors"), this)) {
    keepGoing_->setAccessibleDescription(
        QStringLiteral("Unreadable sectors become zeros and are listed beside the image instead of ending the read"));
    Body()->addWidget(keepGoing_);
    Body()->addStretch(1);
    setTabOrder(Browse(), keepGoing_);  // as it stands: above the Read button
    workflow_ = std::make_unique<kq::ReadWorkflow>(*this, burner_.Component());
    Connect();
    connect(action_, &QPushButton::clicked, this, [this] { ReadClick(); });
}

ReadPage::~ReadPage() { workflow_.reset(); }

QString ReadPage::Choose() {
    return QFileDialog::getSaveFileName(this, QStringLiteral("Read the disc into"), Path()->text(),
                                        QStringLiteral("Disc images (*.iso);;All files (*)"), nullptr,
                                        QFileDialog::DontUseNativeDialog);
}

void ReadPage::SetChoicesEnabled(bool enabled) {
    PathPage::SetChoicesEnabled(enabled);
    keepGoing_->setEnabled(enabled);
}

void ReadPage::ReadClick() {
    const std::string output = ChosenPath();
    if (output.empty()) return;
    Work().SetOutput(output, Chosen());
    Work().SetKeepGoing(keepGoing_->isChecked());
    Work().ReadClick();
}

CheckPage::CheckPage(QWidget* parent)
    : PathPage({"&Compare with:", "Image or checksum file",
                "The image the disc should hold, or its checksum file (.md5, .sha256, SHA256SUMS)", "C&hoose…",
                "Chec&k", "Compares the disc with the image or checksum"},
               parent) {
    Body()->addStretch(1);
    workflow_ = std::make_unique<kq::CheckWorkflow>(*this, burner_.Component());
    Connect();
    connect(action_, &QPushButton::clicked, this, [this] { CheckClick(); });
}

CheckPage::~CheckPage() { workflow_.reset(); }

QString CheckPage::Choose() {
    return QFileDialog::getOpenFileName(
        this, QStringLiteral("Compare the disc with"), Path()->text(),
        QStringLiteral("Images and checksums (*.iso *.img *.md5 *.sha256 SHA256SUMS);;All files (*)"), nullptr,
        QFileDialog::DontUseNativeDialog);
}

void CheckPage::CheckClick() {
    const std::string reference = ChosenPath();
    if (reference.empty()) return;
    Work().SetReference(reference);
    Work().CheckClick();
}

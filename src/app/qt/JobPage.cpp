#include "app/qt/JobPage.h"

#include "app/WindowLayout.h"
#include "app/qt/ProgressPanel.h"

#include <QAccessible>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

JobPageBase::JobPageBase(bool withGraph, QWidget* parent)
    : QWidget(parent),
      drives_(new QComboBox(this)),
      stage_(new QLabel(this)),
      progress_(new ProgressPanel(withGraph, this)),
      result_(new QLabel(this)),
      timer_(new QTimer(this)) {
    auto* layout = new QVBoxLayout(this);
    auto* top = new QFormLayout;
    auto* driveLabel = new QLabel(QStringLiteral("&Drive:"), this);
    driveLabel->setBuddy(drives_);
    top->addRow(driveLabel, drives_);
    layout->addLayout(top);
    body_ = new QVBoxLayout;
    layout->addLayout(body_, 1);
    actions_ = new QHBoxLayout;
    layout->addLayout(actions_);
    layout->addWidget(stage_);
    layout->addWidget(progress_);
    result_->setWordWrap(true);
    result_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(result_);

    drives_->setAccessibleName(QStringLiteral("Drive"));
    drives_->setAccessibleDescription(QStringLiteral("The drive this page works with"));
    stage_->setAccessibleName(QStringLiteral("Status"));
    stage_->setAccessibleDescription(QStringLiteral("What the job is doing"));
    result_->setAccessibleName(QStringLiteral("Result"));
    result_->setAccessibleDescription(QStringLiteral("How the job ended and what to do next"));
    timer_->setInterval(kq::window::kTimerIntervalMs);
}

// Abort is made last, so that Tab reaches it after the page's own controls.
void JobPageBase::Connect() {
    abort_ = new QPushButton(QStringLiteral("Abort"), this);
    abort_->setAccessibleDescription(QStringLiteral("Stops the job once the drive allows it"));
    abort_->setEnabled(false);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(abort_);
    static_cast<QBoxLayout*>(layout())->addLayout(bottom);

    connect(drives_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!filling_) Work().SelectDrive(index);
    });
    connect(abort_, &QPushButton::clicked, this, [this] { Work().AbortClick(); });
    connect(timer_, &QTimer::timeout, this, [this] { Work().TimerTick(); });
}

void JobPageBase::Shut() {
    Work().FormClose();
    timer_->stop();
}

void JobPageBase::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_) return;
    shown_ = true;
    Work().FormShow();
}

void JobPageBase::DrivesShown(const std::vector<std::string>& drives, int selected) {
    filling_ = true;
    drives_->clear();
    for (const std::string& drive : drives) drives_->addItem(QString::fromStdString(drive));
    drives_->setCurrentIndex(selected);
    filling_ = false;
}

void JobPageBase::RunningShown(bool running) {
    drives_->setEnabled(!running);
    SetChoicesEnabled(!running);
    abort_->setEnabled(running);
    progress_->SetRunning(running);
    if (running) {
        progress_->Reset();
        result_->clear();
        result_->setAccessibleName(QStringLiteral("Result"));
        abort_->setFocus();
    } else {
        DefaultButton()->setFocus();
    }
    if (onBusy) onBusy(running);
}

void JobPageBase::StageShown(const std::string& text) {
    stage_->setText(QString::fromStdString(text));
    stage_->setAccessibleName(text.empty() ? QStringLiteral("Status") : stage_->text());
}

void JobPageBase::ProgressShown(const kq::JobProgress& progress) { progress_->Show(progress); }

// The headline in bold, red for a failure, then the drive's words and
// what to do next; announced as page 1 announces its result.
void JobPageBase::ResultShown(const kq::JobResult& result) {
    QStringList lines{QStringLiteral("<b>%1</b>").arg(QString::fromStdString(result.headline).toHtmlEscaped())};
    for (const std::string& more : {result.detail, result.next})
        if (!more.empty()) lines << QString::fromStdString(more).toHtmlEscaped();
    for (const std::string& file : result.files) lines << QString::fromStdString(file).toHtmlEscaped();
    result_->setText(lines.join(QStringLiteral("<br>")));
    QPalette palette = result_->palette();
    palette.setColor(QPalette::WindowText, result.outcome == kq::JobOutcome::Failed ? Qt::red : QColor(0, 0, 128));
    result_->setPalette(palette);
    result_->setAccessibleName(QString::fromStdString(result.headline + " " + result.detail).trimmed());
    QAccessibleEvent alert(result_, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

void JobPageBase::TimerSet(bool enabled) {
    if (enabled) timer_->start();
    else timer_->stop();
}

void JobPageBase::PostCall(std::function<void()> call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

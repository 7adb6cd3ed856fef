#include "app/qt/MainForm.h"

#include "app/WindowLayout.h"
#include "app/qt/JobPage.h"
#include "app/qt/ResultLabel.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

using kq::Control;

TMainForm::TMainForm(std::unique_ptr<kq::BurnerPort> burner, std::string imageFolder)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      BurnerWindow(std::move(burner)) {
    setWindowTitle(QString::fromUtf8(kq::window::kTitle));
    CreatePages();
    CreateControls();
    Start(std::move(imageFolder));
    ConnectHandlers();
    RestoreSize();
}

TMainForm::~TMainForm() { Release(); }

void TMainForm::ConnectHandlers() {
    connect(qobject_cast<QPushButton*>(Widget(Control::Burn)), &QPushButton::clicked, this,
            [this] { Workflow().BurnClick(); });
    connect(qobject_cast<QPushButton*>(Widget(Control::Cancel)), &QPushButton::clicked, this,
            [this] { Workflow().CancelClick(); });
    connect(Timer_, &QTimer::timeout, this, [this] { Workflow().TimerTimer(); });
    connect(qobject_cast<QPushButton*>(Widget(Control::Browse)), &QPushButton::clicked, this,
            [this] { BrowseClick(); });
}

// Qt's own dialog, the same on every desktop (and under the offscreen tests).
void TMainForm::BrowseClick() {
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Choose an image to burn"), QString::fromStdString(Workflow().ImagePath()),
        QStringLiteral("Disc images (*.iso *.img);;All files (*)"), nullptr, QFileDialog::DontUseNativeDialog);
    if (!path.isEmpty()) Workflow().AddImage(path.toStdString());
}

void TMainForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_) return;
    shown_ = true;
    if (QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    Workflow().FormShow();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    SaveSize();
    for (JobPageBase* page : jobPages_) page->Shut();
    Shut();
    QDialog::closeEvent(event);
}

// The window is not a dialog to the user: Escape does not close it.
void TMainForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) return event->ignore();
    QDialog::keyPressEvent(event);
}

void TMainForm::SetCaption(Control control, const std::string& text) {
    QString caption = QString::fromStdString(text);
    if (auto* button = qobject_cast<QPushButton*>(Widget(control))) return button->setText(caption);
    QLabel* label = LabelOf(control);
    if (!label) return;
    if (auto* result = dynamic_cast<ResultLabel*>(label)) {
        result->SetFittedText(caption);
    } else {
        label->setText(caption);
        if (!label->wordWrap()) label->adjustSize();  // auto-size labels follow their text
    }
    SpeakText(control, caption);
}

void TMainForm::SetVisible(Control control, bool visible) {
    QWidget* widget = Widget(control);
    widget->setVisible(visible);
    // The button that replaces "Burn it" takes the keyboard with it.
    if (control == Control::Cancel && visible) widget->setFocus();
}

void TMainForm::AddItem(Control list, const std::string& text) {
    ListOf(list)->addItem(QString::fromStdString(text));
}

int TMainForm::ItemCount(Control list) const { return ListOf(list)->count(); }

void TMainForm::SetItemIndex(Control list, int index) { ListOf(list)->setCurrentIndex(index); }

std::string TMainForm::SelectedItem(Control list) const {
    QComboBox* box = ListOf(list);
    return box->currentIndex() < 0 ? std::string() : box->currentText().toStdString();
}

void TMainForm::SetLabelFont(Control label, kq::Rgb colour, bool bold) {
    QWidget* widget = Widget(label);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, QColor(colour.r, colour.g, colour.b));
    widget->setPalette(palette);
    QFont font = widget->font();
    font.setBold(bold);
    widget->setFont(font);
}

void TMainForm::SetDefaultButton(Control button) {
    imageDefault_ = button;
    if (tabs_->currentIndex() == 0) MarkDefault(button);  // else once the page shows again
    if (button != Control::Cancel) return;
    Widget(Control::Cancel)->setFocus();
    AnnounceResult();
}

void TMainForm::SetTimerEnabled(bool enabled) {
    if (enabled) Timer_->start();
    else Timer_->stop();
    LockPages(0, enabled);  // the timer runs exactly while a burn does
}

void TMainForm::ProcessMessages() { QCoreApplication::processEvents(); }

void TMainForm::Close() { close(); }

void TMainForm::Post(std::function<void()> call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

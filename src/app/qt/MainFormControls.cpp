// The controls of the window, where they sit and how they look.
#include "app/qt/MainForm.h"
#include "app/qt/ResultLabel.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

using kq::Control;

namespace mainform {
const char* const kCredit = "Burns ISO images onto CD-R";
}

namespace {

QFont ArialFont(int pixelSize, bool bold = false, bool italic = false) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    widget->setPalette(palette);
}

QLabel* NewLabel(QWidget* parent, const char* text, QRect geometry, bool autoSize) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setGeometry(geometry);
    if (autoSize) label->adjustSize();
    return label;
}

QComboBox* NewList(QWidget* parent, QRect geometry) {
    auto* list = new QComboBox(parent);  // not editable: no free text
    list->setGeometry(geometry);
    return list;
}

}  // namespace

void TMainForm::CreateControls() {
    setFont(ArialFont(12));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(255, 251, 240));
    palette.setColor(QPalette::WindowText, Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);

    auto* iso = NewList(this, {56, 40, 225, 23});
    auto* label1 = NewLabel(this, "1. Choose an ISO file to burn:", {56, 24, 201, 49}, false);
    label1->setWordWrap(true);
    label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* label2 = NewLabel(this, "2. Choose a recorder to use:", {56, 80, 0, 0}, true);
    auto* recorder = NewList(this, {56, 96, 225, 23});

    auto* burn = new QPushButton(QStringLiteral("Burn it"), this);
    burn->setGeometry(72, 144, 161, 49);
    burn->setFont(ArialFont(27));
    SetTextColour(burn, Qt::black);
    burn->setDefault(true);

    auto* label3 = NewLabel(this, "", {114, 72, 0, 0}, true);
    label3->setFont(ArialFont(19, true));
    auto* label4 = new ResultLabel(this);
    label4->setFont(ArialFont(21, true));
    label4->SetFittedText(QString());
    SetTextColour(label4, QColor(0, 0, 128));

    auto* cancel = new QPushButton(QStringLiteral("Abort"), this);
    cancel->setGeometry(112, 160, 75, 25);

    auto* label5 = NewLabel(this, mainform::kCredit, {152, 216, 165, 12}, false);
    label5->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label5->setFont(ArialFont(9, false, true));
    SetTextColour(label5, QColor(128, 128, 128));

    for (QWidget* hidden : {static_cast<QWidget*>(label3), static_cast<QWidget*>(label4),
                            static_cast<QWidget*>(cancel)})
        hidden->hide();

    controls_ = {{Control::ISO, iso},       {Control::Label1, label1}, {Control::Label2, label2},
                 {Control::Recorder, recorder}, {Control::Burn, burn},   {Control::Label3, label3},
                 {Control::Label4, label4}, {Control::Cancel, cancel}, {Control::Label5, label5}};

    // Only the lists and the two buttons take the focus, in this order.
    for (QLabel* label : std::initializer_list<QLabel*>{label1, label2, label3, label4, label5})
        label->setFocusPolicy(Qt::NoFocus);
    setTabOrder(iso, recorder);
    setTabOrder(recorder, burn);
    setTabOrder(burn, cancel);

    DescribeControls();

    Timer_ = new QTimer(this);
    Timer_->setInterval(mainform::kTimerIntervalMs);
}

QLabel* TMainForm::LabelOf(Control control) const {
    return qobject_cast<QLabel*>(controls_.at(control));
}

QComboBox* TMainForm::ListOf(Control control) const {
    return qobject_cast<QComboBox*>(controls_.at(control));
}

// The controls of the window, made from the window's layout table.
#include "app/WindowLayout.h"
#include "app/qt/MainForm.h"
#include "app/qt/ResultLabel.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

using kq::Control;
using kq::window::ControlLook;
using kq::window::Flow;
using kq::window::Kind;

namespace {

QFont FontOf(const kq::window::Font& look) {
    QFont font(QString::fromUtf8(kq::window::kFontFace));
    font.setPixelSize(look.pixels);
    font.setBold(look.bold);
    font.setItalic(look.italic);
    return font;
}

QColor ColourOf(kq::Rgb rgb) { return QColor(rgb.r, rgb.g, rgb.b); }

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    widget->setPalette(palette);
}

QLabel* NewLabel(QWidget* parent, const ControlLook& look) {
    QString text = QString::fromUtf8(look.text);
    QLabel* label = look.flow == Flow::Result ? new ResultLabel(parent) : new QLabel(text, parent);
    label->setFocusPolicy(Qt::NoFocus);
    if (look.flow == Flow::Wrapped) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    } else if (look.flow == Flow::Right) {
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    return label;
}

// A control as its row says, with no text colour yet.
QWidget* NewControl(QWidget* parent, const ControlLook& look) {
    QWidget* widget = nullptr;
    switch (look.kind) {
        case Kind::List: widget = new QComboBox(parent); break;  // not editable: no free text
        case Kind::Button: widget = new QPushButton(QString::fromUtf8(look.text), parent); break;
        case Kind::Label: widget = NewLabel(parent, look); break;
    }
    widget->setFont(FontOf(look.font));
    widget->setGeometry(look.left, look.top, look.width, look.height);
    if (look.kind == Kind::Label && look.flow == Flow::AutoSize) widget->adjustSize();
    if (auto* result = dynamic_cast<ResultLabel*>(widget)) result->SetFittedText(QString());
    if (look.kind != Kind::List) SetTextColour(widget, ColourOf(look.colour));
    if (!look.visible) widget->hide();
    return widget;
}

}  // namespace

void TMainForm::CreateControls() {
    setFont(FontOf({}));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, ColourOf(kq::window::kBackground));
    palette.setColor(QPalette::WindowText, ColourOf(kq::kBlack));
    setPalette(palette);
    setAutoFillBackground(true);

    for (const ControlLook& look : kq::window::kControls)
        controls_[look.control] = NewControl(imagePage_, look);
    qobject_cast<QPushButton*>(Widget(kq::window::kDefaultButton))->setDefault(true);
    const auto& tabs = kq::window::kTabOrder;
    for (size_t i = 1; i < std::size(tabs); ++i) setTabOrder(Widget(tabs[i - 1]), Widget(tabs[i]));

    DescribeControls();

    Timer_ = new QTimer(this);
    Timer_->setInterval(kq::window::kTimerIntervalMs);
}

QLabel* TMainForm::LabelOf(Control control) const { return qobject_cast<QLabel*>(controls_.at(control)); }

QComboBox* TMainForm::ListOf(Control control) const { return qobject_cast<QComboBox*>(controls_.at(control)); }

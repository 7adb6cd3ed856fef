// What assistive technology hears of the window: a name and a description
// for every control, and the result announced when it arrives.
#include "app/qt/MainForm.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>

using kq::Control;

namespace {

struct Spoken {
    Control control;
    const char* name;  // for the labels: said while they have no text
    const char* description;
};

constexpr Spoken kSpoken[] = {
    {Control::ISO, "ISO image", "The ISO images of the folder; the chosen one is checked and burnt"},
    {Control::Label1, "Prompt", "Choose an ISO file to burn; after a failed burn, the drive's detail"},
    {Control::Label2, "Prompt", "Choose a recorder to use"},
    {Control::Recorder, "Recorder", "The recorders of this computer that write CD, DVD or BD media"},
    {Control::Burn, "Burn it", "Check the chosen image against its MD5 file and burn it onto the disc"},
    {Control::Label3, "Status", "What the burner is doing"},
    {Control::Label4, "Result", "The percentage written, then the result of the burn"},
    {Control::Cancel, "Abort", "Stops the burn; once the result shows, closes the window"},
    {Control::Label5, "Credit", "What this program does"},
    {Control::Browse, "Browse...", "Add an image from any folder to the list and choose it"},
};

const Spoken& SpokenFor(Control control) {
    for (const Spoken& s : kSpoken)
        if (s.control == control) return s;
    return kSpoken[0];
}

}  // namespace

void TMainForm::DescribeControls() {
    for (const Spoken& s : kSpoken) {
        QWidget* widget = Widget(s.control);
        widget->setAccessibleDescription(QString::fromUtf8(s.description));
        // A button is named by its caption, but for the dots that stand for Browse.
        if (s.control == Control::Browse) widget->setAccessibleName(QString::fromUtf8(s.name));
        if (qobject_cast<QPushButton*>(widget)) continue;
        auto* label = qobject_cast<QLabel*>(widget);
        SpeakText(s.control, label ? label->text() : QString());
    }
}

// A label is heard as what it says, or by its role while it says nothing.
// Setting the name raises the name-change event a screen reader follows.
void TMainForm::SpeakText(Control control, const QString& text) {
    QWidget* widget = Widget(control);
    QString name = text.isEmpty() ? QString::fromUtf8(SpokenFor(control).name) : text;
    if (widget->accessibleName() != name) widget->setAccessibleName(name);
}

// The burn's result is final once the button closes the window: it is
// announced, and the button that now has the focus carries it too.
void TMainForm::AnnounceResult() {
    QWidget* result = Widget(Control::Label4);
    QWidget* cancel = Widget(Control::Cancel);
    QString detail = LabelOf(Control::Label1)->isVisible() ? LabelOf(Control::Label1)->text() : QString();
    QString said = (LabelOf(Control::Label4)->text().trimmed() + " " + detail).trimmed();
    cancel->setAccessibleDescription(said);
    QAccessibleEvent alert(result, QAccessible::Alert);
    Notify(alert);
}

void TMainForm::Notify(QAccessibleEvent& event) { QAccessible::updateAccessibility(&event); }

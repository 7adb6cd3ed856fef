// Every page's three message boxes: a plain note, an error, and the
// insert-disc question.
#include "app/qt/MessageBoxes.h"
#include "app/qt/MainForm.h"

#include <QApplication>
#include <QMessageBox>

kq::MessageAnswer TMainForm::ShowMessage(const std::string& text, kq::MessageButtons buttons,
                                         kq::MessageIcon icon) {
    return ShowMessageBox(text, buttons, icon);
}

kq::MessageAnswer ShowMessageBox(const std::string& text, kq::MessageButtons buttons, kq::MessageIcon icon) {
    // No owner window; the title is the program's, as the platform does it.
    QMessageBox box(icon == kq::MessageIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
                    QString(),
                    QString::fromStdString(text).replace(QLatin1Char('\r'), QLatin1Char('\n')));
    if (buttons == kq::MessageButtons::YesNoCancel) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    switch (box.exec()) {
        case QMessageBox::Yes: return kq::MessageAnswer::Yes;
        case QMessageBox::No: return kq::MessageAnswer::No;
        case QMessageBox::Cancel: return kq::MessageAnswer::Cancel;
        default: return kq::MessageAnswer::Ok;
    }
}

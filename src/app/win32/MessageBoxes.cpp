// The window's three message boxes: a plain note, an error, and the
// insert-disc question; no owner window and the system's default title.
#include "app/win32/MainDialog.h"

kq::MessageAnswer TMainForm::ShowMessage(const std::string& text, kq::MessageButtons buttons,
                                         kq::MessageIcon icon) {
    UINT style = buttons == kq::MessageButtons::YesNoCancel ? MB_YESNOCANCEL : MB_OK;
    if (icon == kq::MessageIcon::Error) style |= MB_ICONERROR;
    switch (MessageBoxA(nullptr, text.c_str(), nullptr, style | MB_TASKMODAL)) {
        case IDYES: return kq::MessageAnswer::Yes;
        case IDNO: return kq::MessageAnswer::No;
        case IDCANCEL: return kq::MessageAnswer::Cancel;
        default: return kq::MessageAnswer::Ok;
    }
}

// The window's three message boxes: a plain note, an error, and the
// insert-disc question; no owner window and the system's default title.
#include "app/win32/MainDialog.h"

#include <string>

namespace {

// The workflow's own texts are UTF-8 ("DVD±R"); names from the system
// come in its code page, which is shown as it is.
int MessageBoxOf(const std::string& text, UINT style) {
    const int chars = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.c_str(), -1, nullptr, 0);
    if (chars <= 0) return MessageBoxA(nullptr, text.c_str(), nullptr, style);
    std::wstring wide(static_cast<size_t>(chars), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.c_str(), -1, wide.data(), chars);
    return MessageBoxW(nullptr, wide.c_str(), nullptr, style);
}

}  // namespace

kq::MessageAnswer TMainForm::ShowMessage(const std::string& text, kq::MessageButtons buttons,
                                         kq::MessageIcon icon) {
    UINT style = buttons == kq::MessageButtons::YesNoCancel ? MB_YESNOCANCEL : MB_OK;
    if (icon == kq::MessageIcon::Error) style |= MB_ICONERROR;
    switch (MessageBoxOf(text, style | MB_TASKMODAL)) {
        case IDYES: return kq::MessageAnswer::Yes;
        case IDNO: return kq::MessageAnswer::No;
        case IDCANCEL: return kq::MessageAnswer::Cancel;
        default: return kq::MessageAnswer::Ok;
    }
}

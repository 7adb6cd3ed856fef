#include "app/win32/DiscPages.h"

#include "app/win32/DialogText.h"
#include "app/win32/MainDialog.h"

#include <commctrl.h>

FilePickPage::FilePickPage(TMainForm& form, int firstId, UINT_PTR timerId, const char* caption, const char* start)
    : JobPageOf(form, firstId, timerId) {
    Add(kFileLabel, L"STATIC", SS_NOPREFIX, caption);
    Add(kFile, WC_EDITW, WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL | ES_READONLY, "");
    Add(kBrowse, L"BUTTON", WS_TABSTOP, "Browse…");
    Add(kStart, L"BUTTON", WS_TABSTOP, start);
}

void FilePickPage::LayoutChoices(int width, int height) {
    const int right = width - 8;
    Place(kFileLabel, 8, 64, right - 8, 16);
    Place(kFile, 8, 82, right - 8 - 84, 22);
    Place(kBrowse, right - 80, 81, 80, 24);
    Place(kKeepGoing, 8, 112, right - 8, 16);
    Place(kStart, 8, height - 8 - 25, 75, 25);
}

void FilePickPage::OnCommand(int slot, int code) {
    if (code != BN_CLICKED) return;
    if (slot == kBrowse) {
        if (Choose()) ShowFile(File());
    } else if (slot == kStart && (!File().empty() || Choose())) {
        ShowFile(File());
        Start();
    }
}

ReadPage::ReadPage(TMainForm& form, int firstId, UINT_PTR timerId)
    : FilePickPage(form, firstId, timerId, "Save the disc's image as:", "Read") {
    Add(kKeepGoing, L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX,
        "Keep going past unreadable sectors (zeros, listed beside the image)");
    flow_ = std::make_unique<kq::ReadWorkflow>(*this, *burner_);
    ShowFile(flow_->Output());
}

ReadPage::~ReadPage() {
    if (flow_) flow_->FormClose();
}

bool ReadPage::Choose() {
    std::string path = dialogtext::SaveFile(form_.Window(), L"Disc images (*.iso)\0*.iso\0All files (*.*)\0*.*\0",
                                            L"iso", L"Save the disc's image as");
    if (path.empty()) return false;
    flow_->SetOutput(path, true);  // the dialog asked before replacing
    return true;
}

void ReadPage::OnCommand(int slot, int code) {
    if (slot == kKeepGoing && code == BN_CLICKED)
        flow_->SetKeepGoing(SendMessageW(Widget(kKeepGoing), BM_GETCHECK, 0, 0) == BST_CHECKED);
    else
        FilePickPage::OnCommand(slot, code);
}

CheckPage::CheckPage(TMainForm& form, int firstId, UINT_PTR timerId)
    : FilePickPage(form, firstId, timerId, "Compare the disc with an image or its checksums:", "Check") {
    flow_ = std::make_unique<kq::CheckWorkflow>(*this, *burner_);
    ShowFile(flow_->Reference());
}

CheckPage::~CheckPage() {
    if (flow_) flow_->FormClose();
}

bool CheckPage::Choose() {
    auto chosen = dialogtext::OpenFiles(
        form_.Window(),
        L"Images and checksums (*.iso;*.img;*.md5;*.sha256;SHA256SUMS)\0*.iso;*.img;*.md5;*.sha256;SHA256SUMS\0"
        L"All files (*.*)\0*.*\0",
        L"Choose the image or checksum file", false);
    if (chosen.empty()) return false;
    flow_->SetReference(chosen.front());
    return true;
}

#include "app/win32/FilesPage.h"

#include "app/win32/DialogText.h"
#include "app/win32/MainDialog.h"

#include <commctrl.h>

#include <algorithm>

using dialogtext::SetText;
using dialogtext::Wide;

namespace {

// The unreadable entries a question lists before "and N more".
constexpr size_t kListedUnreadable = 10;
// Below this width the three switches take two rows.
constexpr int kOneRowOfSwitches = 3 * 190;

}  // namespace

FilesPage::FilesPage(TMainForm& form, int firstId, UINT_PTR timerId)
    : JobPageOf(form, firstId, timerId) {
    SetText(Widget(kDriveLabel), "Recorder:");
    Add(kList, WC_LISTBOXW, WS_TABSTOP | WS_VSCROLL | WS_BORDER | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, "");
    Add(kAddFiles, L"BUTTON", WS_TABSTOP, "Add files…");
    Add(kAddFolder, L"BUTTON", WS_TABSTOP, "Add folder…");
    Add(kDelete, L"BUTTON", WS_TABSTOP, "Delete");
    Add(kNameLabel, L"STATIC", SS_NOPREFIX, "Disc name:");
    Add(kName, WC_EDITW, WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, "");
    Add(kFitBar, PROGRESS_CLASSW, PBS_SMOOTH, "");
    SendMessageW(Widget(kFitBar), PBM_SETRANGE32, 0, 100);
    Add(kFitText, L"STATIC", SS_NOPREFIX | SS_RIGHT, "");
    Add(kNote, L"STATIC", SS_NOPREFIX | SS_LEFTNOWORDWRAP, "");
    Add(kMore, L"BUTTON", WS_TABSTOP, "More »");
    Add(kJoliet, L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, "Joliet (long Windows names)");
    Add(kRockRidge, L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, "Rock Ridge (Unix names and rights)");
    for (int box : {kJoliet, kRockRidge}) SendMessageW(Widget(box), BM_SETCHECK, BST_CHECKED, 0);
    Add(kUdf, L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, "UDF (files of 4 GiB and more)");
    Add(kBurn, L"BUTTON", WS_TABSTOP, "Burn it");
    Add(kAddToDisc, L"BUTTON", WS_TABSTOP | WS_DISABLED, "Add to the disc");
    Add(kWriteImage, L"BUTTON", WS_TABSTOP, "Write image file…");
    flow_ = std::make_unique<kq::FilesWorkflow>(*this, *burner_);
}

FilesPage::~FilesPage() {
    if (flow_) flow_->FormClose();
}

// From the bottom up: the buttons, the switches under "More" (one row or
// two), the fit's note, the fit bar, the disc's name; the list takes the rest.
void FilesPage::LayoutChoices(int width, int height) {
    const int right = width - 8, buttons = height - 8 - 25, half = (right - 8) / 2;
    const bool oneRow = right - 8 >= kOneRowOfSwitches;
    const int lastRow = buttons - 20, switches = oneRow ? lastRow : lastRow - 18;
    const int note = switches - 18, fit = note - 16, name = fit - 27, listTop = 58;
    Place(kList, 8, listTop, right - 8 - 88, name - 4 - listTop);
    Place(kAddFiles, right - 84, listTop, 84, 22);
    Place(kAddFolder, right - 84, listTop + 25, 84, 22);
    Place(kDelete, right - 84, listTop + 50, 84, 22);
    Place(kNameLabel, 8, name + 4, 62, 16);
    Place(kName, 70, name, right - 70, 22);
    Place(kFitBar, 8, fit, right - 8 - 132, 14);
    Place(kFitText, right - 128, fit, 128, 14);
    Place(kNote, 8, note, right - 8, 16);
    if (oneRow) {
        const int third = (right - 8) / 3;
        Place(kJoliet, 8, switches, third - 4, 16);
        Place(kRockRidge, 8 + third, switches, third - 4, 16);
        Place(kUdf, 8 + 2 * third, switches, third, 16);
    } else {
        Place(kJoliet, 8, switches, half - 4, 16);
        Place(kRockRidge, 8 + half, switches, half, 16);
        Place(kUdf, 8, lastRow, right - 8, 16);
    }
    LayoutButtons(right, buttons);
}

// Narrow enough that the four buttons share the window's least width.
void FilesPage::LayoutButtons(int right, int top) {
    Place(kBurn, 8, top, 60, 25);
    Place(kAddToDisc, 71, top, 90, 25);
    Place(kWriteImage, 164, top, 104, 25);
    Place(kMore, right - 48, top, 48, 25);
}

bool FilesPage::Checked(int slot) const {
    return SendMessageW(Widget(slot), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void FilesPage::OnCommand(int slot, int code) {
    if (slot == kName) {
        if (code == EN_CHANGE && !showingName_) flow_->SetVolumeId(dialogtext::TextOf(Widget(kName)));
        return;
    }
    if (code != BN_CLICKED) return;
    HWND owner = form_.Window();
    switch (slot) {
        case kAddFiles:
            if (auto chosen = dialogtext::OpenFiles(owner, L"All files (*.*)\0*.*\0", L"Add files to the disc", true);
                !chosen.empty())
                flow_->AddEntries(chosen);
            break;
        case kAddFolder:
            if (std::string folder = dialogtext::PickFolder(owner, L"Add a folder to the disc"); !folder.empty())
                flow_->AddEntries({folder});
            break;
        case kDelete: {
            auto index = static_cast<int>(SendMessageW(Widget(kList), LB_GETCURSEL, 0, 0));
            if (index != LB_ERR) flow_->RemoveEntry(index);
            break;
        }
        case kMore:
            more_ = !more_;
            SetText(Widget(kMore), more_ ? "Less «" : "More »");
            Refresh();
            break;
        case kJoliet: flow_->SetJoliet(Checked(kJoliet)); break;
        case kRockRidge: flow_->SetRockRidge(Checked(kRockRidge)); break;
        case kUdf: flow_->SetUdf(Checked(kUdf)); break;
        case kBurn: flow_->BurnClick(); break;
        case kAddToDisc: flow_->AddToDiscClick(); break;
        case kWriteImage:
            if (std::string path = dialogtext::SaveFile(owner, L"Disc images (*.iso)\0*.iso\0", L"iso",
                                                        L"Write the image file");
                !path.empty())
                flow_->WriteImageClick(path);
            break;
        default: break;
    }
}

void FilesPage::ShowEntries(const std::vector<std::string>& entries) {
    HWND list = Widget(kList);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& entry : entries)
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(entry).c_str()));
    EnableWindow(Widget(kDelete), !entries.empty());
}

void FilesPage::ShowVolumeId(const std::string& volumeId) {
    if (dialogtext::TextOf(Widget(kName)) == volumeId) return;  // the user's own typing, come back
    showingName_ = true;
    SetText(Widget(kName), volumeId);
    showingName_ = false;
}

void FilesPage::ShowFit(const kq::DiscFit& fit) {
    SendMessageW(Widget(kFitBar), PBM_SETPOS, static_cast<WPARAM>(std::clamp(fit.percent, 0, 100)), 0);
    SendMessageW(Widget(kFitBar), PBM_SETBARCOLOR, 0,
                 static_cast<LPARAM>(fit.fits ? CLR_DEFAULT : RGB(255, 0, 0)));
    SetText(Widget(kFitText), fit.text);
    SetText(Widget(kNote), fit.note);
    EnableWindow(Widget(kBurn), fit.fits);
    EnableWindow(Widget(kAddToDisc), fit.fits && fit.appendable);
    EnableWindow(Widget(kWriteImage), fit.imageSectors.has_value());  // nothing to write until laid out
}

bool FilesPage::AskSkipUnreadable(const std::vector<std::string>& unreadable) {
    std::string text = "These cannot be read:\r";
    for (size_t i = 0; i < unreadable.size() && i < kListedUnreadable; ++i) text += "\r" + unreadable[i];
    if (unreadable.size() > kListedUnreadable)
        text += "\rand " + std::to_string(unreadable.size() - kListedUnreadable) + " more";
    text += "\r\rYes leaves them out and goes on; No or Cancel stops before anything is written.";
    return Message(text, kq::MessageButtons::YesNoCancel, kq::MessageIcon::Error) == kq::MessageAnswer::Yes;
}

// The burner's window on Windows: lists the images of its folder (or of
// the folder given as the only argument, or the folder of the image
// given, with it selected) and the recorders, and burns the chosen one;
// its other pages burn files and folders, read a disc and check one.
#include "app/ComponentBurnerPort.h"
#include "app/ImageFolder.h"
#include "app/win32/MainDialog.h"

#include <cstdio>

int main(int argc, char** argv) {
    kq::ImageChoice choice = kq::ImageChoiceFromArguments(argc, argv);
    TMainForm MainForm(std::make_unique<kq::ComponentBurnerPort>(), choice.folder, true, kq::window::kTitle);
    if (!MainForm.Window()) {  // no desktop to open it on: end rather than wait unseen
        std::fputs("cdburner: the window could not be opened\n", stderr);
        return 1;
    }
    MainForm.Workflow().PreferImage(choice.image);
    MainForm.Show();
    return TMainForm::Run();
}

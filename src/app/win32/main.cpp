// The burner's window on Windows: lists the images of its folder (or of
// the folder given as the only argument, or the folder of the image
// given, with it selected) and the recorders, and burns the chosen one.
#include "app/ComponentBurnerPort.h"
#include "app/ImageFolder.h"
#include "app/win32/MainDialog.h"

int main(int argc, char** argv) {
    kq::ImageChoice choice = kq::ImageChoiceFromArguments(argc, argv);
    TMainForm MainForm(std::make_unique<kq::ComponentBurnerPort>(), choice.folder);
    MainForm.Workflow().PreferImage(choice.image);
    MainForm.Show();
    return TMainForm::Run();
}

// The burner's window on Windows: lists the images of its folder (or of
// the folder given as the only argument) and the recorders, and burns the
// chosen one.
#include "app/ImageFolder.h"
#include "app/qt/QCDBurnerPort.h"
#include "app/win32/MainDialog.h"

int main(int argc, char** argv) {
    std::string folder = kq::ImageFolderFromArguments(argc, argv);
    TMainForm MainForm(std::make_unique<kq::QCDBurnerPort>(), folder);
    MainForm.Show();
    return TMainForm::Run();
}

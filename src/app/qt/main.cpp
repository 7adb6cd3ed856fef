// The burner's window: lists the images of its folder (or of the folder
// given as the only argument, or the folder of the image given, with it
// selected) and the recorders, and burns the chosen one; its other pages
// burn files and folders, read a disc and check one.
#include "app/ComponentBurnerPort.h"
#include "app/ImageFolder.h"
#include "app/WindowLayout.h"
#include "app/qt/MainForm.h"
#include "platform/Process.h"

#include <QApplication>

int main(int argc, char** argv) {
    // A closed pipe on its output (a debug log piped away) must not end a burn.
    platform::IgnoreBrokenPipe();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("cdburner"));
    QApplication::setApplicationDisplayName(QString::fromUtf8(kq::window::kTitle));
    QApplication::setDesktopFileName(QStringLiteral("cdburner"));

    kq::ImageChoice choice = kq::ImageChoiceFromArguments(argc, argv);
    TMainForm MainForm(std::make_unique<kq::ComponentBurnerPort>(), choice.folder);
    MainForm.Workflow().PreferImage(choice.image);
    MainForm.AddJobPages();
    MainForm.show();
    return application.exec();
}

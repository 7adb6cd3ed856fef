// The burner's window: lists the images of its folder (or of the folder
// given as the only argument) and the recorders, and burns the chosen one.
#include "app/ImageFolder.h"
#include "app/qt/MainForm.h"
#include "app/qt/QCDBurnerPort.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("cdburner"));
    QApplication::setApplicationDisplayName(QStringLiteral("CD Burner"));
    QApplication::setDesktopFileName(QStringLiteral("cdburner"));

    std::string folder = kq::ImageFolderFromArguments(argc, argv);
    TMainForm MainForm(std::make_unique<kq::QCDBurnerPort>(), folder);
    MainForm.show();
    return application.exec();
}

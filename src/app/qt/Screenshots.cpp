// Takes a picture of the window in one state, for the documentation:
//   cdburner-screenshots FOLDER choosing|burning|result OUT.png
// FOLDER holds the images and libwnaspi32.so (the current folder must be
// it, as for the window itself); the recorder comes from VRECORDER_CONFIG.
#include "app/ComponentBurnerPort.h"
#include "app/WindowLayout.h"
#include "app/qt/MainForm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>

#include <cstdio>
#include <functional>
#include <string>

namespace {

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

QString Label(TMainForm& form, kq::Control c) { return qobject_cast<QLabel*>(form.Widget(c))->text(); }

bool ReachState(TMainForm& form, const std::string& state) {
    if (state == "choosing") return true;
    qobject_cast<QPushButton*>(form.Widget(kq::Control::Burn))->click();
    if (state == "burning") {
        return WaitUntil([&] {
            QString p = Label(form, kq::Control::Label4);
            return p.endsWith('%') && p != "0%" && p != "100%";
        }, 60000);
    }
    return WaitUntil([&] {
        return form.Workflow().State() == kq::WorkflowState::Result && Label(form, kq::Control::Label3).isEmpty();
    }, 120000);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: cdburner-screenshots FOLDER choosing|burning|result OUT.png\n");
        return 2;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(QString::fromUtf8(kq::window::kTitle));
    std::string folder = argv[1];
    if (folder.back() != '/') folder += '/';
    TMainForm form(std::make_unique<kq::ComponentBurnerPort>(), folder);
    form.show();
    WaitUntil([] { return false; }, 200);  // let it paint
    if (!ReachState(form, argv[2])) {
        std::fprintf(stderr, "cdburner-screenshots: the window did not reach '%s'\n", argv[2]);
        return 1;
    }
    if (!form.grab().save(QString::fromLocal8Bit(argv[3]))) {
        std::fprintf(stderr, "cdburner-screenshots: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}

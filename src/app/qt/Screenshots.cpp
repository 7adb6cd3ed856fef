// Takes a picture of the window in one state, for the documentation:
//   cdburner-screenshots FOLDER choosing|burning|result OUT.png
//   cdburner-screenshots FOLDER files|files-burning OUT.png PATH...
//   cdburner-screenshots FOLDER read|check OUT.png FILE
// FOLDER holds the images and libwnaspi32.so (the current folder must be
// it, as for the window itself); the recorder comes from VRECORDER_CONFIG.
// The other pages show PATH... on the disc to be, or FILE to read into or
// check against.
#include "app/ComponentBurnerPort.h"
#include "app/WindowLayout.h"
#include "app/qt/DiscPages.h"
#include "app/qt/FilesPage.h"
#include "app/qt/MainForm.h"
#include "app/qt/ProgressPanel.h"
#include "app/qt/SpeedGraph.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

QString Label(TMainForm& form, kq::Control c) { return qobject_cast<QLabel*>(form.Widget(c))->text(); }

// A job page with its drive listed and its file or entries in place.
bool ReachPage(TMainForm& form, const std::string& state, const std::vector<std::string>& paths) {
    const int page = state == "read" ? 1 : state == "check" ? 2 : 0;
    JobPageBase* shown = form.JobPages()[page];
    form.Tabs()->setCurrentIndex(page + 1);
    if (!WaitUntil([&] { return shown->Drives()->count() > 0; }, 10000)) return false;
    if (page > 0) {
        static_cast<PathPage*>(shown)->Path()->setText(QString::fromStdString(paths.empty() ? "" : paths[0]));
        return true;
    }
    auto* files = static_cast<FilesPage*>(shown);
    files->Work().AddEntries(paths);
    files->Work().WaitForFit();
    if (files->FitText()->text().isEmpty()) return false;
    if (state == "files") return true;
    files->DefaultButton()->click();
    return WaitUntil([&] { return files->Progress()->Graph()->Speed().size() >= 8; }, 60000);
}

bool ReachState(TMainForm& form, const std::string& state, const std::vector<std::string>& paths) {
    if (state == "files" || state == "files-burning" || state == "read" || state == "check")
        return ReachPage(form, state, paths);
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
    if (argc < 4) {
        std::fprintf(stderr, "usage: cdburner-screenshots FOLDER choosing|burning|result|files|files-burning|read|check"
                             " OUT.png [PATH...]\n");
        return 2;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(QString::fromUtf8(kq::window::kTitle));
    std::string folder = argv[1];
    if (folder.back() != '/') folder += '/';
    TMainForm form(std::make_unique<kq::ComponentBurnerPort>(), folder);
    form.AddJobPages();
    form.show();
    WaitUntil([] { return false; }, 200);  // let it paint
    if (!ReachState(form, argv[2], std::vector<std::string>(argv + 4, argv + argc))) {
        std::fprintf(stderr, "cdburner-screenshots: the window did not reach '%s'\n", argv[2]);
        return 1;
    }
    if (!form.grab().save(QString::fromLocal8Bit(argv[3]))) {
        std::fprintf(stderr, "cdburner-screenshots: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}

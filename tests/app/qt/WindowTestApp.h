#pragma once
// One QApplication for the window's tests, on the offscreen platform, and
// helpers that wait for the event loop or answer a modal message box.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTimer>

#include <cstdlib>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace kqtest {

inline void EnsureApplication() {
    static QApplication* application = [] {
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "test_app_qt";
        static char* argv[] = {name, nullptr};
        auto* app = new QApplication(argc, argv);
        QStandardPaths::setTestModeEnabled(true);  // the window's settings stay out of the user's
        app->setQuitOnLastWindowClosed(false);
        return app;
    }();
    (void)application;
}

// Records the next count message boxes and answers each with answer.
inline void AnswerMessageBoxes(
    std::vector<std::tuple<QString, QMessageBox::Icon, QMessageBox::StandardButtons>>& seen,
    int count, QMessageBox::StandardButton answer = QMessageBox::Ok) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, &seen, count, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seen.emplace_back(box->text(), box->icon(), box->standardButtons());
        box->button(answer)->click();
        if (static_cast<int>(seen.size()) >= count) poll->deleteLater();
    });
    poll->start();
}

// Answers the next file dialog with path, as its Open or Choose button
// does. selectFile leaves a name field that has the focus as it is, so
// the focus goes first.
inline void AnswerFileDialog(const std::string& path) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, path] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        if (QWidget* focus = dialog->focusWidget()) focus->clearFocus();
        dialog->selectFile(QString::fromStdString(path));
        static_cast<QDialog*>(dialog)->accept();
        poll->deleteLater();
    });
    poll->start();
}

// A key pressed and released on the widget with the keyboard focus.
inline void PressKey(QWidget* fallback, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : fallback;
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
}

}  // namespace kqtest

// Runs the event loop until done() or the time is up.
inline void QTest_WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

// The window to a user who does not see it or has no mouse: every control
// is named and described, the result is announced, and a burn runs from
// the keyboard alone.
#include "WindowTestApp.h"
#include "app/WindowLayout.h"
#include "app/qt/MainForm.h"
#include "support/FakeBurner.h"
#include "support/TempDir.h"

#include <QAccessible>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

using kq::Control;

namespace {

// The window with its accessibility events recorded: without a screen
// reader listening, Qt passes none on.
class HeardForm : public TMainForm {
public:
    using TMainForm::TMainForm;
    std::vector<std::pair<QObject*, QAccessible::Event>> heard;

protected:
    void Notify(QAccessibleEvent& event) override {
        heard.emplace_back(event.object(), event.type());
        TMainForm::Notify(event);
    }
};

class AccessibleWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        kqtest::EnsureApplication();
        dir.Write("a.iso", "image a");
        dir.Write("b.iso", "image b");
        auto fake = std::make_unique<kqtest::FakeBurner>();
        burner = fake.get();
        form = std::make_unique<HeardForm>(std::move(fake), dir.Path().string() + "/");
    }

    static QString Said(QWidget* widget, QAccessible::Text what) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
        return face ? face->text(what) : QString();
    }
    bool Heard(Control control, QAccessible::Event type) const {
        for (const auto& [object, event] : form->heard)
            if (object == form->Widget(control) && event == type) return true;
        return false;
    }
    void Key(int key) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : form.get();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QApplication::sendEvent(target, &release);
    }

    TempDir dir;
    kqtest::FakeBurner* burner = nullptr;
    std::unique_ptr<HeardForm> form;
};

TEST_F(AccessibleWindowTest, EveryControlHasANameAndADescriptionInEachState) {
    auto expectAllSpoken = [&](const char* state) {
        for (const kq::window::ControlLook& look : kq::window::kControls) {
            QWidget* widget = form->Widget(look.control);
            EXPECT_FALSE(Said(widget, QAccessible::Name).isEmpty()) << state << " " << int(look.control);
            EXPECT_FALSE(Said(widget, QAccessible::Description).isEmpty()) << state << " " << int(look.control);
        }
    };
    form->show();
    expectAllSpoken("choosing");
    EXPECT_EQ(Said(form->Widget(Control::Label1), QAccessible::Name), kq::window::LookOf(Control::Label1).text);
    qobject_cast<QPushButton*>(form->Widget(Control::Burn))->click();
    expectAllSpoken("burning");
    form->Workflow().BWriteDone({kq::BurnOutcome::Aborted, "Aborted"});
    expectAllSpoken("result");
}

TEST_F(AccessibleWindowTest, TheResultIsAnnouncedAndCarriedByTheFocusedButton) {
    form->show();
    qobject_cast<QPushButton*>(form->Widget(Control::Burn))->click();
    form->Workflow().BWriteDone({kq::BurnOutcome::Failed, "WRITER ERROR [MEDIUM ERROR]"});
    EXPECT_TRUE(Heard(Control::Label4, QAccessible::Alert));
    EXPECT_EQ(Said(form->Widget(Control::Label4), QAccessible::Name), "WRITER ERROR ");
    EXPECT_EQ(Said(form->Widget(Control::Cancel), QAccessible::Name), "Quit");
    EXPECT_EQ(Said(form->Widget(Control::Cancel), QAccessible::Description), "WRITER ERROR MEDIUM ERROR");
}

TEST_F(AccessibleWindowTest, ProgressChangesTheNameWithoutAnAlert) {
    form->show();
    qobject_cast<QPushButton*>(form->Widget(Control::Burn))->click();
    burner->totalSectors = 100;
    burner->bytesWritten = 100 * 2048 / 4;
    form->Workflow().TimerTimer();
    EXPECT_FALSE(Heard(Control::Label4, QAccessible::Alert));
    EXPECT_EQ(Said(form->Widget(Control::Label4), QAccessible::Name), "25%");
}

TEST_F(AccessibleWindowTest, ABurnRunsFromTheKeyboardAlone) {
    form->show();
    form->activateWindow();
    QTest_WaitUntil([&] { return form->isActiveWindow(); }, 2000);
    form->Widget(Control::ISO)->setFocus();
    const auto listed = form->Workflow().ImagePath();

    Key(Qt::Key_Down);    // the second image
    Key(Qt::Key_Tab);     // "...", to pick an image from elsewhere
    ASSERT_EQ(QApplication::focusWidget(), form->Widget(Control::Browse));
    Key(Qt::Key_Tab);     // the recorder list
    ASSERT_EQ(QApplication::focusWidget(), form->Widget(Control::Recorder));
    Key(Qt::Key_Return);  // the default button: Burn it
    QTest_WaitUntil([&] { return !burner->burns.empty(); }, 2000);
    ASSERT_EQ(burner->burns.size(), 1u);
    std::string second = qobject_cast<QComboBox*>(form->Widget(Control::ISO))->itemText(1).toStdString();
    EXPECT_EQ(burner->burns[0], listed + second);

    EXPECT_EQ(QApplication::focusWidget(), form->Widget(Control::Cancel));
    Key(Qt::Key_Space);   // Abort
    QTest_WaitUntil([&] { return burner->aborts == 1; }, 2000);
    EXPECT_EQ(burner->aborts, 1);
    EXPECT_EQ(qobject_cast<QPushButton*>(form->Widget(Control::Cancel))->text(), "Quit");

    Key(Qt::Key_Return);  // Quit, now the default button
    QTest_WaitUntil([&] { return !form->isVisible(); }, 2000);
    EXPECT_FALSE(form->isVisible());
}

}  // namespace

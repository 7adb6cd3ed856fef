// The job pages under the offscreen platform: the file list's drops and
// Delete, the fit bar, the live graph, and the tabs that hold the pages.
#include "RecorderFolder.h"
#include "WindowTestApp.h"
#include "app/qt/FileList.h"
#include "app/qt/FilesPage.h"
#include "app/qt/MainForm.h"
#include "app/qt/ProgressPanel.h"
#include "app/qt/SpeedGraph.h"
#include "support/FakeBurner.h"
#include "support/TempDir.h"

#include <QAccessible>
#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTabBar>
#include <QTabWidget>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

class JobPagesTest : public ::testing::Test {
protected:
    void SetUp() override { kqtest::EnsureApplication(); }
};

TEST_F(JobPagesTest, DropsAddOnlyLocalFilesAndDeleteRemovesTheChosenRowsLastFirst) {
    FileList list;
    std::vector<std::string> added;
    std::vector<int> removed;
    list.onAdd = [&](const std::vector<std::string>& paths) { added = paths; };
    list.onRemove = [&](const std::vector<int>& rows) { removed = rows; };

    QMimeData web;
    web.setUrls({QUrl("https://example.org/a.iso")});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted()) << "nothing local to take";

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/photos/2026"), QUrl("https://example.org/a.iso"),
                   QUrl::fromLocalFile("/notes/ä b.txt")});
    QDragEnterEvent over(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &over);  // the drop goes where the drag was taken
    EXPECT_TRUE(over.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &drop);
    EXPECT_EQ(added, (std::vector<std::string>{"/photos/2026", "/notes/ä b.txt"}));

    list.SetPaths({"/a", "/b", "/c"});
    list.item(0)->setSelected(true);
    list.item(2)->setSelected(true);
    list.setFocus();
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(&list, &del);
    EXPECT_EQ(removed, (std::vector<int>{2, 0}));
}

TEST_F(JobPagesTest, TheFitBarTurnsRedAndBurnItOffWhenTheFilesDoNotFit) {
    struct Case {
        kq::DiscFit fit;
        bool burnEnabled, addEnabled, imageEnabled, red;
        int bar;
    } cases[] = {
        {{1000, 2000, 50, true, false, "2.0 of 4.1 MB", ""}, true, false, true, false, 50},
        {{1000, 2000, 50, true, true, "2.0 of 4.1 MB", "big.iso is 4 GiB or more"}, true, true, true, false, 50},
        {{3000, 2000, 150, false, true, "6.1 MB, the disc holds 4.1 MB", ""}, false, false, true, true, 100},
        {{1000, std::nullopt, 0, false, false, "No disc", ""}, false, false, true, true, 0},
        {{std::nullopt, std::nullopt, 0, false, false, "Nothing to burn", ""}, false, false, false, true, 0},
    };
    FilesPage page;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fit.text);
        page.ShowFit(c.fit);
        EXPECT_EQ(page.DefaultButton()->isEnabled(), c.burnEnabled);
        EXPECT_EQ(page.AddToDisc()->isEnabled(), c.addEnabled);
        EXPECT_EQ(page.WriteImage()->isEnabled(), c.imageEnabled);
        EXPECT_EQ(page.FitNote()->isVisibleTo(&page), !c.fit.note.empty());
        EXPECT_EQ(page.FitNote()->text().toStdString(), c.fit.note);
        EXPECT_EQ(page.FitBar()->value(), c.bar);
        EXPECT_EQ(page.FitBar()->palette().color(QPalette::Highlight) == QColor(Qt::red), c.red);
        EXPECT_EQ(page.FitText()->text().toStdString(), c.fit.text);
    }
    page.ShowFit(cases[1].fit);
    page.ShowRunning(true);  // a burn locks the choices, "Burn it" with them
    EXPECT_FALSE(page.DefaultButton()->isEnabled());
    EXPECT_FALSE(page.AddToDisc()->isEnabled());
    EXPECT_TRUE(page.Abort()->isEnabled());
    page.ShowRunning(false);
    EXPECT_TRUE(page.DefaultButton()->isEnabled());
    EXPECT_TRUE(page.AddToDisc()->isEnabled());
    EXPECT_FALSE(page.Abort()->isEnabled());
}

// Both lines are drawn inside the graph, buffer samples the drive did not
// give left out.
TEST_F(JobPagesTest, TheGraphDrawsSpeedAndBufferFill) {
    ProgressPanel panel(true);
    panel.resize(300, 200);
    kq::JobProgress progress;
    progress.percent = 40;
    for (int s = 0; s < 20; ++s)
        progress.samples.push_back({double(s), 2000.0 + 100 * s, s == 5 ? -1 : 60 + s});
    panel.SetRunning(true);
    panel.Show(progress);
    EXPECT_EQ(panel.Bar()->value(), 40);
    EXPECT_EQ(panel.Graph()->Speed().size(), 20u);
    EXPECT_EQ(panel.Graph()->Fill().size(), 19u);

    QImage picture = panel.Graph()->grab().toImage();
    int speedInk = 0, fillInk = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            QColor c = picture.pixelColor(x, y);
            speedInk += c.blue() > 120 && c.red() < 80 && c.green() < 80;
            fillInk += c.green() > 100 && c.red() < 80 && c.blue() < 80;
        }
    }
    EXPECT_GT(speedInk, picture.width() / 2);
    EXPECT_GT(fillInk, picture.width() / 2);
}

// The job pages list the virtual recorder's drive when they first show.
class WindowPagesTest : public JobPagesTest {
protected:
    WindowPagesTest() { recorder.Configure("[recorder]\naddress = 0:0:0\nmedium = dvd-r\n"); }
    std::unique_ptr<TMainForm> Open() {
        auto form = std::make_unique<TMainForm>(std::make_unique<kqtest::FakeBurner>(), dir.Path().string() + "/");
        form->AddJobPages();
        return form;
    }
    kqtest::RecorderFolder recorder;
    const TempDir& dir = recorder.dir;
};

TEST_F(WindowPagesTest, PagesAreReachedByKeysAndLockedWhileAJobRuns) {
    auto form = Open();
    form->show();
    form->activateWindow();
    QTest_WaitUntil([&] { return form->isActiveWindow(); }, 2000);
    ASSERT_EQ(form->Tabs()->count(), 4);
    form->Tabs()->tabBar()->setFocus();
    kqtest::PressKey(form.get(), Qt::Key_Right);
    EXPECT_EQ(form->Tabs()->currentIndex(), 1);
    kqtest::PressKey(form.get(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(form->Tabs()->currentIndex(), 2);
    EXPECT_TRUE(form->JobPages()[1]->DefaultButton()->isDefault());
    EXPECT_FALSE(form->Widget(kq::Control::Burn)->property("default").toBool());

    auto* reading = static_cast<JobPage<kq::JobView>*>(form->JobPages()[1]);
    reading->ShowRunning(true);
    for (int i : {0, 1, 3}) EXPECT_FALSE(form->Tabs()->isTabEnabled(i)) << i;
    reading->ShowRunning(false);
    for (int i : {0, 1, 3}) EXPECT_TRUE(form->Tabs()->isTabEnabled(i)) << i;

    form->Tabs()->setCurrentIndex(0);
    EXPECT_TRUE(qobject_cast<QPushButton*>(form->Widget(kq::Control::Burn))->isDefault());
}

// Tab walks each page from top to bottom, from the drive to Abort, and
// every control it meets, and every label, has a name to be heard by.
TEST_F(WindowPagesTest, EveryPageIsNamedAndTabbedFromTopToBottom) {
    auto form = Open();
    form->show();
    for (size_t i = 0; i < form->JobPages().size(); ++i) {
        JobPageBase* page = form->JobPages()[i];
        form->Tabs()->setCurrentIndex(int(i) + 1);
        QApplication::processEvents();
        SCOPED_TRACE(form->Tabs()->tabText(int(i) + 1).toStdString());
        int lastTop = -1;
        QWidget* w = page->Drives();
        std::vector<QWidget*> visited;
        for (; w != page->Abort(); w = w->nextInFocusChain()) {
            ASSERT_TRUE(page->isAncestorOf(w)) << "Tab leaves the page before Abort";
            if (!w->isVisible() || !(w->focusPolicy() & Qt::TabFocus)) continue;
            const int top = w->mapTo(page, QPoint(0, 0)).y();
            EXPECT_GE(top + 4, lastTop) << w->accessibleName().toStdString();
            lastTop = top;
            visited.push_back(w);
        }
        EXPECT_GE(visited.size(), 3u);
        for (QWidget* child : page->findChildren<QWidget*>()) {
            if (!child->isVisible() || !(qobject_cast<QLabel*>(child) || child->focusPolicy() & Qt::TabFocus)) continue;
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(child);
            ASSERT_TRUE(face);
            EXPECT_FALSE(face->text(QAccessible::Name).isEmpty()) << child->metaObject()->className();
        }
    }
}

TEST_F(WindowPagesTest, TheWindowOpensAtTheSizeItWasLeftAt) {
    QSettings().remove("window/size");
    auto first = Open();
    first->show();
    const QSize larger = first->size() + QSize(120, 80);
    first->resize(larger);
    first->close();
    first.reset();
    auto second = Open();
    EXPECT_EQ(second->size(), larger);
    QSettings().remove("window/size");
}

}  // namespace

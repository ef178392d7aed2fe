#include "support/FakeDialogs.h"
#include "ui/Tf_root.h"

#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

// The window on screens of every size: the designed geometry where it fits,
// the largest window that fits with scrolling pages elsewhere, and the
// button "speichern + schliessen" always inside the window.

namespace
{

struct RoomCase {
    const char *name;
    QSize room;
    QSize window;
    bool scrolls;
};

void PrintTo(const RoomCase &c, std::ostream *os)
{
    *os << c.name;
}

class WindowFit : public ::testing::TestWithParam<RoomCase>
{
};

TEST_P(WindowFit, LayoutForTheRoomOnScreen)
{
    const RoomCase &c = GetParam();
    const Tf_root::Layout l = Tf_root::LayoutFor(c.room);
    EXPECT_EQ(l.window, c.window);
    EXPECT_EQ(l.scrolls, c.scrolls);
    const QRect window(QPoint(0, 0), l.window);
    EXPECT_TRUE(window.contains(l.button)) << "the button leaves the window";
    EXPECT_TRUE(window.contains(l.pages));
    EXPECT_FALSE(l.pages.intersects(l.button));
    EXPECT_GE(l.button.height(), 36);
    if (!c.scrolls) {
        EXPECT_EQ(l.pages, QRect(0, 0, 794, 533));
        EXPECT_EQ(l.button, QRect(288, 533, 211, 36));
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, WindowFit,
                         ::testing::Values(RoomCase{"Desktop", {1280, 999}, {794, 574}, false},
                                           RoomCase{"JustFits", {794, 574}, {794, 574}, false},
                                           RoomCase{"NetbookWithPanel", {1024, 578}, {794, 574}, false},
                                           RoomCase{"FullHdAtTwiceTheScale", {958, 518}, {794, 518}, true},
                                           RoomCase{"NarrowAndLow", {640, 450}, {640, 450}, true},
                                           RoomCase{"Tiny", {100, 90}, {240, 160}, true}),
                         [](const ::testing::TestParamInfo<RoomCase> &info) {
                             return std::string(info.param.name);
                         });

// On a screen with room enough the window is as designed: its size, the
// page control and the button where they always were, no scroll bars.
TEST(WindowFitOnScreen, DesignedGeometryWhereItFits)
{
    FakeDialogs dialogs;
    Tf_root w{&dialogs};
    w.ti_start->stop();
    w.show();
    w.P_Einstellungen->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTest::qWait(10);
    EXPECT_EQ(w.size(), QSize(794, 574));
    EXPECT_EQ(QRect(w.P_Einstellungen->mapTo(&w, QPoint(0, 0)), w.P_Einstellungen->size()),
              QRect(8, 7, 777, 522));
    EXPECT_EQ(w.b_ende->geometry(), QRect(288, 533, 211, 36));
    auto *scroller = w.findChild<QScrollArea *>("pageScroller");
    ASSERT_TRUE(scroller);
    EXPECT_FALSE(scroller->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(scroller->verticalScrollBar()->isVisible());
    EXPECT_EQ(scroller->geometry(), QRect(0, 0, 794, 533));
}

} // namespace

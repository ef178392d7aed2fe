#include "support/ShownWindow.h"
#include "ui/CueLineEdit.h"
#include "ui/StartnummernInfoPage.h"
#include "ui/Tf_root.h"

#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

// The window on screens of every size: the designed geometry where it fits,
// the largest window that fits with scrolling pages elsewhere, and the
// button "speichern + schliessen" always inside the window.

namespace
{

// The deferred fit after the first show and the scroll area's layout run as
// posted events: handle them all, then judge.
void SettleEvents()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
}

// The scroll bar width used by the table.
constexpr int kBar = 17;

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
    const Tf_root::Layout l = Tf_root::LayoutFor(c.room, kBar);
    EXPECT_EQ(l.window, c.window);
    EXPECT_EQ(l.scrolls, c.scrolls);
    const QRect window(QPoint(0, 0), l.window);
    EXPECT_TRUE(window.contains(l.button)) << "the button leaves the window";
    EXPECT_TRUE(window.contains(l.pages));
    EXPECT_FALSE(l.pages.intersects(l.button));
    EXPECT_GE(l.button.height(), 36);
    // "Vorschau" to the right of the button, on its row, as high.
    EXPECT_TRUE(window.contains(l.previewButton)) << "the preview button leaves the window";
    EXPECT_FALSE(l.pages.intersects(l.previewButton));
    EXPECT_GT(l.previewButton.left(), l.button.right());
    EXPECT_EQ(l.previewButton.top(), l.button.top());
    EXPECT_EQ(l.previewButton.height(), l.button.height());
    EXPECT_GE(l.previewButton.width(), 60);
    if (!c.scrolls) {
        EXPECT_EQ(l.pages, QRect(0, 0, 794, 533));
        EXPECT_EQ(l.button, QRect(288, 533, 211, 36));
        EXPECT_EQ(l.previewButton, QRect(507, 533, 100, 36));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Screens, WindowFit,
    ::testing::Values(RoomCase{"Desktop", {1280, 999}, {794, 574}, false},
                      RoomCase{"JustFits", {794, 574}, {794, 574}, false},
                      RoomCase{"NetbookWithPanel", {1024, 578}, {794, 574}, false},
                      // Too low only: wider by the vertical scroll bar, so no horizontal one.
                      RoomCase{"FullHdAtTwiceTheScale", {954, 522}, {794 + kBar, 522}, true},
                      // Too low, and no room for the vertical scroll bar beside the pages.
                      RoomCase{"LowAndBarelyWideEnough", {800, 560}, {800, 560}, true},
                      // Too narrow only: higher by the horizontal scroll bar.
                      RoomCase{"NarrowAndHigh", {700, 900}, {700, 574 + kBar}, true},
                      RoomCase{"NarrowAndBarelyHighEnough", {700, 580}, {700, 580}, true},
                      RoomCase{"NarrowAndLow", {640, 450}, {640, 450}, true},
                      RoomCase{"Tiny", {100, 90}, {240, 160}, true}),
    [](const ::testing::TestParamInfo<RoomCase> &info) { return std::string(info.param.name); });

// On a screen with room enough the window is as designed: its size, the
// page control and the button where they always were, no scroll bars.
TEST(WindowFitOnScreen, DesignedGeometryWhereItFits)
{
    ShownWindow shown;
    Tf_root &w = shown.w;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    SettleEvents();
    EXPECT_EQ(w.size(), QSize(794, 574));
    EXPECT_EQ(QRect(w.P_Einstellungen->mapTo(&w, QPoint(0, 0)), w.P_Einstellungen->size()),
              QRect(8, 7, 777, 522));
    EXPECT_EQ(w.b_ende->geometry(), QRect(288, 533, 211, 36));
    EXPECT_EQ(w.b_vorschau->geometry(), QRect(507, 533, 100, 36));
    auto *scroller = w.findChild<QScrollArea *>("pageScroller");
    ASSERT_TRUE(scroller);
    EXPECT_FALSE(scroller->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(scroller->verticalScrollBar()->isVisible());
    EXPECT_EQ(scroller->geometry(), QRect(0, 0, 794, 533));
}

// The scroll area holding the pages adds nothing to the picture: the window
// looks as it did with the page control straight on it.
TEST(WindowFitOnScreen, SamePixelsAsWithoutTheScrollArea)
{
    ShownWindow shown;
    Tf_root &w = shown.w;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    SettleEvents();
    const QImage inScrollArea = w.grab().toImage();

    auto *scroller = w.findChild<QScrollArea *>("pageScroller");
    ASSERT_TRUE(scroller);
    scroller->hide();
    w.P_Einstellungen->setParent(&w);
    w.P_Einstellungen->move(8, 7);
    w.P_Einstellungen->show();
    const QImage straight = w.grab().toImage();
    ASSERT_EQ(inScrollArea.size(), straight.size());
    EXPECT_TRUE(inScrollArea == straight);
}

// A screen too small for the window: the pages scroll, the button stays
// whole in the window and works, and a control below the visible part of a
// page comes into view when the focus goes there.
TEST(WindowFitOnScreen, SmallRoomScrollsThePagesAndKeepsTheButton)
{
    FakeDialogs dialogs;
    Tf_root w{&dialogs};
    w.ti_start->stop();
    int saves = 0;
    w.setSaveWork([&] { ++saves; });
    w.show();
    w.P_Einstellungen->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    auto *scroller = w.findChild<QScrollArea *>("pageScroller");
    ASSERT_TRUE(scroller);
    const int bar = scroller->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroller);
    w.applyLayout(Tf_root::LayoutFor(QSize(640, 450), bar));
    SettleEvents();

    EXPECT_EQ(w.size(), QSize(640, 450));
    EXPECT_TRUE(scroller->verticalScrollBar()->isVisible());
    EXPECT_TRUE(scroller->horizontalScrollBar()->isVisible());
    EXPECT_TRUE(w.rect().contains(w.b_ende->geometry()));
    EXPECT_FALSE(scroller->geometry().intersects(w.b_ende->geometry()));
    EXPECT_EQ(w.childAt(w.b_ende->geometry().center()), w.b_ende);
    EXPECT_TRUE(w.rect().contains(w.b_vorschau->geometry()));
    EXPECT_EQ(w.childAt(w.b_vorschau->geometry().center()), w.b_vorschau);
    QTest::mouseClick(w.b_ende, Qt::LeftButton);
    EXPECT_EQ(saves, 1);

    w.P_Einstellungen->setCurrentWidget(w.TabSheet4);
    QWidget *from = w.TabSheet4->e_SNRInfoFelder;
    QWidget *last = w.TabSheet4->e_StartNrInFeld;
    from->setFocus(Qt::TabFocusReason);
    QWidget *viewport = scroller->viewport();
    const auto inView = [&](QWidget *c) {
        return viewport->rect().contains(QRect(c->mapTo(viewport, QPoint(0, 0)), c->size()));
    };
    ASSERT_FALSE(inView(last));
    QTest::keyClick(from, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), last);
    EXPECT_TRUE(inView(last));
}

} // namespace

#include "support/FakeDialogs.h"
#include "ui/DarstellungPage.h"
#include "ui/Tf_root.h"

#include <QApplication>
#include <QSignalSpy>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

// The logo opacity track bar on the real page: a click on the track puts the
// thumb there, one wheel notch is one step, the keys step as before; every
// change runs tb_transChange once.

namespace
{

class TrackBarTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        w.ti_start->stop();
        w.show();
        w.P_Einstellungen->show();
        w.P_Einstellungen->setCurrentWidget(w.TabSheet2);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        tb->setValue(80);
    }

    // The value a click at x should give: the thumb's centre at the point.
    int valueAt(int x) const
    {
        QStyleOptionSlider opt;
        opt.initFrom(tb);
        opt.orientation = Qt::Horizontal;
        opt.minimum = tb->minimum();
        opt.maximum = tb->maximum();
        opt.sliderPosition = tb->sliderPosition();
        opt.sliderValue = tb->value();
        opt.subControls = QStyle::SC_All;
        const QRect groove =
            tb->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, tb);
        const QRect handle =
            tb->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, tb);
        const int span = groove.right() - handle.width() + 1 - groove.x();
        return QStyle::sliderValueFromPosition(tb->minimum(), tb->maximum(),
                                               x - (handle.center().x() - handle.x()) - groove.x(), span);
    }

    // Whether the track bar took the event.
    bool wheel(int delta)
    {
        const QPointF at(tb->width() / 2.0, tb->height() / 2.0);
        QWheelEvent event(at, tb->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(tb, &event);
        return event.isAccepted();
    }

    FakeDialogs dialogs;
    Tf_root w{&dialogs};
    QSlider *tb = w.TabSheet2->tb_trans;
};

TEST_F(TrackBarTest, ClickOnTheTrackPutsTheThumbThere)
{
    for (double fraction : {0.1, 0.5, 0.9, 0.3}) {
        const int x = int(tb->width() * fraction);
        const int expected = valueAt(x);
        QSignalSpy changes(tb, &QSlider::valueChanged);
        QTest::mouseClick(tb, Qt::LeftButton, Qt::NoModifier, QPoint(x, tb->height() / 2));
        EXPECT_NEAR(tb->value(), expected, 1) << fraction;
        EXPECT_EQ(changes.size(), expected == 80 ? 0 : 1) << fraction;
        tb->setValue(80);
    }
}

TEST_F(TrackBarTest, OneWheelNotchIsOneStep)
{
    QApplication::setWheelScrollLines(3);
    QSignalSpy changes(tb, &QSlider::valueChanged);
    wheel(120);
    EXPECT_EQ(tb->value(), 81);
    wheel(-120);
    wheel(-120);
    EXPECT_EQ(tb->value(), 79);
    // A fine-grained wheel: two halves make one step.
    wheel(60);
    EXPECT_EQ(tb->value(), 79);
    wheel(60);
    EXPECT_EQ(tb->value(), 80);
    EXPECT_EQ(changes.size(), 4);
    // At an end the wheel is left to the parent.
    const struct {
        int start;
        int delta;
        int expected;
        bool taken;
    } ends[] = {{255, 120, 255, false}, {255, -120, 254, true}, {0, -120, 0, false}, {0, 120, 1, true}};
    for (const auto &e : ends) {
        tb->setValue(e.start);
        EXPECT_EQ(wheel(e.delta), e.taken) << e.start << " " << e.delta;
        EXPECT_EQ(tb->value(), e.expected) << e.start << " " << e.delta;
    }
}

TEST_F(TrackBarTest, KeysStepAsBefore)
{
    tb->setFocus();
    const struct {
        Qt::Key key;
        int expected;
    } keys[] = {
        {Qt::Key_Right, 81},    {Qt::Key_Left, 80}, {Qt::Key_PageUp, 131},
        {Qt::Key_PageDown, 80}, {Qt::Key_End, 255}, {Qt::Key_Home, 0},
    };
    for (const auto &k : keys) {
        QTest::keyClick(tb, k.key);
        EXPECT_EQ(tb->value(), k.expected) << k.key;
    }
}

} // namespace

#include "logo/PngWriter.h" // test fixture writer
#include "support/FakeDialogs.h"
#include "support/TempDir.h"
#include "ui/CueLineEdit.h"
#include "ui/DarstellungPage.h"
#include "ui/PictureBox.h"
#include "ui/Tf_root.h"
#include "ui/VerbindungPage.h"

#include <QDir>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace
{

// A solid logo of one colour and alpha, straight (not premultiplied) samples.
QByteArray SolidLogo(int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    PngWriter::Image image;
    image.width = uint32_t(w);
    image.height = uint32_t(h);
    for (int i = 0; i < w * h; ++i) {
        image.rows.append(char(r));
        image.rows.append(char(g));
        image.rows.append(char(b));
        image.rows.append(char(a));
    }
    return PngWriter::Encode(image);
}

class LogoPreviewTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        oldCwd = QDir::currentPath();
        QDir::setCurrent(dir.path());
        w.ti_start->stop();
        w.P_Einstellungen->show();
        w.show();
        d.e_hintergrund->setProgramText("#000000");
        w.P_Einstellungen->setCurrentWidget(&d);
    }
    void TearDown() override { QDir::setCurrent(oldCwd); }

    void leaveDarstellung()
    {
        w.P_Einstellungen->setCurrentWidget(w.TabSheet1);
        w.P_Einstellungen->setCurrentWidget(&d);
    }
    QColor blendedCentre() const
    {
        const QImage &img = d.img_logo_trans->picture();
        return img.pixelColor(img.width() / 2, img.height() / 2);
    }

    QString oldCwd;
    TempDir dir;
    FakeDialogs dialogs;
    Tf_root w{&dialogs};
    DarstellungPage &d = *w.TabSheet2;
};

TEST_F(LogoPreviewTest, NoLogoBuildsNothing)
{
    d.tb_trans->setValue(200);
    d.e_hintergrund->setProgramText("#FF0000");
    leaveDarstellung();
    EXPECT_FALSE(d.img_logo->hasPicture());
    EXPECT_TRUE(d.img_logo->isHidden());
    EXPECT_FALSE(d.img_logo_trans->hasPicture());
    // A directory or a FIFO of that name is no logo either (and the FIFO
    // must not block the window).
    QDir().mkdir("logo.png");
    leaveDarstellung();
    EXPECT_FALSE(d.img_logo->hasPicture());
    QDir().rmdir("logo.png");
    ASSERT_EQ(::mkfifo("logo.png", 0600), 0);
    leaveDarstellung();
    EXPECT_FALSE(d.img_logo->hasPicture());
    EXPECT_TRUE(dialogs.failures.isEmpty());
}

TEST_F(LogoPreviewTest, BlendFollowsTrackBarAndBackground)
{
    dir.write("logo.png", SolidLogo(116, 65, 200, 0, 0, 255));
    d.tb_trans->setValue(128);
    EXPECT_FALSE(d.img_logo_trans->hasPicture()); // not loaded before the page is left
    leaveDarstellung();
    ASSERT_TRUE(dialogs.failures.isEmpty()) << dialogs.failures.join("|").toStdString();
    EXPECT_FALSE(d.img_logo->isHidden());
    ASSERT_TRUE(d.img_logo_trans->hasPicture());
    EXPECT_NEAR(blendedCentre().red(), 100, 2);
    d.tb_trans->setValue(255);
    EXPECT_NEAR(blendedCentre().red(), 200, 1);
    d.e_hintergrund->setProgramText("#0000FF"); // background rebuilds the composite
    EXPECT_NEAR(blendedCentre().red(), 200, 1);
    d.tb_trans->setValue(0);
    EXPECT_EQ(blendedCentre(), QColor(0, 0, 255));
}

TEST_F(LogoPreviewTest, HalfTransparentLogo)
{
    dir.write("logo.png", SolidLogo(40, 40, 200, 0, 0, 128));
    d.tb_trans->setValue(128);
    leaveDarstellung();
    ASSERT_TRUE(d.img_logo_trans->hasPicture());
    EXPECT_NEAR(blendedCentre().red(), 50, 2);
}

TEST_F(LogoPreviewTest, PositionZeroAtLeaveKeepsTheBlendedPreview)
{
    dir.write("logo.png", SolidLogo(20, 10, 10, 20, 30, 255));
    d.tb_trans->setValue(0);
    leaveDarstellung();
    EXPECT_TRUE(d.img_logo->hasPicture());
    EXPECT_FALSE(d.img_logo_trans->hasPicture());
    d.tb_trans->setValue(1);
    d.tb_trans->setValue(0);
    ASSERT_TRUE(d.img_logo_trans->hasPicture());
    EXPECT_EQ(blendedCentre(), QColor(0, 0, 0));
}

TEST_F(LogoPreviewTest, BadOrVanishedFileKeepsTheLastLogo)
{
    dir.write("logo.png", SolidLogo(20, 10, 10, 20, 30, 255));
    d.tb_trans->setValue(255);
    leaveDarstellung();
    const QImage before = d.img_logo->picture();
    ASSERT_FALSE(before.isNull());
    dir.write("logo.png", "this is text, not a picture");
    leaveDarstellung();
    ASSERT_EQ(dialogs.failures.size(), 1);
    EXPECT_TRUE(dialogs.failures[0].startsWith("Die gerade gelesene Datei ist kein gültiges PNG-Bild"));
    EXPECT_EQ(d.img_logo->picture(), before);
    QFile::remove(dir.path("logo.png"));
    leaveDarstellung();
    EXPECT_EQ(dialogs.failures.size(), 1);
    EXPECT_EQ(d.img_logo->picture(), before);
}

} // namespace

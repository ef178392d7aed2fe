#include "app/SettingsController.h"
#include "support/FakeDialogs.h"
#include "support/TempDir.h"
#include "ui/ColumnPanel.h"
#include "ui/CueLineEdit.h"
#include "ui/DarstellungPage.h"
#include "ui/PanelGrid.h"
#include "ui/Tf_root.h"
#include "ui/Translations.h"
#include "ui/UeberschriftPage.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

// The language is the window's alone: the same edits save the same bytes in
// English and in German, and a choice shown as "centre" is stored as "mitte".

namespace
{

const QByteArray kStored =
    "[Optionen]\r\n"
    "InfoZeileFormat={\"1\":{\"schriftname\":\"Default\",\"schriftgroesse\":\"20\",\"farbe\":\"#FFFFFF\","
    "\"fett\":\"true\",\"ausrichtung\":\"rechts\",\"anzahlzeichen\":\"5\"}\"2\":{\"schriftname\":\"Arial\","
    "\"schriftgroesse\":\"18\",\"farbe\":\"#FFFF00\",\"fett\":\"false\",\"ausrichtung\":\"links\","
    "\"anzahlzeichen\":\"20\"}}\r\n"
    "InfoZeile=Startnr,[Name]\r\n"
    "mitUeberschrift=ja\r\n"
    "VollBild=nein\r\n";

void Settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// Chooses the middle alignment in the live panel, flips bold, turns the
// heading off and full screen on, types a colour; then saves and closes.
QByteArray SaveAfterEdits(InterfaceLanguage language, QString *shownAlignment)
{
    Speak(*qApp, language);
    TempDir dir;
    dir.write("DAZovozoved.ini", kStored);
    FakeDialogs dialogs;
    Tf_root w{&dialogs};
    SettingsController controller{w, SettingsFile::beside(dir.path())};
    w.ti_start->stop();
    w.show();
    w.ti_startTimer();
    w.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&w));

    ColumnPanel *panel = w.TabSheet2->dbcg_spalten->livePanel();
    panel->ausrichtung->setFocus();
    QTest::keyClick(panel->ausrichtung, Qt::Key_Up); // from "rechts" to the middle one
    *shownAlignment = panel->ausrichtung->currentText();
    panel->fett->setFocus();
    QTest::keyClick(panel->fett, Qt::Key_Space);
    panel->farbe->setFocus();
    panel->farbe->selectAll();
    QTest::keyClicks(panel->farbe, QStringLiteral("#00FF00"));
    w.TabSheet3->cb_mitueberschrift->setChecked(false);
    w.TabSheet2->cb_vollbild->setChecked(true);
    Settle();
    QTest::mouseClick(w.b_ende, Qt::LeftButton);
    EXPECT_TRUE(dialogs.failures.isEmpty()) << dialogs.failures.join('\n').toStdString();
    EXPECT_FALSE(w.isVisible());
    Speak(*qApp, InterfaceLanguage::German);
    return dir.read("DAZovozoved.ini");
}

TEST(EnglishSave, SameBytesAsInGerman)
{
    QString germanShown;
    QString englishShown;
    const QByteArray german = SaveAfterEdits(InterfaceLanguage::German, &germanShown);
    const QByteArray english = SaveAfterEdits(InterfaceLanguage::English, &englishShown);
    EXPECT_EQ(germanShown, "mitte");
    EXPECT_EQ(englishShown, "centre");
    ASSERT_NE(german, kStored);
    EXPECT_TRUE(german.contains("\"ausrichtung\":\"mitte\"")) << german.constData();
    EXPECT_TRUE(german.contains("\"fett\":\"false\"")) << german.constData();
    EXPECT_TRUE(german.contains("\"schriftname\":\"Default\"")) << german.constData();
    EXPECT_TRUE(german.contains("mitUeberschrift=nein\r\n")) << german.constData();
    EXPECT_TRUE(german.contains("VollBild=ja\r\n")) << german.constData();
    EXPECT_EQ(english.toStdString(), german.toStdString());
}

} // namespace

#include "app/SettingsController.h"
#include "support/FakeDialogs.h"
#include "support/TempDir.h"
#include "ui/ColumnPanel.h"
#include "ui/CueLineEdit.h"
#include "ui/DarstellungPage.h"
#include "ui/DisplayPreview.h"
#include "ui/PanelGrid.h"
#include "ui/StartnummernInfoPage.h"
#include "ui/Tf_root.h"
#include "ui/UeberschriftPage.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

// The display preview only watches: a session of edits saves the same bytes
// whether the preview was open and drawing all along or never opened.

namespace
{

const QByteArray kStored =
    "[Optionen]\r\n"
    "InfoZeileFormat={\"1\":{\"schriftname\":\"DejaVu Sans\",\"schriftgroesse\":\"20\",\"farbe\":\"#FFFFFF\","
    "\"fett\":\"true\",\"ausrichtung\":\"rechts\",\"anzahlzeichen\":\"5\"}\"2\":{\"schriftname\":\"Arial\","
    "\"schriftgroesse\":\"18\",\"farbe\":\"#FFFF00\",\"fett\":\"false\",\"ausrichtung\":\"links\","
    "\"anzahlzeichen\":\"20\"}}\r\n"
    "UeberschriftFormat={\"1\":{\"schriftname\":\"Tahoma\",\"schriftgroesse\":\"14\",\"farbe\":\"#FFFFFF\","
    "\"fett\":\"false\",\"text\":\"Nr\"}\"2\":{\"schriftname\":\"Tahoma\",\"schriftgroesse\":\"14\","
    "\"farbe\":\"#FFFFFF\",\"fett\":\"true\",\"text\":\"Name\"}}\r\n"
    "InfoZeile=Startnr,[Name]\r\n"
    "SNRInfoFelder=Name,\\n,Verein\r\n"
    "HintergrundFarbe=#000040\r\n"
    "AnzahlZeilen=8\r\n"
    "mitUeberschrift=ja\r\n"
    "mitStartNrInfo=ja\r\n";

void Settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

void TypeInto(QWidget *field, const QString &text, bool replace)
{
    field->setFocus();
    if (auto *edit = qobject_cast<QLineEdit *>(field)) {
        if (replace)
            edit->selectAll();
        else
            edit->end(false);
    }
    QTest::keyClicks(field, text);
}

struct Session {
    const char *name;
    std::function<void(Tf_root &)> edit;
    const char *saved; // in the file afterwards, so the session did something
};

void PrintTo(const Session &s, std::ostream *os)
{
    *os << s.name;
}

// The operator's session, then "speichern + schliessen"; the bytes written.
QByteArray SaveAfter(const Session &session, bool withPreview)
{
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
    const int recNo = w.state().mt_spalten.RecNo();
    if (withPreview) {
        QTest::keyClick(&w, Qt::Key_F5);
        Settle();
        EXPECT_TRUE(w.preview() && w.preview()->isVisible());
        // Opening it moved no cursor and changed nothing a save would write.
        EXPECT_EQ(w.state().mt_spalten.RecNo(), recNo);
        EXPECT_EQ(w.state().mt_spalten.State(), TableState::Browse);
    }
    EXPECT_FALSE(controller.hasUnsavedChanges());
    session.edit(w);
    Settle();
    if (withPreview) {
        EXPECT_GT(w.preview()->drawnLayout().cells.size(), 0u);
    }
    QTest::mouseClick(w.b_ende, Qt::LeftButton);
    EXPECT_TRUE(dialogs.failures.isEmpty()) << dialogs.failures.join('\n').toStdString();
    EXPECT_FALSE(w.isVisible());
    return dir.read("DAZovozoved.ini");
}

class PreviewSaveTest : public ::testing::TestWithParam<Session>
{
};

TEST_P(PreviewSaveTest, SameBytesWithAndWithoutThePreview)
{
    const QByteArray without = SaveAfter(GetParam(), false);
    const QByteArray with = SaveAfter(GetParam(), true);
    ASSERT_FALSE(without.isEmpty());
    EXPECT_TRUE(without.contains(GetParam().saved)) << without.constData();
    EXPECT_EQ(with, without);
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, PreviewSaveTest,
    ::testing::Values(Session{"NoEdit", [](Tf_root &) {}, "InfoZeile=Startnr,[Name]\r\n"},
                      Session{"FormulaAndPendingColour",
                              [](Tf_root &w) {
                                  TypeInto(w.TabSheet2->e_InfoZeile, QStringLiteral(",Verein"), false);
                                  // Left in the panel, written only by the save's commit.
                                  TypeInto(w.TabSheet2->dbcg_spalten->livePanel()->farbe,
                                           QStringLiteral("#00FF00"), true);
                                  w.TabSheet3->cb_mitueberschrift->setChecked(false);
                              },
                              "\"farbe\":\"#00FF00\""},
                      Session{"PanelsHeadingAndTrackBar",
                              [](Tf_root &w) {
                                  PanelGrid *grid = w.TabSheet2->dbcg_spalten;
                                  grid->setFocus();
                                  QTest::keyClick(grid, Qt::Key_Right);
                                  TypeInto(grid->livePanel()->anzahlzeichen, QStringLiteral("33"), true);
                                  TypeInto(w.TabSheet3->DBCtrlGrid2->livePanel()->text,
                                           QStringLiteral("Nachname"), true);
                                  w.TabSheet2->tb_trans->setValue(200);
                                  TypeInto(w.TabSheet2->e_hintergrund, QStringLiteral("#102030"), true);
                              },
                              "\"text\":\"Nachname\""}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace

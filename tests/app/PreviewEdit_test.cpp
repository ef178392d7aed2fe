#include "app/SettingsController.h"
#include "support/FakeDialogs.h"
#include "support/TempDir.h"
#include "ui/ColumnPanel.h"
#include "ui/CueLineEdit.h"
#include "ui/DarstellungPage.h"
#include "ui/DisplayPreview.h"
#include "ui/EditHistory.h"
#include "ui/FontLists.h"
#include "ui/PanelGrid.h"
#include "ui/PreviewEditing.h"
#include "ui/StartnummernInfoPage.h"
#include "ui/Tf_root.h"
#include "ui/UeberschriftPage.h"
#include "ui/VerbindungPage.h"

#include <QAccessible>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

// Editing on the preview's picture and undoing it, through the real window
// and its save: a click selects, a drag on a column's edge sets its
// expected characters, the context menu sets what the panel sets, and every
// step goes back and forth with Ctrl+Z and Ctrl+Shift+Z, down to the bytes
// a save writes.

void PrintTo(const QString &text, std::ostream *os)
{
    *os << text.toStdString();
}

namespace
{

// Two detection-line columns 5 and 20 characters wide, a heading row and a
// start-number info block.
QByteArray Stored(const char *firstCharacters = "5")
{
    return QByteArray(
               "[Optionen]\r\n"
               "InfoZeileFormat={\"1\":{\"schriftname\":\"DejaVu Sans\",\"schriftgroesse\":\"20\","
               "\"farbe\":\"#FFFFFF\",\"fett\":\"true\",\"ausrichtung\":\"rechts\",\"anzahlzeichen\":\"") +
           firstCharacters +
           "\"}\"2\":{\"schriftname\":\"DejaVu Sans\",\"schriftgroesse\":\"18\",\"farbe\":\"#FFFF00\","
           "\"fett\":\"false\",\"ausrichtung\":\"links\",\"anzahlzeichen\":\"20\"}}\r\n"
           "UeberschriftFormat={\"1\":{\"schriftname\":\"DejaVu Sans\",\"schriftgroesse\":\"14\","
           "\"farbe\":\"#FFFFFF\",\"fett\":\"false\",\"text\":\"Nr\"}\"2\":{\"schriftname\":\"DejaVu Sans\","
           "\"schriftgroesse\":\"14\",\"farbe\":\"#FFFFFF\",\"fett\":\"true\",\"text\":\"Name\"}}\r\n"
           "InfoZeile=Startnr,[Name]\r\n"
           "SNRInfoFelder=Name,Verein\r\n"
           "HintergrundFarbe=#000040\r\n"
           "AnzahlZeilen=4\r\n"
           "mitUeberschrift=ja\r\n"
           "mitStartNrInfo=ja\r\n";
}

void Settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// The window started on a settings file, with its preview open.
class Session
{
  public:
    explicit Session(const QByteArray &stored = Stored())
    {
        dir.write("DAZovozoved.ini", stored);
        controller = std::make_unique<SettingsController>(w, SettingsFile::beside(dir.path()));
        w.ti_start->stop();
        w.show();
        w.ti_startTimer();
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_F5);
        Settle();
        EXPECT_TRUE(w.preview() && w.preview()->isVisible());
        preview()->setScreenSize(QSize(1000, 500));
        preview()->resize(1000, 560);
        Settle();
    }

    DisplayPreview *preview() { return w.preview(); }
    QWidget *canvas() { return preview()->canvas(); }
    QUndoStack &stack() { return *w.history().stack(); }

    // The picture's cells as a screen reader finds them.
    QAccessibleInterface *picture() { return QAccessible::queryAccessibleInterface(canvas()); }
    QAccessibleInterface *cellNamed(const QString &description)
    {
        Settle();
        QAccessibleInterface *p = picture();
        for (int i = 0; i < p->childCount(); ++i)
            if (p->child(i)->text(QAccessible::Description) == description)
                return p->child(i);
        ADD_FAILURE() << "no cell " << description.toStdString();
        return nullptr;
    }
    QPoint centreOf(QAccessibleInterface *cell) { return canvas()->mapFromGlobal(cell->rect().center()); }
    // A point on the right edge of a detection-line column, in the canvas.
    QPoint edgeOf(int column)
    {
        const DisplayLayout &l = preview()->drawnLayout();
        const DisplayLayout::ColumnSpan &span = l.columns.at(size_t(column));
        const QRectF row = l.rows.at(1).box; // the first detection line, under the heading
        return QPoint(int(std::lround(l.screen.x() + (span.x + span.width) * l.scale)),
                      int(row.center().y()));
    }
    qreal characterPixels(int column)
    {
        const DisplayLayout &l = preview()->drawnLayout();
        return l.columns.at(size_t(column)).charWidth * l.scale;
    }
    QString charactersField() { return w.TabSheet2->dbcg_spalten->livePanel()->anzahlzeichen->text(); }
    int characters(int row)
    {
        return w.state().mt_spalten.rows().at(size_t(row)).at(SpaltenField::Anzahlzeichen).integer;
    }

    void drag(QPoint from, QPoint to, const std::function<void()> &beforeRelease = {})
    {
        QTest::mousePress(canvas(), Qt::LeftButton, {}, from);
        QTest::mouseMove(canvas(), (from + to) / 2);
        QTest::mouseMove(canvas(), to);
        Settle();
        if (beforeRelease)
            beforeRelease();
        QTest::mouseRelease(canvas(), Qt::LeftButton, {}, to);
        Settle();
    }

    QByteArray save()
    {
        w.activateWindow();
        QTest::mouseClick(w.b_ende, Qt::LeftButton);
        EXPECT_TRUE(dialogs.failures.isEmpty()) << dialogs.failures.join('\n').toStdString();
        EXPECT_FALSE(w.isVisible());
        return dir.read("DAZovozoved.ini");
    }

    TempDir dir;
    FakeDialogs dialogs;
    Tf_root w{&dialogs};
    std::unique_ptr<SettingsController> controller;
};

// What "speichern + schliessen" writes right after the start of a file.
QByteArray SavedUnchanged(const QByteArray &stored)
{
    Session s(stored);
    return s.save();
}

// ---------------------------------------------------------------- select

struct Click {
    const char *cell; // as the accessibility tree describes it
    Key formatKey;
    int row;
};

class ClickTest : public ::testing::TestWithParam<Click>
{
};

TEST_P(ClickTest, BringsThePageAndPanelWithTheKeyboard)
{
    const Click &click = GetParam();
    Session s;
    s.w.P_Einstellungen->setCurrentWidget(s.w.TabSheet1);
    QAccessibleInterface *cell = s.cellNamed(QString::fromUtf8(click.cell));
    ASSERT_NE(cell, nullptr);
    QTest::mouseClick(s.canvas(), Qt::LeftButton, {}, s.centreOf(cell));
    Settle();
    QWidget *page = click.formatKey == Key::InfoZeileFormat      ? static_cast<QWidget *>(s.w.TabSheet2)
                    : click.formatKey == Key::UeberschriftFormat ? static_cast<QWidget *>(s.w.TabSheet3)
                                                                 : static_cast<QWidget *>(s.w.TabSheet4);
    EXPECT_EQ(s.w.P_Einstellungen->currentWidget(), page);
    EXPECT_EQ(s.w.state().table(click.formatKey).currentIndex(), click.row);
    PanelGrid *grid = click.formatKey == Key::InfoZeileFormat      ? s.w.TabSheet2->dbcg_spalten
                      : click.formatKey == Key::UeberschriftFormat ? s.w.TabSheet3->DBCtrlGrid2
                                                                   : s.w.TabSheet4->DBCtrlGrid1;
    EXPECT_EQ(grid->currentRow(), click.row);
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_TRUE(grid->livePanel()->isAncestorOf(QApplication::focusWidget()))
        << QApplication::focusWidget()->objectName().toStdString();
    // The picture marks that column, and only it.
    EXPECT_EQ(s.preview()->selection(), (ColumnRef{click.formatKey, click.row}));
    QAccessibleInterface *p = s.picture();
    int selected = 0;
    for (int i = 0; i < p->childCount(); ++i) {
        QAccessibleInterface *c = p->child(i);
        if (c->state().selected) {
            ++selected;
            EXPECT_EQ(c->text(QAccessible::Description).section(u',', 1),
                      cell->text(QAccessible::Description).section(u',', 1));
        }
    }
    EXPECT_GE(selected, 1);
    // A click changes nothing a save writes, and makes no undo step.
    EXPECT_EQ(s.stack().count(), 0);
    EXPECT_FALSE(s.controller->hasUnsavedChanges());
}

INSTANTIATE_TEST_SUITE_P(Cells, ClickTest,
                         ::testing::Values(Click{"Zeile 3, Spalte 2", Key::InfoZeileFormat, 1},
                                           Click{"Überschrift, Spalte 2", Key::UeberschriftFormat, 1},
                                           Click{"Startnummern Info 1, Spalte 2", Key::SNRInfoFelderFormat,
                                                 1}));

TEST(PreviewSelection, FollowsThePanelChosenInTheWindow)
{
    Session s;
    s.w.P_Einstellungen->setCurrentWidget(s.w.TabSheet3);
    s.w.TabSheet3->DBCtrlGrid2->moveToRow(1);
    Settle();
    EXPECT_EQ(s.preview()->selection(), (ColumnRef{Key::UeberschriftFormat, 1}));
    s.w.P_Einstellungen->setCurrentWidget(s.w.TabSheet2);
    Settle();
    EXPECT_EQ(s.preview()->selection().formatKey, Key::InfoZeileFormat);
}

// ---------------------------------------------------------------- resize

TEST(PreviewDrag, SetsTheWidthLiveAndSavesWhatAStartFromThatWidthSaves)
{
    Session s;
    const QPoint edge = s.edgeOf(0);
    const qreal secondLeft = s.preview()->drawnLayout().columns.at(1).x;
    const QPoint to = edge + QPoint(int(std::lround(3 * s.characterPixels(0))), 0);
    int liveField = 0;
    s.drag(edge, to, [&] { liveField = s.charactersField().toInt(); });
    EXPECT_EQ(s.characters(0), 8);
    EXPECT_EQ(liveField, 8); // the panel showed it while the button was held
    EXPECT_GT(s.preview()->drawnLayout().columns.at(1).x, secondLeft); // the column to its right moved
    EXPECT_EQ(s.stack().count(), 1);                                   // one drag, one step
    EXPECT_EQ(s.save(), SavedUnchanged(Stored("8")));
}

TEST(PreviewDrag, NeverBelowOneCharacter)
{
    Session s;
    s.drag(s.edgeOf(1), QPoint(0, s.edgeOf(1).y()));
    EXPECT_EQ(s.characters(1), 1);
}

TEST(PreviewDrag, EscapeOrAReleaseOutsidePutsTheWidthBack)
{
    for (bool escape : {true, false}) {
        Session s;
        const QPoint edge = s.edgeOf(0);
        const QPoint to = edge + QPoint(int(4 * s.characterPixels(0)), 0);
        QTest::mousePress(s.canvas(), Qt::LeftButton, {}, edge);
        QTest::mouseMove(s.canvas(), to);
        Settle();
        EXPECT_EQ(s.characters(0), 9);
        if (escape) {
            QTest::keyClick(s.canvas(), Qt::Key_Escape);
            QTest::mouseRelease(s.canvas(), Qt::LeftButton, {}, to);
        } else {
            QTest::mouseRelease(s.canvas(), Qt::LeftButton, {}, QPoint(-30, edge.y()));
        }
        Settle();
        EXPECT_EQ(s.characters(0), 5) << (escape ? "Escape" : "outside");
        EXPECT_EQ(s.stack().count(), 0);
        EXPECT_FALSE(s.controller->hasUnsavedChanges());
        EXPECT_EQ(s.save(), SavedUnchanged(Stored()));
    }
}

TEST(PreviewKeys, ArrowsSelectAndAltArrowsResize)
{
    Session s;
    QTest::mouseClick(s.canvas(), Qt::LeftButton, {},
                      s.centreOf(s.cellNamed(QStringLiteral("Zeile 1, Spalte 1"))));
    s.preview()->activateWindow();
    s.canvas()->setFocus();
    QTest::keyClick(s.canvas(), Qt::Key_Right);
    Settle();
    EXPECT_EQ(s.preview()->selection(), (ColumnRef{Key::InfoZeileFormat, 1}));
    QTest::keyClick(s.canvas(), Qt::Key_Right, Qt::AltModifier);
    QTest::keyClick(s.canvas(), Qt::Key_Right, Qt::AltModifier);
    QTest::keyClick(s.canvas(), Qt::Key_Left, Qt::AltModifier);
    Settle();
    EXPECT_EQ(s.characters(1), 21);
    EXPECT_EQ(s.stack().count(), 3);
    QTest::keyClick(s.canvas(), Qt::Key_Left);
    Settle();
    EXPECT_EQ(s.preview()->selection(), (ColumnRef{Key::InfoZeileFormat, 0}));
}

// ---------------------------------------------------------------- undo

TEST(Undo, TakesADragBackAndForthAndAllTheWayToTheStart)
{
    Session s;
    const QByteArray unchanged = SavedUnchanged(Stored());
    s.drag(s.edgeOf(0), s.edgeOf(0) + QPoint(int(std::lround(2 * s.characterPixels(0))), 0));
    ASSERT_EQ(s.characters(0), 7);
    s.w.activateWindow();
    QTest::keyClick(&s.w, Qt::Key_Z, Qt::ControlModifier);
    Settle();
    EXPECT_EQ(s.characters(0), 5);
    EXPECT_EQ(s.charactersField(), "5");
    QTest::keyClick(&s.w, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    Settle();
    EXPECT_EQ(s.characters(0), 7);
    QTest::keyClick(&s.w, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&s.w, Qt::Key_Y, Qt::ControlModifier);
    Settle();
    EXPECT_EQ(s.characters(0), 7);
    // Typed in a field of the window, then the keyboard leaves it: one step.
    CueLineEdit *lines = s.w.TabSheet2->e_anzahlzeilen;
    lines->setFocus();
    lines->selectAll();
    QTest::keyClicks(lines, QStringLiteral("12"));
    s.w.TabSheet2->e_InfoZeile->setFocus();
    Settle();
    EXPECT_EQ(s.stack().count(), 2);
    // Ctrl+Z in the field is the window's undo too.
    QTest::keyClick(s.w.TabSheet2->e_InfoZeile, Qt::Key_Z, Qt::ControlModifier);
    Settle();
    EXPECT_EQ(lines->text(), "4");
    s.w.history().undo();
    Settle();
    EXPECT_FALSE(s.w.history().undoAction()->isEnabled()); // never past the start
    EXPECT_FALSE(s.controller->hasUnsavedChanges());
    s.w.close();
    EXPECT_EQ(s.dialogs.closeQuestions, 0);
    EXPECT_EQ(s.dir.read("DAZovozoved.ini"), Stored()); // closing without a save wrote nothing
}

TEST(Undo, AfterEveryStepIsUndoneASaveWritesWhatASaveAfterTheStartWrites)
{
    Session s;
    s.drag(s.edgeOf(1), s.edgeOf(1) - QPoint(int(std::lround(5 * s.characterPixels(1))), 0));
    std::unique_ptr<QMenu> menu(s.preview()->contextMenuFor(s.preview()->drawnLayout().cells.at(0),
                                                            s.canvas())); // the heading's first cell
    for (QAction *a : menu->actions())
        if (a->text() == "Fett")
            a->trigger();
    s.dialogs.choices.push_back(0x00FF00u);
    s.w.previewEditing().chooseColour({Key::SNRInfoFelderFormat, 0});
    Settle();
    EXPECT_EQ(s.stack().count(), 3);
    while (s.stack().canUndo()) {
        s.w.history().undo();
        Settle();
    }
    EXPECT_EQ(s.save(), SavedUnchanged(Stored()));
}

TEST(Undo, TheButtonsSitLeftOfTheSaveButtonAndFollowTheStack)
{
    Session s;
    QToolButton *undo = s.w.history().undoButton();
    QToolButton *redo = s.w.history().redoButton();
    EXPECT_EQ(undo->text(), "Rückgängig");
    EXPECT_EQ(redo->text(), "Wiederholen");
    EXPECT_TRUE(undo->isVisible());
    EXPECT_LT(redo->geometry().right(), s.w.b_ende->geometry().left());
    EXPECT_FALSE(undo->geometry().intersects(redo->geometry()));
    EXPECT_FALSE(undo->isEnabled());
    s.drag(s.edgeOf(0), s.edgeOf(0) + QPoint(int(std::lround(s.characterPixels(0))), 0));
    EXPECT_TRUE(undo->isEnabled());
    QTest::mouseClick(undo, Qt::LeftButton);
    Settle();
    EXPECT_EQ(s.characters(0), 5);
    EXPECT_TRUE(redo->isEnabled());
}

// ---------------------------------------------------------------- the context menu

// A menu entry writes what the same change made in the panel writes.
TEST(PreviewMenu, WritesWhatThePanelWrites)
{
    QByteArray fromMenu, fromPanel;
    {
        Session s;
        const DisplayLayout::Cell *cell = nullptr;
        for (const DisplayLayout::Cell &c : s.preview()->drawnLayout().cells)
            if (s.preview()->columnOf(c) == ColumnRef{Key::InfoZeileFormat, 1})
                cell = &c;
        ASSERT_NE(cell, nullptr);
        std::unique_ptr<QMenu> menu(s.preview()->contextMenuFor(*cell, s.canvas()));
        QStringList seen;
        for (QAction *a : menu->actions()) {
            seen << a->text();
            if (a->menu())
                for (QAction *choice : a->menu()->actions())
                    if (choice->text() == "mitte")
                        choice->trigger();
        }
        EXPECT_EQ(seen, (QStringList{"Ausrichtung", "Fett", "Schrift größer", "Schrift kleiner", "Farbe…"}));
        Settle();
        EXPECT_EQ(s.stack().count(), 1);
        fromMenu = s.save();
    }
    {
        Session s;
        s.w.P_Einstellungen->setCurrentWidget(s.w.TabSheet2);
        s.w.TabSheet2->dbcg_spalten->moveToRow(1);
        QComboBox *alignment = s.w.TabSheet2->dbcg_spalten->livePanel()->ausrichtung;
        alignment->setFocus();
        const int mitte = alignment->findText(QStringLiteral("mitte"));
        alignment->setCurrentIndex(mitte);
        emit alignment->activated(mitte); // as a choice in its list
        s.w.TabSheet2->e_InfoZeile->setFocus();
        Settle();
        fromPanel = s.save();
    }
    EXPECT_TRUE(fromMenu.contains("\"ausrichtung\":\"mitte\",\"anzahlzeichen\":\"20\""))
        << fromMenu.constData();
    EXPECT_EQ(fromMenu.toStdString(), fromPanel.toStdString());
}

TEST(PreviewMenu, SizeStepsFollowThePanelsList)
{
    Session s;
    const ColumnRef first{Key::InfoZeileFormat, 0};
    s.w.previewEditing().select(first, false);
    const std::vector<int> &sizes = s.w.TabSheet2->dbcg_spalten->livePanel()->fontSize->sizes();
    const auto at = std::find(sizes.begin(), sizes.end(), 20);
    ASSERT_NE(at, sizes.end());
    ASSERT_NE(std::next(at), sizes.end());
    s.w.previewEditing().stepFontSize(first, 1);
    Settle();
    EXPECT_EQ(s.w.state().mt_spalten.rows().at(0).at(SpaltenField::Schriftgroesse).integer, *std::next(at));
    s.w.previewEditing().stepFontSize(first, -1);
    s.w.previewEditing().stepFontSize(first, -1);
    Settle();
    EXPECT_EQ(s.w.state().mt_spalten.rows().at(0).at(SpaltenField::Schriftgroesse).integer, *std::prev(at));
}

// ---------------------------------------------------------------- for screen readers

TEST(PreviewAccessibility, EveryCellDrawnIsAChildWithItsTextAndPlace)
{
    Session s;
    QAccessibleInterface *p = s.picture();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->role(), QAccessible::Canvas);
    const DisplayLayout &l = s.preview()->drawnLayout();
    ASSERT_EQ(p->childCount(), int(l.cells.size()));
    const QRect canvas(s.canvas()->mapToGlobal(QPoint(0, 0)), s.canvas()->size());
    for (int i = 0; i < p->childCount(); ++i) {
        QAccessibleInterface *cell = p->child(i);
        EXPECT_EQ(cell->role(), QAccessible::Cell);
        EXPECT_EQ(cell->text(QAccessible::Name), l.cells[size_t(i)].text);
        EXPECT_TRUE(canvas.contains(cell->rect())) << i;
        EXPECT_EQ(cell->parent(), p);
        EXPECT_EQ(p->indexOfChild(cell), i);
        EXPECT_EQ(p->childAt(cell->rect().center().x(), cell->rect().center().y()), cell);
    }
    EXPECT_EQ(s.cellNamed(QStringLiteral("Überschrift, Spalte 2"))->text(QAccessible::Name), "Name");
}

} // namespace

namespace
{

// A dialog's field keeps its own Ctrl+Z; the window's history is not
// touched by it.
TEST(Undo, ADialogsFieldKeepsItsOwnUndo)
{
    Session s;
    s.drag(s.edgeOf(0), s.edgeOf(0) + QPoint(int(std::lround(2 * s.characterPixels(0))), 0));
    ASSERT_EQ(s.characters(0), 7);
    QDialog dialog(&s.w);
    auto *field = new QLineEdit(&dialog);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("abc"));
    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
    Settle();
    EXPECT_EQ(field->text(), "");
    EXPECT_EQ(s.characters(0), 7);
    EXPECT_EQ(s.stack().index(), 1);
}

} // namespace

#include "logo/PngWriter.h" // test fixture writer
#include "preview/SampleParticipants.h"
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
#include "ui/VerbindungPage.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <gtest/gtest.h>

#include <functional>

// The display preview drawn offscreen from known settings, checked the way
// an operator looks at it: colours where the lines are, each column's text
// in its colour inside its box, alignment from where the ink lies, and the
// picture following every edit without touching what a save writes.

void PrintTo(const QString &text, std::ostream *os)
{
    *os << text.toStdString();
}

namespace
{

const QSize kScreen(1000, 500); // drawn at scale 1 into an image of this size
const QColor kBackground(0x20, 0x20, 0x20);
const QColor kSecond(0x50, 0x50, 0x00);
const QColor kRed(0xFF, 0x40, 0x40);
const QColor kGreen(0x40, 0xFF, 0x40);
const QColor kBlue(0x60, 0x60, 0xFF);
const QColor kYellow(0xFF, 0xFF, 0x00);
// Antialiased glyph edges mix with the background; their cores keep the
// colour within this much per channel.
constexpr int kTolerance = 48;

bool Near(QColor a, QColor b, int tolerance = kTolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// Pixels of the colour inside r.
int CountNear(const QImage &image, const QRect &r, QColor c)
{
    int n = 0;
    const QRect inside = r & image.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            n += Near(image.pixelColor(x, y), c);
    return n;
}

// Pixels that differ from the background inside r: the ink.
int Ink(const QImage &image, const QRect &r, QColor background)
{
    const QRect inside = r & image.rect();
    int n = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            n += !Near(image.pixelColor(x, y), background, 24);
    return n;
}

QRect InkBox(const QImage &image, const QRect &r, QColor background)
{
    QRect box;
    const QRect inside = r & image.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if (!Near(image.pixelColor(x, y), background, 24))
                box |= QRect(x, y, 1, 1);
    return box;
}

QString Hex(QColor c)
{
    return c.name(QColor::HexRgb).toUpper();
}

// One detection-line column's format as the panels write it.
struct Format {
    QString font = QStringLiteral("DejaVu Sans");
    int size = 14;
    QColor colour = kRed;
    bool bold = true;
    QString alignment = QStringLiteral("links");
    int characters = 10;
};

QByteArray SolidLogo(int w, int h, QColor c)
{
    PngWriter::Image image;
    image.width = uint32_t(w);
    image.height = uint32_t(h);
    for (int i = 0; i < w * h; ++i) {
        image.rows.append(char(c.red()));
        image.rows.append(char(c.green()));
        image.rows.append(char(c.blue()));
        image.rows.append(char(255));
    }
    return PngWriter::Encode(image);
}

class PreviewTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        w.ti_start->stop();
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        w.P_Einstellungen->show();
        w.P_Einstellungen->setCurrentWidget(w.TabSheet2);
        d().e_hintergrund->setProgramText(Hex(kBackground));
        d().e_zweitezeile->setProgramText(Hex(kSecond));
        d().e_anzahlzeilen->setProgramText(QStringLiteral("4"));
        w.TabSheet3->cb_mitueberschrift->setChecked(false);
        w.TabSheet4->cb_startnummerninfo->setChecked(false);
    }

    DarstellungPage &d() { return *w.TabSheet2; }
    ColumnPanel *panel() { return d().dbcg_spalten->livePanel(); }

    // The preview as the operator opens it, drawing a screen of kScreen.
    DisplayPreview &open()
    {
        w.b_vorschauClick();
        DisplayPreview *p = w.preview();
        EXPECT_NE(p, nullptr);
        p->setScreenSize(kScreen);
        settle();
        return *p;
    }
    static void settle()
    {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
    }

    // The formula line, then the formats row by row.
    void columns(const QString &formulas, const std::vector<Format> &formats)
    {
        d().e_InfoZeile->setText(formulas);
        FormatTable &t = w.state().mt_spalten;
        t.First();
        for (const Format &f : formats) {
            t.Edit();
            t.setText(SpaltenField::Schriftname, f.font);
            t.setInteger(SpaltenField::Schriftgroesse, f.size);
            t.setText(SpaltenField::Farbe, Hex(f.colour));
            t.setFlag(SpaltenField::Fett, f.bold);
            t.setText(SpaltenField::Ausrichtung, f.alignment);
            t.setInteger(SpaltenField::Anzahlzeichen, f.characters);
            t.Post();
            t.Next();
        }
        t.First();
    }
    void headings(const std::vector<std::pair<QString, QColor>> &texts)
    {
        FormatTable &t = w.state().mt_ueberschrift;
        t.First();
        for (const auto &[text, colour] : texts) {
            t.Edit();
            t.setText(UeberschriftField::Schriftname, QStringLiteral("DejaVu Sans"));
            t.setInteger(UeberschriftField::Schriftgroesse, 14);
            t.setText(UeberschriftField::Farbe, Hex(colour));
            t.setFlag(UeberschriftField::Fett, true);
            t.setText(UeberschriftField::Text, text);
            t.Post();
            t.Next();
        }
        t.First();
    }

    QImage render() { return w.preview()->render(kScreen); }
    DisplayLayout layout() { return w.preview()->layoutFor(QSizeF(kScreen)); }
    // What the window shows now, and what it drew it from.
    QImage shown()
    {
        settle();
        return w.preview()->canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    static const DisplayLayout::Cell *cell(const DisplayLayout &l, int row, int column)
    {
        for (const DisplayLayout::Cell &c : l.cells)
            if (c.row == row && c.column == column)
                return &c;
        return nullptr;
    }
    static int detectionRow(const DisplayLayout &l, int line)
    {
        for (size_t r = 0; r < l.rows.size(); ++r)
            if (l.rows[r].kind == DisplayLayout::RowKind::Detection && l.rows[r].index == line)
                return int(r);
        return -1;
    }

    FakeDialogs dialogs;
    Tf_root w{&dialogs};
};

// ---------------------------------------------------------------- lines and colours

TEST_F(PreviewTest, BackgroundAndEverySecondLine)
{
    open();
    columns(QStringLiteral("Startnr"), {Format{}});
    const DisplayLayout l = layout();
    const QImage image = render();
    // Four detection lines fill the screen's height; right of the only
    // column there is nothing but the line's own colour.
    ASSERT_EQ(l.rows.size(), 4u);
    for (int line = 0; line < 4; ++line) {
        const QRectF box = l.rows[size_t(detectionRow(l, line))].box;
        EXPECT_NEAR(box.height(), kScreen.height() / 4.0, 0.01);
        const QPoint probe(kScreen.width() - 3, int(box.center().y()));
        EXPECT_EQ(image.pixelColor(probe), line % 2 ? kSecond : kBackground) << "line " << line;
    }
}

TEST_F(PreviewTest, EachCellInItsColourInsideItsColumn)
{
    open();
    columns(QStringLiteral("Startnr,Name,Verein"),
            {Format{QStringLiteral("DejaVu Sans"), 14, kRed, true, QStringLiteral("links"), 8},
             Format{QStringLiteral("DejaVu Sans"), 20, kGreen, true, QStringLiteral("links"), 12},
             Format{QStringLiteral("DejaVu Sans"), 10, kBlue, true, QStringLiteral("links"), 18}});
    // The preview describes the rows as the table holds them; how wide
    // that makes each column is the layouter's arithmetic, tested there.
    const DisplayDescription description = w.preview()->description();
    ASSERT_EQ(description.columns.size(), 3u);
    const QColor colours[] = {kRed, kGreen, kBlue};
    const int sizes[] = {14, 20, 10};
    const int characters[] = {8, 12, 18};
    for (size_t c = 0; c < 3; ++c) {
        EXPECT_EQ(description.columns[c].fontName, "DejaVu Sans");
        EXPECT_EQ(description.columns[c].fontSize, sizes[c]);
        EXPECT_EQ(description.columns[c].colour, colours[c]);
        EXPECT_TRUE(description.columns[c].bold);
        EXPECT_EQ(description.columns[c].characters, characters[c]);
    }
    const DisplayLayout l = layout();
    const QImage image = render();
    qreal left = 0;
    for (int c = 0; c < 3; ++c) {
        // The columns follow each other without a gap, each as wide on every line.
        const qreal width = cell(l, detectionRow(l, 0), c)->box.width();
        EXPECT_GT(width, 0);
        QRegion column;
        for (int line = 0; line < 4; ++line) {
            const DisplayLayout::Cell *cl = cell(l, detectionRow(l, line), c);
            ASSERT_NE(cl, nullptr);
            EXPECT_EQ(cl->text,
                      SampleParticipants::CellText(QStringList{"Startnr", "Name", "Verein"}[c], line));
            EXPECT_NEAR(cl->box.left(), left, 0.01) << "column " << c;
            EXPECT_EQ(cl->box.width(), width) << "column " << c;
            EXPECT_GT(CountNear(image, cl->box.toAlignedRect(), colours[c]), 10)
                << "column " << c << " line " << line;
            column += cl->box.toAlignedRect();
        }
        left += width;
        // No ink of this column's colour anywhere else.
        const QRegion outside = QRegion(image.rect()) - column;
        int stray = 0;
        for (const QRect &r : outside)
            stray += CountNear(image, r, colours[c]);
        EXPECT_EQ(stray, 0) << "column " << c;
    }
}

// ---------------------------------------------------------------- alignment and weight

struct AlignCase {
    const char *stored;
    Qt::Alignment expected;
};

class AlignmentTest : public PreviewTest, public ::testing::WithParamInterface<AlignCase>
{
};

TEST_P(AlignmentTest, InkLiesWhereTheColumnAlignsIt)
{
    open();
    columns(QStringLiteral("Startnr"), {Format{QStringLiteral("DejaVu Sans"), 16, kRed, true,
                                               QString::fromLatin1(GetParam().stored), 24}});
    const DisplayLayout l = layout();
    const QImage image = render();
    const DisplayLayout::Cell *cl = cell(l, detectionRow(l, 0), 0);
    ASSERT_NE(cl, nullptr);
    const QRect box = cl->box.toAlignedRect();
    const QRect ink = InkBox(image, box, kBackground);
    ASSERT_FALSE(ink.isEmpty());
    const int slack = 4; // side bearings and the cell's own padding
    switch (GetParam().expected) {
    case Qt::AlignLeft:
        EXPECT_LE(ink.left() - box.left(), slack);
        EXPECT_GT(box.right() - ink.right(), box.width() / 2);
        break;
    case Qt::AlignRight:
        EXPECT_LE(box.right() - ink.right(), slack);
        EXPECT_GT(ink.left() - box.left(), box.width() / 2);
        break;
    default:
        EXPECT_LE(std::abs(ink.center().x() - box.center().x()), 2);
        EXPECT_GT(ink.left() - box.left(), box.width() / 4);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Columns, AlignmentTest,
                         ::testing::Values(AlignCase{"links", Qt::AlignLeft},
                                           AlignCase{"mitte", Qt::AlignHCenter},
                                           AlignCase{"rechts", Qt::AlignRight},
                                           AlignCase{"MITTE", Qt::AlignHCenter},
                                           AlignCase{"center", Qt::AlignLeft}),
                         [](const auto &info) { return std::string(info.param.stored); });

TEST_F(PreviewTest, BoldHasMoreInkThanRegular)
{
    open();
    int ink[2] = {};
    for (bool bold : {false, true}) {
        columns(QStringLiteral("Name"), {Format{QStringLiteral("DejaVu Sans"), 16, kRed, bold, "links", 20}});
        const DisplayLayout l = layout();
        const DisplayLayout::Cell *cl = cell(l, detectionRow(l, 0), 0);
        ASSERT_NE(cl, nullptr);
        EXPECT_EQ(cl->font.bold(), bold);
        ink[bold] = Ink(render(), cl->box.toAlignedRect(), kBackground);
    }
    EXPECT_GT(ink[0], 0);
    EXPECT_GT(ink[1], ink[0] * 1.15) << "regular " << ink[0] << ", bold " << ink[1];
}

// ---------------------------------------------------------------- heading row

class HeadingTest : public PreviewTest, public ::testing::WithParamInterface<bool>
{
};

TEST_P(HeadingTest, PresentOnlyWhenChecked)
{
    const bool checked = GetParam();
    open();
    columns(QStringLiteral("Startnr,Name"), {Format{}, Format{}});
    headings({{QStringLiteral("Nr"), kYellow}, {QStringLiteral("Nachname"), kYellow}});
    w.TabSheet3->cb_mitueberschrift->setChecked(checked);
    const DisplayLayout l = layout();
    const QImage image = render();
    ASSERT_FALSE(l.rows.empty());
    EXPECT_EQ(l.rows.front().kind == DisplayLayout::RowKind::Heading, checked);
    EXPECT_EQ(l.rows.size(), checked ? 5u : 4u);
    if (checked) {
        for (int c = 0; c < 2; ++c) {
            const DisplayLayout::Cell *head = cell(l, 0, c);
            ASSERT_NE(head, nullptr);
            EXPECT_EQ(head->text, c ? "Nachname" : "Nr");
            // Over its detection-line column.
            EXPECT_EQ(head->box.left(), cell(l, 1, c)->box.left());
            EXPECT_GT(CountNear(image, head->box.toAlignedRect(), kYellow), 10);
        }
    } else {
        EXPECT_EQ(l.rows.front().box.top(), 0);
        EXPECT_EQ(CountNear(image, image.rect(), kYellow), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Checkbox, HeadingTest, ::testing::Bool());

TEST_F(PreviewTest, BackslashNBreaksAHeadingCell)
{
    open();
    columns(QStringLiteral("Startnr"), {Format{}});
    headings({{QStringLiteral("Start\\nNummer"), kYellow}});
    w.TabSheet3->cb_mitueberschrift->setChecked(true);
    const DisplayLayout l = layout();
    const DisplayLayout::Cell *head = cell(l, 0, 0);
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head->text, "Start\nNummer");
    // Two lines of text: the heading row is two lines high.
    EXPECT_NEAR(l.rows[0].box.height(), 2 * l.rows[1].box.height(), 0.01);
    const QImage image = render();
    const QRect box = head->box.toAlignedRect();
    const QRect top(box.left(), box.top(), box.width(), box.height() / 2);
    const QRect bottom(box.left(), box.center().y(), box.width(), box.height() / 2);
    EXPECT_GT(CountNear(image, top, kYellow), 10);
    EXPECT_GT(CountNear(image, bottom, kYellow), 10);
}

TEST_F(PreviewTest, StartNumberInfoBelowTheDetectionLines)
{
    open();
    columns(QStringLiteral("Startnr"), {Format{}});
    w.TabSheet4->e_SNRInfoFelder->setText(QStringLiteral("Name,\\n,Verein"));
    w.TabSheet4->cb_startnummerninfo->setChecked(true);
    const DisplayLayout l = layout();
    // Two info lines after the four detection lines, the "\n" column starting the second.
    ASSERT_EQ(l.rows.size(), 6u);
    EXPECT_EQ(l.rows[4].kind, DisplayLayout::RowKind::Info);
    EXPECT_EQ(l.rows[5].kind, DisplayLayout::RowKind::Info);
    EXPECT_GE(l.rows[4].box.top(), l.rows[3].box.bottom() - 0.01);
    ASSERT_NE(cell(l, 4, 0), nullptr);
    ASSERT_NE(cell(l, 5, 2), nullptr);
    EXPECT_EQ(cell(l, 4, 0)->text, SampleParticipants::CellText("Name", 0));
    EXPECT_EQ(cell(l, 5, 2)->text, SampleParticipants::CellText("Verein", 0));
    w.TabSheet4->cb_startnummerninfo->setChecked(false);
    EXPECT_EQ(layout().rows.size(), 4u);
}

// ---------------------------------------------------------------- logo

class LogoTest : public PreviewTest, public ::testing::WithParamInterface<int>
{
  protected:
    void SetUp() override
    {
        PreviewTest::SetUp();
        oldCwd = QDir::currentPath();
        QDir::setCurrent(dir.path());
    }
    void TearDown() override { QDir::setCurrent(oldCwd); }
    TempDir dir;
    QString oldCwd;
};

TEST_P(LogoTest, BlendedWithTheTrackBarsOpacity)
{
    const int opacity = GetParam();
    const QColor logo(200, 30, 30);
    dir.write("logo.png", SolidLogo(200, 100, logo));
    DisplayPreview &p = open();
    columns(QStringLiteral("Startnr"), {Format{}});
    d().tb_trans->setValue(opacity);
    // Leaving "Darstellung" loads the logo; the preview takes it at once.
    w.P_Einstellungen->setCurrentWidget(w.TabSheet1);
    w.P_Einstellungen->setCurrentWidget(w.TabSheet2);
    ASSERT_TRUE(dialogs.failures.isEmpty());
    const QImage image = shown();
    const DisplayLayout &l = p.drawnLayout();
    ASSERT_FALSE(l.logo.isNull());
    const QRectF row = l.rows[size_t(detectionRow(l, 0))].box;
    const QColor seen = image.pixelColor(int(row.right()) - 3, int(row.center().y()));
    const auto blend = [&](int c, int b) { return (c * opacity + b * (255 - opacity)) / 255; };
    const QColor expected(blend(logo.red(), kBackground.red()), blend(logo.green(), kBackground.green()),
                          blend(logo.blue(), kBackground.blue()));
    EXPECT_TRUE(Near(seen, expected, 3)) << Hex(seen).toStdString() << " for " << Hex(expected).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Opacity, LogoTest, ::testing::Values(0, 128, 255));

// ---------------------------------------------------------------- live

TEST_F(PreviewTest, FollowsATypedFormulaLine)
{
    columns(QStringLiteral("Startnr"), {Format{}});
    DisplayPreview &p = open();
    EXPECT_EQ(p.drawnLayout().columnsLaidOut, 1);
    CueLineEdit *line = d().e_InfoZeile;
    line->setFocus();
    line->end(false);
    QTest::keyClicks(line, QStringLiteral(",[Name]"));
    const QImage image = shown();
    const DisplayLayout &l = p.drawnLayout();
    ASSERT_EQ(l.columnsLaidOut, 2);
    const DisplayLayout::Cell *name = cell(l, detectionRow(l, 0), 1);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text, SampleParticipants::CellText("Name", 0));
    // The new column copies the last one's format: red ink in its box.
    EXPECT_GT(CountNear(image, name->box.toAlignedRect(), kRed), 10);
    // A formula that is no plain field shows itself.
    QTest::keyClicks(line, QStringLiteral(",\"Team \"&&[Verein]"));
    shown();
    ASSERT_EQ(p.drawnLayout().columnsLaidOut, 3);
    EXPECT_EQ(cell(p.drawnLayout(), detectionRow(p.drawnLayout(), 0), 2)->text, "\"Team \"&&[Verein]");
}

// A panel edit shows while it is still pending and after it is written.
struct PanelEdit {
    const char *name;
    BoundLineEdit *ColumnPanel::*field;
    const char *typed;
};

class PanelEditTest : public PreviewTest, public ::testing::WithParamInterface<PanelEdit>
{
};

TEST_P(PanelEditTest, ShowsBeforeAndAfterTheCommit)
{
    columns(QStringLiteral("Startnr,Name"), {Format{}, Format{}});
    DisplayPreview &p = open();
    const DisplayLayout before = p.drawnLayout();
    const std::vector<FieldValue> stored = w.state().mt_spalten.rows()[0];
    BoundLineEdit *field = panel()->*(GetParam().field);
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, QString::fromLatin1(GetParam().typed));
    // Pending: the row is in edit, nothing written, the cursor where it was.
    ASSERT_EQ(w.state().mt_spalten.State(), TableState::Edit);
    EXPECT_EQ(w.state().mt_spalten.rows()[0], stored);
    const QImage pending = shown();
    const DisplayLayout &l = p.drawnLayout();
    const DisplayLayout::Cell *first = cell(l, detectionRow(l, 0), 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(w.state().mt_spalten.RecNo(), 1);
    EXPECT_EQ(w.state().mt_spalten.State(), TableState::Edit);
    if (field == panel()->farbe) {
        EXPECT_EQ(first->colour, kGreen);
        EXPECT_GT(CountNear(pending, first->box.toAlignedRect(), kGreen), 10);
        EXPECT_EQ(CountNear(pending, first->box.toAlignedRect(), kRed), 0);
    } else {
        // 30 characters where there were 10, in the same font: three times as wide.
        EXPECT_EQ(p.description().columns[0].characters, 30);
        EXPECT_NEAR(first->box.width(), 3 * cell(before, detectionRow(before, 0), 0)->box.width(), 0.01);
    }
    // Written by the next cursor move: the picture stays.
    const DisplayLayout pendingLayout = l;
    w.state().mt_spalten.Next();
    shown();
    EXPECT_EQ(w.state().mt_spalten.State(), TableState::Browse);
    EXPECT_NE(w.state().mt_spalten.rows()[0], stored);
    EXPECT_EQ(p.drawnLayout().cells, pendingLayout.cells);
}

INSTANTIATE_TEST_SUITE_P(Fields, PanelEditTest,
                         ::testing::Values(PanelEdit{"farbe", &ColumnPanel::farbe, "#40FF40"},
                                           PanelEdit{"anzahlzeichen", &ColumnPanel::anzahlzeichen, "30"}),
                         [](const auto &info) { return std::string(info.param.name); });

// A click on "Fett" and a step in "Ausrichtung" show while the row still
// holds the old values, as the row will hold them once written.
TEST_F(PreviewTest, HeldCheckBoxAndAlignmentShowBeforeTheyAreWritten)
{
    columns(QStringLiteral("Startnr,Name"), {Format{}, Format{}});
    DisplayPreview &p = open();
    const std::vector<FieldValue> stored = w.state().mt_spalten.rows()[0];
    panel()->fett->setFocus();
    QTest::keyClick(panel()->fett, Qt::Key_Space);
    ASSERT_EQ(panel()->fett->checkState(), Qt::Unchecked);
    panel()->ausrichtung->setFocus();
    QTest::keyClick(panel()->ausrichtung, Qt::Key_Down);
    ASSERT_EQ(panel()->ausrichtung->currentText(), "mitte");
    shown();
    ASSERT_EQ(w.state().mt_spalten.State(), TableState::Edit);
    EXPECT_EQ(w.state().mt_spalten.rows()[0], stored);
    const DisplayDescription held = p.description();
    EXPECT_FALSE(held.columns[0].bold);
    EXPECT_EQ(held.columns[0].alignment, "mitte");
    EXPECT_TRUE(held.columns[1].bold);
    const DisplayLayout::Cell *first = cell(p.drawnLayout(), detectionRow(p.drawnLayout(), 0), 0);
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(first->font.bold());
    EXPECT_EQ(first->alignment, Qt::AlignHCenter);
    // Written by the next cursor move: the description stays.
    w.state().mt_spalten.Next();
    shown();
    EXPECT_EQ(w.state().mt_spalten.State(), TableState::Browse);
    EXPECT_FALSE(w.state().mt_spalten.rows()[0][SpaltenField::Fett].flag);
    EXPECT_EQ(w.state().mt_spalten.rows()[0][SpaltenField::Ausrichtung].text, "mitte");
    EXPECT_EQ(p.drawnLayout().cells, p.layoutFor(p.canvas()->size()).cells);
    EXPECT_FALSE(p.description().columns[0].bold);
}

TEST_F(PreviewTest, FollowsColoursCheckBoxesAndTheLineCount)
{
    columns(QStringLiteral("Startnr"), {Format{}});
    DisplayPreview &p = open();
    d().e_anzahlzeilen->setFocus();
    d().e_anzahlzeilen->selectAll();
    QTest::keyClicks(d().e_anzahlzeilen, QStringLiteral("6"));
    shown();
    EXPECT_EQ(p.drawnLayout().rows.size(), 6u);
    d().e_hintergrund->setFocus();
    d().e_hintergrund->selectAll();
    QTest::keyClicks(d().e_hintergrund, QStringLiteral("#000040"));
    const QImage image = shown();
    const QRectF row = p.drawnLayout().rows[0].box;
    EXPECT_EQ(image.pixelColor(int(row.right()) - 3, int(row.center().y())), QColor(0, 0, 0x40));
    // The colour chooser sets the text too.
    dialogs.choices.push_back(0x00FF00u); // green
    d().sh_zweitezeileMouseDown();
    const QImage chosen = shown();
    const QRectF second = p.drawnLayout().rows[1].box;
    EXPECT_EQ(chosen.pixelColor(int(second.right()) - 3, int(second.center().y())), QColor(0, 0xFF, 0));
}

// A change redraws only the pixels of the cells it changes; what the window
// then shows is what a whole new picture shows, edit after edit, at sizes
// where the columns' edges fall between pixels.
struct RedrawCase {
    const char *name;
    QSize canvas;
};

class RedrawTest : public PreviewTest, public ::testing::WithParamInterface<RedrawCase>
{
};

TEST_P(RedrawTest, RedrawingTheChangedCellsGivesTheWholePicture)
{
    columns(QStringLiteral("Name,Startnr,Verein"),
            {Format{}, Format{QStringLiteral("DejaVu Sans"), 17, kGreen, false, QStringLiteral("mitte"), 7},
             Format{QStringLiteral("DejaVu Serif"), 11, kBlue, true, QStringLiteral("rechts"), 13}});
    DisplayPreview &p = open();
    p.resize(GetParam().canvas.width(), GetParam().canvas.height() + p.note()->height());
    shown();
    const auto onScreen = [&] {
        settle();
        QWidget *canvas = p.canvas();
        const QPoint at = canvas->mapTo(&p, QPoint(0, 0));
        return p.screen()
            ->grabWindow(p.winId(), at.x(), at.y(), canvas->width(), canvas->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    };
    const auto whole = [&] {
        const QImage image = p.render(p.canvas()->size() * p.canvas()->devicePixelRatio(), true);
        return image.convertToFormat(QImage::Format_RGB32);
    };
    const QImage before = onScreen();
    ASSERT_FALSE(before.isNull());
    if (p.canvas()->devicePixelRatio() == 1) {
        ASSERT_EQ(before, whole());
    }
    CueLineEdit *line = d().e_InfoZeile;
    const std::vector<std::pair<const char *, std::function<void()>>> edits = {
        {"a formula",
         [&] {
             line->setFocus();
             line->setCursorPosition(4);
             QTest::keyClicks(line, QStringLiteral("x"));
         }},
        {"its field again", [&] { QTest::keyClick(line, Qt::Key_Backspace); }},
        {"a pending colour",
         [&] {
             panel()->farbe->setFocus();
             panel()->farbe->selectAll();
             QTest::keyClicks(panel()->farbe, QStringLiteral("#FFFF00"));
         }},
        {"the next column's formula",
         [&] {
             line->setFocus();
             line->setCursorPosition(12);
             QTest::keyClicks(line, QStringLiteral("y"));
         }},
    };
    QImage last = before;
    for (const auto &[name, edit] : edits) {
        SCOPED_TRACE(name);
        edit();
        const QImage after = onScreen();
        EXPECT_NE(after, last);
        if (p.canvas()->devicePixelRatio() == 1) {
            EXPECT_EQ(after, whole());
        }
        // Whatever the ratio: the same as the window drawn anew.
        p.canvas()->repaint();
        EXPECT_EQ(after, onScreen());
        last = after;
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, RedrawTest,
                         ::testing::Values(RedrawCase{"even", QSize(640, 360)},
                                           RedrawCase{"odd", QSize(777, 333)},
                                           RedrawCase{"narrow", QSize(301, 419)}),
                         [](const auto &info) { return std::string(info.param.name); });

// The picture is laid out once per change; repainting it (an expose, a
// window moved over it) draws what was laid out.
TEST_F(PreviewTest, LaidOutOncePerChangeNotPerPaint)
{
    columns(QStringLiteral("Name,Startnr"), {Format{}, Format{}});
    DisplayPreview &p = open();
    shown();
    const int before = p.canvasLayouts();
    ASSERT_GT(before, 0);
    for (int i = 0; i < 3; ++i)
        p.canvas()->repaint();
    shown();
    EXPECT_EQ(p.canvasLayouts(), before);
    CueLineEdit *line = d().e_InfoZeile;
    line->setFocus();
    line->end(false);
    QTest::keyClicks(line, QStringLiteral("x"));
    shown();
    EXPECT_EQ(p.canvasLayouts(), before + 1);
    EXPECT_EQ(p.drawnLayout().cells, p.layoutFor(p.canvas()->size()).cells);
}

// ---------------------------------------------------------------- only what is on the screen

TEST_F(PreviewTest, ColumnsBeyondTheRightEdgeAreNotLaidOut)
{
    QStringList formulas;
    for (int i = 0; i < 256; ++i)
        formulas << QStringLiteral("Verein");
    d().e_InfoZeile->setText(formulas.join(u','));
    DisplayPreview &p = open();
    shown();
    const DisplayLayout &l = p.drawnLayout();
    ASSERT_GT(l.columnsLaidOut, 0);
    EXPECT_LT(l.columnsLaidOut, 40);
    int widest = -1;
    for (const DisplayLayout::Cell &c : l.cells) {
        widest = std::max(widest, c.column);
        EXPECT_LT(c.box.left(), l.screen.right());
    }
    EXPECT_EQ(widest + 1, l.columnsLaidOut);
    EXPECT_EQ(l.cells.size(), size_t(l.columnsLaidOut) * l.rows.size());
}

// ---------------------------------------------------------------- window

TEST_F(PreviewTest, F5AndTheButtonOpenOneWindowAndBringItToTheFront)
{
    EXPECT_EQ(w.preview(), nullptr);
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_TRUE(w.b_ende->hasFocus());
    QTest::keyClick(&w, Qt::Key_F5);
    DisplayPreview *p = w.preview();
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(p->isVisible());
    EXPECT_EQ(p->windowTitle(), "Vorschau der Anzeige");
    EXPECT_TRUE(p->isWindow());
    EXPECT_FALSE(p->isModal());
    EXPECT_NE(p->minimumSize(), p->maximumSize()); // resizable
    ASSERT_TRUE(QTest::qWaitForWindowActive(p));
    // Back to the main window; the button brings the same preview forward.
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::mouseClick(w.b_vorschau, Qt::LeftButton);
    EXPECT_EQ(w.preview(), p);
    EXPECT_TRUE(QTest::qWaitForWindowActive(p));
    // Closed and opened again: still the same window.
    p->close();
    EXPECT_FALSE(p->isVisible());
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_F5);
    EXPECT_EQ(w.preview(), p);
    EXPECT_TRUE(p->isVisible());
}

TEST_F(PreviewTest, TheButtonSitsBesideSaveAndCloseAndTheStartFocusStays)
{
    EXPECT_EQ(w.b_vorschau->text(), "Vorschau");
    EXPECT_EQ(w.b_vorschau->geometry().top(), w.b_ende->geometry().top());
    EXPECT_EQ(w.b_vorschau->height(), w.b_ende->height());
    EXPECT_GT(w.b_vorschau->geometry().left(), w.b_ende->geometry().right());
    EXPECT_TRUE(w.b_ende->hasFocus());
    // Navy around it.
    const QImage window = w.grab().toImage();
    const QRect b = w.b_vorschau->geometry();
    for (const QPoint &pt : {QPoint(b.right() + 3, b.center().y()), QPoint(b.center().x(), b.bottom() + 2),
                             QPoint(b.left() - 3, b.center().y())})
        EXPECT_EQ(window.pixelColor(pt), QColor(0, 0, 0x80)) << pt.x() << "," << pt.y();
}

TEST_F(PreviewTest, ClosingTheMainWindowClosesThePreview)
{
    open();
    ASSERT_TRUE(w.preview()->isVisible());
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.preview()->isVisible());
}

TEST_F(PreviewTest, AccessibleNameAndOneLinePerDrawnRow)
{
    columns(QStringLiteral("Startnr,Name"), {Format{}, Format{}});
    headings({{QStringLiteral("Nr"), kYellow}, {QStringLiteral("Nachname"), kYellow}});
    w.TabSheet3->cb_mitueberschrift->setChecked(true);
    DisplayPreview &p = open();
    shown();
    // The lines are made when a screen reader starts listening, and follow
    // the picture while it does.
    QAccessible::setActive(true);
    const auto inactive = qScopeGuard([] { QAccessible::setActive(false); });
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(&p);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->text(QAccessible::Name), "Vorschau der Anzeige");
    const QStringList lines = a->text(QAccessible::Description).split(u'\n');
    ASSERT_EQ(lines.size(), qsizetype(p.drawnLayout().rows.size()));
    EXPECT_EQ(lines[0], "Überschrift: Nr | Nachname");
    EXPECT_EQ(lines[1], "Zeile 1: " + SampleParticipants::CellText("Startnr", 0) + " | " +
                            SampleParticipants::CellText("Name", 0));
    w.TabSheet3->cb_mitueberschrift->setChecked(false);
    shown();
    EXPECT_EQ(a->text(QAccessible::Description).split(u'\n').first(),
              "Zeile 1: " + SampleParticipants::CellText("Startnr", 0) + " | " +
                  SampleParticipants::CellText("Name", 0));
    // The note under the picture says what it is.
    EXPECT_TRUE(p.note()->isVisible());
    EXPECT_TRUE(p.note()->text().contains("Beispieldaten"));
}

TEST_F(PreviewTest, AMissingFontIsSubstitutedAndSaysSoInItsTooltip)
{
    columns(QStringLiteral("Startnr,Name"),
            {Format{QStringLiteral("Keine Solche Schrift"), 14, kRed, true, "links", 10},
             Format{QStringLiteral("Default"), 14, kRed, true, "links", 10}});
    DisplayPreview &p = open();
    shown();
    const DisplayLayout &l = p.drawnLayout();
    const DisplayLayout::Cell *missing = cell(l, detectionRow(l, 0), 0);
    const DisplayLayout::Cell *standard = cell(l, detectionRow(l, 0), 1);
    ASSERT_NE(missing, nullptr);
    ASSERT_NE(standard, nullptr);
    EXPECT_TRUE(missing->substituted);
    EXPECT_FALSE(missing->fontShown.isEmpty());
    EXPECT_FALSE(standard->substituted);
    EXPECT_EQ(standard->font.family(), QFont().family());
    EXPECT_TRUE(p.toolTipAt(missing->box.center()).contains("Keine Solche Schrift"));
    EXPECT_TRUE(p.toolTipAt(missing->box.center()).contains("nicht installiert"));
    EXPECT_EQ(p.toolTipAt(standard->box.center()), "");
    // The tooltip event shows it.
    const QPoint pos = missing->box.center().toPoint();
    QHelpEvent help(QEvent::ToolTip, pos, p.canvas()->mapToGlobal(pos));
    QApplication::sendEvent(p.canvas(), &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), p.toolTipAt(missing->box.center()));
}

} // namespace

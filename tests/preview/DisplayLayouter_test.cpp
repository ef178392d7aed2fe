#include "preview/DisplayLayouter.h"
#include "preview/SampleParticipants.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

// The display's layout from a description built here, with fonts of known
// measures, checked against positions worked out by hand.

void PrintTo(const QString &text, std::ostream *os)
{
    *os << text.toStdString();
}

namespace
{

// A font of `points` has an average character `points` pixels wide, and
// every character of a text is that wide. A font named "Fehlt" is not
// installed.
class FakeFonts : public DisplayFonts
{
  public:
    const DisplayFont &font(const QString &name, int points, bool bold) override
    {
        DisplayFont &f = m_fonts[{name, points, bold}];
        f.font.setBold(bold);
        f.shown = name == QLatin1String("Fehlt") ? QStringLiteral("Ersatz") : name;
        f.substituted = name == QLatin1String("Fehlt");
        f.averageCharWidth = points;
        return f;
    }
    qreal advance(const DisplayFont &font, const QString &text) override
    {
        return text.size() * font.averageCharWidth;
    }

  private:
    std::map<std::tuple<QString, int, bool>, DisplayFont> m_fonts;
};

const QColor kBackground(0x20, 0x20, 0x20);
const QColor kSecond(0x50, 0x50, 0x00);
const QColor kRed(0xFF, 0x40, 0x40);
const QColor kYellow(0xFF, 0xFF, 0x00);

DisplayDescription::Format Font(int points, QColor colour = kRed)
{
    return {QStringLiteral("Sans"), points, colour, false};
}

// The small case worked out by hand below: a screen of 1000 x 700, three
// detection lines of three columns, a heading row whose second cell has two
// lines, and two info lines.
DisplayDescription SmallCase()
{
    DisplayDescription d;
    d.screen = QSize(1000, 700);
    d.background = kBackground;
    d.secondLine = kSecond;
    d.lines = 3;
    d.detectionFormulas = QStringLiteral("Startnr,Name,\"Team \"&&[Verein]");
    d.columns = {{Font(10), QStringLiteral("rechts"), 5, QStringLiteral("Startnr")},
                 {Font(20), QStringLiteral("mitte"), 0, QStringLiteral("Name")},
                 {Font(8), QStringLiteral("links"), 3, QStringLiteral("\"Team \"&&[Verein]")}};
    d.heading = true;
    d.headings = {{Font(10, kYellow), QStringLiteral("Nr")},
                  {Font(12, kYellow), QStringLiteral("Nach\\nname")}};
    d.info = true;
    d.infoFormulas = QStringLiteral("Name,\\n,Verein");
    d.infoColumns = {{Font(10), QStringLiteral("Name")},
                     {Font(10), QStringLiteral("\\n")},
                     {Font(6), QStringLiteral("Verein")}};
    return d;
}

const DisplayLayout::Cell *CellAt(const DisplayLayout &l, int row, int column)
{
    for (const DisplayLayout::Cell &c : l.cells)
        if (c.row == row && c.column == column)
            return &c;
    return nullptr;
}

class LayouterTest : public ::testing::Test
{
  protected:
    DisplayLayout layout(const DisplayDescription &d, QSizeF target = QSizeF(500, 350))
    {
        return DisplayLayouter(fonts).layout(d, target);
    }
    FakeFonts fonts;
};

// Slots: heading 2 lines ("Nach\nname") + 3 detection lines + 2 info lines
// = 7 slots of 700 / 7 = 100 screen pixels.
// Rows on the screen (y, height): heading 0, 200; lines 200, 300, 400 (100
// each); info lines 500 and 600. The target 500 x 350 is half the screen:
// scale 0.5, no letterbox, so every target box is the screen box halved.
TEST_F(LayouterTest, RowsShareTheScreensHeight)
{
    const DisplayLayout l = layout(SmallCase());
    EXPECT_EQ(l.scale, 0.5);
    EXPECT_EQ(l.screen, QRectF(0, 0, 500, 350));
    using Kind = DisplayLayout::RowKind;
    const struct {
        Kind kind;
        int index;
        QRectF screenBox;
        QColor fill;
    } expected[] = {
        {Kind::Heading, 0, {0, 0, 1000, 200}, kBackground},
        {Kind::Detection, 0, {0, 200, 1000, 100}, kBackground},
        {Kind::Detection, 1, {0, 300, 1000, 100}, kSecond},
        {Kind::Detection, 2, {0, 400, 1000, 100}, kBackground},
        {Kind::Info, 0, {0, 500, 1000, 100}, kBackground},
        {Kind::Info, 1, {0, 600, 1000, 100}, kBackground},
    };
    ASSERT_EQ(l.rows.size(), std::size(expected));
    for (size_t r = 0; r < l.rows.size(); ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(l.rows[r].kind, expected[r].kind);
        EXPECT_EQ(l.rows[r].index, expected[r].index);
        EXPECT_EQ(l.rows[r].screenBox, expected[r].screenBox);
        const QRectF half(expected[r].screenBox.topLeft() / 2, expected[r].screenBox.size() / 2);
        EXPECT_EQ(l.rows[r].box, half);
        EXPECT_EQ(l.rows[r].fill, expected[r].fill);
    }
}

// Columns (x, width on the screen), a font of n points being n pixels per
// character:
//   Startnr  10 points x 5 characters          = 50,  x 0
//   Name     20 points x 10 (none expected)    = 200, x 50
//   Team...   8 points x 3 characters          = 24,  x 250
// The heading cells lie over the first two columns; info cells are as wide
// as their text plus one average character plus 2 + 2 padding:
//   "Müller"    6 characters x 10 + 10 + 4 = 74
//   "SC Ötztal" 9 characters x 6  + 6  + 4 = 64
TEST_F(LayouterTest, ColumnsAndCellsWhereWorkedOutByHand)
{
    const DisplayLayout l = layout(SmallCase());
    const struct {
        int row, column;
        QRectF screenBox;
        QString text;
        Qt::Alignment alignment;
    } expected[] = {
        {0, 0, {0, 0, 50, 200}, QStringLiteral("Nr"), Qt::AlignRight},
        {0, 1, {50, 0, 200, 200}, QStringLiteral("Nach\nname"), Qt::AlignHCenter},
        {1, 0, {0, 200, 50, 100}, QStringLiteral("17"), Qt::AlignRight},
        {1, 1, {50, 200, 200, 100}, QStringLiteral("Müller"), Qt::AlignHCenter},
        {1, 2, {250, 200, 24, 100}, QStringLiteral("\"Team \"&&[Verein]"), Qt::AlignLeft},
        {2, 0, {0, 300, 50, 100}, QStringLiteral("203"), Qt::AlignRight},
        {2, 1, {50, 300, 200, 100}, QStringLiteral("Schneider"), Qt::AlignHCenter},
        {3, 1, {50, 400, 200, 100}, QStringLiteral("Fischer"), Qt::AlignHCenter},
        {4, 0, {0, 500, 74, 100}, QStringLiteral("Müller"), Qt::AlignLeft},
        {5, 2, {0, 600, 64, 100}, QStringLiteral("SC Ötztal"), Qt::AlignLeft},
    };
    // 2 heading cells, 3 x 3 detection cells, 1 + 1 info cells.
    EXPECT_EQ(l.cells.size(), 13u);
    EXPECT_EQ(l.columnsLaidOut, 3);
    for (const auto &e : expected) {
        SCOPED_TRACE(e.text.toStdString());
        const DisplayLayout::Cell *c = CellAt(l, e.row, e.column);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->screenBox, e.screenBox);
        EXPECT_EQ(c->box, QRectF(e.screenBox.topLeft() / 2, e.screenBox.size() / 2));
        EXPECT_EQ(c->text, e.text);
        EXPECT_EQ(c->alignment, e.alignment);
    }
    EXPECT_EQ(CellAt(l, 0, 0)->colour, kYellow);
    EXPECT_EQ(CellAt(l, 1, 0)->colour, kRed);
}

// A target 600 x 350 is wider than the screen's shape: scale
// min(600/1000, 350/700) = 0.5, the 500 x 350 screen centred with
// (600 - 500) / 2 = 50 on either side; the first line's second cell
// (50, 200, 200, 100) lies at 50 + 25 = 75, 100, 100 x 50.
TEST_F(LayouterTest, TheScreenIsCentredInAWiderTarget)
{
    const DisplayLayout l = layout(SmallCase(), QSizeF(600, 350));
    EXPECT_EQ(l.screen, QRectF(50, 0, 500, 350));
    EXPECT_EQ(CellAt(l, 1, 1)->box, QRectF(75, 100, 100, 50));
}

// A screen 100 wide, columns of 4 characters at 10 points, 40 each: they
// start at 0, 40 and 80; the third is cut at the edge to 100 - 80 = 20,
// the fourth would start at 120, beyond the edge, and is not measured.
TEST_F(LayouterTest, ColumnsBeyondTheRightEdgeAreNotMeasured)
{
    DisplayDescription d;
    d.screen = QSize(100, 100);
    d.lines = 1;
    d.detectionFormulas = QStringLiteral("Name,Name,Name,Name,Name");
    d.columns.assign(5, {Font(10), QStringLiteral("links"), 4, QStringLiteral("Name")});
    const DisplayLayout l = layout(d, QSizeF(100, 100));
    EXPECT_EQ(l.columnsLaidOut, 3);
    ASSERT_EQ(l.cells.size(), 3u);
    EXPECT_EQ(l.cells[0].screenBox, QRectF(0, 0, 40, 100));
    EXPECT_EQ(l.cells[1].screenBox, QRectF(40, 0, 40, 100));
    EXPECT_EQ(l.cells[2].screenBox, QRectF(80, 0, 20, 100));
}

struct LinesCase {
    int lines;           // as set
    size_t expectedRows; // detection lines drawn
};

class LineCountTest : public LayouterTest, public ::testing::WithParamInterface<LinesCase>
{
};

TEST_P(LineCountTest, KeptWithinOneAndTwoHundred)
{
    DisplayDescription d;
    d.screen = QSize(1000, 1000);
    d.lines = GetParam().lines;
    const DisplayLayout l = layout(d, QSizeF(1000, 1000));
    ASSERT_EQ(l.rows.size(), GetParam().expectedRows);
    EXPECT_EQ(l.rows.back().screenBox.height(), 1000.0 / GetParam().expectedRows);
}

INSTANTIATE_TEST_SUITE_P(Lines, LineCountTest,
                         ::testing::Values(LinesCase{-3, 1}, LinesCase{0, 1}, LinesCase{1, 1},
                                           LinesCase{4, 4}, LinesCase{200, 200}, LinesCase{201, 200},
                                           LinesCase{100000, 200}));

// A blank formula line (blanks and control characters only) shows no
// columns, whatever rows the table still has; so does a blank info line.
TEST_F(LayouterTest, BlankFormulaLinesShowNothing)
{
    DisplayDescription d = SmallCase();
    d.detectionFormulas = QStringLiteral(" \t ");
    d.infoFormulas = QStringLiteral("\n");
    const DisplayLayout l = layout(d);
    EXPECT_EQ(l.columnsLaidOut, 0);
    EXPECT_TRUE(l.cells.empty());
    // The heading row stays, one line high: 1 + 3 lines of 700 / 4 = 175.
    ASSERT_EQ(l.rows.size(), 4u);
    EXPECT_EQ(l.rows[0].screenBox, QRectF(0, 0, 1000, 175));
}

// Heading cells have at most 4 lines; the info block at most 10.
TEST_F(LayouterTest, HeadingAndInfoLinesHaveTheirLimits)
{
    DisplayDescription d = SmallCase();
    d.headings[0].text = QStringLiteral("1\\n2\\n3\\n4\\n5\\n6");
    d.infoColumns.clear();
    for (int i = 0; i < 15; ++i) {
        d.infoColumns.push_back({Font(10), QStringLiteral("Name")});
        d.infoColumns.push_back({Font(10), QStringLiteral(" \\n ")});
    }
    const DisplayLayout l = layout(d);
    // 4 heading slots + 3 lines + 10 info lines = 17 slots.
    ASSERT_EQ(l.rows.size(), 1u + 3u + 10u);
    EXPECT_DOUBLE_EQ(l.rows[0].screenBox.height(), 4 * 700.0 / 17);
    EXPECT_EQ(l.rows.back().kind, DisplayLayout::RowKind::Info);
    EXPECT_EQ(l.rows.back().index, 9);
}

// Switched off, neither heading row nor info block takes a slot.
TEST_F(LayouterTest, SwitchedOffHeadingAndInfoTakeNoSpace)
{
    DisplayDescription d = SmallCase();
    d.heading = false;
    d.info = false;
    const DisplayLayout l = layout(d);
    ASSERT_EQ(l.rows.size(), 3u);
    EXPECT_EQ(l.rows[0].kind, DisplayLayout::RowKind::Detection);
    // 700 / 3 per line.
    EXPECT_DOUBLE_EQ(l.rows[2].screenBox.top(), 2 * 700.0 / 3);
}

struct AlignCase {
    const char *stored;
    Qt::Alignment expected;
};

class AlignmentTest : public LayouterTest, public ::testing::WithParamInterface<AlignCase>
{
};

TEST_P(AlignmentTest, FromTheStoredWord)
{
    DisplayDescription d;
    d.screen = QSize(100, 100);
    d.lines = 1;
    d.detectionFormulas = QStringLiteral("Name");
    d.columns = {{Font(10), QString::fromUtf8(GetParam().stored), 4, QStringLiteral("Name")}};
    const DisplayLayout l = layout(d, QSizeF(100, 100));
    ASSERT_EQ(l.cells.size(), 1u);
    EXPECT_EQ(l.cells[0].alignment, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Stored, AlignmentTest,
                         ::testing::Values(AlignCase{"links", Qt::AlignLeft},
                                           AlignCase{"mitte", Qt::AlignHCenter},
                                           AlignCase{"MITTE", Qt::AlignHCenter},
                                           AlignCase{"rechts", Qt::AlignRight},
                                           AlignCase{"center", Qt::AlignLeft}, AlignCase{"", Qt::AlignLeft}));

// A logo of 200 x 100 on a screen of 1000 x 700 grows to 1000 x 500 and
// lies 100 from the top: (700 - 500) / 2.
TEST_F(LayouterTest, TheLogoFillsTheScreenCentred)
{
    DisplayDescription d = SmallCase();
    d.logo = QImage(200, 100, QImage::Format_ARGB32);
    d.logo.fill(Qt::red);
    d.logoOpacity = 77;
    const DisplayLayout l = layout(d);
    EXPECT_EQ(l.logoBox, QRectF(0, 100, 1000, 500));
    EXPECT_EQ(l.logoOpacity, 77);
}

// The font a cell is drawn in, and when it stands in for a missing one.
TEST_F(LayouterTest, CellsKnowTheirFontAndItsSubstitute)
{
    DisplayDescription d = SmallCase();
    d.columns[0].fontName = QStringLiteral("Fehlt");
    d.columns[0].bold = true;
    const DisplayLayout l = layout(d);
    const DisplayLayout::Cell *missing = CellAt(l, 1, 0);
    ASSERT_NE(missing, nullptr);
    EXPECT_TRUE(missing->substituted);
    EXPECT_EQ(missing->fontName, "Fehlt");
    EXPECT_EQ(missing->fontShown, "Ersatz");
    EXPECT_TRUE(missing->font.bold());
    EXPECT_FALSE(CellAt(l, 1, 1)->substituted);
    EXPECT_EQ(l.describe().at(1), "Zeile 1: 17 | Müller | \"Team \"&&[Verein]");
}

} // namespace

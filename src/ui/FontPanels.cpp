#include "FontPanels.h"

#include "ColumnPanel.h"
#include "Dialogs.h"
#include "FontLists.h"
#include "PanelGrid.h"
#include "columns/FormatTableReader.h"
#include "editor/EditorState.h"
#include "settings/ColorCodec.h"

#include <QCheckBox>
#include <QComboBox>
#include <QScopeGuard>

#include <algorithm>
#include <iterator>

FontPanels::FontPanels(EditorState &state, Dialogs &dialogs, QWidget &window, GuardFn guard)
    : QObject(&window), m_state(state), m_dialogs(dialogs), m_window(window), m_guard(std::move(guard))
{
    m_fontNames = new FontNameModel(this);
    for (Key key : kFormatKeys)
        panelOf(key).key = key;
    // A formula line's synchronisation walks the tables with the links
    // detached; the lists follow where the walk ended.
    connect(&m_state, &EditorState::synchronised, this, [this] { followPendingRows(); });
}

FontPanels::~FontPanels()
{
    unbindAll();
}

FontPanels::Panel &FontPanels::panelOf(Key formatKey)
{
    return m_panels[size_t(FormatKindOf(formatKey))];
}

void FontPanels::bind(Key formatKey, PanelGrid *grid)
{
    Panel &panel = panelOf(formatKey);
    panel.grid = grid;
    panel.table = &m_state.table(formatKey);
    panel.link = &m_state.link(formatKey);
    panel.name = grid->livePanel()->fontName;
    panel.size = grid->livePanel()->fontSize;
    panel.rowReaction = [this, &panel] { followRow(panel); };
    m_state.setRowReaction(formatKey, panel.rowReaction);
    grid->setMover([this, &panel](int row) { moveCursor(panel, row); });
    grid->bind(panel.link, m_guard, m_fontNames);
    connect(panel.name, &FontNameList::changed, this, [this, &panel] { fontNameChosen(panel); });
    setSizeReactionAttached(panel, true);
    BoundLineEdit *farbe = grid->livePanel()->farbe;
    connect(farbe, &BoundLineEdit::clicked, this, [this, farbe] { colourClicked(farbe); });
    watchHeldInput(formatKey, grid);
}

// What the live panel holds before it is written to its row is part of what
// the state's readers show.
void FontPanels::watchHeldInput(Key formatKey, PanelGrid *grid)
{
    m_state.setPendingInput(formatKey, grid);
    ColumnPanel *panel = grid->livePanel();
    const auto held = [this, formatKey] { m_state.pendingInputChanged(formatKey); };
    for (BoundLineEdit *field : {panel->farbe, panel->anzahlzeichen, panel->text})
        if (field)
            connect(field, &QLineEdit::textChanged, this, held);
    connect(panel->fett, &QCheckBox::stateChanged, this, held);
    if (panel->ausrichtung)
        connect(panel->ausrichtung, &QComboBox::currentIndexChanged, this, held);
}

void FontPanels::unbindAll()
{
    for (Panel &panel : m_panels) {
        if (!panel.grid)
            continue;
        disconnect(panel.sizeConnection);
        panel.sizeAttached = false;
        panel.grid->unbind();
        panel.grid = nullptr;
        m_state.setRowReaction(panel.key, {});
        m_state.setPendingInput(panel.key, nullptr);
    }
}

void FontPanels::followPendingRows()
{
    for (Panel &panel : m_panels) {
        if (panel.grid && panel.followPending)
            m_guard([this, &panel] { followRow(panel); });
    }
}

void FontPanels::setSizeReactionAttached(Panel &panel, bool attached)
{
    // The signal stays connected; detaching is a switch, cheap enough for
    // every step of a walk through the table.
    if (!panel.sizeConnection)
        panel.sizeConnection = connect(panel.size, &FontSizeList::changed, this, [this, &panel] {
            if (panel.sizeAttached)
                fontSizeChanged(panel);
        });
    panel.sizeAttached = attached;
}

// The font lists follow the row; the row itself is not changed.
void FontPanels::followRow(Panel &panel)
{
    // While a formula change walks the tables with the links detached, only
    // the row the walk stops on matters to the lists: follow it once, when
    // the walk is over.
    if (panel.link && !panel.link->isActive()) {
        panel.followPending = true;
        return;
    }
    panel.followPending = false;
    const QString name = panel.table->asText(FontField::Schriftname);
    panel.name->selectName(name);
    setSizeReactionAttached(panel, false);
    const auto reattach = qScopeGuard([&] { setSizeReactionAttached(panel, true); });
    panel.size->setFontName(panel.name->currentText());
    panel.size->setFontSize(panel.table->asInteger(FontField::Schriftgroesse));
}

void FontPanels::fontNameChosen(Panel &panel)
{
    m_guard([&] {
        panel.table->Edit();
        panel.table->setText(FontField::Schriftname, panel.name->currentText());
        panel.table->Post();
        panel.size->setFontName(panel.name->currentText());
    });
}

void FontPanels::fontSizeChanged(Panel &panel)
{
    m_guard([&] {
        panel.table->Edit();
        panel.table->setInteger(FontField::Schriftgroesse, panel.size->FontSize());
        panel.table->Post();
    });
}

// A click or a key moves the cursor to one row. Forward by one is a plain
// Next; a longer way is walked with the panels and the row-change reaction
// quiet, which then runs once for the row where the walk ends.
void FontPanels::moveCursor(Panel &panel, int row)
{
    FormatTable &t = *panel.table;
    m_guard([&] {
        const int count = t.RecordCount();
        if (row < 0 || row >= count)
            return;
        const bool inserting = t.State() == TableState::Insert;
        const int cur = inserting ? count : t.RecNo() - 1;
        if (row == cur)
            return;
        if (!inserting && row == cur + 1) {
            t.Next();
            return;
        }
        if (row == 0) {
            t.First();
            return;
        }
        const bool reaction = t.hasAfterScroll();
        {
            t.setAfterScroll({});
            panel.grid->setQuiet(true);
            const auto restore = qScopeGuard([&] {
                if (reaction)
                    t.setAfterScroll(panel.rowReaction);
                panel.grid->setQuiet(false);
            });
            if (!inserting && row > cur) {
                for (int i = cur; i < row; ++i)
                    t.Next();
            } else {
                t.First();
                for (int i = 0; i < row; ++i)
                    t.Next();
            }
        }
        if (reaction)
            panel.rowReaction();
    });
}

void FontPanels::colourClicked(BoundLineEdit *field)
{
    m_guard([&] {
        const std::optional<uint32_t> chosen = m_dialogs.chooseColor(&m_window, HexToColor(field->text()));
        if (!chosen)
            return;
        // Edit, then the chosen text as the field's input, written at the
        // next commit.
        field->setChosenText(ColorToHex(*chosen));
    });
}

void FontPanels::selectRow(Key formatKey, int row)
{
    Panel &panel = panelOf(formatKey);
    if (panel.grid)
        moveCursor(panel, row);
}

void FontPanels::writeField(Key formatKey, int row, Field field, const FieldValue &value)
{
    Panel &panel = panelOf(formatKey);
    if (!panel.grid)
        return;
    moveCursor(panel, row);
    FormatTable &t = *panel.table;
    const int pos = t.fieldIndex(field);
    if (pos < 0 || t.currentIndex() != row)
        return;
    // The row is written at once; the grid redraws the live panel only.
    m_guard([&] {
        t.EditCurrent([&] {
            switch (t.field(pos).type) {
            case FieldType::Integer:
                t.setInteger(pos, value.integer);
                break;
            case FieldType::Flag:
                t.setFlag(pos, value.flag);
                break;
            case FieldType::Text:
                t.setText(pos, value.text);
                break;
            }
        });
    });
}

void FontPanels::stepFontSize(Key formatKey, int row, int step)
{
    Panel &panel = panelOf(formatKey);
    if (!panel.grid)
        return;
    moveCursor(panel, row);
    if (panel.table->currentIndex() != row)
        return;
    // The list follows the row: its sizes are those of the row's font.
    const std::vector<int> &sizes = panel.size->sizes();
    const int current = panel.size->FontSize();
    int next = -1;
    if (step > 0) {
        const auto above = std::upper_bound(sizes.begin(), sizes.end(), current);
        if (above != sizes.end())
            next = *above;
    } else {
        const auto below = std::lower_bound(sizes.begin(), sizes.end(), current);
        if (below != sizes.begin())
            next = *std::prev(below);
    }
    if (next > 0)
        panel.size->setFontSize(next); // written to the row as a chosen size is
}

void FontPanels::chooseColour(Key formatKey, int row)
{
    Panel &panel = panelOf(formatKey);
    if (!panel.grid)
        return;
    moveCursor(panel, row);
    const int pos = panel.table->fieldIndex(Field::Farbe);
    if (pos < 0 || panel.table->currentIndex() != row)
        return;
    m_guard([&] {
        const std::optional<uint32_t> chosen =
            m_dialogs.chooseColor(&m_window, HexToColor(panel.table->asText(pos)));
        if (!chosen)
            return;
        FieldValue colour;
        colour.isNull = false;
        colour.text = ColorToHex(*chosen);
        writeField(formatKey, row, Field::Farbe, colour);
    });
}

#pragma once
#include "GuardFn.h"
#include "columns/FormatFields.h"
#include "settings/SettingsKeys.h"

#include <QObject>

#include <functional>

class BoundLineEdit;
class Dialogs;
class EditorState;
class FontNameList;
class FontNameModel;
class FontSizeList;
class FormatTable;
class PanelGrid;
class QWidget;
class ViewLink;

// The panel grids bound to the editor state's tables, with the two unbound
// font lists of each live panel: the lists follow the current row, and a
// name or size chosen is written to it. A click into a panel's colour field
// opens the colour chooser. Each page binds its own grid here.
class FontPanels : public QObject
{
    Q_OBJECT
  public:
    FontPanels(EditorState &state, Dialogs &dialogs, QWidget &window, GuardFn guard);
    ~FontPanels() override;

    // Binds a page's grid to the table of formatKey (InfoZeileFormat,
    // UeberschriftFormat, SNRInfoFelderFormat).
    void bind(Key formatKey, PanelGrid *grid);
    // Lets go of the grids before the tables die.
    void unbindAll();

    // The installed fonts, enumerated once for the three name lists.
    FontNameModel *fontNames() const { return m_fontNames; }

    // ---- edits from outside the panels (the preview), each through the
    // same row and lists the panel's own controls use
    PanelGrid *grid(Key formatKey) { return panelOf(formatKey).grid; }
    // Makes a row the current one, as a click on its panel does.
    void selectRow(Key formatKey, int row);
    // Writes one field of a row: an integer, a text or a flag as the field
    // takes it.
    void writeField(Key formatKey, int row, Field field, const FieldValue &value);
    // One step of the size list up (+1) or down (-1) from the row's size.
    void stepFontSize(Key formatKey, int row, int step);
    // The colour chooser for a row's colour, as a click into its field.
    void chooseColour(Key formatKey, int row);

  private:
    struct Panel {
        Key key = Key::InfoZeileFormat;
        PanelGrid *grid = nullptr;
        FormatTable *table = nullptr;
        FontNameList *name = nullptr;
        FontSizeList *size = nullptr;
        std::function<void()> rowReaction;
        QMetaObject::Connection sizeConnection;
        bool sizeAttached = false;
        ViewLink *link = nullptr;
        bool followPending = false; // a row change came while the link was detached
    };
    Panel &panelOf(Key formatKey);
    void followPendingRows();
    void followRow(Panel &panel);
    void fontNameChosen(Panel &panel);
    void fontSizeChanged(Panel &panel);
    void moveCursor(Panel &panel, int row);
    void setSizeReactionAttached(Panel &panel, bool attached);
    void colourClicked(BoundLineEdit *field);
    void watchHeldInput(Key formatKey, PanelGrid *grid);

    EditorState &m_state;
    Dialogs &m_dialogs;
    QWidget &m_window;
    GuardFn m_guard;
    FontNameModel *m_fontNames = nullptr;
    Panel m_panels[3];
};

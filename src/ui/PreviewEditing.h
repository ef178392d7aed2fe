#pragma once
#include "DisplayPreview.h"

#include <QObject>
#include <QPointer>

#include <functional>

class EditHistory;
class FontPanels;
class QTabWidget;

// Edits on the preview's picture, made where the panels make them: a
// column selected there becomes the current panel of its page, a width,
// alignment, weight, size or colour goes to its row. The picture marks the
// column of the current panel of the page in front (or of the last page
// with panels that was).
class PreviewEditing : public QObject, public ColumnEdits
{
    Q_OBJECT
  public:
    // pageOf: the page that shows a format key's panels.
    PreviewEditing(EditorState &state, FontPanels &panels, EditHistory &history, QTabWidget &pages,
                   std::function<QWidget *(Key)> pageOf, QObject *parent);

    // The preview from now on (it may close and die).
    void attach(DisplayPreview *preview);
    // The column the picture marks.
    ColumnRef selection() const;

    // ColumnEdits
    void select(const ColumnRef &column, bool keyboardToPanel) override;
    void setCharacters(int row, int characters) override;
    void setAlignment(const ColumnRef &column, const QString &stored) override;
    void setBold(const ColumnRef &column, bool bold) override;
    void stepFontSize(const ColumnRef &column, int step) override;
    void chooseColour(const ColumnRef &column) override;
    void stepDone() override;
    void cancelStep() override;

  private:
    void pageShown();
    void showSelection();

    EditorState &m_state;
    FontPanels &m_panels;
    EditHistory &m_history;
    QTabWidget &m_pages;
    std::function<QWidget *(Key)> m_pageOf;
    QPointer<DisplayPreview> m_preview;
    Key m_kind = Key::InfoZeileFormat; // the layout whose column is marked
    bool m_showPosted = false;
};

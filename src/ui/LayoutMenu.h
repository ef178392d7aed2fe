#pragma once
#include <QObject>
#include <QString>

#include "GuardFn.h"

#include <functional>

struct Layout;
class QAction;
class QMenu;
class QToolButton;
class Dialogs;
class QWidget;

// "Layout speichern…" and "Layout laden…": the small menu button beside
// "Vorschau" and the shortcuts Ctrl+Shift+S and Ctrl+O. Named layouts are
// the files of the layout folder; the built-in ones follow them. What a
// layout holds and how it gets into the controls is wired in through the
// two hooks, so this knows nothing of the settings file.
class LayoutMenu : public QObject
{
    Q_OBJECT
  public:
    // Beside previewButton on window; every action runs under guard and
    // asks through dialogs.
    LayoutMenu(QWidget &window, QWidget *previewButton, Dialogs &dialogs, GuardFn guard);

    QToolButton *button() const { return m_button; }
    QMenu *menu() const { return m_menu; }
    QAction *saveAction() const { return m_save; }
    QAction *loadAction() const { return m_load; }

    // Puts a layout into the controls (throws Failure when it cannot).
    void setLoadWork(std::function<void(const Layout &)> work) { m_loadWork = std::move(work); }
    // The layout as the controls stand, under the given name, without logo.
    void setLayoutSource(std::function<Layout(const QString &name)> source) { m_source = std::move(source); }
    // Runs after a layout's logo was written as logo.png.
    void setLogoWritten(std::function<void()> reaction) { m_logoWritten = std::move(reaction); }
    // Where named layouts live; LayoutFolder() unless a test says otherwise.
    void setFolder(const QString &folder) { m_folder = folder; }
    const QString &folder() const { return m_folder; }

    void saveLayout();                        // "Layout speichern…"
    void chooseAndLoadLayout();               // "Layout laden…"
    void loadLayoutFile(const QString &path); // a named layout, or any file
    void loadLayout(const Layout &layout);    // values, then the logo question

    // The menu's entries for the current folder, rebuilt each time it opens.
    void rebuildMenu();

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void place();
    QByteArray logoToCarry();
    void replaceLogo(const QByteArray &png);

    QWidget &w;
    Dialogs &m_dialogs;
    GuardFn m_guard;
    // "Vorschau", which the menu button follows; its moves still come while
    // the window is being destroyed.
    QWidget *m_preview;
    QToolButton *m_button;
    QMenu *m_menu;
    QAction *m_save;
    QAction *m_load;
    QString m_folder;
    std::function<void(const Layout &)> m_loadWork;
    std::function<Layout(const QString &)> m_source;
    std::function<void()> m_logoWritten;
};

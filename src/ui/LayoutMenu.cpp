#include "LayoutMenu.h"

#include "Dialogs.h"
#include "layout/LayoutFile.h"
#include "logo/LogoPlace.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

namespace
{

// Beside "Vorschau" on the navy button row, as high as it.
constexpr int kGap = 8;
constexpr int kWidth = 110;
constexpr int kNarrowest = 40;

QString logoQuestion()
{
    return QCoreApplication::translate("LayoutMenu",
                                       "Das Layout enthält ein Logo. Soll logo.png ersetzt werden?");
}

} // namespace

LayoutMenu::LayoutMenu(QWidget &window, QWidget *previewButton, Dialogs &dialogs, GuardFn guard)
    : QObject(&window), w(window), m_dialogs(dialogs), m_guard(std::move(guard)), m_preview(previewButton),
      m_folder(LayoutFolder())
{
    setObjectName(QStringLiteral("layoutMenu"));
    m_button = new QToolButton(&w);
    m_button->setObjectName(QStringLiteral("b_layout"));
    m_button->setText(tr("Layout"));
    m_button->setAccessibleName(tr("Layout"));
    m_button->setToolTip(tr("Layouts speichern und laden (Strg+Umschalt+S, Strg+O)"));
    m_button->setPopupMode(QToolButton::InstantPopup);
    m_button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_button->setFont(m_preview->font());
    m_button->setPalette(QApplication::palette());
    m_button->setFocusPolicy(Qt::StrongFocus);

    m_menu = new QMenu(m_button);
    m_menu->setObjectName(QStringLiteral("layoutMenuPopup"));
    m_button->setMenu(m_menu);
    // The actions belong to the window too, so their keys work on every page.
    m_save = new QAction(tr("Layout speichern…"), this);
    m_save->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    m_load = new QAction(tr("Layout laden…"), this);
    m_load->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    for (QAction *action : {m_save, m_load}) {
        action->setShortcutContext(Qt::WindowShortcut);
        w.addAction(action);
    }
    connect(m_save, &QAction::triggered, this, &LayoutMenu::saveLayout);
    connect(m_load, &QAction::triggered, this, &LayoutMenu::chooseAndLoadLayout);
    connect(m_menu, &QMenu::aboutToShow, this, &LayoutMenu::rebuildMenu);
    rebuildMenu();

    QWidget::setTabOrder(m_preview, m_button);
    m_preview->installEventFilter(this);
    m_button->installEventFilter(this);
    place();
}

void LayoutMenu::rebuildMenu()
{
    m_menu->clear();
    m_menu->addAction(m_save);
    m_menu->addAction(m_load);
    m_menu->addSection(tr("Eigene Layouts"));
    const QStringList files = LayoutFilesIn(m_folder);
    if (files.isEmpty())
        m_menu->addAction(tr("(noch keine gespeichert)"))->setEnabled(false);
    for (const QString &path : files) {
        QAction *entry = m_menu->addAction(QFileInfo(path).completeBaseName());
        entry->setToolTip(path);
        connect(entry, &QAction::triggered, this, [this, path] { loadLayoutFile(path); });
    }
    m_menu->addSection(tr("Mitgelieferte Layouts"));
    for (const Layout &layout : BuiltInLayouts()) {
        QAction *entry = m_menu->addAction(layout.name);
        connect(entry, &QAction::triggered, this, [this, layout] { m_guard([&] { loadLayout(layout); }); });
    }
}

void LayoutMenu::saveLayout()
{
    m_guard([this] {
        if (!m_source)
            return;
        QDir().mkpath(m_folder); // the dialog opens there; a failure shows in the dialog
        const std::optional<QString> path =
            m_dialogs.chooseLayoutToSave(&w, m_folder, tr("Neues Layout") + QLatin1String(kLayoutSuffix));
        if (!path)
            return;
        Layout layout = m_source(QFileInfo(*path).completeBaseName());
        layout.logoPng = logoToCarry();
        WriteLayoutFile(*path, layout);
    });
}

QByteArray LayoutMenu::logoToCarry()
{
    if (!QFileInfo(LogoInWorkingFolder()).isFile())
        return {};
    if (!m_dialogs.askYesNo(&w,
                            tr("Im Arbeitsordner liegt ein Logo (logo.png). Soll es im Layout "
                               "mitgespeichert werden?"),
                            true))
        return {};
    return ReadLogoForLayout(LogoInWorkingFolder());
}

void LayoutMenu::chooseAndLoadLayout()
{
    m_guard([this] {
        const std::optional<QString> path = m_dialogs.chooseLayoutToLoad(&w, m_folder);
        if (path)
            loadLayoutFile(*path);
    });
}

void LayoutMenu::loadLayoutFile(const QString &path)
{
    // Read whole and checked before anything changes.
    m_guard([&] { loadLayout(ReadLayoutFile(path)); });
}

void LayoutMenu::loadLayout(const Layout &layout)
{
    if (m_loadWork)
        m_loadWork(layout);
    if (!layout.logoPng.isEmpty() && m_dialogs.askYesNo(&w, logoQuestion(), false))
        replaceLogo(layout.logoPng);
}

void LayoutMenu::replaceLogo(const QByteArray &png)
{
    WriteLogoFile(LogoInWorkingFolder(), png);
    // Both logo previews and the display preview take the new file.
    if (m_logoWritten)
        m_logoWritten();
}

bool LayoutMenu::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_preview && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        place();
    // Return and Enter open the menu, as they press the window's buttons.
    if (watched == m_button && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            m_button->showMenu();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void LayoutMenu::place()
{
    // Wherever the window puts "Vorschau" (small screens move it), the
    // menu button follows to its right; without room it hides and the keys
    // still work.
    const QRect preview = m_preview->geometry();
    const int left = preview.right() + 1 + kGap;
    const int width = std::min(kWidth, m_button->parentWidget()->width() - 4 - left);
    m_button->setGeometry(left, preview.top(), std::max(width, 1), preview.height());
    m_button->setVisible(width >= kNarrowest);
}

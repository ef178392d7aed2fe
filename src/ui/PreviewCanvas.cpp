#include "PreviewCanvas.h"

#include "DisplayPreview.h"

#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QHash>
#include <QPointer>
#include <QWindow>

namespace
{

QString KindName(DisplayLayout::RowKind kind)
{
    switch (kind) {
    case DisplayLayout::RowKind::Heading:
        return QCoreApplication::translate("PreviewCanvas", "Überschrift");
    case DisplayLayout::RowKind::Info:
        return QCoreApplication::translate("PreviewCanvas", "Startnummern Info");
    case DisplayLayout::RowKind::Detection:
        break;
    }
    return QCoreApplication::translate("PreviewCanvas", "Zeile");
}

class PictureAccessible;

// One drawn cell. It is known by its index in the picture's cells; the
// picture lets go of all of them when it changes.
class CellAccessible : public QAccessibleInterface
{
  public:
    CellAccessible(PreviewCanvas *canvas, int index) : m_canvas(canvas), m_index(index) {}

    bool isValid() const override { return cell() != nullptr; }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_canvas ? m_canvas->window()->windowHandle() : nullptr; }
    QAccessibleInterface *focusChild() const override { return nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_canvas); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    void setText(QAccessible::Text, const QString &) override {}
    QAccessible::Role role() const override { return QAccessible::Cell; }

    QString text(QAccessible::Text t) const override
    {
        const DisplayLayout::Cell *c = cell();
        if (!c)
            return QString();
        if (t == QAccessible::Name)
            return c->text;
        if (t == QAccessible::Description) {
            const DisplayLayout &l = m_canvas->preview().drawnLayout();
            const DisplayLayout::Row &row = l.rows[size_t(c->row)];
            const QString line = row.kind == DisplayLayout::RowKind::Heading
                                     ? KindName(row.kind)
                                     : QStringLiteral("%1 %2").arg(KindName(row.kind)).arg(row.index + 1);
            return QCoreApplication::translate("PreviewCanvas", "%1, Spalte %2").arg(line).arg(c->column + 1);
        }
        return QString();
    }
    QRect rect() const override
    {
        const DisplayLayout::Cell *c = cell();
        if (!c)
            return QRect();
        const QRect box = c->box.toAlignedRect() & m_canvas->rect();
        return QRect(m_canvas->mapToGlobal(box.topLeft()), box.size());
    }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        const DisplayLayout::Cell *c = cell();
        if (!c) {
            s.invalid = true;
            return s;
        }
        s.selectable = true;
        s.selected = m_canvas->preview().isSelected(*c);
        if (!m_canvas->isVisible())
            s.invisible = true;
        return s;
    }

  private:
    const DisplayLayout::Cell *cell() const
    {
        if (!m_canvas)
            return nullptr;
        const DisplayLayout &l = m_canvas->preview().drawnLayout();
        return m_index >= 0 && m_index < int(l.cells.size()) ? &l.cells[size_t(m_index)] : nullptr;
    }

    QPointer<PreviewCanvas> m_canvas;
    int m_index;
};

// The picture: a canvas whose children are its drawn cells.
class PictureAccessible : public QAccessibleWidget
{
  public:
    explicit PictureAccessible(PreviewCanvas *canvas) : QAccessibleWidget(canvas, QAccessible::Canvas) {}
    ~PictureAccessible() override { forgetCells(); }

    PreviewCanvas *canvas() const { return static_cast<PreviewCanvas *>(widget()); }

    int childCount() const override { return int(canvas()->preview().drawnLayout().cells.size()); }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        auto found = m_cells.constFind(index);
        if (found != m_cells.constEnd())
            return QAccessible::accessibleInterface(*found);
        auto *cell = new CellAccessible(canvas(), index);
        m_cells.insert(index, QAccessible::registerAccessibleInterface(cell));
        return cell;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (auto it = m_cells.constBegin(); it != m_cells.constEnd(); ++it)
            if (QAccessible::accessibleInterface(it.value()) == child)
                return it.key();
        return -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QPoint local = canvas()->mapFromGlobal(QPoint(x, y));
        const DisplayLayout &l = canvas()->preview().drawnLayout();
        if (const DisplayLayout::Cell *cell = l.cellAt(local))
            return child(int(cell - l.cells.data()));
        return nullptr;
    }
    void forgetCells()
    {
        for (QAccessible::Id id : std::as_const(m_cells))
            QAccessible::deleteAccessibleInterface(id);
        m_cells.clear();
    }

  private:
    mutable QHash<int, QAccessible::Id> m_cells;
};

QAccessibleInterface *PictureFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("PreviewCanvas") && object && object->isWidgetType())
        return new PictureAccessible(static_cast<PreviewCanvas *>(object));
    return nullptr;
}

PictureAccessible *PictureOf(PreviewCanvas *canvas)
{
    if (!QAccessible::isActive())
        return nullptr;
    return static_cast<PictureAccessible *>(QAccessible::queryAccessibleInterface(canvas));
}

} // namespace

PreviewCanvas::PreviewCanvas(DisplayPreview &preview, QWidget *parent) : QWidget(parent), m_preview(preview)
{
    static const bool installed = [] {
        QAccessible::installFactory(PictureFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

void PreviewCanvas::cellsChanged()
{
    if (PictureAccessible *picture = PictureOf(this)) {
        picture->forgetCells();
        QAccessibleEvent reorder(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&reorder);
    }
}

void PreviewCanvas::selectionChanged()
{
    if (!PictureOf(this))
        return;
    QAccessibleEvent selection(this, QAccessible::SelectionWithin);
    QAccessible::updateAccessibility(&selection);
}

bool PreviewCanvas::event(QEvent *event)
{
    if (m_preview.canvasEvent(event))
        return true;
    return QWidget::event(event);
}

#include "FontLists.h"

#include "base/Failure.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>

#include <algorithm>

namespace
{

const QString kDefaultFont = QStringLiteral("Default");

// Optional sign and decimal digits within 32 bits.
std::optional<int> WholeNumber(const QString &text)
{
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    if (i == text.size())
        return std::nullopt;
    for (qsizetype j = i; j < text.size(); ++j)
        if (text[j] < u'0' || text[j] > u'9')
            return std::nullopt;
    bool ok = false;
    const int n = text.toInt(&ok, 10);
    return ok ? std::optional<int>(n) : std::nullopt;
}

// Entries in the list's own font, with a small "TT" in front of scalable
// fonts.
class FontNameDelegate : public QStyledItemDelegate
{
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    static constexpr int MarkWidth = 16;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString name = opt.text;
        opt.text.clear();
        const QWidget *widget = opt.widget;
        QStyle *style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        const bool selected = opt.state & QStyle::State_Selected;
        painter->save();
        painter->setPen(opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        const QRect r = opt.rect.adjusted(2, 0, -2, 0);
        if (index.data(FontNameModel::ScalableRole).toBool()) {
            QFont mark = opt.font;
            mark.setPixelSize(std::max(7, opt.rect.height() / 2));
            mark.setBold(true);
            painter->setFont(mark);
            painter->drawText(QRect(r.left(), r.top(), MarkWidth - 2, r.height()), Qt::AlignCenter,
                              QStringLiteral("TT"));
        }
        painter->setFont(opt.font);
        painter->drawText(r.adjusted(MarkWidth, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, name);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        return QSize(s.width() + MarkWidth, s.height());
    }
};

} // namespace

// ---------------------------------------------------------------- FontNameModel

FontNameModel::FontNameModel(QObject *parent) : QAbstractListModel(parent)
{
    std::vector<std::pair<QString, bool>> fonts;
    const QStringList families = QFontDatabase::families(QFontDatabase::Any);
    fonts.reserve(size_t(families.size()) + 1);
    for (const QString &family : families) {
        // A family offered by several foundries is listed once, by its name.
        QString name = family;
        if (name.endsWith(u']')) {
            const qsizetype open = name.lastIndexOf(QStringLiteral(" ["));
            if (open > 0)
                name.truncate(open);
        }
        fonts.emplace_back(name, QFontDatabase::isScalable(family));
    }
    // "Default" stands for the system's default font, which scales.
    fonts.emplace_back(kDefaultFont, true);
    build(std::move(fonts));
}

FontNameModel::FontNameModel(const std::vector<std::pair<QString, bool>> &fonts, QObject *parent)
    : QAbstractListModel(parent)
{
    build(fonts);
}

void FontNameModel::build(std::vector<std::pair<QString, bool>> fonts)
{
    std::stable_sort(fonts.begin(), fonts.end(), [](const auto &a, const auto &b) {
        return a.first.compare(b.first, Qt::CaseInsensitive) < 0;
    });
    for (const auto &[name, scalable] : fonts) {
        const QString key = name.toCaseFolded();
        if (name.isEmpty() || m_index.contains(key))
            continue;
        m_index.insert(key, int(m_names.size()));
        m_names.append(name);
        m_scalable.push_back(scalable);
    }
}

int FontNameModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_names.size());
}

QVariant FontNameModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_names.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::AccessibleTextRole)
        return m_names.at(index.row());
    if (role == ScalableRole)
        return bool(m_scalable[size_t(index.row())]);
    return {};
}

int FontNameModel::indexOf(const QString &name) const
{
    return m_index.value(name.toCaseFolded(), -1);
}

// ---------------------------------------------------------------- FontNameList

FontNameList::FontNameList(QWidget *parent) : QComboBox(parent)
{
    setEditable(false);
    setItemDelegate(new FontNameDelegate(this));
    setMaxVisibleItems(12);
    connect(this, &QComboBox::activated, this, [this] { emit changed(); });
    connect(this, &QComboBox::highlighted, this, [this](int row) { showSample(row); });
}

void FontNameList::setFontModel(FontNameModel *model)
{
    m_model = model;
    setModel(model);
    setCurrentIndex(-1);
}

void FontNameList::selectName(const QString &name)
{
    if (name == m_selectedName && currentIndex() == m_selectedRow)
        return; // the common case while a walk visits rows of one font
    const int row = m_model ? m_model->indexOf(name) : -1;
    m_selectedName = name;
    m_selectedRow = row;
    if (currentIndex() != row)
        setCurrentIndex(row);
}

void FontNameList::showPopup()
{
    QComboBox::showPopup();
    showSample(view()->currentIndex().isValid() ? view()->currentIndex().row() : currentIndex());
}

void FontNameList::hidePopup()
{
    if (m_sample)
        m_sample->hide();
    QComboBox::hidePopup();
}

void FontNameList::showSample(int row)
{
    QWidget *popup = view() ? view()->window() : nullptr;
    if (!popup || !popup->isVisible() || row < 0 || row >= count())
        return;
    if (!m_sample) {
        m_sample = new QLabel(this, Qt::ToolTip | Qt::FramelessWindowHint);
        m_sample->setObjectName(objectName() + QStringLiteral("_sample"));
        m_sample->setText(ExampleText());
        m_sample->setMargin(6);
        m_sample->setAutoFillBackground(true);
        m_sample->setFrameStyle(QFrame::Box | QFrame::Plain);
        QPalette pal = m_sample->palette();
        pal.setColor(QPalette::Window, Qt::white);
        pal.setColor(QPalette::WindowText, Qt::black);
        m_sample->setPalette(pal);
    }
    QFont font(itemText(row));
    font.setPointSize(ExampleFontSize);
    m_sample->setFont(font);
    m_sample->adjustSize();
    // Beside the open list; on the left when the screen ends on the right.
    const QRect list = popup->geometry();
    QPoint at(list.right() + 2, list.top());
    if (const QScreen *screen = popup->screen())
        if (at.x() + m_sample->width() > screen->availableGeometry().right())
            at.setX(list.left() - 2 - m_sample->width());
    m_sample->move(at);
    m_sample->show();
    m_sample->raise();
}

// ---------------------------------------------------------------- FontSizeList

const std::vector<int> &FontSizeList::ScalableSizes()
{
    static const std::vector<int> sizes = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
    return sizes;
}

FontSizeList::FontSizeList(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    setMaxVisibleItems(12);
    lineEdit()->installEventFilter(this);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { emit changed(); });
    connect(this, &QComboBox::activated, this, [this] { emit changed(); });
}

void FontSizeList::setFontName(const QString &name)
{
    if (name == m_fontName)
        return;
    const int previous = FontSize();
    m_fontName = name;
    refill();
    setFontSize(previous);
}

void FontSizeList::refill()
{
    m_sizes.clear();
    const int row = m_model ? m_model->indexOf(m_fontName) : -1;
    if (!m_fontName.isEmpty() && row >= 0) {
        const QString family = m_model->names().at(row);
        if (m_model->isScalable(row)) {
            m_sizes = ScalableSizes();
        } else {
            for (int points : QFontDatabase::pointSizes(family))
                m_sizes.push_back(points);
            std::sort(m_sizes.begin(), m_sizes.end());
            m_sizes.erase(std::unique(m_sizes.begin(), m_sizes.end()), m_sizes.end());
        }
    }
    const QString text = currentText();
    const QSignalBlocker quiet(this);
    clear();
    QStringList items;
    items.reserve(qsizetype(m_sizes.size()));
    for (int s : m_sizes)
        items.append(QString::number(s));
    addItems(items);
    setCurrentIndex(-1);
    lineEdit()->setText(text);
}

int FontSizeList::FontSize() const
{
    return WholeNumber(currentText()).value_or(-1);
}

void FontSizeList::setFontSize(int size)
{
    if (m_fontName.isEmpty()) {
        const QSignalBlocker quiet(this);
        setCurrentIndex(-1);
        lineEdit()->clear();
        return;
    }
    if (size < 1 || size > 999)
        size = DefaultSize;
    const auto found = std::find(m_sizes.begin(), m_sizes.end(), size);
    const int row = found == m_sizes.end() ? -1 : int(found - m_sizes.begin());
    const QString text = QString::number(size);
    {
        const QSignalBlocker quiet(this);
        if (currentIndex() != row)
            setCurrentIndex(row);
        if (lineEdit()->text() != text)
            lineEdit()->setText(text);
    }
    emit changed();
}

bool FontSizeList::refuseKey(QKeyEvent *event) const
{
    switch (event->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
        return false;
    default:
        break;
    }
    if (m_fontName.isEmpty())
        return true;
    const QString text = event->text();
    if (text.isEmpty() || !text.at(0).isPrint() || (event->modifiers() & Qt::ControlModifier))
        return false;
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return !c.isDigit() && c != u'+' && c != u'-'; });
}

void FontSizeList::keyPressEvent(QKeyEvent *event)
{
    if (refuseKey(event)) {
        QApplication::beep();
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

bool FontSizeList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lineEdit() && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (refuseKey(key)) {
            QApplication::beep();
            return true;
        }
    }
    if (watched == lineEdit() && event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason && !hasFocus())
            leave();
    }
    return QComboBox::eventFilter(watched, event);
}

void FontSizeList::focusOutEvent(QFocusEvent *event)
{
    QComboBox::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        leave();
}

void FontSizeList::leave()
{
    if (m_fontName.isEmpty())
        return;
    const auto work = [this] {
        const QString text = currentText();
        if (text.isEmpty()) {
            setFontSize(-1);
            return;
        }
        const std::optional<int> n = WholeNumber(text);
        if (!n)
            throw Failure(tr("''%1'' ist kein gültiger Integer-Wert").arg(text));
        setFontSize(*n);
    };
    if (m_guard)
        m_guard(work);
    else
        work();
}

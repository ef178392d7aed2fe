#include "preview/DisplayFonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSet>

#include <algorithm>

namespace
{

bool Installed(const QString &family)
{
    static const QSet<QString> families = [] {
        QSet<QString> set;
        for (const QString &f : QFontDatabase::families())
            set.insert(f.toCaseFolded());
        return set;
    }();
    return !family.isEmpty() && families.contains(family.toCaseFolded());
}

} // namespace

int InstalledFonts::PixelSize(int points)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const qreal dpi = screen ? screen->logicalDotsPerInchY() : 96;
    return std::max(1, qRound(points * dpi / 72));
}

void InstalledFonts::startLayout()
{
    // Names and sizes of any number of columns pass through here; only the
    // fonts of the drawn ones are kept, so a bound on them is a bound on
    // what a long session collects.
    if (m_fonts.size() > 512)
        m_fonts.clear();
}

const DisplayFont &InstalledFonts::font(const QString &name, int points, bool bold)
{
    // The font lists show 10 for a size outside 1 to 999; so does the preview.
    const int size = points < 1 || points > 999 ? 10 : points;
    const QString key = name + QChar(0x1F) + QString::number(size) + (bold ? u'b' : u'r');
    const auto found = m_fonts.find(key);
    if (found != m_fonts.end())
        return found->second;
    QFont font;
    bool substituted = false;
    if (name.compare(QLatin1String("Default"), Qt::CaseInsensitive) != 0) {
        font = QFont(name);
        substituted = !Installed(name);
    }
    font.setPixelSize(PixelSize(size));
    font.setBold(bold);
    const QFontMetricsF metrics(font);
    Measured m{{font, QFontInfo(font).family(), substituted, metrics.averageCharWidth()}, metrics};
    return m_fonts.emplace(key, std::move(m)).first->second;
}

qreal InstalledFonts::advance(const DisplayFont &font, const QString &text)
{
    // Only fonts handed out by font() come here.
    return static_cast<const Measured &>(font).metrics.horizontalAdvance(text);
}

#pragma once
#include <QFont>
#include <QFontMetricsF>
#include <QString>

#include <unordered_map>

// A font of the display as the layout measures and the preview draws it.
struct DisplayFont {
    QFont font;               // at the display's own size
    QString shown;            // the family really drawn
    bool substituted = false; // the stored name is not installed
    qreal averageCharWidth = 0;
};

// Where the layout gets its fonts and their measures. The references it
// hands out stay valid until the next startLayout().
class DisplayFonts
{
  public:
    virtual ~DisplayFonts() = default;
    // A new layout begins: earlier fonts may be let go.
    virtual void startLayout() {}
    // The font of a stored name, size in points and weight.
    virtual const DisplayFont &font(const QString &name, int points, bool bold) = 0;
    // The width of a text in a font from font().
    virtual qreal advance(const DisplayFont &font, const QString &text) = 0;
};

// The fonts installed on this computer, at the primary screen's resolution,
// kept once chosen.
class InstalledFonts : public DisplayFonts
{
  public:
    // Pixels of a font of `points` on the display's screen.
    static int PixelSize(int points);

    void startLayout() override;
    const DisplayFont &font(const QString &name, int points, bool bold) override;
    qreal advance(const DisplayFont &font, const QString &text) override;

  private:
    struct Measured : DisplayFont {
        QFontMetricsF metrics;
    };
    std::unordered_map<QString, Measured> m_fonts;
};

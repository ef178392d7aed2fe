#pragma once
#include "preview/DisplayDescription.h"
#include "preview/DisplayFonts.h"
#include "preview/DisplayLayout.h"

// Lays one screen of the display out from a description: the lines share
// the screen's height (heading row, detection lines, start-number info
// block, in that order); each detection-line column is as wide as its
// expected number of characters in its own font, each info column as its
// text; only what starts on the screen is measured.
class DisplayLayouter
{
  public:
    // The most lines a picture has room for; the display's own limit is far
    // below this.
    static constexpr int MaxLines = 200;
    static constexpr int MaxHeadingLines = 4;
    static constexpr int MaxInfoLines = 10;
    // The width in characters of a column that expects no number of them:
    // the layout must not hang on the sample texts.
    static constexpr int DefaultCharacters = 10;

    explicit DisplayLayouter(DisplayFonts &fonts) : m_fonts(fonts) {}

    // The picture of d in a target of that size, the screen centred in it.
    DisplayLayout layout(const DisplayDescription &d, const QSizeF &target);

  private:
    DisplayFonts &m_fonts;
};

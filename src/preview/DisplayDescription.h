#pragma once
#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

#include <vector>

// What the display shows, as the editor holds it: the rows of the three
// format tables (pending panel input included), the formula lines, colours,
// switches and logo. Plain values only; DisplayLayouter turns them into
// boxes, texts and fonts.
struct DisplayDescription {
    // The font fields every format table row has.
    struct Format {
        QString fontName; // as stored; "Default" is the standard font
        int fontSize = 0; // points; outside 1 to 999 shows as 10
        QColor colour;    // of the text
        bool bold = false;
    };
    // A column of the detection line.
    struct Column : Format {
        QString alignment;  // as stored: "links", "mitte", "rechts" in any case
        int characters = 0; // expected number of characters; 0 or less: none given
        QString formula;
    };
    // A cell of the heading row, over the detection-line column of its place.
    struct Heading : Format {
        QString text; // "\n" written in it breaks the cell
    };
    // A column of the start-number info block; the formula "\n" starts a line.
    struct InfoColumn : Format {
        QString formula;
    };

    QSize screen{1920, 1080}; // the display's screen in pixels
    QColor background;
    QColor secondLine; // every second detection line
    int lines = 20;    // detection lines as set; kept within 1 to 200

    QString detectionFormulas; // the formula line; blank shows no columns
    std::vector<Column> columns;

    bool heading = false; // "Überschrift anzeigen"
    std::vector<Heading> headings;

    bool info = false;    // "Startnummern Info" switched on
    QString infoFormulas; // its formula line; blank shows no block
    std::vector<InfoColumn> infoColumns;

    QImage logo;         // null without one
    int logoOpacity = 0; // 0 to 255
};

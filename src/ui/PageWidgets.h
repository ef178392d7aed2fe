#pragma once
#include <QFont>
#include <QString>

class CueLineEdit;
class QLabel;
class QWidget;

// Fonts of the window: Tahoma at fixed character heights, so the designed
// positions hold whatever the screen's resolution.
QFont PageFont(int pixelHeight = 13, bool bold = false);

// Tahoma is the window's designed font; systems without it get the closest
// (call before the window is made).
void SubstituteTahoma();

// Captions (labels, check boxes, radio and push buttons) of a page drawn in
// a font wider than the designed one: one that does not fit its box grows to
// the right (its left edge stays), at most to the page's edge; one that still
// does not fit, or whose text is centred or on several lines, gets its font
// a pixel smaller until it fits. Nothing reaches past the page.
void FitCaptions(QWidget *page, const QSize &pageSize);

// A label at the given place.
QLabel *MakeLabel(QWidget *parent, const QString &text, int x, int y, int w = 0, int h = 16,
                  int pixelHeight = 13);

// A text field with its caption label directly above it (gap in pixels),
// the label set as its buddy and its text as the field's accessible name.
CueLineEdit *MakeLabelledField(QWidget *parent, const QString &objectName, const QString &label,
                               const QString &cue, int x, int y, int w, int h, int gap = 0);

// A plain field with an accessible name of its own.
CueLineEdit *MakeField(QWidget *parent, const QString &objectName, const QString &accessibleName, int x,
                       int y, int w, int h);

// The label that belongs to a labelled field (shown and hidden with it).
QLabel *FieldLabel(const QWidget *field);

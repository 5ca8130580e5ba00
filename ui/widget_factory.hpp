#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// Small builders for the fixed, absolutely placed controls of the windows. Every control gets
// its name as objectName, so tests and styles find it.
namespace merolan {

QLabel *makeLabel(QWidget *parent, const char *name, QRect rect, const QString &text);
QLineEdit *makeLineEdit(QWidget *parent, const char *name, QRect rect, const QString &text);
QPushButton *makeButton(QWidget *parent, const char *name, QRect rect, const QString &text);
QCheckBox *makeCheckBox(QWidget *parent, const char *name, QRect rect);
QGroupBox *makeFrame(QWidget *parent, const char *name, QRect rect, const QString &title);
// A label in a one-pixel box of its text colour.
QLabel *makeBoxLabel(QWidget *parent, const char *name, QRect rect, const QString &text);
// A label showing one of the window's pictures ("front_panel", ...) sharp on any screen.
QLabel *makeArtwork(QWidget *parent, const char *name, QRect rect, const QString &artwork);

void setTextColour(QWidget *widget, QColor colour);
// The button's whole face in exactly this colour; the style's shading would lighten it.
void setButtonColour(QPushButton *button, QColor colour);
// Back to the style's own button.
void resetButtonColour(QPushButton *button);
// Escape closes the window as its own close control does, as on any small desktop window.
void closeOnEscape(QWidget *window);
// A text box whose text the program cannot use, or back to normal.
void markBox(QWidget *box, bool marked);

// Arial where the system has it; fontconfig substitutes the metric-compatible Liberation Sans.
QFont arialFont(int pixelSize, bool bold);
// The sans serif face of the readouts.
QFont sansFont(int pixelSize);

} // namespace merolan

#include "ui/widget_factory.hpp"

#include "ui/artwork_label.hpp"
#include "ui/box_label.hpp"
#include "ui/look.hpp"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

namespace merolan {
namespace {
template <class W>
W *place(W *widget, const char *name, QRect rect)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(rect);
    return widget;
}
} // namespace

QLabel *makeLabel(QWidget *parent, const char *name, QRect rect, const QString &text)
{
    return place(new QLabel(text, parent), name, rect);
}

QLineEdit *makeLineEdit(QWidget *parent, const char *name, QRect rect, const QString &text)
{
    return place(new QLineEdit(text, parent), name, rect);
}

QPushButton *makeButton(QWidget *parent, const char *name, QRect rect, const QString &text)
{
    return place(new QPushButton(text, parent), name, rect);
}

QCheckBox *makeCheckBox(QWidget *parent, const char *name, QRect rect)
{
    return place(new QCheckBox(parent), name, rect);
}

QGroupBox *makeFrame(QWidget *parent, const char *name, QRect rect, const QString &title)
{
    return place(new QGroupBox(title, parent), name, rect);
}

QLabel *makeBoxLabel(QWidget *parent, const char *name, QRect rect, const QString &text)
{
    return place(new BoxLabel(text, parent), name, rect);
}

QLabel *makeArtwork(QWidget *parent, const char *name, QRect rect, const QString &artwork)
{
    return place(new ArtworkLabel(artwork, parent), name, rect);
}

void setTextColour(QWidget *widget, QColor colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

void setButtonColour(QPushButton *button, QColor colour)
{
    QPalette palette = button->palette();
    if (palette.color(QPalette::Button) == colour && !button->styleSheet().isEmpty())
        return; // every poll sets the colour; a new style sheet each time would re-polish the button
    palette.setColor(QPalette::Button, colour);
    button->setPalette(palette);
    const QString sheet =
        QStringLiteral("QPushButton { background-color: %1; border: 1px solid %2; border-radius: 2px; }"
                       "QPushButton:focus { border-color: %3; }"
                       "QPushButton:pressed { background-color: %4; }");
    button->setStyleSheet(sheet.arg(colour.name(), colour.darker(160).name(), palette.color(QPalette::Highlight).name(),
                                    colour.darker(115).name()));
}

void resetButtonColour(QPushButton *button)
{
    button->setStyleSheet(QString());
    button->setPalette(QPalette());
}

void closeOnEscape(QWidget *window)
{
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    QObject::connect(escape, &QShortcut::activated, window, &QWidget::close);
}

void markBox(QWidget *box, bool marked)
{
    if (!marked) {
        box->setPalette(QPalette());
        return;
    }
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, look::kMarkedBox);
    palette.setColor(QPalette::Text, look::kProblem);
    box->setPalette(palette);
}

QFont arialFont(int pixelSize, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QFont sansFont(int pixelSize)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace merolan

#pragma once

#include <QFont>
#include <QRect>
#include <QString>

// What every window's controls share: the bold fixed fonts, and placing a control at a fixed
// rectangle under its name. On Linux fontconfig resolves Courier New to a metric-compatible face
// such as Liberation Mono.
namespace Widgets {

inline QFont courierBold(double pointSize)
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSizeF(pointSize);
    font.setBold(true);
    return font;
}

// The lists, the status line, the dialogs' byte labels and headers.
inline QFont lineFont()
{
    return courierBold(12);
}

// The main window's captions and the line editor's value boxes.
inline QFont captionFont()
{
    return courierBold(9.75);
}

// The font for editing a translation of any length. 8-bit text needs no shaping, and the font
// has a glyph for every character it can hold but the control characters, which no other font
// has either: without shaping and without a search through the fallback fonts for each control
// character, a box lays out and draws a long entry several times faster.
inline QFont unshaped(QFont font)
{
    font.setStyleStrategy(QFont::StyleStrategy(QFont::PreferNoShaping | QFont::NoFontMerging));
    return font;
}

template<typename Widget>
Widget *place(Widget *widget, const char *name, const QRect &geometry)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

} // namespace Widgets

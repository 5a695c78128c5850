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

template<typename Widget>
Widget *place(Widget *widget, const char *name, const QRect &geometry)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

} // namespace Widgets

#pragma once

#include <QFont>

// The bold fixed font of the lists, byte labels and value boxes. On Linux fontconfig resolves
// Courier New to a metric-compatible face such as Liberation Mono.
inline QFont courierBold(double pointSize)
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSizeF(pointSize);
    font.setBold(true);
    return font;
}

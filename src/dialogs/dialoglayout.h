#pragma once

#include <QFont>

// What the two edit dialogs' layouts share: positions drawn in twips and the bold fixed font.
namespace DialogLayout {

// 15 twips make one pixel at 96 dots per inch.
constexpr int px(int twips)
{
    return twips / 15;
}

inline QFont courierBold(double pointSize)
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSizeF(pointSize);
    font.setBold(true);
    return font;
}

} // namespace DialogLayout

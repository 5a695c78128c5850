#pragma once

#include "platform/convert.h"
#include "platform/widgets.h"

#include <QLabel>
#include <QPushButton>

#include <algorithm>

// What the two edit dialogs' layouts share: positions drawn in twips, the byte labels and the
// Save and Cancel buttons.
namespace DialogLayout {

// 15 twips make one pixel at 96 dots per inch.
constexpr int px(int twips)
{
    return twips / 15;
}

// The sixteen byte controls stand in two columns of eight.
constexpr int RowsPerColumn = 8;

constexpr QRect twips(int left, int top, int width, int height)
{
    return {px(left), px(top), px(width), px(height)};
}

// Label i of the sixteen that show a byte's old value as "3F:".
inline QLabel *byteLabel(QWidget *parent, int i, const QRect &geometry)
{
    auto *label = new QLabel(QStringLiteral("00:"), parent);
    label->setObjectName(QStringLiteral("Label1_%1").arg(i));
    label->setGeometry(geometry);
    label->setFont(courierBold(12));
    label->setTextFormat(Qt::PlainText);
    return label;
}

// The byte value a label's first two hex digits name; the labels are built from a hex form.
inline int byteLabelValue(const QLabel *label)
{
    return std::max(Convert::hexPairValue(label->text().left(2).toLatin1()), 0);
}

inline QPushButton *button(QWidget *parent,
                           const char *name,
                           const char *caption,
                           const QRect &geometry)
{
    return place(new QPushButton(QString::fromLatin1(caption), parent), name, geometry);
}

} // namespace DialogLayout

#pragma once

#include "platform/fonts.h"

// What the two edit dialogs' layouts share: positions drawn in twips.
namespace DialogLayout {

// 15 twips make one pixel at 96 dots per inch.
constexpr int px(int twips)
{
    return twips / 15;
}

} // namespace DialogLayout

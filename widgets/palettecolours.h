#pragma once

#include <QColor>

// Colours made from a palette's own, so that a look holds on light and dark
// palettes alike.
namespace PaletteColours {

// share 0 gives from, 1 gives to.
[[nodiscard]] inline QColor toward(const QColor &from, const QColor &to, qreal share)
{
    return QColor::fromRgbF(from.redF() + (to.redF() - from.redF()) * share,
                            from.greenF() + (to.greenF() - from.greenF()) * share,
                            from.blueF() + (to.blueF() - from.blueF()) * share);
}

[[nodiscard]] inline bool isDark(const QColor &background)
{
    return background.lightnessF() < 0.5;
}

} // namespace PaletteColours

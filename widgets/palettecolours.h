#pragma once

#include <QColor>
#include <QPalette>

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

// A panel standing out of the window: the base colour on a light palette
// (white on light grey); a step lighter than the window on a dark one, where
// the base colour is the check boxes' own and would hide them.
[[nodiscard]] inline QColor panel(const QPalette &palette)
{
    const QColor window = palette.color(QPalette::Window);
    return isDark(window) ? toward(window, palette.color(QPalette::WindowText), 0.06)
                          : palette.color(QPalette::Base);
}

} // namespace PaletteColours

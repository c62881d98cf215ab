#pragma once

#include <QPalette>
#include <QSize>
#include <QString>

class QWidget;

// How the main window sits on its screen and takes its colours.
namespace WindowFit {

// preferred, widened to what the window's layout asks for, made to fit the
// free area of the window's screen (title bar included), but never below
// what the window's layout needs.
[[nodiscard]] QSize fittedSize(const QWidget *window, const QSize &preferred);

// The colours of the page headers: steps from the window colour toward its
// text colour, so that the tabs read alike on a light and a dark palette;
// the selected header's orange is the accent, lighter on a dark palette.
[[nodiscard]] QString headerStyleSheet(const QPalette &palette);

} // namespace WindowFit

#include "app/windowfit.h"

#include "widgets/palettecolours.h"

#include <QScreen>
#include <QStyle>
#include <QWidget>

namespace WindowFit {

QSize fittedSize(const QWidget *window, const QSize &preferred)
{
    // As wide as the pages need with the user's font, never narrower than
    // the default look; the height stays the default look's.
    QSize size(qMax(preferred.width(), window->sizeHint().width()), preferred.height());
    if (const QScreen *screen = window->screen()) {
        const QSize available = screen->availableGeometry().size()
            - QSize(0, window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window));
        size = size.boundedTo(available);
    }
    return size.expandedTo(window->minimumSizeHint());
}

QString headerStyleSheet(const QPalette &palette)
{
    const QColor window = palette.color(QPalette::Window);
    const QColor text = palette.color(QPalette::WindowText);
    const auto toward = [&](qreal share) { return PaletteColours::toward(window, text, share).name(); };
    const bool dark = PaletteColours::isDark(window);
    return QStringLiteral("QWidget#titleBar { background-color: %1; }"
                          "QLabel#filterHeader, QLabel#routingHeader, QLabel#mappingHeader"
                          " { color: %2; background-color: %3; }"
                          "QLabel#filterHeader[selected=\"true\"], QLabel#routingHeader[selected=\"true\"],"
                          " QLabel#mappingHeader[selected=\"true\"] { color: %4; background-color: %5; }")
        .arg(window.name(), toward(0.8), toward(0.04), dark ? QStringLiteral("#FF8C00") : QStringLiteral("#FF6A00"),
             toward(0.15));
}

} // namespace WindowFit

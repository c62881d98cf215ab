#include "routing/routingcanvas.h"

#include "routing/routingscene.h"
#include "routing/portcolumns.h"
#include "routing/routemodel.h"
#include "routing/routeprotocol.h"
#include "routing/usbnameslots.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

using namespace Routing;

namespace {

QPen routePen(const QColor &colour)
{
    QPen pen(colour, RoutingCanvas::RouteLineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    pen.setCosmetic(true); // fitInView must not scale the width
    return pen;
}

QColor buttonTextColour(const QWidget *button)
{
    if (!button)
        return {};
    const QPalette::ColorGroup group = button->isEnabled() ? QPalette::Active : QPalette::Disabled;
    return button->palette().color(group, QPalette::ButtonText);
}

bool isBlack(const QColor &colour)
{
    return colour.isValid() && colour.red() == 0 && colour.green() == 0 && colour.blue() == 0;
}

// Gray when either end reads gray: a line to a USB port with nothing
// plugged in.
QColor lineColour(const QWidget *inputButton, const QWidget *outputButton)
{
    return isBlack(buttonTextColour(inputButton)) && isBlack(buttonTextColour(outputButton)) ? QColor(Qt::black)
                                                                                             : QColor(Qt::gray);
}

bool isShown(const QWidget *button)
{
    return button && button->isVisible();
}

} // namespace

RoutingCanvas::RoutingCanvas(QWidget *parent)
    : QGraphicsView(parent)
    , m_scene(new RoutingScene(this))
    , m_columns(new PortColumns(this, this))
    , m_dragLine(new RouteLine(QLineF()))
    , m_debounceTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("routingCanvas"));
    setAccessibleName(QStringLiteral("Routing canvas"));
    // The port buttons are the stops; the view itself has no keys to offer.
    setFocusPolicy(Qt::NoFocus);
    viewport()->setFocusPolicy(Qt::NoFocus);
    setFrameShape(QFrame::NoFrame);
    setScene(m_scene);
    // HighQualityAntialiasing is deprecated and ignored by Qt 5.15's painter;
    // Antialiasing already gives its result.
    setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    // The scene always matches the viewport; the scroll area around the view
    // does the scrolling.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    m_dragLine->setParent(this);
    QPen dragPen(Qt::black, RouteLineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    dragPen.setCosmetic(true);
    m_dragLine->setPen(dragPen);

    m_debounceTimer->setObjectName(QStringLiteral("debounceTimer"));
    m_debounceTimer->setSingleShot(true);
    m_debounceTimer->setInterval(DebounceMs);
    connect(m_debounceTimer, &QTimer::timeout, this, &RoutingCanvas::onDebounceTimeout);
}

RoutingCanvas::~RoutingCanvas()
{
    deleteLines();
    if (m_dragLine->scene())
        m_dragLine->scene()->removeItem(m_dragLine);
}

void RoutingCanvas::setModel(RouteModel *model)
{
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    deleteLines();
    if (!model)
        return;
    connect(model, &RouteModel::routeAdded, this, &RoutingCanvas::onRouteAdded);
    connect(model, &RouteModel::routeRemoved, this, &RoutingCanvas::onRouteRemoved);
    connect(model, &RouteModel::routesCleared, this, &RoutingCanvas::deleteLines);
}

void RoutingCanvas::setUsbNames(const UsbNameSlots *names)
{
    m_names = names;
}

QList<RouteLine *> RoutingCanvas::drawnLines() const
{
    QList<RouteLine *> drawn;
    for (RouteLine *line : m_lines) {
        if (line->scene() == m_scene)
            drawn.append(line);
    }
    return drawn;
}

QPushButton *RoutingCanvas::selectedInputButton() const
{
    return m_selected ? m_columns->inputButton(*m_selected) : nullptr;
}

void RoutingCanvas::clear()
{
    endSelection();
    removeDragLine();
    m_columns->clear();
}

void RoutingCanvas::rebuild(const PortCounts &counts)
{
    endSelection();
    m_columns->rebuild(counts);
    connectButtons();
    m_scene->setSceneRect(0, 0, viewport()->width(), viewport()->height());
}

void RoutingCanvas::connectButtons()
{
    for (QPushButton *button : m_columns->inputButtons()) {
        connect(button, &QPushButton::pressed, this, &RoutingCanvas::onInputButtonPressed);
        button->installEventFilter(this);
    }
    for (QPushButton *button : m_columns->outputButtons()) {
        connect(button, &QPushButton::clicked, this, &RoutingCanvas::onOutputButtonClicked);
        button->installEventFilter(this);
    }
    // Tab walks down the inputs, then down the outputs, whatever order the
    // buttons were made in (the USB columns are filled side by side), and
    // reaches them where the view stands: after the stop before it, before
    // what follows it on the page. The view itself takes no focus, so the
    // chain hangs on that earlier stop.
    QWidget *previous = previousInFocusChain();
    while (previous != this && (!(previous->focusPolicy() & Qt::TabFocus) || isAncestorOf(previous)))
        previous = previous->previousInFocusChain();
    for (const auto *column : {&m_columns->inputButtons(), &m_columns->outputButtons()})
        for (QPushButton *button : *column) {
            if (previous != this)
                QWidget::setTabOrder(previous, button);
            previous = button;
        }
}

void RoutingCanvas::onInputButtonPressed()
{
    pressInput(qobject_cast<QPushButton *>(sender()));
}

void RoutingCanvas::onOutputButtonClicked()
{
    clickOutput(qobject_cast<QPushButton *>(sender()));
}

void RoutingCanvas::pressInput(QPushButton *button)
{
    const auto port = button ? parseButtonText(button->text(), Side::Input) : std::nullopt;
    if (!port)
        return;
    if (m_selected) {
        const bool same = *m_selected == *port;
        endSelection();
        if (same) {
            removeDragLine();
            return;
        }
    }
    m_selected = port;
    m_drag = DragState::InputSelected;
    m_savedInputStyle = button->styleSheet();
    m_savedInputTextColor = button->palette().color(QPalette::ButtonText);
    button->setStyleSheet(PortColumns::SelectionStyle);
    PortColumns::setButtonTextColour(button, Qt::black);

    m_input = port;
    m_startPoint = m_columns->lineStart(button);
    m_endPoint = m_startPoint;
    emit inputPressed(*port);

    m_dragLine->setLine(QLineF(m_startPoint, m_startPoint));
    if (m_dragLine->scene() != m_scene)
        m_scene->addItem(m_dragLine);
    m_scene->update();
}

void RoutingCanvas::endSelection()
{
    m_drag = DragState::Idle;
    if (!m_selected)
        return;
    if (QPushButton *button = m_columns->inputButton(*m_selected)) {
        button->setStyleSheet(m_savedInputStyle);
        PortColumns::setButtonTextColour(button, m_savedInputTextColor);
    }
    m_selected.reset();
    m_savedInputStyle.clear();
    m_savedInputTextColor = QColor();
}

void RoutingCanvas::removeDragLine()
{
    if (m_dragLine->scene() == m_scene)
        m_scene->removeItem(m_dragLine);
}

void RoutingCanvas::clickOutput(QPushButton *button)
{
    endSelection();
    // The drag line gives way at the next redraw, which draws the route
    // asked for here once the model has it.
    scheduleRedraw();
    // Only while the page is shown; the input stays, so further clicks route
    // from the same input.
    if (!button || !isVisible() || !m_input)
        return;
    const auto output = parseButtonText(button->text(), Side::Output);
    if (!output)
        return;
    m_endPoint = m_columns->lineEnd(button);
    emit connectRequested(Route{*m_input, *output});
}

bool RoutingCanvas::requestRoute(const Port &input, const Port &output)
{
    QPushButton *in = m_columns->inputButton(input);
    QPushButton *out = m_columns->outputButton(output);
    if (!in || !out)
        return false;
    m_input = input;
    m_startPoint = m_columns->lineStart(in);
    m_endPoint = m_columns->lineEnd(out);
    emit connectRequested(Route{input, output});
    return true;
}

void RoutingCanvas::onRouteAdded(const Route &route)
{
    for (const RouteLine *line : qAsConst(m_lines)) {
        if (line->route() == route)
            return;
    }
    RouteLine *line = makeLine(route);
    m_lines.append(line);
    m_lastLine = line;
    // Routes come in bursts (one report each): drawn once the burst is over.
    scheduleRedraw();
}

void RoutingCanvas::onRouteRemoved(const Route &route)
{
    for (int i = m_lines.size() - 1; i >= 0; --i) {
        if (m_lines.at(i)->route() == route)
            delete m_lines.takeAt(i);
    }
}

void RoutingCanvas::deleteLines()
{
    const QList<RouteLine *> lines = m_lines;
    m_lines.clear();
    qDeleteAll(lines);
}

RouteLine *RoutingCanvas::makeLine(const Route &route)
{
    QPushButton *inputButton = m_columns->inputButton(route.in);
    QPushButton *outputButton = m_columns->outputButton(route.out);
    auto *line =
        new RouteLine(QLineF(m_columns->lineStart(inputButton), m_columns->lineEnd(outputButton)));
    line->setRoute(route);
    line->setButtons(inputButton, outputButton);
    line->setPen(routePen(lineColour(inputButton, outputButton)));
    // Called from the line's own mouse handler: the model only records the
    // request, the line goes when the device has answered.
    connect(line, &RouteLine::removalRequested, this,
            [this](RouteLine *clicked) { emit removeRequested(clicked->route()); });
    return line;
}

void RoutingCanvas::redrawLines()
{
    // New items each time: a line keeps no geometry that a rebuilt or
    // resized column could have made stale.
    QList<RouteLine *> fresh;
    fresh.reserve(m_lines.size());
    for (const RouteLine *old : qAsConst(m_lines)) {
        RouteLine *line = makeLine(old->route());
        if (isShown(line->inputButton()) && isShown(line->outputButton())) {
            m_scene->addItem(line);
            m_lastLine = line;
        }
        fresh.append(line);
    }
    deleteLines();
    m_lines = fresh;
}

void RoutingCanvas::scheduleRedraw()
{
    m_debounceTimer->start(DebounceMs);
}

void RoutingCanvas::onDebounceTimeout()
{
    if (!m_lines.isEmpty()) {
        fitSceneAndRedraw();
    } else {
        if (m_drag == DragState::Idle)
            removeDragLine();
        m_scene->update();
    }
}

void RoutingCanvas::showUsbNames()
{
    if (!m_names)
        return;
    m_columns->showNames(*m_names);
    if (m_columns->inputButtons().isEmpty() || m_columns->outputButtons().isEmpty() || m_names->size() == 0)
        return;
    m_columns->colourUsbPorts(*m_names);
    if (!m_lines.isEmpty())
        fitSceneAndRedraw();
    else
        m_scene->update();
}

void RoutingCanvas::fitSceneAndRedraw()
{
    endSelection();
    removeDragLine();
    const QRectF rect(0, 0, viewport()->width(), viewport()->height());
    m_scene->setSceneRect(rect);
    fitInView(rect, Qt::IgnoreAspectRatio);
    redrawLines();
    m_scene->update();
}

void RoutingCanvas::redrawAllLines()
{
    // Unlike the full redraw, this keeps the user's selection and its drag.
    if (m_drag == DragState::Idle)
        removeDragLine();
    redrawLines();
    m_scene->update();
}

bool RoutingCanvas::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        viewport()->update();
        break;
    // Lines end at the buttons: when one moves (names relabelled, the view
    // resized, the hub count hiding ports) or shows or hides, they follow.
    case QEvent::Move:
    case QEvent::Show:
    case QEvent::Hide:
        scheduleRedraw();
        break;
    default:
        break;
    }
    // The pressed input button grabs the mouse, so the drag reaches us here.
    if (event->type() == QEvent::MouseMove && m_dragLine->scene() == m_scene) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->buttons() & Qt::LeftButton)
            m_dragLine->setLine(QLineF(m_startPoint, m_columns->sceneFromGlobal(mouse->globalPos())));
    }
    return QGraphicsView::eventFilter(watched, event);
}

// The buttons' style sheets draw no focus, and a parent's rule cannot beat
// their own border: the frame goes around the focused button, behind it.
void RoutingCanvas::drawForeground(QPainter *painter, const QRectF &rect)
{
    QGraphicsView::drawForeground(painter, rect);
    auto *button = qobject_cast<QPushButton *>(QApplication::focusWidget());
    if (!button || button->parentWidget() == nullptr || !button->isVisible()
        || (!m_columns->inputButtons().contains(button) && !m_columns->outputButtons().contains(button)))
        return;
    const QPoint topLeft = button->mapTo(viewport(), QPoint(0, 0));
    const QRectF frame = QRectF(mapToScene(topLeft), mapToScene(topLeft + QPoint(button->width(), button->height())))
                             .adjusted(-3, -3, 3, 3);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter->drawRoundedRect(frame, 10, 10);
    painter->restore();
}

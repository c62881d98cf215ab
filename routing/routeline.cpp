#include "routing/routeline.h"

#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QPainterPathStroker>
#include <QPen>
#include <QWidget>

RouteLine::RouteLine(const QLineF &line, QGraphicsItem *parent)
    : QGraphicsLineItem(line, parent)
{
    init();
}

RouteLine::RouteLine(qreal x1, qreal y1, qreal x2, qreal y2, QGraphicsItem *parent)
    : QGraphicsLineItem(x1, y1, x2, y2, parent)
{
    init();
}

void RouteLine::init()
{
    QPen pen(Qt::black, DefaultWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    pen.setCosmetic(false);
    pen.setMiterLimit(2);
    setPen(pen);
    setFlag(QGraphicsItem::ItemIsSelectable);
}

void RouteLine::setButtons(QWidget *in, QWidget *out)
{
    m_inputButton = in;
    m_outputButton = out;
}

QPainterPath RouteLine::shape() const
{
    // A hairline is hard to hit with the mouse; the hit area is a wide band.
    QPainterPath path(line().p1());
    path.lineTo(line().p2());
    QPainterPathStroker stroker;
    stroker.setWidth(HitWidth);
    stroker.setCapStyle(Qt::RoundCap);
    return stroker.createStroke(path);
}

void RouteLine::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    Q_UNUSED(option)
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setRenderHint(QPainter::TextAntialiasing, false);

    QPen drawPen = pen();
    if (drawPen.widthF() <= 0)
        drawPen.setWidthF(DefaultWidth);
    drawPen.setCapStyle(Qt::RoundCap);
    drawPen.setJoinStyle(Qt::RoundJoin);
    drawPen.setCosmetic(false);
    // Black stands for the canvas's text colour: on a dark palette a black
    // line would not be seen.
    if (widget && drawPen.color() == QColor(Qt::black)) {
        const QColor background = widget->palette().color(widget->backgroundRole());
        if (background.lightnessF() < 0.5)
            drawPen.setColor(widget->palette().color(QPalette::Text));
    }

    QPen glow = drawPen;
    QColor glowColour = drawPen.color();
    glowColour.setAlpha(GlowAlpha);
    glow.setColor(glowColour);
    glow.setWidthF(drawPen.widthF() + GlowExtraWidth);

    // The selection frame is never drawn: a selected route looks like any other.
    painter->setPen(glow);
    painter->drawLine(line());
    painter->setPen(drawPen);
    painter->drawLine(line());
    painter->restore();
}

void RouteLine::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        emit removalRequested(this);
        setSelected(true);
    }
    QGraphicsLineItem::mousePressEvent(event);
}

#pragma once

#include "routing/route.h"

#include <QGraphicsLineItem>
#include <QObject>
#include <QPointer>

class QWidget;

// One route drawn between an input and an output button. A right-click asks
// for its removal through removalRequested(); the line itself decides nothing.
class RouteLine : public QObject, public QGraphicsLineItem
{
    Q_OBJECT

public:
    enum { Type = QGraphicsItem::UserType + 1 };

    static constexpr qreal DefaultWidth = 2.2;
    static constexpr qreal HitWidth = 10.0;
    static constexpr int GlowAlpha = 72;
    static constexpr qreal GlowExtraWidth = 1.2;

    explicit RouteLine(const QLineF &line, QGraphicsItem *parent = nullptr);
    RouteLine(qreal x1, qreal y1, qreal x2, qreal y2, QGraphicsItem *parent = nullptr);

    int type() const override { return Type; }

    void setRoute(const Routing::Route &route) { m_route = route; }
    [[nodiscard]] Routing::Route route() const { return m_route; }
    [[nodiscard]] int inType() const { return m_route.in.type; }
    [[nodiscard]] int inNum() const { return m_route.in.number; }
    [[nodiscard]] int outType() const { return m_route.out.type; }
    [[nodiscard]] int outNum() const { return m_route.out.number; }

    // The buttons it was drawn between; they may be deleted by a rebuild of
    // the columns, so they are only ever read through guarded pointers.
    void setButtons(QWidget *in, QWidget *out);
    [[nodiscard]] QWidget *inputButton() const { return m_inputButton; }
    [[nodiscard]] QWidget *outputButton() const { return m_outputButton; }

    QPainterPath shape() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

signals:
    void removalRequested(RouteLine *line);

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;

private:
    void init();

    Routing::Route m_route{{0, 0}, {0, 0}};
    QPointer<QWidget> m_inputButton;
    QPointer<QWidget> m_outputButton;
};

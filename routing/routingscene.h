#pragma once

#include <QGraphicsScene>

// The scene of the routing canvas; route lines are its items.
class RoutingScene : public QGraphicsScene
{
    Q_OBJECT

public:
    using QGraphicsScene::QGraphicsScene;
};

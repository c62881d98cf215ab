#pragma once

#include "routing/route.h"

#include <QListWidget>
#include <QPointer>

class RouteModel;

// The model's routes as a list a keyboard or a screen reader can reach, one
// entry per route ("MIDI IN 1 to MIDI OUT 2"). Delete asks for the chosen
// route's removal, as a right-click on its line does.
class RouteList : public QListWidget
{
    Q_OBJECT

public:
    explicit RouteList(QWidget *parent = nullptr);

    void setModel(RouteModel *model);
    [[nodiscard]] static QString routeName(const Routing::Route &route);

signals:
    void removeRequested(Routing::Route route);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void refill();

    QPointer<RouteModel> m_model;
};

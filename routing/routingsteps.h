#pragma once

#include "routing/route.h"
#include "widgets/edithistory.h"

#include <QVector>

class RoutingPage;

namespace RoutingSteps {

// "Route MIDI IN 1 to MIDI OUT 2".
[[nodiscard]] QString routeText(const Routing::Route &route);

// A route made (undo removes it) or removed (undo makes it again).
class RouteStep : public EditStep
{
public:
    RouteStep(EditHistory *history, RoutingPage *page, const Routing::Route &route, bool made);

protected:
    void undoEdit() override;
    void redoEdit() override;

private:
    void request(bool make);

    RoutingPage *const m_page;
    const Routing::Route m_route;
    const bool m_made;
};

// "Disconnect All": undo asks for every route that was there before.
class DisconnectAllStep : public EditStep
{
public:
    DisconnectAllStep(EditHistory *history, RoutingPage *page, const QVector<Routing::Route> &before);

protected:
    void undoEdit() override;
    void redoEdit() override;

private:
    RoutingPage *const m_page;
    const QVector<Routing::Route> m_before;
};

} // namespace RoutingSteps

#include "routing/routingsteps.h"

#include "routing/routeprotocol.h"
#include "routing/routingpage.h"

#include <QCoreApplication>

namespace RoutingSteps {

QString routeText(const Routing::Route &route)
{
    return QCoreApplication::translate("RoutingSteps", "Route %1 to %2")
        .arg(Routing::buttonText(route.in, Routing::Side::Input),
             Routing::buttonText(route.out, Routing::Side::Output));
}

RouteStep::RouteStep(EditHistory *history, RoutingPage *page, const Routing::Route &route, bool made)
    : EditStep(history, made ? routeText(route)
                             : QCoreApplication::translate("RoutingSteps", "Remove %1").arg(routeText(route)))
    , m_page(page)
    , m_route(route)
    , m_made(made)
{
}

void RouteStep::undoEdit()
{
    request(!m_made);
}

void RouteStep::redoEdit()
{
    request(m_made);
}

void RouteStep::request(bool make)
{
    if (make)
        m_page->connectRoute(m_route);
    else
        m_page->removeRoute(m_route);
}

DisconnectAllStep::DisconnectAllStep(EditHistory *history, RoutingPage *page, const QVector<Routing::Route> &before)
    : EditStep(history, QCoreApplication::translate("RoutingSteps", "Disconnect All"))
    , m_page(page)
    , m_before(before)
{
}

void DisconnectAllStep::undoEdit()
{
    m_page->requestRoutes(m_before);
}

void DisconnectAllStep::redoEdit()
{
    m_page->sendDisconnectAll();
}

} // namespace RoutingSteps

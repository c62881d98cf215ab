#include "routing/routemodel.h"

using namespace Routing;

RouteModel::RouteModel(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<Routing::Route>();
}

bool RouteModel::hasRoute(const Route &route) const
{
    return m_routeMap.contains(route.in, route.out);
}

QVector<Route> RouteModel::routes() const
{
    QVector<Route> distinct;
    for (const Route &route : m_connList) {
        if (!distinct.contains(route))
            distinct.append(route);
    }
    return distinct;
}

void RouteModel::pressInput(const Port &input)
{
    m_input = input;
    m_hasInput = true;
}

RouteModel::EndClickResult RouteModel::endClick(int outType, int outNum,
                                                const DeviceModels::DeviceModel *model)
{
    EndClickResult result;
    if (!m_hasInput)
        return result;
    m_output = Port{outType, outNum};
    result.route = Route{m_input, m_output};
    result.refusal = refusal(result.route, model);
    if (result.refusal != Refusal::None) {
        result.outcome = EndClickResult::Refused;
        return result;
    }
    m_connList.append(result.route);
    if (hasRoute(result.route)) {
        result.outcome = EndClickResult::Duplicate;
        return result;
    }
    addToRouteMap(result.route);
    m_connects.enqueue(result.route);
    result.outcome = EndClickResult::Requested;
    result.command = connectCommand(result.route);
    return result;
}

QByteArray RouteModel::deleteRoute(const Route &route)
{
    m_removals.enqueue(Removal{false, route});
    removeFromConnList(route);
    return removeCommand(route);
}

QByteArray RouteModel::disconnectAll()
{
    m_removals.enqueue(Removal{true, {}});
    m_connList.clear();
    return removeAllCommand();
}

RouteModel::AnswerResult RouteModel::handleRouteAnswer(const QByteArray &frame)
{
    AnswerResult result;
    const auto answer = parseRouteAnswer(frame);
    if (!answer)
        return result;

    if (answer->operation != OpRemove) {
        // A connect's answer can arrive after a removal was asked for (the
        // user is quicker than the device); the removal still awaits its own.
        const std::optional<Route> asked =
            m_connects.isEmpty() ? std::nullopt : std::optional<Route>(m_connects.dequeue());
        if (answer->result == 0) {
            result.outcome = AnswerResult::ConnectAccepted;
            return result;
        }
        result.outcome = AnswerResult::ConnectRefused;
        result.message = connectResultText(answer->result);
        if (asked) {
            result.droppedRoute = asked;
            removeFromConnList(*asked);
            removeFromRouteMap(*asked);
        }
        return result;
    }

    const std::optional<Removal> removal =
        m_removals.isEmpty() ? std::nullopt : std::optional<Removal>(m_removals.dequeue());
    const PendingOp pending = !removal ? NoPendingOp : removal->all ? PendingDisconnectAll : PendingSingleRemoval;
    const std::optional<Route> removed =
        pending == PendingSingleRemoval ? std::optional<Route>(removal->route) : std::nullopt;

    if (answer->result != 0) {
        // The device kept what we asked it to remove; put the routes that the
        // request took out of connList back, so that the lines reappear.
        result.outcome = AnswerResult::RemovalRefused;
        if (pending == PendingSingleRemoval && removed
            && hasRoute(*removed) && !m_connList.contains(*removed))
            m_connList.append(*removed);
        if (pending == PendingDisconnectAll) {
            for (auto it = m_routeMap.cbegin(); it != m_routeMap.cend(); ++it)
                m_connList.append(Route{it.key(), it.value()});
        }
        return result;
    }

    result.outcome = AnswerResult::RemovalAccepted;
    if (pending == PendingSingleRemoval && removed) {
        removeFromConnList(*removed);
        removeFromRouteMap(*removed);
    } else if (pending == PendingDisconnectAll) {
        m_routeMap.clear();
        emit routesCleared();
    }
    return result;
}

bool RouteModel::handleRouteSituation(const QByteArray &frame)
{
    const auto route = parseRouteSituation(frame, m_counts);
    if (!route)
        return false;
    m_connList.append(*route);
    if (!hasRoute(*route))
        addToRouteMap(*route);
    return true;
}

void RouteModel::clear()
{
    m_connList.clear();
    m_routeMap.clear();
    m_connects.clear();
    m_removals.clear();
    emit routesCleared();
}

void RouteModel::addRouteToReplay(const Route &route)
{
    m_routesToReplay.insert(route.in, route.out);
}

void RouteModel::addToRouteMap(const Route &route)
{
    m_routeMap.insert(route.in, route.out);
    emit routeAdded(route);
}

void RouteModel::removeFromRouteMap(const Route &route)
{
    if (m_routeMap.remove(route.in, route.out) > 0)
        emit routeRemoved(route);
}

void RouteModel::removeFromConnList(const Route &route)
{
    m_connList.removeAll(route);
}

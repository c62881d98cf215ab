#pragma once

#include "routing/route.h"
#include "routing/routeprotocol.h"

#include <QByteArray>
#include <QMultiMap>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QVector>

#include <optional>

// The record of the device's routes. Routes are kept by port identity on both
// sides, so nothing here dangles when the canvas deletes its buttons; the
// canvas draws lines from routeAdded/routeRemoved/routesCleared (or from
// routes()) and never keeps a route of its own.
class RouteModel : public QObject
{
    Q_OBJECT

public:
    enum PendingOp {
        NoPendingOp = 0,
        PendingSingleRemoval = 1,
        PendingDisconnectAll = 2,
    };

    struct EndClickResult
    {
        enum Outcome {
            NoInput,    // no input was ever pressed
            Refused,    // see `refusal`; nothing recorded
            Duplicate,  // recorded in connList again; nothing to send
            Requested,  // recorded; `command` is the connect to write (and flush)
        };
        Outcome outcome = NoInput;
        Routing::Refusal refusal = Routing::Refusal::None;
        Routing::Route route;
        QByteArray command;
    };

    struct AnswerResult
    {
        enum Outcome {
            Ignored,         // malformed frame
            ConnectAccepted,
            ConnectRefused,
            RemovalAccepted,
            RemovalRefused,
        };
        Outcome outcome = Ignored;
        std::optional<Routing::Route> droppedRoute; // a refused connect's route
        std::optional<QString> message;             // shown with an "OK" button
    };

    explicit RouteModel(QObject *parent = nullptr);

    [[nodiscard]] Routing::PortCounts portCounts() const { return m_counts; }
    void setPortCounts(const Routing::PortCounts &counts) { m_counts = counts; }

    // Every requested or reported route in arrival order, duplicates kept.
    [[nodiscard]] const QVector<Routing::Route> &connList() const { return m_connList; }
    // inPair -> outPair, each route once.
    [[nodiscard]] const QMultiMap<Routing::Port, Routing::Port> &routeMap() const
    {
        return m_routeMap;
    }
    [[nodiscard]] bool hasRoute(const Routing::Route &route) const;
    // The lines to draw: connList without repeats, in first-request order.
    [[nodiscard]] QVector<Routing::Route> routes() const;

    // An input button was pressed.
    void pressInput(const Routing::Port &input);
    [[nodiscard]] bool hasInput() const { return m_hasInput; }
    [[nodiscard]] int inTypeID() const { return m_input.type; }
    [[nodiscard]] int inNum() const { return m_input.number; }
    [[nodiscard]] int outTypeID() const { return m_output.type; }
    [[nodiscard]] int outNum() const { return m_output.number; }

    // An output was clicked: route the current input to it. The input stays,
    // so further clicks route from the same input. The connected model
    // (null when unknown) decides whether MIDI IN n may feed MIDI OUT n.
    [[nodiscard]] EndClickResult endClick(int outType, int outNum, const DeviceModels::DeviceModel *model);

    // A route line was right-clicked. Returns the remove command to write.
    [[nodiscard]] QByteArray deleteRoute(const Routing::Route &route);
    // "Disconnect All" was accepted. Returns the command to write.
    [[nodiscard]] QByteArray disconnectAll();
    // The oldest removal still waiting for its answer.
    [[nodiscard]] int pendingRouteOp() const
    {
        return m_removals.isEmpty() ? NoPendingOp : m_removals.head().all ? PendingDisconnectAll : PendingSingleRemoval;
    }

    // FrameKind::RouteAnswer.
    AnswerResult handleRouteAnswer(const QByteArray &frame);
    // FrameKind::RouteReport. False when the frame is ignored.
    bool handleRouteSituation(const QByteArray &frame);

    // The canvas is being rebuilt: the device reports its routes again.
    void clear();

    // Routes of an imported configuration, applied input by input.
    [[nodiscard]] const QMultiMap<Routing::Port, Routing::Port> &routesToReplay() const
    {
        return m_routesToReplay;
    }
    void addRouteToReplay(const Routing::Route &route);
    void clearRoutesToReplay() { m_routesToReplay.clear(); }

signals:
    void routeAdded(const Routing::Route &route);
    void routeRemoved(const Routing::Route &route);
    void routesCleared();

private:
    void addToRouteMap(const Routing::Route &route);
    void removeFromRouteMap(const Routing::Route &route);
    void removeFromConnList(const Routing::Route &route);

    Routing::PortCounts m_counts;
    QVector<Routing::Route> m_connList;
    QMultiMap<Routing::Port, Routing::Port> m_routeMap;
    QMultiMap<Routing::Port, Routing::Port> m_routesToReplay;
    Routing::Port m_input;
    Routing::Port m_output;
    bool m_hasInput = false;
    // Requests in flight, oldest first: the device answers in order, and an
    // undo or a quick user may have several under way.
    struct Removal
    {
        bool all = false;
        Routing::Route route;
    };
    QQueue<Removal> m_removals;
    QQueue<Routing::Route> m_connects;
};

#pragma once

#include "routing/route.h"
#include "widgets/devicepage.h"

#include <QList>
#include <QPair>
#include <QQueue>
#include <QSize>
#include <QString>

class PortColumns;
class QGraphicsView;
class QLabel;
class QPushButton;
class QScrollArea;
class QTimer;
class RouteModel;
class RoutingCanvas;
class RoutingFeedback;
class RoutingScene;
class UsbNameSlots;

// The "MIDI Port Routing" page. It wires the canvas, the route model and the
// session: what the user asks for on the canvas goes to the model, which
// decides and records, and its commands go to the device; the canvas draws
// the model's routes.
class RoutingPage : public DevicePage
{
    Q_OBJECT

public:
    static constexpr int ReplayPauseMs = 15;

    explicit RoutingPage(QWidget *parent = nullptr);
    ~RoutingPage() override;

    [[nodiscard]] RoutingCanvas *canvas() const { return m_canvas; }
    [[nodiscard]] QGraphicsView *graphicsView() const;
    [[nodiscard]] RoutingScene *scene() const;
    [[nodiscard]] RouteModel *routeModel() const { return m_model; }
    // What is plugged into the USB ports; the mapping page shows it too.
    [[nodiscard]] UsbNameSlots *usbNames() const { return m_names; }
    [[nodiscard]] PortColumns *columns() const;
    [[nodiscard]] const QList<QPushButton *> &inputButtons() const;
    [[nodiscard]] const QList<QPushButton *> &outputButtons() const;
    [[nodiscard]] const QList<QLabel *> &inputNameLabels() const;
    [[nodiscard]] const QList<QLabel *> &outputNameLabels() const;
    // 1 for a USB port with something plugged in, 0 for a free one.
    [[nodiscard]] QList<int> usbSlotsInUse() const;
    [[nodiscard]] QString inputHeaderText() const;
    [[nodiscard]] QString outputHeaderText() const;
    // A reported hub count that waits for the buttons it shows or hides; -1
    // once applied.
    [[nodiscard]] int pendingHubCount() const { return m_pendingHubCount; }
    [[nodiscard]] QPair<int, int> resizeMeasures() const { return {m_headerMargin, m_spacingMeasure}; }

    // Builds the port buttons from the device's port counts; the device's
    // route reports follow, so the routes of the old buttons are forgotten.
    void rebuild(const Routing::PortCounts &counts);
    // Before a device reports: no buttons, no routes, both headers say so.
    void clear();

    void attach(DeviceSession *session, Prompt *prompt) override;
    void onSetClicked() override;
    void resetForDisconnect() override;
    void tabChanged(bool shown) override;

    // The routes of an imported configuration (RouteModel::routesToReplay),
    // each requested as if drawn on the canvas, the first at once and each
    // further one 15 ms later. A timer paces them: no event loop runs inside
    // the replay, so no feedback handler ever runs in the middle of another.
    // Routes naming a port this device does not have are skipped.
    void replayRoutes();
    void cancelReplay();
    // Forgets every route and line (the buttons stay), for an import.
    void clearRoutes();
    // Asks for each route as the replay does (undoing "Disconnect All").
    void requestRoutes(const QVector<Routing::Route> &routes);
    // "Disconnect All" without its question (redoing it).
    void sendDisconnectAll();

public slots:
    // The canvas asks for a route from the last pressed input.
    void connectRoute(const Routing::Route &route);
    void removeRoute(const Routing::Route &route);
    // "Disconnect All" (on the filter and routing pages).
    void onDisconnectAllClicked();
    // The device reported its hub count: the USB ports it shows are
    // applied at once, or as soon as the buttons exist.
    void setHubCount(int count);

signals:
    // The hub count allows k USB HOST IN/OUT pairs; the filter page rebuilds
    // its port list and the mapping page its port labels.
    void hubPortsChanged(int k);
    // The last route of a replay was requested (or the replay was empty).
    void replayFinished();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    [[nodiscard]] bool refuseWhileClosed();
    void replayNext();
    // Shows the USB buttons the pending hub count allows, once per report,
    // and redraws the lines beside them.
    void applyPendingHubCount();
    // Who asked for a route command, so that its answer reaches the step.
    struct AwaitedAnswer
    {
        bool removal = false;
        quint64 step = 0;          // 0: no step (a replay)
        bool fromHistory = false;  // the step's undo or redo, not the user
        bool undo = false;
    };
    void awaitAnswer(bool removal, quint64 userStep);
    void onAnswerForHistory(const QByteArray &frame);

    DeviceSession *m_session = nullptr;
    Prompt *m_prompt = nullptr;
    RouteModel *const m_model;
    UsbNameSlots *const m_names;
    QScrollArea *const m_scrollArea;
    RoutingCanvas *const m_canvas;
    RoutingFeedback *m_feedback = nullptr;

    QTimer *const m_replayTimer;
    QQueue<Routing::Route> m_replayQueue;
    bool m_replaying = false;
    QList<AwaitedAnswer> m_awaited;
    int m_pendingHubCount = -1;
    QSize m_referenceSize;
    int m_headerMargin = 0;
    int m_spacingMeasure = 0;
};

#pragma once

#include "routing/myline.h"
#include "routing/route.h"
#include "widgets/devicepage.h"

#include <QColor>
#include <QList>
#include <QPointF>
#include <QPointer>
#include <QPushButton>
#include <QQueue>
#include <QSet>
#include <QSize>
#include <QString>

class MainScense;
class PortColumns;
class QGraphicsView;
class QLabel;
class QScrollArea;
class QTimer;
class RoutingFeedback;
class RouteModel;

// The "MIDI Port Routing" page. The user presses an input button, drags a
// line from it and clicks an output button to ask for a route; a right-click
// on a line asks for its removal. The route model decides and records; the
// lines in the scene are only ever a picture of its route list, redrawn from
// it after every burst of device feedback and periodically.
class RoutingPage : public DevicePage
{
    Q_OBJECT

public:
    static constexpr int ValuesIntervalMs = 500;
    static constexpr int DebounceMs = 100;
    static constexpr int HubRefreshDelayMs = 50;
    static constexpr int ReplayPauseMs = 15;
    static constexpr qreal RouteLineWidth = 1.8;

    explicit RoutingPage(QWidget *parent = nullptr);
    ~RoutingPage() override;

    [[nodiscard]] QGraphicsView *graphicsView() const { return m_view; }
    [[nodiscard]] MainScense *scene() const { return m_scene; }
    [[nodiscard]] RouteModel *routeModel() const { return m_model; }
    [[nodiscard]] PortColumns *columns() const { return m_columns; }
    [[nodiscard]] const QList<QPushButton *> &inputButtons() const;
    [[nodiscard]] const QList<QPushButton *> &outputButtons() const;
    [[nodiscard]] const QList<QLabel *> &inputNameLabels() const;
    [[nodiscard]] const QList<QLabel *> &outputNameLabels() const;
    [[nodiscard]] const QList<int> &usbSlotsInUse() const;
    [[nodiscard]] QString inputHeaderText() const;
    [[nodiscard]] QString outputHeaderText() const;

    // The drag line; it lives as long as the page.
    [[nodiscard]] MyLine *currMLine() const { return m_currMLine; }
    [[nodiscard]] const QList<MyLine *> &drawnLines() const { return m_drawnLines; }
    [[nodiscard]] MyLine *lastLine() const { return m_lastLine; }
    [[nodiscard]] QPushButton *selectedInputButton() const { return m_selectedInput; }
    [[nodiscard]] QPointF startPoint() const { return m_startPoint; }
    [[nodiscard]] QPointF endPoint() const { return m_endPoint; }
    [[nodiscard]] bool isDraw() const { return is_draw; }
    [[nodiscard]] int hunnum() const { return m_hunnum; }
    // Restarted after every handled device report; its time-out redraws.
    [[nodiscard]] QTimer *debounceTimer() const { return m_debounceTimer; }
    [[nodiscard]] QPair<int, int> resizeMeasures() const { return {m_measure1, m_measure2}; }

    // Builds the port buttons from the device's port counts; the device's
    // route reports follow, so the routes of the old buttons are forgotten.
    void rebuild(const Routing::PortCounts &counts);
    // Before a device reports: no buttons, no routes, both headers say so.
    void clear();

    void modifyLabelText(int listType, int index, const QString &text);
    void setUsbName(int slot, const QString &name);
    void clearUsbNames();
    void fillEmptyNameLabels();

    void attach(DeviceSession *session, Prompt *prompt) override;
    void onSetClicked() override;
    void resetForDisconnect() override;
    void tabChanged(bool shown) override;

    // The routes of an imported configuration (RouteModel::routesToReplay),
    // each applied as an input press and an output click, the first at once
    // and each further one 15 ms later. A timer paces them: no event loop runs
    // inside the replay, so no feedback handler ever runs in the middle of
    // another. Routes naming a port this device does not have are skipped.
    void replayRoutes();
    void cancelReplay();
    [[nodiscard]] bool isReplaying() const;
    // Forgets every route and line (the buttons stay), for an import.
    void clearRoutes();

public slots:
    void connectPB1(bool isChecked);
    void connectPB2(bool isChecked);
    void connectPB11();
    // An input button was pressed: select it (or deselect it) and start the
    // drag line at its right edge.
    void pressInput(QPushButton *button);
    // An output button was clicked: end the selection and ask for the route.
    void clickOutput(QPushButton *button);
    void endClick(QPushButton *pb);
    void deleteCurrLine(MyLine *line);
    // "Disconnect All" (on the filter and routing pages).
    void onDisconnectAllClicked();
    void onDebounceTimeout();
    void setHubCount(int count);
    // The periodic refresh: applies the last reported hub count once, then
    // redraws the lines.
    void hunnumRefresh();
    void updateButtonEnablement();
    void triggerResizeLogic();
    void redrawAllLines();

signals:
    // The hub count allows k USB HOST IN/OUT pairs; the filter page rebuilds
    // its port list and the mapping page its port labels.
    void hubPortsChanged(int k);
    // The last route of a replay was requested (or the replay was empty).
    void replayFinished();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void initLine2(QPushButton *pin, QPushButton *pout, const Routing::Route &route);
    void drawRoutes();
    void deleteRouteLines();
    void pruneLines();
    void endSelection();
    void connectButtons();
    void onRouteReported(const QByteArray &frame);
    void onRouteAnswered(const QByteArray &frame);
    [[nodiscard]] QString deviceListText() const;
    [[nodiscard]] bool isRouteShown(QPushButton *pin, QPushButton *pout) const;
    [[nodiscard]] static QColor lineColour(const QWidget *pin, const QWidget *pout);
    void replayNext();

    DeviceSession *m_session = nullptr;
    Prompt *m_prompt = nullptr;
    RouteModel *const m_model;
    QScrollArea *const m_scrollArea;
    QGraphicsView *const m_view;
    MainScense *const m_scene;
    PortColumns *const m_columns;
    MyLine *const m_currMLine;
    QTimer *const m_valuesTimer;
    QTimer *const m_debounceTimer;
    RoutingFeedback *m_feedback = nullptr;
    QTimer *const m_replayTimer;
    QQueue<Routing::Route> m_replayQueue;

    QList<MyLine *> m_drawnLines;
    QSet<Routing::Route> m_drawnRoutes;
    QPointer<MyLine> m_lastLine;

    QPointer<QPushButton> m_selectedInput;
    QString m_savedInputStyle;
    QColor m_savedInputTextColor;
    QPointF m_startPoint;
    QPointF m_endPoint;

    bool is_draw = false;
    int m_hunnum = -1;
    QSize m_referenceSize;
    int m_measure1 = 0;
    int m_measure2 = 0;
    int m_savedMeasure1 = 0;
    int m_savedMeasure2 = 0;
};

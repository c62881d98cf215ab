#pragma once

#include "routing/routeline.h"
#include "routing/route.h"

#include <QColor>
#include <QGraphicsView>
#include <QList>
#include <QPointF>
#include <QPointer>
#include <QString>

#include <optional>

class RoutingScene;
class PortColumns;
class QPushButton;
class QTimer;
class RouteModel;
class UsbNameSlots;

// The routing view: the two columns of port buttons on its viewport and one
// line item per route of the model. It decides nothing about routes; it says
// what the user asked for (connectRequested, removeRequested) and draws what
// the model announces. Lines are rebuilt at every redraw, so nothing that
// outlives a redraw holds a button: the selected input is kept as a port.
class RoutingCanvas : public QGraphicsView
{
    Q_OBJECT

public:
    static constexpr int DebounceMs = 100;
    static constexpr qreal RouteLineWidth = 1.8;

    explicit RoutingCanvas(QWidget *parent = nullptr);
    ~RoutingCanvas() override;

    // The routes to draw; the canvas follows its added/removed/cleared signals.
    void setModel(RouteModel *model);
    // What is plugged into the USB ports, shown beside their buttons.
    void setUsbNames(const UsbNameSlots *names);

    [[nodiscard]] RoutingScene *routingScene() const { return m_scene; }
    [[nodiscard]] PortColumns *columns() const { return m_columns; }
    // The drag line; it lives as long as the canvas.
    [[nodiscard]] RouteLine *dragLine() const { return m_dragLine; }
    // The route lines on the scene (routes whose buttons are both shown).
    [[nodiscard]] QList<RouteLine *> drawnLines() const;
    [[nodiscard]] RouteLine *lastLine() const { return m_lastLine; }
    [[nodiscard]] QPushButton *selectedInputButton() const;
    [[nodiscard]] QPointF startPoint() const { return m_startPoint; }
    [[nodiscard]] QPointF endPoint() const { return m_endPoint; }

    // Builds the port buttons from the device's port counts.
    void rebuild(const Routing::PortCounts &counts);
    // No buttons; both headers say that no device is connected.
    void clear();
    // Asks for a route as an input press and an output click would, without
    // selecting anything. False when the device has no such buttons.
    bool requestRoute(const Routing::Port &input, const Routing::Port &output);

public slots:
    void onInputButtonPressed();
    void onOutputButtonClicked();
    // An input button was pressed: select it (or deselect it) and start the
    // drag line at its right edge.
    void pressInput(QPushButton *button);
    // An output button was clicked: end the selection and ask for the route.
    void clickOutput(QPushButton *button);
    // Something the canvas shows changed (on the device, in the model or
    // where the buttons are): redraw once the burst is over.
    void scheduleRedraw();
    void onDebounceTimeout();
    // The USB names changed: colour the ports (gray when nothing is plugged
    // in), label them and redraw.
    void showUsbNames();
    // The full redraw: the scene fits the view, any selection ends, every
    // line is made anew.
    void fitSceneAndRedraw();
    // The lines anew where their buttons are now; a selection stays.
    void redrawAllLines();

signals:
    void inputPressed(Routing::Port input);
    void connectRequested(Routing::Route route);
    void removeRequested(Routing::Route route);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void drawForeground(QPainter *painter, const QRectF &rect) override;

private:
    enum class DragState {
        Idle,          // no input selected
        InputSelected, // the drag line starts at the selected input
    };

    void onRouteAdded(const Routing::Route &route);
    void onRouteRemoved(const Routing::Route &route);
    void deleteLines();
    // Makes every line anew from its route at the buttons' current places.
    void redrawLines();
    [[nodiscard]] RouteLine *makeLine(const Routing::Route &route);
    void endSelection();
    void removeDragLine();
    void connectButtons();

    RoutingScene *const m_scene;
    PortColumns *const m_columns;
    RouteLine *const m_dragLine;
    QTimer *const m_debounceTimer;
    QPointer<RouteModel> m_model;
    const UsbNameSlots *m_names = nullptr;

    // One line per route of the model, in the order the routes came; those
    // whose buttons are hidden are kept off the scene.
    QList<RouteLine *> m_lines;
    QPointer<RouteLine> m_lastLine;

    DragState m_drag = DragState::Idle;
    std::optional<Routing::Port> m_selected;
    std::optional<Routing::Port> m_input; // the last input pressed; outlives the selection
    QString m_savedInputStyle;
    QColor m_savedInputTextColor;
    QPointF m_startPoint;
    QPointF m_endPoint;
};

#include "routing/routingpage.h"

#include "device/devicesession.h"
#include "device/feedbackdispatcher.h"
#include "routing/routingfeedback.h"
#include "routing/hublayout.h"
#include "routing/mainscense.h"
#include "routing/myline.h"
#include "routing/portcolumns.h"
#include "routing/routemodel.h"
#include "routing/routeprotocol.h"
#include "device/prompt.h"

#include <QGraphicsView>
#include <QMouseEvent>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

using namespace Routing;

namespace {

constexpr int BaseMeasure1 = 43;
constexpr int BaseMeasure2 = 8;

QPen routePen(const QColor &colour)
{
    QPen pen(colour, RoutingPage::RouteLineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    pen.setCosmetic(true); // fitInView must not scale the width
    return pen;
}

QColor buttonTextColour(const QWidget *button)
{
    if (!button)
        return {};
    const QPalette::ColorGroup group = button->isEnabled() ? QPalette::Active : QPalette::Disabled;
    return button->palette().color(group, QPalette::ButtonText);
}

bool isBlack(const QColor &colour)
{
    return colour.isValid() && colour.red() == 0 && colour.green() == 0 && colour.blue() == 0;
}

} // namespace

RoutingPage::RoutingPage(QWidget *parent)
    : DevicePage(parent)
    , m_model(new RouteModel(this))
    , m_scrollArea(new QScrollArea(this))
    , m_view(new QGraphicsView)
    , m_scene(new MainScense(m_view))
    , m_columns(new PortColumns(m_view, this))
    , m_currMLine(new MyLine(QLineF()))
    , m_valuesTimer(new QTimer(this))
    , m_debounceTimer(new QTimer(this))
    , m_replayTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("tab"));
    m_scrollArea->setObjectName(QStringLiteral("scrollArea"));
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setStyleSheet(QStringLiteral("QScrollArea{background:transparent;}"));
    m_view->setObjectName(QStringLiteral("graphicsView"));
    m_view->setAccessibleName(QStringLiteral("Routing canvas"));
    m_view->setFrameShape(QFrame::NoFrame);
    m_view->setScene(m_scene);
    // HighQualityAntialiasing is deprecated and ignored by Qt 5.15's painter;
    // Antialiasing already gives its result.
    m_view->setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing
                           | QPainter::SmoothPixmapTransform);
    m_view->setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    // The scene always matches the viewport; the scroll area around the view
    // does the scrolling.
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setWidget(m_view);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scrollArea);

    m_currMLine->setParent(this);
    QPen dragPen(Qt::black, RouteLineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    dragPen.setCosmetic(true);
    m_currMLine->setPen(dragPen);

    // The firmware's hub count is applied on the mapping page's 500 ms values
    // cadence, 50 ms after each tick; the same tick redraws the lines.
    m_debounceTimer->setSingleShot(true);
    m_valuesTimer->setInterval(ValuesIntervalMs);
    connect(m_valuesTimer, &QTimer::timeout, this,
            [this] { QTimer::singleShot(HubRefreshDelayMs, this, &RoutingPage::hunnumRefresh); });
    m_valuesTimer->start();

    m_replayTimer->setSingleShot(true);
    m_replayTimer->setInterval(ReplayPauseMs);
    connect(m_replayTimer, &QTimer::timeout, this, &RoutingPage::replayNext);

    clear();
}

RoutingPage::~RoutingPage()
{
    m_valuesTimer->stop();
    deleteRouteLines();
    if (m_currMLine->scene())
        m_currMLine->scene()->removeItem(m_currMLine);
}

const QList<QPushButton *> &RoutingPage::inputButtons() const { return m_columns->inputButtons(); }
const QList<QPushButton *> &RoutingPage::outputButtons() const { return m_columns->outputButtons(); }
const QList<QLabel *> &RoutingPage::inputNameLabels() const { return m_columns->inputNameLabels(); }
const QList<QLabel *> &RoutingPage::outputNameLabels() const { return m_columns->outputNameLabels(); }
const QList<int> &RoutingPage::usbSlotsInUse() const { return m_columns->seqSet(); }
QString RoutingPage::inputHeaderText() const { return m_columns->inputHeaderText(); }
QString RoutingPage::outputHeaderText() const { return m_columns->outputHeaderText(); }

void RoutingPage::modifyLabelText(int listType, int index, const QString &text)
{
    m_columns->modifyLabelText(listType, index, text);
}

void RoutingPage::setUsbName(int slot, const QString &name) { m_columns->setUsbName(slot, name); }
void RoutingPage::clearUsbNames() { m_columns->clearUsbNames(); }
void RoutingPage::fillEmptyNameLabels() { m_columns->fillEmptyNameLabels(); }

QString RoutingPage::deviceListText() const
{
    return m_session ? m_session->connectedDeviceName() : QString();
}

void RoutingPage::attach(DeviceSession *session, Prompt *prompt)
{
    m_session = session;
    m_prompt = prompt;
    FeedbackDispatcher *dispatcher = session->dispatcher();
    connect(session, &DeviceSession::routingCleared, this, &RoutingPage::clear);
    connect(dispatcher, &FeedbackDispatcher::portCountsReported, this, &RoutingPage::rebuild);
    m_feedback = new RoutingFeedback(dispatcher, prompt, this);
    connect(m_feedback, &RoutingFeedback::routeReported, this, &RoutingPage::onRouteReported);
    connect(m_feedback, &RoutingFeedback::routeAnswered, this, &RoutingPage::onRouteAnswered);
    connect(dispatcher, &FeedbackDispatcher::usbNameReported, this, &RoutingPage::setUsbName);
    connect(dispatcher, &FeedbackDispatcher::usbNamesCleared, this, &RoutingPage::clearUsbNames);
    connect(dispatcher, &FeedbackDispatcher::usbNamesUpdated, this, [this] {
        updateButtonEnablement();
        fillEmptyNameLabels();
    });
    connect(dispatcher, &FeedbackDispatcher::hubCountReported, this, &RoutingPage::setHubCount);
    // One redraw per burst of device reports.
    connect(m_feedback, &RoutingFeedback::routingStateChanged, this,
            [this] { m_debounceTimer->start(DebounceMs); });
    connect(m_debounceTimer, &QTimer::timeout, this, &RoutingPage::onDebounceTimeout);
}

void RoutingPage::clear()
{
    cancelReplay();
    endSelection();
    deleteRouteLines();
    if (m_currMLine->scene())
        m_scene->removeItem(m_currMLine);
    m_model->clear();
    m_columns->clear();
    m_hunnum = -1;
}

void RoutingPage::resetForDisconnect()
{
    clear();
}

void RoutingPage::rebuild(const PortCounts &counts)
{
    cancelReplay();
    endSelection();
    // The old buttons go away with the columns: nothing may keep pointing at
    // them. The device reports its routes again right after its counts.
    deleteRouteLines();
    m_model->clear();
    m_model->setPortCounts(counts);
    m_columns->rebuild(counts);
    connectButtons();
    m_scene->setSceneRect(0, 0, m_view->viewport()->width(), m_view->viewport()->height());
}

void RoutingPage::connectButtons()
{
    for (QPushButton *button : m_columns->inputButtons()) {
        connect(button, &QPushButton::pressed, this, &RoutingPage::connectPB11);
        button->installEventFilter(this);
    }
    for (QPushButton *button : m_columns->outputButtons())
        connect(button, &QPushButton::clicked, this, &RoutingPage::connectPB2);
}

void RoutingPage::connectPB11()
{
    connectPB1(false);
}

void RoutingPage::connectPB1(bool isChecked)
{
    Q_UNUSED(isChecked)
    pressInput(qobject_cast<QPushButton *>(sender()));
}

void RoutingPage::connectPB2(bool isChecked)
{
    Q_UNUSED(isChecked)
    clickOutput(qobject_cast<QPushButton *>(sender()));
}

void RoutingPage::pressInput(QPushButton *button)
{
    if (!button)
        return;
    if (m_selectedInput) {
        const bool same = m_selectedInput == button;
        endSelection();
        if (same)
            return;
    }
    m_selectedInput = button;
    m_savedInputStyle = button->styleSheet();
    m_savedInputTextColor = button->palette().color(QPalette::ButtonText);
    button->setStyleSheet(PortColumns::SelectionStyle);
    PortColumns::setButtonTextColour(button, Qt::black);

    if (m_model->pressInputButton(button->text())) {
        m_startPoint = m_columns->lineStart(button);
        m_endPoint = m_startPoint;
    }
    m_currMLine->setLine(QLineF(m_startPoint, m_startPoint));
    if (m_currMLine->scene() != m_scene)
        m_scene->addItem(m_currMLine);
    m_scene->update();
}

void RoutingPage::endSelection()
{
    if (!m_selectedInput)
        return;
    m_selectedInput->setStyleSheet(m_savedInputStyle);
    PortColumns::setButtonTextColour(m_selectedInput, m_savedInputTextColor);
    m_selectedInput = nullptr;
    m_savedInputStyle.clear();
    m_savedInputTextColor = QColor();
}

void RoutingPage::clickOutput(QPushButton *button)
{
    endSelection();
    if (button && isVisible())
        endClick(button);
}

void RoutingPage::endClick(QPushButton *pb)
{
    if (!pb)
        return;
    const RouteModel::EndClickResult result = m_model->endClick(pb->text(), deviceListText());
    if (result.outcome != RouteModel::EndClickResult::Requested)
        return;
    m_endPoint = m_columns->lineEnd(pb);
    // Not connected: the route stays recorded and the write fails quietly.
    if (m_session)
        m_session->write(result.command);
}

void RoutingPage::deleteCurrLine(MyLine *line)
{
    // Called from the line's own mouse handler: the line must outlive this
    // call, so it is left to the next redraw, which no longer draws it.
    if (!line)
        return;
    const QByteArray command = m_model->deleteRoute(line->route());
    if (m_session)
        m_session->write(command);
}

void RoutingPage::onDisconnectAllClicked()
{
    if (!m_session || !m_session->isOpen()) {
        if (m_prompt)
            m_prompt->showMessage(QStringLiteral("Please connect the device and try again"),
                                  QStringLiteral("OK"));
        return;
    }
    if (!m_prompt
        || m_prompt->showMessage(tr("Disconnect All ?"), tr("Yes"), QStringLiteral("NO")) != Prompt::Ok)
        return;
    m_session->write(m_model->disconnectAll());
}

void RoutingPage::onSetClicked()
{
    if (!m_session || !m_session->isOpen()) {
        if (m_prompt)
            m_prompt->showMessage(QStringLiteral("Please connect the device and try again"),
                                  QStringLiteral("OK"));
        return;
    }
    m_session->write(saveCommand());
}

void RoutingPage::onRouteReported(const QByteArray &frame)
{
    // The debounced redraw after this burst of reports draws the line.
    m_model->handleRouteSituation(frame);
}

void RoutingPage::onRouteAnswered(const QByteArray &frame)
{
    // The dispatcher shows the refusal texts right after this returns; the
    // refused route must be gone by then.
    m_model->handleRouteAnswer(frame);
    pruneLines();
}

void RoutingPage::pruneLines()
{
    const QVector<Route> &listed = m_model->connList();
    for (int i = m_drawnLines.size() - 1; i >= 0; --i) {
        MyLine *line = m_drawnLines.at(i);
        if (listed.contains(line->route()))
            continue;
        m_drawnLines.removeAt(i);
        m_drawnRoutes.remove(line->route());
        delete line;
    }
}

void RoutingPage::deleteRouteLines()
{
    // Lines leave the scene for good: each redraw makes new ones, so keeping
    // the old ones would grow the memory for as long as the window is open.
    const QList<MyLine *> lines = m_drawnLines;
    m_drawnLines.clear();
    m_drawnRoutes.clear();
    qDeleteAll(lines);
}

void RoutingPage::onDebounceTimeout()
{
    if (!m_model->connList().isEmpty())
        triggerResizeLogic();
    else
        m_scene->update();
    is_draw = true;
}

void RoutingPage::setHubCount(int count)
{
    m_hunnum = count;
}

void RoutingPage::hunnumRefresh()
{
    const HubLayout layout = hubLayout(m_hunnum, m_columns->counts());
    if (layout.applies) {
        m_columns->applyHubLayout(layout);
        emit hubPortsChanged(layout.hostPairs);
    }
    m_hunnum = -1;
    redrawAllLines();
}

void RoutingPage::updateButtonEnablement()
{
    if (m_columns->inputButtons().isEmpty() || m_columns->outputButtons().isEmpty()
        || m_columns->seqSet().isEmpty())
        return;
    m_columns->colourUsbPorts();
    if (!m_model->connList().isEmpty())
        triggerResizeLogic();
    else
        m_scene->update();
}

bool RoutingPage::isRouteShown(QPushButton *pin, QPushButton *pout) const
{
    return pin && pout && pin->isVisible() && pout->isVisible();
}

QColor RoutingPage::lineColour(const QWidget *pin, const QWidget *pout)
{
    return isBlack(buttonTextColour(pin)) && isBlack(buttonTextColour(pout)) ? QColor(Qt::black)
                                                                             : QColor(Qt::gray);
}

void RoutingPage::initLine2(QPushButton *pin, QPushButton *pout, const Route &route)
{
    if (m_drawnRoutes.contains(route))
        return;
    m_drawnRoutes.insert(route);
    auto *line = new MyLine(QLineF(m_columns->lineStart(pin), m_columns->lineEnd(pout)));
    line->setRoute(route);
    line->setButtons(pin, pout);
    line->setPen(routePen(lineColour(pin, pout)));
    m_scene->addItem(line);
    connect(line, &MyLine::currLine, this, &RoutingPage::deleteCurrLine);
    m_lastLine = line;
    m_drawnLines.append(line);
}

void RoutingPage::drawRoutes()
{
    for (const Route &route : m_model->connList()) {
        QPushButton *pin = m_columns->inputButton(route.in);
        QPushButton *pout = m_columns->outputButton(route.out);
        if (isRouteShown(pin, pout))
            initLine2(pin, pout, route);
    }
}

void RoutingPage::triggerResizeLogic()
{
    const bool dragLineShown = m_currMLine->scene() == m_scene;
    if (dragLineShown)
        m_scene->removeItem(m_currMLine);
    const QRectF rect(0, 0, m_view->viewport()->width(), m_view->viewport()->height());
    m_scene->setSceneRect(rect);
    m_view->fitInView(rect, Qt::IgnoreAspectRatio);
    deleteRouteLines();
    drawRoutes();
    if (dragLineShown)
        m_scene->addItem(m_currMLine);
    endSelection();
    m_scene->update();
}

void RoutingPage::redrawAllLines()
{
    deleteRouteLines();
    // The drag line goes with the periodic redraw, except while an input is
    // selected: it would vanish under the user's drag within half a second.
    if (!m_selectedInput && m_currMLine->scene() == m_scene)
        m_scene->removeItem(m_currMLine);
    drawRoutes();
    m_scene->update();
}

void RoutingPage::tabChanged(bool shown)
{
    if (shown)
        triggerResizeLogic();
}

bool RoutingPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove && m_currMLine->scene() == m_scene) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->buttons() & Qt::LeftButton)
            m_currMLine->setLine(QLineF(m_startPoint, m_columns->sceneFromGlobal(mouse->globalPos())));
    }
    return DevicePage::eventFilter(watched, event);
}

void RoutingPage::resizeEvent(QResizeEvent *event)
{
    if (!m_referenceSize.isValid() || m_referenceSize.isEmpty()) {
        m_referenceSize = event->size();
        m_measure1 = BaseMeasure1;
        m_measure2 = BaseMeasure2;
    } else {
        const float rw = float(event->size().width()) / float(m_referenceSize.width());
        const float rh = float(event->size().height()) / float(m_referenceSize.height());
        m_measure1 = std::max(BaseMeasure1, BaseMeasure1 - int(std::trunc((rw - 1) * BaseMeasure1 * -0.3f)));
        m_measure2 = BaseMeasure2 - int(std::trunc((rh - 1) * BaseMeasure2 * -0.1f));
        m_columns->setMeasures(m_measure1, PortColumns::RowSpacing + m_measure2 - BaseMeasure2);
        triggerResizeLogic();
        m_savedMeasure1 = m_measure1;
        m_savedMeasure2 = m_measure2;
    }
    DevicePage::resizeEvent(event);
}

void RoutingPage::clearRoutes()
{
    cancelReplay();
    endSelection();
    deleteRouteLines();
    if (m_currMLine->scene())
        m_scene->removeItem(m_currMLine);
    m_model->clear();
    m_model->clearRoutesToReplay();
    m_scene->update();
}

bool RoutingPage::isReplaying() const
{
    return m_replayTimer->isActive();
}

void RoutingPage::cancelReplay()
{
    m_replayTimer->stop();
    m_replayQueue.clear();
}

void RoutingPage::replayRoutes()
{
    cancelReplay();
    const auto &routes = m_model->routesToReplay();
    for (auto it = routes.cbegin(); it != routes.cend(); ++it)
        m_replayQueue.enqueue(Route{it.key(), it.value()});
    replayNext();
}

void RoutingPage::replayNext()
{
    while (!m_replayQueue.isEmpty()) {
        const Route route = m_replayQueue.dequeue();
        QPushButton *in = m_columns->inputButton(route.in);
        QPushButton *out = m_columns->outputButton(route.out);
        if (!in || !out)
            continue;
        m_model->pressInput(route.in);
        m_startPoint = m_columns->lineStart(in);
        m_endPoint = m_startPoint;
        endClick(out);
        m_replayTimer->start();
        return;
    }
    emit replayFinished();
}

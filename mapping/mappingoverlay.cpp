#include "mapping/mappingoverlay.h"

#include "mapping/mappingcolours.h"
#include "mapping/mappinglogging.h"
#include "mapping/standardmappingeditor.h"
#include "mapping/sysexmappingeditor.h"
#include "device/prompt.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTableView>
#include <QTimer>

namespace {

using Field = MappingLineModel::Field;

// The stacked editors' pages, as the mapping page numbers them.
constexpr int StandardPage = 0;
constexpr int SysExPage = 1;
constexpr int PlaceholderPage = 2;

const QColor Data1LineColour(222, 170, 0);
const QColor Data2LineColour(46, 160, 67);

} // namespace

MappingOverlay::MappingOverlay(const Sides &sides, QWidget *page)
    : QWidget(page)
    , m_sides(sides)
    , m_page(page)
    , m_valuesTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("mappingOverlay"));
    setStyleSheet(QStringLiteral("background: transparent"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(page->rect());
    raise();
    page->installEventFilter(this);
    // Presses land on the fields and their controls: watch them all, but
    // only those on this page (see isOnPage).
    qApp->installEventFilter(this);

    m_valuesTimer->setObjectName(QStringLiteral("valuesTimer"));
    m_valuesTimer->setInterval(ValuesIntervalMs);
    connect(m_valuesTimer, &QTimer::timeout, this, &MappingOverlay::printValues);
    m_valuesTimer->start();

    for (QStackedWidget *stack : {sides.originalStack, sides.mappedStack})
        connect(stack, &QStackedWidget::currentChanged, this, &MappingOverlay::printValues);
    for (SysExMappingEditor *sysEx : {sides.originalSysEx, sides.mappedSysEx}) {
        connect(sysEx, &SysExMappingEditor::rowsChanged, this, &MappingOverlay::printValues);
        connect(sysEx->tableView()->verticalScrollBar(), &QScrollBar::valueChanged, this,
                &MappingOverlay::onTableViewScrolled);
    }
    connect(sides.mappedSysEx, &SysExMappingEditor::dataRowRemoved, this, [this](SysExMappingEditor::Kind kind) {
        m_model.removeLineTo(kind == SysExMappingEditor::Kind::Data1 ? Field::MappedData1 : Field::MappedData2);
        emit sourcesChanged();
    });
}

MappingLineModel::Availability MappingOverlay::availability() const
{
    const auto side = [](QStackedWidget *stack, StandardMappingEditor *editor, SysExMappingEditor *sysEx) {
        switch (stack->currentIndex()) {
        case StandardPage: return std::make_pair(editor->hasData1(), editor->hasData2());
        case SysExPage: return std::make_pair(sysEx->hasData1Row(), sysEx->hasData2Row());
        default: return std::make_pair(false, false);
        }
    };
    const auto original = side(m_sides.originalStack, m_sides.originalEditor, m_sides.originalSysEx);
    const auto mapped = side(m_sides.mappedStack, m_sides.mappedEditor, m_sides.mappedSysEx);
    return {original.first, original.second, mapped.first, mapped.second};
}

MappingLineModel::Geometry MappingOverlay::geometry() const
{
    MappingLineModel::Geometry g;
    const auto place = [this, &g](Field field, QWidget *widget, QWidget *clip) {
        if (!widget || !widget->isVisibleTo(m_page))
            return;
        QRect rect(widget->mapTo(m_page, QPoint(0, 0)), widget->size());
        if (clip) {
            // A Data row scrolled out of its table has no end on screen.
            const QRect visible(clip->mapTo(m_page, QPoint(0, 0)), clip->size());
            if (!visible.contains(rect.center()))
                return;
            rect = rect.intersected(visible);
        }
        g.set(field, rect);
    };
    const auto side = [&](QStackedWidget *stack, StandardMappingEditor *editor, SysExMappingEditor *sysEx,
                          Field first, Field second) {
        if (stack->currentIndex() == StandardPage) {
            place(first, editor->data1Field(), nullptr);
            place(second, editor->data2Field(), nullptr);
        } else if (stack->currentIndex() == SysExPage) {
            QWidget *viewport = sysEx->tableView()->viewport();
            place(first, sysEx->data1RowWidget(), viewport);
            place(second, sysEx->data2RowWidget(), viewport);
        }
    };
    side(m_sides.originalStack, m_sides.originalEditor, m_sides.originalSysEx, Field::OriginalData1,
         Field::OriginalData2);
    side(m_sides.mappedStack, m_sides.mappedEditor, m_sides.mappedSysEx, Field::MappedData1, Field::MappedData2);
    return g;
}

void MappingOverlay::setSourcesQuietly(const MappingLineModel::Sources &sources)
{
    const MappingLineModel::Sources before = m_model.sources();
    m_model.setSources(sources);
    if (!(before == m_model.sources()))
        emit sourcesChanged();
}

void MappingOverlay::setSources(const MappingLineModel::Sources &sources)
{
    setSourcesQuietly(sources);
    m_lastSeen = availability();
    rebuild();
}

void MappingOverlay::clearLines()
{
    m_model.clear();
    m_lastSeen = availability();
    emit sourcesChanged();
    rebuild();
}

void MappingOverlay::presetStraightSources()
{
    setSources(MappingLineModel::straightSources(availability()));
}

// Both sides standard: the lines are the sources, less any whose field the
// types no longer have. A SysEx side: the Data rows decide (see
// MappingLineModel::derivedSources).
void MappingOverlay::printValues()
{
    const MappingLineModel::Availability now = availability();
    const bool standardPair = m_sides.originalStack->currentIndex() == StandardPage
        && m_sides.mappedStack->currentIndex() == StandardPage;
    const bool bothChosen = m_sides.originalStack->currentIndex() != PlaceholderPage
        && m_sides.mappedStack->currentIndex() != PlaceholderPage;
    if (bothChosen && !standardPair) {
        setSourcesQuietly(MappingLineModel::derivedSources(m_lastSeen, now, m_model.sources()));
    } else {
        MappingLineModel kept = m_model;
        kept.dropUnavailable(now);
        setSourcesQuietly(kept.sources());
    }
    m_lastSeen = now;
    rebuild();
}

void MappingOverlay::rebuild()
{
    const MappingLineModel::Sources s = m_model.sources();
    const auto colourOf = [](int source) {
        if (source == MappingLineModel::FromData1)
            return MappingColours::Data1;
        if (source == MappingLineModel::FromData2)
            return MappingColours::Data2;
        return MappingColours::Unused;
    };
    StandardMappingEditor *mapped = m_sides.mappedEditor;
    mapped->setFieldColour(mapped->data1Field(), mapped->hasData1() ? colourOf(s.data1) : MappingColours::Unused);
    mapped->setFieldColour(mapped->data2Field(), mapped->hasData2() ? colourOf(s.data2) : MappingColours::Unused);
    setGeometry(m_page->rect());
    raise();
    update();
}

void MappingOverlay::on_checkBox_20_clicked(bool checked)
{
    m_model.setDrawEnabled(checked);
    emit sourcesChanged();
    printValues();
}

void MappingOverlay::onTableViewScrolled(int value)
{
    Q_UNUSED(value)
    update();
}

bool MappingOverlay::isOnPage(QObject *object) const
{
    if (!object->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(object);
    return widget == m_page || m_page->isAncestorOf(widget);
}

bool MappingOverlay::isControl(QObject *object) const
{
    // The receiver only: the table around a Data row takes focus too.
    const auto *widget = qobject_cast<QWidget *>(object);
    return widget && widget != m_page && (widget->focusPolicy() & Qt::ClickFocus);
}

bool MappingOverlay::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::LayoutRequest:
        if (watched == m_page)
            rebuild();
        break;
    case QEvent::MouseButtonPress:
        if (isOnPage(watched) && isVisible()) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            // A control keeps its own clicks (a Data row's Max box sits in
            // the row's right quarter); lines start on the bare field.
            if (mouse->button() == Qt::LeftButton && isControl(watched))
                return false;
            return handlePress(mapFromGlobal(mouse->globalPos()), mouse->button());
        }
        break;
    case QEvent::MouseMove:
        if (m_model.isDragging() && isOnPage(watched)) {
            m_model.move(mapFromGlobal(static_cast<QMouseEvent *>(event)->globalPos()));
            update();
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (m_model.isDragging() && isOnPage(watched))
            return handleRelease(mapFromGlobal(static_cast<QMouseEvent *>(event)->globalPos()));
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

bool MappingOverlay::handlePress(const QPoint &point, Qt::MouseButton button)
{
    const MappingLineModel::Geometry g = geometry();
    if (button == Qt::RightButton) {
        const std::optional<Field> target = m_model.lineNear(point, g);
        if (!target)
            return false;
        const int answer = m_prompt ? m_prompt->message(Prompt::Question, QStringLiteral("Remove Connection"),
                                                        QStringLiteral("Do you want to remove this connection?"),
                                                        Prompt::Yes | Prompt::No)
                                    : int(Prompt::No);
        if (answer == Prompt::Yes) {
            m_model.removeLineTo(*target);
            emit sourcesChanged();
            printValues();
        }
        return true;
    }
    if (button != Qt::LeftButton)
        return false;
    const int page = m_sides.originalStack->currentIndex();
    const bool startAllowed = page != PlaceholderPage;
    const MappingLineModel::PressResult result = m_model.press(point, startAllowed, availability(), g);
    switch (result) {
    case MappingLineModel::PressResult::Started:
        qCDebug(lcMapping) << (page == StandardPage ? "stackedWidget==0 allow start" : "SysEx Data row start")
                           << "line" << m_model.dragSource();
        update();
        return true;
    case MappingLineModel::PressResult::Blocked:
        qCDebug(lcMapping) << "stackedWidget!=0 block start";
        return false;
    case MappingLineModel::PressResult::NotInRightQuarter:
        qCDebug(lcMapping) << "hit widget_3 but not in rightQuarter";
        return false;
    case MappingLineModel::PressResult::NotOnSource:
        return false;
    }
    return false;
}

bool MappingOverlay::handleRelease(const QPoint &point)
{
    const int source = m_model.dragSource();
    const MappingLineModel::Geometry g = geometry();
    const bool onData1 = g.rect(Field::MappedData1) && g.rect(Field::MappedData1)->contains(point);
    const bool fixAllowed = m_sides.mappedStack->currentIndex() != PlaceholderPage;
    const MappingLineModel::ReleaseResult result = m_model.release(point, fixAllowed, availability(), g);
    switch (result) {
    case MappingLineModel::ReleaseResult::Fixed:
        qCDebug(lcMapping).noquote() << "stackedWidget!=2 allow fix;"
                                     << (onData1 ? "fixed to widget_7" : "fixed to widget_8")
                                     << (source == MappingLineModel::FromData1 ? "(yellow)" : "(green)");
        emit sourcesChanged();
        printValues();
        break;
    case MappingLineModel::ReleaseResult::Blocked:
        qCDebug(lcMapping) << "stackedWidget==2 block fix";
        break;
    case MappingLineModel::ReleaseResult::NoTarget:
        qCDebug(lcMapping).noquote() << QStringLiteral("drawingLine%1 release but not on valid target").arg(source);
        break;
    case MappingLineModel::ReleaseResult::NotDragging:
        return false;
    }
    update();
    return true;
}

void MappingOverlay::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const MappingLineModel::Geometry g = geometry();
    const auto colour = [](int source) {
        return source == MappingLineModel::FromData2 ? Data2LineColour : Data1LineColour;
    };
    for (const MappingLineModel::Line &line : m_model.lines(g)) {
        painter.setPen(QPen(colour(line.source), 3, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(line.segment);
        painter.setBrush(colour(line.source));
        painter.drawEllipse(line.segment.p1(), 4, 4);
        painter.drawEllipse(line.segment.p2(), 4, 4);
    }
    if (const std::optional<QLineF> drag = m_model.dragLine(g)) {
        painter.setPen(QPen(colour(m_model.dragSource()), 3, Qt::DashLine, Qt::RoundCap));
        painter.drawLine(*drag);
    }
}

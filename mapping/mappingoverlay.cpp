#include "mapping/mappingoverlay.h"

#include "mapping/mappingcolours.h"
#include "mapping/mappinglogging.h"
#include "mapping/mappingsidepanel.h"
#include "mapping/standardmappingeditor.h"
#include "mapping/sysexmappingeditor.h"
#include "device/prompt.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTableView>

namespace {

using Field = MappingLineModel::Field;

constexpr int StandardPage = MappingSidePanel::StandardPage;
constexpr int PlaceholderPage = MappingSidePanel::PlaceholderPage;

const QColor Data1LineColour(222, 170, 0);
const QColor Data2LineColour(46, 160, 67);

} // namespace

MappingOverlay::MappingOverlay(MappingSidePanel *original, MappingSidePanel *mapped, QWidget *page)
    : QWidget(page)
    , m_original(original)
    , m_mapped(mapped)
    , m_page(page)
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

    // Whatever changes the ends a side has changes the sources at once.
    for (MappingSidePanel *side : {original, mapped}) {
        connect(side->stack(), &QStackedWidget::currentChanged, this, &MappingOverlay::reconcileSources);
        connect(side->editor(), &StandardMappingEditor::fieldsChanged, this, &MappingOverlay::reconcileSources);
        connect(side->sysEx(), &SysExMappingEditor::rowsChanged, this, &MappingOverlay::reconcileSources);
        connect(side->sysEx()->tableView()->verticalScrollBar(), &QScrollBar::valueChanged, this,
                &MappingOverlay::onTableViewScrolled);
    }
    connect(mapped->sysEx(), &SysExMappingEditor::dataRowRemoved, this, [this](SysExMappingEditor::Kind kind) {
        m_model.removeLineTo(kind == SysExMappingEditor::Kind::Data1 ? Field::MappedData1 : Field::MappedData2);
        emit sourcesChanged();
    });
}

MappingLineModel::Availability MappingOverlay::availability() const
{
    return {m_original->hasData1(), m_original->hasData2(), m_mapped->hasData1(), m_mapped->hasData2()};
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
    for (MappingSidePanel *side : {m_original, m_mapped}) {
        const bool original = side == m_original;
        place(original ? Field::OriginalData1 : Field::MappedData1, side->data1End(), side->endClip());
        place(original ? Field::OriginalData2 : Field::MappedData2, side->data2End(), side->endClip());
    }
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
void MappingOverlay::reconcileSources()
{
    const MappingLineModel::Availability now = availability();
    const bool standardPair = m_original->page() == StandardPage && m_mapped->page() == StandardPage;
    const bool bothChosen = m_original->isChosen() && m_mapped->isChosen();
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
    StandardMappingEditor *mapped = m_mapped->editor();
    mapped->setFieldColour(mapped->data1Field(), mapped->hasData1() ? colourOf(s.data1) : MappingColours::Unused);
    mapped->setFieldColour(mapped->data2Field(), mapped->hasData2() ? colourOf(s.data2) : MappingColours::Unused);
    prepareEnds();
    setGeometry(m_page->rect());
    raise();
    update();
}

QWidget *MappingOverlay::endWidget(Field field) const
{
    switch (field) {
    case Field::OriginalData1: return m_original->data1End();
    case Field::OriginalData2: return m_original->data2End();
    case Field::MappedData1: return m_mapped->data1End();
    case Field::MappedData2: return m_mapped->data2End();
    }
    return nullptr;
}

std::optional<Field> MappingOverlay::endOf(const QWidget *widget) const
{
    if (!widget)
        return std::nullopt;
    for (const Field field : {Field::OriginalData1, Field::OriginalData2, Field::MappedData1, Field::MappedData2})
        if (endWidget(field) == widget)
            return field;
    return std::nullopt;
}

// Tab focus only: a click on a bare field still starts a line (isControl).
void MappingOverlay::prepareEnds()
{
    struct EndText
    {
        Field field;
        const char *name;
        const char *description;
    };
    static const EndText texts[] = {
        {Field::OriginalData1, "Original Data1", "Space starts a line from this field to a mapped field"},
        {Field::OriginalData2, "Original Data2", "Space starts a line from this field to a mapped field"},
        {Field::MappedData1, "Mapped Data1", "Space ends the started line here; Delete removes the line feeding it"},
        {Field::MappedData2, "Mapped Data2", "Space ends the started line here; Delete removes the line feeding it"},
    };
    for (const EndText &text : texts) {
        QWidget *end = endWidget(text.field);
        if (!end)
            continue;
        if (!(end->focusPolicy() & Qt::TabFocus))
            end->setFocusPolicy(Qt::TabFocus);
        const QString name = QString::fromLatin1(text.name);
        if (end->accessibleName() != name) {
            end->setAccessibleName(name);
            end->setAccessibleDescription(QString::fromLatin1(text.description));
        }
    }
}

void MappingOverlay::setDrawEnabled(bool enabled)
{
    m_model.setDrawEnabled(enabled);
    emit sourcesChanged();
    reconcileSources();
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
        else if (event->type() != QEvent::LayoutRequest && watched != this && isOnPage(watched))
            update();
        break;
    // A field, or what holds it, moved or went: the lines follow it.
    case QEvent::Move:
    case QEvent::Hide:
        if (watched != this && isOnPage(watched))
            update();
        break;
    case QEvent::ChildAdded:
        // A widget added to the page later would cover the lines.
        if (watched == m_page && static_cast<QChildEvent *>(event)->child()->isWidgetType())
            raise();
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
    case QEvent::KeyPress:
        if (isOnPage(watched) && isVisible())
            return handleKey(static_cast<QWidget *>(watched), static_cast<QKeyEvent *>(event)->key());
        break;
    case QEvent::FocusIn:
        if (isOnPage(watched)) {
            // A line started from the keyboard follows the focus.
            auto *widget = static_cast<QWidget *>(watched);
            if (m_model.isDragging())
                m_model.move(widget->mapTo(m_page, QPoint(0, widget->height() / 2)));
            update();
        }
        break;
    case QEvent::FocusOut:
        if (isOnPage(watched))
            update();
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
        askToRemove(*target);
        return true;
    }
    if (button != Qt::LeftButton)
        return false;
    const int page = m_original->page();
    const bool startAllowed = page != PlaceholderPage;
    const MappingLineModel::PressResult result = m_model.press(point, startAllowed, availability(), g);
    logStart(result);
    if (result == MappingLineModel::PressResult::Started)
        update();
    return result == MappingLineModel::PressResult::Started;
}

void MappingOverlay::logStart(MappingLineModel::PressResult result)
{
    switch (result) {
    case MappingLineModel::PressResult::Started:
        qCDebug(lcMapping) << (m_original->page() == StandardPage ? "stackedWidget==0 allow start"
                                                                  : "SysEx Data row start")
                           << "line" << m_model.dragSource();
        break;
    case MappingLineModel::PressResult::Blocked:
        qCDebug(lcMapping) << "stackedWidget!=0 block start";
        break;
    case MappingLineModel::PressResult::NotInRightQuarter:
        qCDebug(lcMapping) << "hit widget_3 but not in rightQuarter";
        break;
    case MappingLineModel::PressResult::NotOnSource:
        break;
    }
}

void MappingOverlay::askToRemove(Field target)
{
    const int answer = m_prompt ? m_prompt->message(Prompt::Question, QStringLiteral("Remove Connection"),
                                                    QStringLiteral("Do you want to remove this connection?"),
                                                    Prompt::Yes | Prompt::No)
                                : int(Prompt::No);
    if (answer == Prompt::Yes) {
        m_model.removeLineTo(target);
        emit sourcesChanged();
        reconcileSources();
    }
}

bool MappingOverlay::handleRelease(const QPoint &point)
{
    const int source = m_model.dragSource();
    const MappingLineModel::Geometry g = geometry();
    const bool onData1 = g.rect(Field::MappedData1) && g.rect(Field::MappedData1)->contains(point);
    const MappingLineModel::ReleaseResult result = m_model.release(point, m_mapped->isChosen(), availability(), g);
    if (result == MappingLineModel::ReleaseResult::NotDragging)
        return false;
    finishDrag(result, source, onData1);
    return true;
}

void MappingOverlay::finishDrag(MappingLineModel::ReleaseResult result, int source, bool onData1)
{
    switch (result) {
    case MappingLineModel::ReleaseResult::Fixed:
        qCDebug(lcMapping).noquote() << "stackedWidget!=2 allow fix;"
                                     << (onData1 ? "fixed to widget_7" : "fixed to widget_8")
                                     << (source == MappingLineModel::FromData1 ? "(yellow)" : "(green)");
        emit sourcesChanged();
        reconcileSources();
        break;
    case MappingLineModel::ReleaseResult::Blocked:
        qCDebug(lcMapping) << "stackedWidget==2 block fix";
        break;
    case MappingLineModel::ReleaseResult::NoTarget:
        qCDebug(lcMapping).noquote() << QStringLiteral("drawingLine%1 release but not on valid target").arg(source);
        break;
    case MappingLineModel::ReleaseResult::NotDragging:
        break;
    }
    update();
}

bool MappingOverlay::handleKey(QWidget *widget, int key)
{
    const std::optional<Field> end = endOf(widget);
    const bool activate = key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
    if (key == Qt::Key_Escape && m_model.isDragging()) {
        m_model.cancelDrag();
        update();
        return true;
    }
    // Keys a field's own controls let through are not the field's.
    if (!end || !widget->hasFocus())
        return false;
    const bool original = *end == Field::OriginalData1 || *end == Field::OriginalData2;
    if (activate && original) {
        const int source = *end == Field::OriginalData1 ? MappingLineModel::FromData1 : MappingLineModel::FromData2;
        const MappingLineModel::PressResult result =
            m_model.start(source, m_original->page() != PlaceholderPage, availability(),
                          widget->mapTo(m_page, QPoint(widget->width(), widget->height() / 2)));
        logStart(result);
        update();
        return true;
    }
    if (activate && m_model.isDragging()) {
        const int source = m_model.dragSource();
        finishDrag(m_model.fix(*end, m_mapped->isChosen(), availability()), source, *end == Field::MappedData1);
        return true;
    }
    if ((key == Qt::Key_Delete || key == Qt::Key_Backspace) && !original) {
        const MappingLineModel::Sources s = m_model.sources();
        if ((*end == Field::MappedData1 ? s.data1 : s.data2) == MappingLineModel::NoSource)
            return false;
        askToRemove(*end);
        return true;
    }
    return false;
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
    // The fields draw no focus of their own.
    QWidget *focused = QApplication::focusWidget();
    if (endOf(focused) && focused->isVisible()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawRoundedRect(QRectF(focused->mapTo(m_page, QPoint(0, 0)), focused->size()).adjusted(1, 1, -1, -1),
                                4, 4);
    }
}

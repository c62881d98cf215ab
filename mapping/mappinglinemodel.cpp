#include "mapping/mappinglinemodel.h"

#include <QtMath>

namespace {

using Field = MappingLineModel::Field;

bool exists(const MappingLineModel::Availability &a, Field field)
{
    switch (field) {
    case Field::OriginalData1: return a.originalData1;
    case Field::OriginalData2: return a.originalData2;
    case Field::MappedData1: return a.mappedData1;
    case Field::MappedData2: return a.mappedData2;
    }
    return false;
}

Field originalField(int source)
{
    return source == MappingLineModel::FromData2 ? Field::OriginalData2 : Field::OriginalData1;
}

bool validSource(int source)
{
    return source == MappingLineModel::FromData1 || source == MappingLineModel::FromData2;
}

} // namespace

void MappingLineModel::setSources(const Sources &sources)
{
    m_sources.data1 = validSource(sources.data1) ? sources.data1 : NoSource;
    m_sources.data2 = validSource(sources.data2) ? sources.data2 : NoSource;
}

void MappingLineModel::clear()
{
    m_sources = {};
    m_dragSource = NoSource;
}

void MappingLineModel::setDrawEnabled(bool enabled)
{
    m_drawEnabled = enabled;
    if (enabled)
        return;
    if (m_sources.data1 == FromData2)
        m_sources.data1 = NoSource;
    if (m_sources.data2 == FromData1)
        m_sources.data2 = NoSource;
    m_dragSource = NoSource;
}

bool MappingLineModel::inRightQuarter(const QRect &rect, const QPoint &point)
{
    return rect.contains(point) && point.x() >= rect.left() + rect.width() * 3 / 4;
}

MappingLineModel::PressResult MappingLineModel::press(const QPoint &point, bool startAllowed,
                                                      const Availability &available, const Geometry &geometry)
{
    for (const int source : {FromData1, FromData2}) {
        const Field field = originalField(source);
        const std::optional<QRect> rect = geometry.rect(field);
        if (!rect || !rect->contains(point) || !exists(available, field))
            continue;
        if (!startAllowed || !m_drawEnabled)
            return PressResult::Blocked;
        if (!inRightQuarter(*rect, point))
            return PressResult::NotInRightQuarter;
        return start(source, startAllowed, available, point);
    }
    return PressResult::NotOnSource;
}

MappingLineModel::PressResult MappingLineModel::start(int source, bool startAllowed, const Availability &available,
                                                      const QPoint &at)
{
    if (!validSource(source) || !exists(available, originalField(source)))
        return PressResult::NotOnSource;
    if (!startAllowed || !m_drawEnabled)
        return PressResult::Blocked;
    m_dragSource = source;
    m_dragEnd = at;
    return PressResult::Started;
}

void MappingLineModel::move(const QPoint &point)
{
    if (isDragging())
        m_dragEnd = point;
}

MappingLineModel::ReleaseResult MappingLineModel::release(const QPoint &point, bool fixAllowed,
                                                          const Availability &available, const Geometry &geometry)
{
    if (!isDragging())
        return ReleaseResult::NotDragging;
    for (const Field target : {Field::MappedData1, Field::MappedData2}) {
        const std::optional<QRect> rect = geometry.rect(target);
        if (rect && rect->contains(point) && exists(available, target))
            return fix(target, fixAllowed, available);
    }
    m_dragSource = NoSource;
    return fixAllowed ? ReleaseResult::NoTarget : ReleaseResult::Blocked;
}

MappingLineModel::ReleaseResult MappingLineModel::fix(Field target, bool fixAllowed, const Availability &available)
{
    if (!isDragging())
        return ReleaseResult::NotDragging;
    const int source = m_dragSource;
    m_dragSource = NoSource;
    if (!fixAllowed)
        return ReleaseResult::Blocked;
    if ((target != Field::MappedData1 && target != Field::MappedData2) || !exists(available, target))
        return ReleaseResult::NoTarget;
    // One source per mapped field: the new line replaces the old one.
    (target == Field::MappedData1 ? m_sources.data1 : m_sources.data2) = source;
    return ReleaseResult::Fixed;
}

std::optional<QLineF> MappingLineModel::dragLine(const Geometry &geometry) const
{
    if (!isDragging())
        return std::nullopt;
    const std::optional<QRect> rect = geometry.rect(originalField(m_dragSource));
    if (!rect)
        return std::nullopt;
    return QLineF(QPointF(rect->right() + 1, rect->center().y()), m_dragEnd);
}

std::optional<QLineF> MappingLineModel::segment(int source, Field target, const Geometry &geometry)
{
    const std::optional<QRect> from = geometry.rect(originalField(source));
    const std::optional<QRect> to = geometry.rect(target);
    if (!from || !to)
        return std::nullopt;
    // From the original field's right edge to the mapped field's left edge.
    return QLineF(QPointF(from->right() + 1, from->center().y()), QPointF(to->left(), to->center().y()));
}

QVector<MappingLineModel::Line> MappingLineModel::lines(const Geometry &geometry) const
{
    QVector<Line> out;
    for (const Field target : {Field::MappedData1, Field::MappedData2}) {
        const int source = target == Field::MappedData1 ? m_sources.data1 : m_sources.data2;
        if (!validSource(source))
            continue;
        if (const std::optional<QLineF> s = segment(source, target, geometry))
            out.append({source, target, *s});
    }
    return out;
}

double MappingLineModel::distanceToSegment(const QPointF &point, const QLineF &segment)
{
    const QPointF d = segment.p2() - segment.p1();
    const double lengthSquared = d.x() * d.x() + d.y() * d.y();
    double t = 0.0;
    if (lengthSquared > 0.0)
        t = qBound(0.0, QPointF::dotProduct(point - segment.p1(), d) / lengthSquared, 1.0);
    const QPointF nearest = segment.p1() + t * d;
    const QPointF gap = point - nearest;
    return qSqrt(gap.x() * gap.x() + gap.y() * gap.y());
}

std::optional<MappingLineModel::Field> MappingLineModel::lineNear(const QPointF &point,
                                                                  const Geometry &geometry) const
{
    std::optional<Field> best;
    double bestDistance = RemoveDistance;
    for (const Line &line : lines(geometry)) {
        const double distance = distanceToSegment(point, line.segment);
        if (distance <= bestDistance) {
            bestDistance = distance;
            best = line.target;
        }
    }
    return best;
}

void MappingLineModel::removeLineTo(Field target)
{
    if (target == Field::MappedData1)
        m_sources.data1 = NoSource;
    else if (target == Field::MappedData2)
        m_sources.data2 = NoSource;
}

void MappingLineModel::dropUnavailable(const Availability &available)
{
    const auto keep = [&available](int source, Field target) {
        return validSource(source) && exists(available, originalField(source)) && exists(available, target)
            ? source
            : NoSource;
    };
    m_sources.data1 = keep(m_sources.data1, Field::MappedData1);
    m_sources.data2 = keep(m_sources.data2, Field::MappedData2);
}

MappingLineModel::Sources MappingLineModel::straightSources(const Availability &a)
{
    return {a.originalData1 && a.mappedData1 ? FromData1 : NoSource,
            a.originalData2 && a.mappedData2 ? FromData2 : NoSource};
}

// Pairing when a side is a SysEx message. Original Data1 goes first and
// takes the first mapped field there is (yellow); Original Data2 takes the
// first one left (green). Each original field feeds at most one field here.
//
//   Original   Mapped      data1MappingFrom  data2MappingFrom
//   D1  D2     D1  D2
//   yes no     yes any     1                 -1
//   yes no     no  yes     -1                1
//   yes yes    yes yes     1                 2
//   yes yes    yes no      1                 -1
//   yes yes    no  yes     -1                1
//   no  yes    yes any     2                 -1
//   no  yes    no  yes     -1                2
//   no  no     any any     -1                -1
//   any any    no  no      -1                -1
MappingLineModel::Sources MappingLineModel::pairedSources(const Availability &a)
{
    Sources s;
    bool mappedData1Free = a.mappedData1;
    bool mappedData2Free = a.mappedData2;
    const auto take = [&](int source) {
        if (mappedData1Free) {
            s.data1 = source;
            mappedData1Free = false;
        } else if (mappedData2Free) {
            s.data2 = source;
            mappedData2Free = false;
        }
    };
    if (a.originalData1)
        take(FromData1);
    if (a.originalData2)
        take(FromData2);
    return s;
}

// What reconcileSources makes of the sources while a side is a SysEx message:
//   1. a source whose original or mapped end is gone is dropped;
//   2. while the ends stay as they were, the user's lines stand, even none;
//   3. when a Data row or a type changed the ends and a source survived
//      step 1, the user's lines stand;
//   4. when the ends changed and no source is left, the pairing above
//      connects the new ends at once.
MappingLineModel::Sources MappingLineModel::derivedSources(const Availability &before, const Availability &now,
                                                           const Sources &current)
{
    MappingLineModel model;
    model.setSources(current);
    model.dropUnavailable(now);
    const Sources kept = model.sources();
    if (before == now || kept.data1 != NoSource || kept.data2 != NoSource)
        return kept;
    return pairedSources(now);
}

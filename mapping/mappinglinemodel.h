#pragma once

#include <QLineF>
#include <QPoint>
#include <QRect>
#include <QVector>

#include <array>
#include <optional>

// The lines of the mapping page that say where the mapped Data1 and Data2
// take their values from, free of painting. The lines are views of two
// sources (data1MappingFrom, data2MappingFrom: -1, 1 or 2); the geometry is
// handed in by whoever knows where the fields are, in the overlay's
// coordinates, so tests can drive every decision with plain rectangles.
class MappingLineModel
{
public:
    static constexpr int NoSource = -1;
    static constexpr int FromData1 = 1;
    static constexpr int FromData2 = 2;
    // A right click this close to a line (point to segment) offers to remove it.
    static constexpr qreal RemoveDistance = 18.0;

    // The four ends a line can have. A standard side's ends are its Data
    // fields; a SysEx side's are its Data rows.
    enum class Field { OriginalData1, OriginalData2, MappedData1, MappedData2 };

    // Which ends the sides currently have (a type that carries the byte, or
    // a SysEx table holding that Data row).
    struct Availability
    {
        bool originalData1 = false;
        bool originalData2 = false;
        bool mappedData1 = false;
        bool mappedData2 = false;

        bool operator==(const Availability &o) const
        {
            return originalData1 == o.originalData1 && originalData2 == o.originalData2
                && mappedData1 == o.mappedData1 && mappedData2 == o.mappedData2;
        }
        bool operator!=(const Availability &o) const { return !(*this == o); }
    };

    struct Sources
    {
        int data1 = NoSource;
        int data2 = NoSource;

        bool operator==(const Sources &o) const { return data1 == o.data1 && data2 == o.data2; }
    };

    // Where the ends are on screen; an end without a rectangle is not shown.
    struct Geometry
    {
        std::array<std::optional<QRect>, 4> rects;

        void set(Field field, const QRect &rect) { rects[static_cast<int>(field)] = rect; }
        [[nodiscard]] std::optional<QRect> rect(Field field) const { return rects[static_cast<int>(field)]; }
    };

    struct Line
    {
        int source = NoSource;   // 1 or 2: the original end, and the colour
        Field target = Field::MappedData1;
        QLineF segment;
    };

    enum class PressResult { Started, Blocked, NotInRightQuarter, NotOnSource };
    enum class ReleaseResult { Fixed, Blocked, NoTarget, NotDragging };

    [[nodiscard]] Sources sources() const { return m_sources; }
    void setSources(const Sources &sources);
    void clear();

    // "  draw": while off, no line starts and only straight lines stay.
    [[nodiscard]] bool drawEnabled() const { return m_drawEnabled; }
    void setDrawEnabled(bool enabled);

    // A press starts a line from an original end only in the right quarter
    // of its field, only while that end exists and drawing is on, and only
    // while startAllowed (the original side shows an editor with fields).
    [[nodiscard]] PressResult press(const QPoint &point, bool startAllowed, const Availability &available,
                                    const Geometry &geometry);
    // The keyboard's way to the same decisions: start from a source (1 or 2)
    // with the free end at `at`, fix on a mapped field, or let go.
    [[nodiscard]] PressResult start(int source, bool startAllowed, const Availability &available,
                                    const QPoint &at);
    [[nodiscard]] ReleaseResult fix(Field target, bool fixAllowed, const Availability &available);
    void cancelDrag() { m_dragSource = NoSource; }
    void move(const QPoint &point);
    // A release fixes the dragged line on a mapped end that exists, while
    // fixAllowed (the mapped side is not on its placeholder page); a line
    // from the other source to that end goes. Any release ends the drag.
    [[nodiscard]] ReleaseResult release(const QPoint &point, bool fixAllowed, const Availability &available,
                                        const Geometry &geometry);
    [[nodiscard]] bool isDragging() const { return m_dragSource != NoSource; }
    [[nodiscard]] int dragSource() const { return m_dragSource; }
    [[nodiscard]] std::optional<QLineF> dragLine(const Geometry &geometry) const;

    // The fixed lines whose both ends are on screen.
    [[nodiscard]] QVector<Line> lines(const Geometry &geometry) const;
    // The mapped end of the nearest line within RemoveDistance of point.
    [[nodiscard]] std::optional<Field> lineNear(const QPointF &point, const Geometry &geometry) const;
    void removeLineTo(Field target);

    // Forgets a source whose original or mapped end no longer exists.
    void dropUnavailable(const Availability &available);

    // Both sides standard: the mapped Data1 from Original Data1 and the
    // mapped Data2 from Original Data2, where both ends exist.
    [[nodiscard]] static Sources straightSources(const Availability &available);
    // A SysEx side on the page: see the table in the source file.
    [[nodiscard]] static Sources pairedSources(const Availability &available);
    [[nodiscard]] static Sources derivedSources(const Availability &before, const Availability &now,
                                               const Sources &current);

    [[nodiscard]] static double distanceToSegment(const QPointF &point, const QLineF &segment);
    [[nodiscard]] static bool inRightQuarter(const QRect &rect, const QPoint &point);

private:
    [[nodiscard]] static std::optional<QLineF> segment(int source, Field target, const Geometry &geometry);

    Sources m_sources;
    bool m_drawEnabled = true;
    int m_dragSource = NoSource;
    QPoint m_dragEnd;
};

#pragma once

#include "mapping/mappinglinemodel.h"

#include <QWidget>

class MappingSidePanel;
class Prompt;

// The transparent layer over the mapping page on which the lines between
// the original and the mapped Data fields are drawn and dragged. It watches
// the mouse on the page, asks the line model what a press, drag, release or
// right click means, and keeps the mapped fields' colours in step with the
// sources (data1MappingFrom, data2MappingFrom) the lines stand for.
//
// The same lines from the keyboard: the Data fields take Tab focus; Space
// (or Enter) on an original field starts a line, which follows the focus
// until Space on a mapped field fixes it; Escape lets it go; Delete on a
// mapped field asks to remove the line that feeds it.
class MappingOverlay : public QWidget
{
    Q_OBJECT

public:
    // Lays itself over page, which must be the common ancestor of the sides.
    MappingOverlay(MappingSidePanel *original, MappingSidePanel *mapped, QWidget *page);

    void setPrompt(Prompt *prompt) { m_prompt = prompt; }

    [[nodiscard]] MappingLineModel::Sources sources() const { return m_model.sources(); }
    [[nodiscard]] const MappingLineModel &model() const { return m_model; }

    // The ends each side has now, and where they are in this widget.
    [[nodiscard]] MappingLineModel::Availability availability() const;
    [[nodiscard]] MappingLineModel::Geometry geometry() const;
    [[nodiscard]] QVector<MappingLineModel::Line> lines() const { return m_model.lines(geometry()); }

    // Sources set from outside (a shown rule, the page's setters); the ends
    // the sides have now count as seen, so nothing is paired on top.
    void setSources(const MappingLineModel::Sources &sources);
    // Page reset: no sources, no drag.
    void clearLines();
    // A standard mapped type was chosen next to a standard original.
    void presetStraightSources();

public slots:
    // The sources again from the lines and the ends the sides have now; runs
    // after every change of lines, types, pages or SysEx rows.
    void reconcileSources();
    void setDrawEnabled(bool enabled);
    void onTableViewScrolled(int value);
    // Colours and lines from the sources.
    void rebuild();

signals:
    void sourcesChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    [[nodiscard]] bool isOnPage(QObject *object) const;
    [[nodiscard]] bool isControl(QObject *object) const;
    bool handlePress(const QPoint &point, Qt::MouseButton button);
    bool handleRelease(const QPoint &point);
    bool handleKey(QWidget *widget, int key);
    void logStart(MappingLineModel::PressResult result);
    void finishDrag(MappingLineModel::ReleaseResult result, int source, bool onData1);
    void askToRemove(MappingLineModel::Field target);
    // The field a widget is the end of, if it is one now.
    [[nodiscard]] std::optional<MappingLineModel::Field> endOf(const QWidget *widget) const;
    [[nodiscard]] QWidget *endWidget(MappingLineModel::Field field) const;
    void prepareEnds();
    void setSourcesQuietly(const MappingLineModel::Sources &sources);

    MappingSidePanel *const m_original;
    MappingSidePanel *const m_mapped;
    QWidget *const m_page;
    Prompt *m_prompt = nullptr;
    MappingLineModel m_model;
    MappingLineModel::Availability m_lastSeen;
};

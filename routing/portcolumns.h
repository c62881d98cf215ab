#pragma once

#include "routing/hublayout.h"
#include "routing/route.h"

#include <QLabel>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QString>

class QColor;
class UsbNameSlots;
class QGraphicsView;
class QHBoxLayout;
class QPushButton;
class QVBoxLayout;
class QWidget;

// The two columns of port buttons laid directly on the routing view's
// viewport, with the name of what is plugged in beside every USB port. The
// empty space between the buttons still takes the mouse to the scene (where
// the route lines are), and the buttons are children of the viewport so that
// assistive tools find them.
class PortColumns : public QObject
{
    Q_OBJECT

public:
    static const QString NoDeviceText;
    static const QString ButtonStyleIdle;
    static const QString ButtonStyleActive;
    static const QString SelectionStyle;
    static const QString HintToolTip;
    static const QString HintToolTipStyle;
    static constexpr int ButtonWidth = 120;
    static constexpr int ButtonHeight = 35;
    static constexpr int InputHeaderMargin = 43;
    static constexpr int RowSpacing = 10;

    explicit PortColumns(QGraphicsView *view, QObject *parent = nullptr);

    // Deletes every button, label and layout of the columns and builds them
    // again from the counts.
    void rebuild(const Routing::PortCounts &counts);
    // No buttons; both headers say that no device is connected.
    void clear();

    [[nodiscard]] Routing::PortCounts counts() const { return m_counts; }
    [[nodiscard]] const QList<QPushButton *> &inputButtons() const { return m_inputButtons; }
    [[nodiscard]] const QList<QPushButton *> &outputButtons() const { return m_outputButtons; }
    [[nodiscard]] const QList<QLabel *> &inputNameLabels() const { return m_inputNameLabels; }
    [[nodiscard]] const QList<QLabel *> &outputNameLabels() const { return m_outputNameLabels; }
    [[nodiscard]] QString inputHeaderText() const;
    [[nodiscard]] QString outputHeaderText() const;
    [[nodiscard]] QLabel *hintLabel() const { return m_hint; }

    [[nodiscard]] QPushButton *inputButton(const Routing::Port &port) const;
    [[nodiscard]] QPushButton *outputButton(const Routing::Port &port) const;

    // Scene points where an input's line starts (right edge, vertical centre)
    // and an output's line ends (left edge, vertical centre).
    [[nodiscard]] QPointF lineStart(const QWidget *button) const;
    [[nodiscard]] QPointF lineEnd(const QWidget *button) const;
    [[nodiscard]] QPointF sceneFromGlobal(const QPoint &global) const;

    void modifyLabelText(int listType, int index, const QString &text);
    // Every USB name label shows what the names say is plugged in there.
    void showNames(const UsbNameSlots &names);
    // Black text for USB ports with something plugged in, gray for the rest;
    // the first USB port always reads black.
    void colourUsbPorts(const UsbNameSlots &names);
    // Shows the USB buttons the hub count allows and places the hint.
    void applyHubLayout(const Routing::HubLayout &layout);

    // The two resize measures: the input header's left margin and the row
    // spacing grow a little with the window.
    void setMeasures(int headerMargin, int spacing);

    static void setButtonTextColour(QPushButton *button, const QColor &colour);
    static void setLabelTextColour(QLabel *label, const QColor &colour);

private:
    void deleteLayout();
    void fitViewHeight();
    void placeHint(int slot);

    QGraphicsView *const m_view;
    Routing::PortCounts m_counts;
    QVBoxLayout *m_outer = nullptr;
    QVBoxLayout *m_inputColumn = nullptr;
    QVBoxLayout *m_outputColumn = nullptr;
    QHBoxLayout *m_inputHeaderRow = nullptr;
    QLabel *m_inputHeaderLabel = nullptr;
    QLabel *m_outputHeaderLabel = nullptr;
    QList<QPushButton *> m_inputButtons;
    QList<QPushButton *> m_outputButtons;
    QList<QHBoxLayout *> m_inputRows;
    QList<QLabel *> m_inputNameLabels;
    QList<QLabel *> m_outputNameLabels;
    QPointer<QLabel> m_hint;
};

#pragma once

#include "mapping/mappingports.h"

#include <QList>
#include <QPointer>
#include <QVector>
#include <QWidget>

class QCheckBox;
class QLabel;
class UsbNameSlots;

// "Select Port to Map:": one check box per device port in two columns, each
// with a label that names what is plugged into a USB port. The boxes are
// labelled from the device's filter port counts; the same layout gives the
// order of the rule's port mask.
class MappingPortPanel : public QWidget
{
    Q_OBJECT

public:
    static constexpr int BoxesPerSide = MappingPorts::BoxesPerSide;

    explicit MappingPortPanel(QWidget *parent = nullptr);

    [[nodiscard]] const QList<QCheckBox *> &inputBoxes() const { return m_inBoxes; }
    [[nodiscard]] const QList<QCheckBox *> &outputBoxes() const { return m_outBoxes; }
    [[nodiscard]] QLabel *inputLabel(int i) const { return m_inLabels.value(i); }
    [[nodiscard]] QLabel *outputLabel(int i) const { return m_outLabels.value(i); }

    // What is plugged into the USB ports; the labels follow it.
    void setUsbNames(const UsbNameSlots *names);
    // Labels the boxes from the six filter port counts and shows them.
    void setPortCounts(const QVector<int> &counts);
    // The ports in mask order; a hidden or unchecked box is false.
    [[nodiscard]] QVector<bool> maskEntries() const;
    // Checks the boxes from mask entries, in the same order.
    void setMaskEntries(const QVector<bool> &entries);
    void clearChecks();
    void setBoxesVisible(bool visible);
    // The labels of the third port pair are shown only on the Alder-4.
    void setThirdPortLabelsShown(bool shown);

public slots:
    // Each USB label names what is plugged in, in black, or says nothing is,
    // in gray.
    void refreshUsbLabels();

private:
    [[nodiscard]] QCheckBox *box(const MappingPorts::BoxRef &ref) const;
    void setColumnChecked(const QList<QCheckBox *> &boxes, bool checked);
    void updateColumnBox(bool input);

    QList<QCheckBox *> m_inBoxes;
    QList<QCheckBox *> m_outBoxes;
    QList<QLabel *> m_inLabels;
    QList<QLabel *> m_outLabels;
    QCheckBox *m_allInputsBox = nullptr;
    QCheckBox *m_allOutputsBox = nullptr;
    MappingPorts::Layout m_layout;
    QPointer<const UsbNameSlots> m_names;
};

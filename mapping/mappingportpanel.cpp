#include "mapping/mappingportpanel.h"

#include "mapping/mappinglogging.h"
#include "routing/usbnameslots.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>

MappingPortPanel::MappingPortPanel(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("portPanel"));
    auto *ports = new QGridLayout(this);
    ports->addWidget(new QLabel(QStringLiteral("Select Port to Map:"), this), 0, 0, 1, 2);
    m_allInputsBox = new QCheckBox(QStringLiteral("Input Ports"), this);
    m_allInputsBox->setObjectName(QStringLiteral("allInputsBox"));
    m_allInputsBox->setAccessibleName(m_allInputsBox->text());
    m_allOutputsBox = new QCheckBox(QStringLiteral("Output Ports"), this);
    m_allOutputsBox->setObjectName(QStringLiteral("allOutputsBox"));
    m_allOutputsBox->setAccessibleName(m_allOutputsBox->text());
    ports->addWidget(m_allInputsBox, 1, 0, 1, 2);
    ports->addWidget(m_allOutputsBox, 2 + BoxesPerSide, 0, 1, 2);

    for (const bool input : {true, false}) {
        const int firstRow = input ? 2 : 3 + BoxesPerSide;
        for (int i = 0; i < BoxesPerSide; ++i) {
            const QString name = QStringLiteral("%1Port%2").arg(input ? "input" : "output").arg(i);
            auto *box = new QCheckBox(this);
            box->setObjectName(name + QStringLiteral("Box"));
            auto *label = new QLabel(this);
            label->setObjectName(name + QStringLiteral("Label"));
            box->hide();
            (input ? m_inBoxes : m_outBoxes).append(box);
            (input ? m_inLabels : m_outLabels).append(label);
            ports->addWidget(box, firstRow + i, 0);
            ports->addWidget(label, firstRow + i, 1);
            connect(box, &QCheckBox::toggled, this, [this, input] { updateColumnBox(input); });
        }
    }
    ports->setRowStretch(3 + 2 * BoxesPerSide, 1);

    connect(m_allInputsBox, &QCheckBox::clicked, this,
            [this](bool checked) { setColumnChecked(m_inBoxes, checked); });
    connect(m_allOutputsBox, &QCheckBox::clicked, this,
            [this](bool checked) { setColumnChecked(m_outBoxes, checked); });
}

void MappingPortPanel::updateColumnBox(bool input)
{
    // Checked when every shown box of the column is.
    const QList<QCheckBox *> &boxes = input ? m_inBoxes : m_outBoxes;
    bool all = false;
    for (const QCheckBox *b : boxes) {
        if (b->isHidden())
            continue;
        if (!b->isChecked()) {
            all = false;
            break;
        }
        all = true;
    }
    (input ? m_allInputsBox : m_allOutputsBox)->setChecked(all);
}

void MappingPortPanel::setColumnChecked(const QList<QCheckBox *> &boxes, bool checked)
{
    for (QCheckBox *box : boxes) {
        if (!box->isHidden())
            box->setChecked(checked);
    }
}

void MappingPortPanel::setUsbNames(const UsbNameSlots *names)
{
    if (m_names)
        disconnect(m_names, nullptr, this, nullptr);
    m_names = names;
    if (names)
        connect(names, &UsbNameSlots::namesChanged, this, &MappingPortPanel::refreshUsbLabels);
    refreshUsbLabels();
}

void MappingPortPanel::setPortCounts(const QVector<int> &counts)
{
    m_layout = MappingPorts::fromFilterCounts(counts);
    for (const bool input : {true, false}) {
        const QVector<MappingPorts::Port> &ports = input ? m_layout.inputs : m_layout.outputs;
        const QList<QCheckBox *> &boxes = input ? m_inBoxes : m_outBoxes;
        const QList<QLabel *> &labels = input ? m_inLabels : m_outLabels;
        for (int i = 0; i < boxes.size(); ++i) {
            const bool used = i < ports.size();
            const QString text = used ? ports.at(i).text : QString();
            boxes.at(i)->setText(text);
            boxes.at(i)->setAccessibleName(text);
            boxes.at(i)->setChecked(false);
            boxes.at(i)->setVisible(used);
            labels.at(i)->clear();
        }
    }
    refreshUsbLabels();
}

void MappingPortPanel::refreshUsbLabels()
{
    for (const bool input : {true, false}) {
        const QVector<MappingPorts::Port> &ports = input ? m_layout.inputs : m_layout.outputs;
        const QList<QLabel *> &labels = input ? m_inLabels : m_outLabels;
        for (int i = 0; i < ports.size() && i < labels.size(); ++i) {
            const int slot = ports.at(i).usbSlot;
            if (slot < 0)
                continue;
            const bool attached = m_names && m_names->isAttached(slot);
            QLabel *label = labels.at(i);
            label->setText(MappingPorts::usbNameLabel(m_names ? m_names->name(slot) : QString()));
            QPalette palette = label->palette();
            for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
                palette.setColor(group, QPalette::WindowText,
                                 attached ? this->palette().color(QPalette::WindowText) : QColor(Qt::gray));
            label->setPalette(palette);
        }
    }
}

QCheckBox *MappingPortPanel::box(const MappingPorts::BoxRef &ref) const
{
    return (ref.input ? m_inBoxes : m_outBoxes).value(ref.index);
}

QVector<bool> MappingPortPanel::maskEntries() const
{
    QVector<bool> entries;
    for (const MappingPorts::BoxRef &ref : MappingPorts::maskOrder(m_layout)) {
        const QCheckBox *b = box(ref);
        entries.append(b && !b->isHidden() && b->isChecked());
    }
    return entries;
}

void MappingPortPanel::setMaskEntries(const QVector<bool> &entries)
{
    const QVector<MappingPorts::BoxRef> order = MappingPorts::maskOrder(m_layout);
    for (int i = 0; i < order.size() && i < entries.size(); ++i) {
        QCheckBox *b = box(order.at(i));
        if (!b)
            continue;
        b->setChecked(entries.at(i));
        qCDebug(lcMapping).noquote() << "Set" << b->objectName() << "to" << entries.at(i);
    }
}

void MappingPortPanel::clearChecks()
{
    for (const QList<QCheckBox *> *boxes : {&m_inBoxes, &m_outBoxes}) {
        for (QCheckBox *b : *boxes)
            b->setChecked(false);
    }
}

void MappingPortPanel::setBoxesVisible(bool visible)
{
    // Before the device reported its ports every box is offered; afterwards
    // only the boxes that stand for a port.
    const bool labelled = !m_layout.inputs.isEmpty() || !m_layout.outputs.isEmpty();
    for (const bool input : {true, false}) {
        const QList<QCheckBox *> &boxes = input ? m_inBoxes : m_outBoxes;
        const int ports = (input ? m_layout.inputs : m_layout.outputs).size();
        for (int i = 0; i < boxes.size(); ++i)
            boxes.at(i)->setVisible(visible && (!labelled || i < ports));
    }
}

void MappingPortPanel::setThirdPortLabelsShown(bool shown)
{
    for (QLabel *label : {m_inLabels.at(2), m_outLabels.at(2)}) {
        if (!shown)
            label->clear();
        label->setVisible(shown);
    }
    // Hiding cleared them: shown again, they name what is plugged in at once
    // rather than at the next name report.
    if (shown)
        refreshUsbLabels();
}

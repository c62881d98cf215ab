#include "routing/portcolumns.h"

#include "routing/routeprotocol.h"
#include "routing/usbnameslots.h"

#include <QDebug>
#include <QGraphicsView>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

using namespace Routing;

const QString PortColumns::NoDeviceText = QStringLiteral("No device connected");
const QString PortColumns::ButtonStyleIdle = QStringLiteral(
    "QPushButton{background-color:rgb(216,216,216);border:0px solid gray;border-radius:8px;}");
const QString PortColumns::ButtonStyleActive = QStringLiteral(
    "QPushButton{background-color:rgb(146, 208, 80);border:0px solid gray;border-radius:8px;}");
const QString PortColumns::SelectionStyle = QStringLiteral(
    "QPushButton{background-color:rgb(255,165,0);border:0px solid gray;border-radius:8px;}");
const QString PortColumns::HintToolTip = QStringLiteral(
    "<div><span style='white-space:nowrap;'>If this product supports connecting to a USB hub, please "
    "connect the USB devices to the USB hub first,</span><br><span style='white-space:nowrap;'>and "
    "then connect the USB hub to the USB host port to obtain the correct USB device sequence."
    "</span></div>");
const QString PortColumns::HintToolTipStyle = QStringLiteral(
    "QToolTip { background-color: #ffffff; color: #222222; border: 1px solid #cfcfcf; "
    "padding: 6px 8px; border-radius: 6px; min-width: 560px;}");

namespace {

constexpr int PictureSize = 30;
constexpr int HintSize = 15;
constexpr int HintToolTipMs = 5000000;

// What assistive tools read for a port button: the port with its side,
// "MIDI IN 1", "USB HOST OUT 2", "USB DEVICE IN 1".
QString accessiblePortName(const QString &text, Side side)
{
    const auto port = parseButtonText(text, side);
    if (!port || port->type == FivePin)
        return text;
    return QStringLiteral("%1 %2 %3")
        .arg(port->type == UsbHost ? QStringLiteral("USB HOST") : QStringLiteral("USB DEVICE"),
             side == Side::Input ? QStringLiteral("IN") : QStringLiteral("OUT"))
        .arg(port->number);
}

void invalidateLayouts(QLayout *layout)
{
    for (int i = 0; i < layout->count(); ++i) {
        if (QLayout *child = layout->itemAt(i)->layout())
            invalidateLayouts(child);
    }
    layout->invalidate();
}

void deleteLayoutItems(QLayout *layout)
{
    while (QLayoutItem *item = layout->takeAt(0)) {
        if (QWidget *widget = item->widget())
            delete widget;
        if (QLayout *child = item->layout())
            deleteLayoutItems(child);
        delete item; // a nested layout is its own item
    }
}

} // namespace

PortColumns::PortColumns(QGraphicsView *view, QObject *parent)
    : QObject(parent)
    , m_view(view)
{
}

QString PortColumns::inputHeaderText() const
{
    return m_inputHeaderLabel ? m_inputHeaderLabel->text() : QString();
}

QString PortColumns::outputHeaderText() const
{
    return m_outputHeaderLabel ? m_outputHeaderLabel->text() : QString();
}

void PortColumns::deleteLayout()
{
    m_inputButtons.clear();
    m_outputButtons.clear();
    m_inputRows.clear();
    m_inputNameLabels.clear();
    m_outputNameLabels.clear();
    m_inputHeaderLabel = nullptr;
    m_outputHeaderLabel = nullptr;
    m_inputHeaderRow = nullptr;
    m_inputColumn = nullptr;
    m_outputColumn = nullptr;
    if (QLayout *layout = m_view->viewport()->layout()) {
        deleteLayoutItems(layout);
        delete layout;
    }
    m_outer = nullptr;
    delete m_hint;
}

void PortColumns::clear()
{
    rebuild(PortCounts{});
    for (QLabel *header : {m_inputHeaderLabel, m_outputHeaderLabel}) {
        header->setText(NoDeviceText);
        // The whole sentence, not the button's width of it.
        header->setMaximumWidth(QWIDGETSIZE_MAX);
        header->setMinimumWidth(header->sizeHint().width());
    }
}

void PortColumns::rebuild(const PortCounts &counts)
{
    deleteLayout();
    m_counts = counts;

    QWidget *const viewport = m_view->viewport();
    // The user's font, whatever its size: the buttons grow with it.
    const QFont canvasFont = m_view->font();

    m_inputColumn = new QVBoxLayout;
    m_outputColumn = new QVBoxLayout;
    m_inputColumn->setObjectName(QStringLiteral("inputColumn"));
    m_outputColumn->setObjectName(QStringLiteral("outputColumn"));

    // Widgets added to the layout of a shown view would only appear after the
    // event loop ran; the lines drawn right after a rebuild need them shown.
    QList<QWidget *> created;
    auto emptyLabel = [&](Qt::Alignment alignment) {
        auto *label = new QLabel(viewport);
        created.append(label);
        label->setFont(canvasFont);
        label->setAlignment(alignment | Qt::AlignVCenter);
        return label;
    };
    auto headerLabel = [&](const QString &text, const char *name) {
        auto *label = new QLabel(text, viewport);
        created.append(label);
        label->setObjectName(QLatin1String(name));
        label->setFont(canvasFont);
        // As wide as the buttons below it, or as its text needs.
        label->setFixedWidth(qMax(ButtonWidth, label->sizeHint().width()));
        return label;
    };

    m_inputHeaderLabel = headerLabel(QStringLiteral(" Input Ports"), "inputHeaderLabel");
    m_outputHeaderLabel = headerLabel(QStringLiteral("Output Ports"), "outputHeaderLabel");
    m_inputHeaderRow = new QHBoxLayout;
    m_inputHeaderRow->setContentsMargins(InputHeaderMargin, 0, 0, 0);
    m_inputHeaderRow->addWidget(emptyLabel(Qt::AlignRight));
    m_inputHeaderRow->addWidget(m_inputHeaderLabel);
    m_inputColumn->addLayout(m_inputHeaderRow);
    auto *outHeaderRow = new QHBoxLayout;
    outHeaderRow->setContentsMargins(25, 0, 0, 0);
    outHeaderRow->addWidget(m_outputHeaderLabel);
    outHeaderRow->addWidget(emptyLabel(Qt::AlignLeft));
    m_outputColumn->addLayout(outHeaderRow);

    auto makeButton = [&](const QString &text, const QString &style, Side side) {
        auto *button = new QPushButton(text, viewport);
        created.append(button);
        const QString id = QString(text).replace(QLatin1Char(' '), QLatin1Char('_'));
        button->setObjectName((side == Side::Input ? QStringLiteral("in_") : QStringLiteral("out_")) + id);
        button->setAccessibleName(accessiblePortName(text, side));
        button->setAccessibleDescription(side == Side::Input ? QStringLiteral("Input port")
                                                             : QStringLiteral("Output port"));
        button->setStyleSheet(style);
        button->setFont(canvasFont);
        // 120 x 35 is the default look; a larger font makes larger buttons.
        button->setFixedSize(QSize(ButtonWidth, ButtonHeight).expandedTo(button->sizeHint()));
        // The line colour is read from the buttons' text colour, so it must not
        // depend on the platform's palette.
        setButtonTextColour(button, Qt::black);
        return button;
    };
    auto addInputRow = [&](QPushButton *button, QLabel *label) {
        auto *row = new QHBoxLayout;
        row->addWidget(label);
        row->addWidget(button);
        m_inputColumn->addLayout(row);
        m_inputButtons.append(button);
        m_inputRows.append(row);
    };
    auto addOutputRow = [&](QPushButton *button, QLabel *label) {
        auto *row = new QHBoxLayout;
        row->addWidget(button);
        row->addWidget(label);
        m_outputColumn->addLayout(row);
        m_outputButtons.append(button);
    };

    for (int n = 1; n <= counts.midiIn; ++n)
        addInputRow(makeButton(buttonText({FivePin, n}, Side::Input), ButtonStyleIdle, Side::Input),
                    emptyLabel(Qt::AlignRight));
    for (int n = 1; n <= counts.midiOut; ++n)
        addOutputRow(makeButton(buttonText({FivePin, n}, Side::Output), ButtonStyleIdle, Side::Output),
                     emptyLabel(Qt::AlignLeft));

    auto addUsbPorts = [&](int kind, int count) {
        for (int n = 1; n <= count; ++n) {
            const QString text = buttonText({kind, n}, Side::Input);
            QLabel *inName = emptyLabel(Qt::AlignRight);
            QLabel *outName = emptyLabel(Qt::AlignLeft);
            inName->setObjectName(QStringLiteral("inputNameLabel%1").arg(m_inputNameLabels.size()));
            outName->setObjectName(QStringLiteral("outputNameLabel%1").arg(m_outputNameLabels.size()));
            m_inputNameLabels.append(inName);
            m_outputNameLabels.append(outName);
            addInputRow(makeButton(text, ButtonStyleActive, Side::Input), inName);
            addOutputRow(makeButton(text, ButtonStyleActive, Side::Output), outName);
        }
    };
    addUsbPorts(UsbHost, counts.usbHost);
    addUsbPorts(UsbDevice, counts.usbDev);

    // The first USB HOST input carries a picture beside its name.
    for (int i = 0; i < m_inputButtons.size(); ++i) {
        if (m_inputButtons.at(i)->text() != QLatin1String("USB HOST 1"))
            continue;
        auto *picture = new QLabel(viewport);
        created.append(picture);
        picture->setObjectName(QStringLiteral("usbHostPicture"));
        // From the icon, which holds a picture for each screen scale.
        const QPixmap pixmap = QIcon(QStringLiteral(":/gth2.png")).pixmap(QSize(PictureSize, PictureSize));
        if (pixmap.isNull())
            picture->setText(QStringLiteral("图片加载失败"));
        else
            picture->setPixmap(pixmap);
        m_inputRows.at(i)->insertWidget(0, picture);
        m_inputRows.at(i)->setSpacing(5);
        break;
    }

    for (QVBoxLayout *column : {m_inputColumn, m_outputColumn}) {
        column->setContentsMargins(40, 5, 40, 5);
        column->setSpacing(RowSpacing);
        column->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Preferred, QSizePolicy::Expanding));
    }
    auto *canvasRow = new QHBoxLayout;
    canvasRow->addStretch(1);
    canvasRow->addLayout(m_inputColumn);
    canvasRow->addStretch(6);
    canvasRow->addLayout(m_outputColumn);
    canvasRow->addStretch(1);
    m_outer = new QVBoxLayout(viewport);
    m_outer->setContentsMargins(10, 10, 10, 10);
    m_outer->setSpacing(10);
    m_outer->addLayout(canvasRow);
    m_outer->addSpacerItem(new QSpacerItem(0, 0, QSizePolicy::Preferred, QSizePolicy::Expanding));

    for (QWidget *widget : qAsConst(created))
        widget->show();
    fitViewHeight();
}

void PortColumns::fitViewHeight()
{
    if (!m_outer)
        return;
    // The rows' layouts keep their sizes until the next layout pass; a row
    // the hub count just hid must not count.
    invalidateLayouts(m_outer);
    // Exactly the height the shown rows need: the view fills the page and
    // scrolls only when the page is shorter than the columns.
    m_view->setMinimumHeight(m_outer->totalMinimumSize().height() + 2 * m_view->frameWidth());
    // Lay the buttons out now: the lines drawn right after a change are
    // placed from the buttons' geometry.
    m_outer->activate();
}

QPushButton *PortColumns::inputButton(const Port &port) const
{
    const auto index = inputIndex(port, m_counts);
    return index && *index < m_inputButtons.size() ? m_inputButtons.at(*index) : nullptr;
}

QPushButton *PortColumns::outputButton(const Port &port) const
{
    const auto index = outputIndex(port, m_counts);
    return index && *index < m_outputButtons.size() ? m_outputButtons.at(*index) : nullptr;
}

QPointF PortColumns::sceneFromGlobal(const QPoint &global) const
{
    const QPoint inViewport = m_view->viewport()->mapFromGlobal(global);
    return m_view->viewportTransform().inverted().map(QPointF(inViewport));
}

QPointF PortColumns::lineStart(const QWidget *button) const
{
    if (!button)
        return {};
    return sceneFromGlobal(button->mapToGlobal(QPoint(button->width(), button->height() / 2)));
}

QPointF PortColumns::lineEnd(const QWidget *button) const
{
    if (!button)
        return {};
    return sceneFromGlobal(button->mapToGlobal(QPoint(0, button->height() / 2)));
}

void PortColumns::modifyLabelText(int listType, int index, const QString &text)
{
    const QList<QLabel *> &labels = listType == 1 ? m_inputNameLabels : m_outputNameLabels;
    if (index < 0 || index >= labels.size()) {
        qWarning() << "modifyLabelText: index out of range" << "listType=" << listType
                   << "index=" << index << "size=" << labels.size();
        return;
    }
    QLabel *label = labels.at(index);
    if (!label) {
        qWarning() << "modifyLabelText: null label at index" << index;
        return;
    }
    label->setText(text == nothingAttachedName() ? QString() : text);
}

void PortColumns::showNames(const UsbNameSlots &names)
{
    for (int slot = 0; slot < names.size(); ++slot) {
        modifyLabelText(1, slot, names.labelText(slot));
        modifyLabelText(2, slot, names.labelText(slot));
    }
}

void PortColumns::colourUsbPorts(const UsbNameSlots &names)
{
    for (int slot = 0; slot < names.size(); ++slot) {
        const bool attached = slot == 0 || names.isAttached(slot);
        const QColor colour = attached ? QColor(Qt::black) : QColor(Qt::gray);
        if (QPushButton *in = m_inputButtons.value(m_counts.midiIn + slot))
            setButtonTextColour(in, colour);
        if (QPushButton *out = m_outputButtons.value(m_counts.midiOut + slot))
            setButtonTextColour(out, colour);
        // The names stand on the canvas, not on a light button: its own text
        // colour reads on a dark palette too.
        const QColor nameColour = attached ? m_view->palette().color(QPalette::Text) : QColor(Qt::gray);
        setLabelTextColour(m_inputNameLabels.value(slot), nameColour);
        setLabelTextColour(m_outputNameLabels.value(slot), nameColour);
    }
}

void PortColumns::applyHubLayout(const HubLayout &layout)
{
    if (!layout.applies)
        return;
    for (int slot = 0; slot < layout.slotVisible.size() && slot < m_inputNameLabels.size(); ++slot) {
        const bool visible = layout.slotVisible.at(slot);
        for (QWidget *widget : {static_cast<QWidget *>(m_inputButtons.value(m_counts.midiIn + slot)),
                                static_cast<QWidget *>(m_outputButtons.value(m_counts.midiOut + slot)),
                                static_cast<QWidget *>(m_inputNameLabels.value(slot)),
                                static_cast<QWidget *>(m_outputNameLabels.value(slot))}) {
            if (widget)
                widget->setVisible(visible);
        }
    }
    placeHint(layout.hintSlot);
    fitViewHeight();
}

void PortColumns::placeHint(int slot)
{
    delete m_hint; // an earlier hint leaves its row first
    const int row = m_counts.midiIn + slot;
    if (slot < 0 || row >= m_inputRows.size())
        return;
    auto *hint = new QLabel(m_view->viewport());
    hint->setObjectName(QStringLiteral("connectionHint"));
    hint->setAccessibleName(QStringLiteral("USB hub connection hint"));
    const QPixmap pixmap = QIcon(QStringLiteral(":/gth2.png")).pixmap(QSize(HintSize, HintSize));
    if (pixmap.isNull()) {
        hint->setText(QStringLiteral("img load failed"));
    } else {
        hint->setPixmap(pixmap);
        hint->setFixedSize(pixmap.size() / pixmap.devicePixelRatio());
    }
    hint->setToolTip(HintToolTip);
    hint->setToolTipDuration(HintToolTipMs);
    hint->setStyleSheet(HintToolTipStyle);
    QHBoxLayout *rowLayout = m_inputRows.at(row);
    rowLayout->insertWidget(rowLayout->indexOf(m_inputButtons.at(row)), hint);
    hint->show();
    m_hint = hint;
}

void PortColumns::setMeasures(int headerMargin, int spacing)
{
    if (m_inputHeaderRow)
        m_inputHeaderRow->setContentsMargins(headerMargin, 0, 0, 0);
    for (QVBoxLayout *column : {m_inputColumn, m_outputColumn}) {
        if (column)
            column->setSpacing(spacing);
    }
    fitViewHeight();
}

void PortColumns::setButtonTextColour(QPushButton *button, const QColor &colour)
{
    if (!button)
        return;
    QPalette palette = button->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::ButtonText, colour);
    button->setPalette(palette);
}

void PortColumns::setLabelTextColour(QLabel *label, const QColor &colour)
{
    if (!label)
        return;
    QPalette palette = label->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::WindowText, colour);
    label->setPalette(palette);
}

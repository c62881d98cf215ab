#include "routing/routingpage.h"

#include "routing/mainscense.h"
#include "device/devicesession.h"

#include <QGraphicsView>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QDebug>

const QString RoutingPage::NoDeviceText = QStringLiteral("No device connected");
const QString RoutingPage::ButtonStyleIdle = QStringLiteral(
    "QPushButton{background-color:rgb(216,216,216);border:0px solid gray;border-radius:8px;}");
const QString RoutingPage::ButtonStyleActive = QStringLiteral(
    "QPushButton{background-color:rgb(146, 208, 80);border:0px solid gray;border-radius:8px;}");

namespace {
constexpr int ButtonWidth = 120;
constexpr int ButtonHeight = 35;
} // namespace

RoutingPage::RoutingPage(QWidget *parent)
    : DevicePage(parent)
    , m_scrollArea(new QScrollArea(this))
    , m_view(new QGraphicsView)
    , m_scene(new MainScense(m_view))
{
    setObjectName(QStringLiteral("tab"));
    m_scrollArea->setObjectName(QStringLiteral("scrollArea"));
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setStyleSheet(QStringLiteral("QScrollArea{background:transparent;}"));
    m_view->setObjectName(QStringLiteral("graphicsView"));
    m_view->setFrameShape(QFrame::NoFrame);
    m_view->setScene(m_scene);
    // HighQualityAntialiasing is deprecated and ignored by Qt 5.15's painter;
    // Antialiasing already gives its result.
    m_view->setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing
                           | QPainter::SmoothPixmapTransform);
    m_view->setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    m_scrollArea->setWidget(m_view);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scrollArea);
    clear();
}

QString RoutingPage::inputHeaderText() const
{
    return inputHeaderLabel ? inputHeaderLabel->text() : QString();
}

QString RoutingPage::outputHeaderText() const
{
    return outputHeaderLabel ? outputHeaderLabel->text() : QString();
}

void RoutingPage::deleteColumns()
{
    pb_in.clear();
    pb_out.clear();
    name_in.clear();
    name_out.clear();
    seqSet.clear();
    inputHeaderLabel = nullptr;
    outputHeaderLabel = nullptr;
    delete m_canvas; // owns every button, label and layout of the columns
    m_canvas = nullptr;
}

void RoutingPage::clear()
{
    deleteColumns();
    m_scene->clear();
    rebuild(Routing::PortCounts{});
    inputHeaderLabel->setText(NoDeviceText);
    outputHeaderLabel->setText(NoDeviceText);
}

void RoutingPage::rebuild(const Routing::PortCounts &counts)
{
    deleteColumns();

    // The canvas widget is laid over the view, so the buttons sit directly
    // on the tab while the route lines are drawn behind them in the scene.
    m_canvas = new QWidget(m_view);
    m_canvas->setObjectName(QStringLiteral("routingCanvas"));
    m_canvas->setAttribute(Qt::WA_TranslucentBackground);
    m_canvas->setStyleSheet(QStringLiteral("#routingCanvas{background:transparent;}"));

    QFont canvasFont = font();
    canvasFont.setPointSize(10);

    auto *inputColumn = new QVBoxLayout;
    auto *outputColumn = new QVBoxLayout;
    inputColumn->setObjectName(QStringLiteral("inputColumn"));
    outputColumn->setObjectName(QStringLiteral("outputColumn"));

    auto emptyLabel = [canvasFont](Qt::Alignment alignment) {
        auto *label = new QLabel;
        label->setFont(canvasFont);
        label->setAlignment(alignment | Qt::AlignVCenter);
        return label;
    };
    auto headerLabel = [&](const QString &text, const char *name) {
        auto *label = new QLabel(text);
        label->setObjectName(QLatin1String(name));
        label->setFont(canvasFont);
        label->setMaximumSize(120, 20);
        return label;
    };

    inputHeaderLabel = headerLabel(QStringLiteral(" Input Ports"), "inputHeaderLabel");
    outputHeaderLabel = headerLabel(QStringLiteral("Output Ports"), "outputHeaderLabel");
    auto *inHeaderRow = new QHBoxLayout;
    inHeaderRow->setContentsMargins(43, 0, 0, 0);
    inHeaderRow->addWidget(emptyLabel(Qt::AlignRight));
    inHeaderRow->addWidget(inputHeaderLabel);
    inputColumn->addLayout(inHeaderRow);
    auto *outHeaderRow = new QHBoxLayout;
    outHeaderRow->setContentsMargins(25, 0, 0, 0);
    outHeaderRow->addWidget(outputHeaderLabel);
    outHeaderRow->addWidget(emptyLabel(Qt::AlignLeft));
    outputColumn->addLayout(outHeaderRow);

    auto makeButton = [&](const QString &text, const QString &style) {
        auto *button = new QPushButton(text);
        button->setObjectName(text.simplified().replace(QLatin1Char(' '), QLatin1Char('_')));
        button->setAccessibleName(text);
        button->setFixedSize(ButtonWidth, ButtonHeight);
        button->setStyleSheet(style);
        button->setFont(canvasFont);
        return button;
    };
    auto addInputRow = [&](QPushButton *button, QLabel *label) {
        auto *row = new QHBoxLayout;
        row->addWidget(label);
        row->addWidget(button);
        inputColumn->addLayout(row);
        pb_in.append(button);
    };
    auto addOutputRow = [&](QPushButton *button, QLabel *label) {
        auto *row = new QHBoxLayout;
        row->addWidget(button);
        row->addWidget(label);
        outputColumn->addLayout(row);
        pb_out.append(button);
    };

    for (int n = 1; n <= counts.midiIn; ++n)
        addInputRow(makeButton(QStringLiteral("MIDI IN %1").arg(n), ButtonStyleIdle), emptyLabel(Qt::AlignRight));
    for (int n = 1; n <= counts.midiOut; ++n)
        addOutputRow(makeButton(QStringLiteral("MIDI OUT %1").arg(n), ButtonStyleIdle), emptyLabel(Qt::AlignLeft));

    auto addUsbPorts = [&](const QString &pattern, int count) {
        for (int n = 1; n <= count; ++n) {
            const QString text = pattern.arg(n);
            QLabel *inName = emptyLabel(Qt::AlignRight);
            QLabel *outName = emptyLabel(Qt::AlignLeft);
            name_in.append(inName);
            name_out.append(outName);
            seqSet.append(0);
            addInputRow(makeButton(text, ButtonStyleActive), inName);
            addOutputRow(makeButton(text, ButtonStyleActive), outName);
        }
    };
    addUsbPorts(QStringLiteral("USB HOST %1"), counts.usbHost);
    addUsbPorts(QStringLiteral("USB Device %1"), counts.usbDev);

    // The first USB HOST input carries a picture in place of its empty label.
    for (QPushButton *button : qAsConst(pb_in)) {
        if (button->text() != QLatin1String("USB HOST 1"))
            continue;
        auto *row = qobject_cast<QHBoxLayout *>(inputColumn->itemAt(pb_in.indexOf(button) + 1)->layout());
        auto *picture = new QLabel;
        const QPixmap pixmap(QStringLiteral(":/gth2.png"));
        if (pixmap.isNull())
            picture->setText(QStringLiteral("图片加载失败"));
        else
            picture->setPixmap(pixmap.scaled(30, 30, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        picture->setObjectName(QStringLiteral("usbHostPicture"));
        row->insertWidget(0, picture);
        row->setSpacing(5);
        break;
    }

    for (QVBoxLayout *column : {inputColumn, outputColumn}) {
        column->setContentsMargins(40, 5, 40, 5);
        column->setSpacing(10);
        column->addStretch(1);
    }
    auto *canvasRow = new QHBoxLayout;
    canvasRow->addStretch(1);
    canvasRow->addLayout(inputColumn);
    canvasRow->addStretch(6);
    canvasRow->addLayout(outputColumn);
    canvasRow->addStretch(1);
    auto *outer = new QVBoxLayout(m_canvas);
    outer->setContentsMargins(10, 10, 10, 10);
    outer->setSpacing(10);
    outer->addLayout(canvasRow);
    outer->addStretch(1);

    auto *viewLayout = m_view->layout();
    if (!viewLayout) {
        viewLayout = new QVBoxLayout(m_view);
        viewLayout->setContentsMargins(0, 0, 0, 0);
    }
    viewLayout->addWidget(m_canvas);
    m_canvas->show();

    m_view->setMinimumHeight(40 * qMax(pb_in.size(), pb_out.size()) + 150);
    m_scene->setSceneRect(0, 0, m_view->width() - m_view->verticalScrollBar()->width(),
                          m_view->height() - m_view->horizontalScrollBar()->height());
}

void RoutingPage::modifyLabelText(int listType, int index, const QString &text)
{
    const QList<QLabel *> &labels = listType == 1 ? name_in : name_out;
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
    label->setText(text == QLatin1String("1") ? QString() : text);
}

void RoutingPage::setUsbName(int slot, const QString &name)
{
    modifyLabelText(1, slot, name);
    modifyLabelText(2, slot, name);
    if (slot >= 0 && slot < seqSet.size())
        seqSet[slot] = name == QLatin1String("1") ? 0 : 1;
}

void RoutingPage::clearUsbNames()
{
    for (QLabel *label : qAsConst(name_in))
        label->setText(NoDeviceText);
    for (QLabel *label : qAsConst(name_out))
        label->setText(NoDeviceText);
    for (int &slot : seqSet)
        slot = 0;
}

void RoutingPage::fillEmptyNameLabels()
{
    for (const QList<QLabel *> *labels : {&name_in, &name_out}) {
        for (QLabel *label : *labels) {
            if (label->text().trimmed().isEmpty())
                label->setText(NoDeviceText);
        }
    }
}

void RoutingPage::attach(DeviceSession *session, Prompt *prompt)
{
    m_session = session;
    m_prompt = prompt;
    FeedbackDispatcher *dispatcher = session->dispatcher();
    connect(session, &DeviceSession::routingCleared, this, &RoutingPage::clear);
    connect(dispatcher, &FeedbackDispatcher::portCountsReported, this, &RoutingPage::rebuild);
    connect(dispatcher, &FeedbackDispatcher::usbNameReported, this, &RoutingPage::setUsbName);
    connect(dispatcher, &FeedbackDispatcher::usbNamesCleared, this, &RoutingPage::clearUsbNames);
    connect(dispatcher, &FeedbackDispatcher::usbNamesUpdated, this, &RoutingPage::fillEmptyNameLabels);
}

void RoutingPage::resetForDisconnect()
{
    clear();
}

void RoutingPage::onDisconnectAllClicked()
{
}

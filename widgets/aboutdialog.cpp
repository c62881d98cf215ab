#include "widgets/aboutdialog.h"

#include "device/devicemodels.h"
#include "widgets/palettecolours.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QIcon>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStyleOption>
#include <QVBoxLayout>

const QUrl AboutDialog::MakerSite(QStringLiteral("https://www.kestrova.com"));

namespace {
const QString LabelStyle = QStringLiteral("QLabel { font-family: 'Arial'; font-size: 12pt; }");

QLabel *centredLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(LabelStyle);
    return label;
}
} // namespace

AboutDialog::AboutDialog(QWidget *parent, const QString &version)
    : QDialog(parent)
    , m_openUrl([](const QUrl &url) { return QDesktopServices::openUrl(url); })
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    setWindowTitle(QStringLiteral("About Velmora"));
    // White with black text on a light palette; the palette's own base and
    // text on a dark one.
    setStyleSheet(QStringLiteral("QDialog { background-color: palette(base); border: 1px solid palette(mid); }"
                                 "QLabel { color: palette(text); font-size: 12px; }"
                                 "QPushButton { background-color: palette(base); color: palette(text);"
                                 " border: 1px solid palette(mid); padding: 5px; }"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 40, 10, 10);

    QLabel *versionLabel = centredLabel(QStringLiteral("Version: %1").arg(version), this);
    versionLabel->setObjectName(QStringLiteral("versionLabel"));
    layout->addWidget(versionLabel);

    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("pictureLabel"));
    picture->setAlignment(Qt::AlignCenter);
    picture->setAccessibleName(QStringLiteral("Velmora"));
    // From the icon, which holds a picture for each screen scale.
    picture->setPixmap(QIcon(QStringLiteral(":/ico.png")).pixmap(QSize(100, 50)));
    layout->addWidget(picture);

    QLabel *maker = centredLabel(QStringLiteral("Copyright &copy; %1<br>%1 Audio Ltd.").arg(DeviceModels::brand()), this);
    maker->setObjectName(QStringLiteral("copyrightLabel"));
    maker->setTextFormat(Qt::RichText);
    layout->addWidget(maker);

    m_linkLabel = centredLabel(QStringLiteral("<a href=\"%1\">%2</a>")
                                   .arg(MakerSite.toString(), MakerSite.host()),
                               this);
    m_linkLabel->setObjectName(QStringLiteral("linkLabel"));
    m_linkLabel->setTextFormat(Qt::RichText);
    // Reachable from the keyboard (Tab, then Enter) as well as by the mouse.
    m_linkLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    m_linkLabel->setOpenExternalLinks(false);
    m_linkLabel->setAccessibleName(QStringLiteral("%1 web site").arg(DeviceModels::brand()));
    connect(m_linkLabel, &QLabel::linkActivated, this,
            [this](const QString &link) { m_openUrl(QUrl(link, QUrl::StrictMode)); });
    layout->addWidget(m_linkLabel);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setAccessibleName(QStringLiteral("OK"));
    ok->setMinimumSize(40, 15);
    ok->setStyleSheet(QStringLiteral("QPushButton {background-color: palette(base);color: palette(text);"
                                     "border: 1px solid palette(mid);border-radius: 5px;"
                                     "padding: 5px 20px;font-family: Arial;font-size: 14px;}"
                                     "QPushButton:hover {background-color: palette(midlight);}"
                                     "QPushButton:focus {border-color: palette(highlight);}"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

void AboutDialog::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);

    // Light grey to almost white on a light palette: steps from the base
    // colour toward the text colour, so a dark palette gets the same bar.
    const QColor base = palette().color(QPalette::Base);
    const QColor text = palette().color(QPalette::Text);
    QLinearGradient gradient(0, 0, 0, TitleBarHeight);
    gradient.setColorAt(0, PaletteColours::toward(base, text, 0.25));
    gradient.setColorAt(1, PaletteColours::toward(base, text, 0.06));
    painter.fillRect(0, 0, width(), TitleBarHeight, gradient);

    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(0, 0, width() - 1, 0);
    painter.drawLine(0, 0, 0, height() - 2);
    painter.drawLine(width() - 1, 0, width() - 1, height() - 2);

    painter.setPen(text);
    painter.setFont(QFont(QStringLiteral("Arial"), 12));
    painter.drawText(QRect(5, 5, width(), TitleBarHeight), Qt::AlignLeft, QStringLiteral("About Velmora"));
}

void AboutDialog::mousePressEvent(QMouseEvent *event)
{
    m_dragging = event->button() == Qt::LeftButton && event->pos().y() < TitleBarHeight;
    if (m_dragging) {
        const QPoint offset = event->globalPos() - frameGeometry().topLeft();
        m_dragX = offset.x();
        m_dragY = offset.y();
        event->accept();
        return;
    }
    event->ignore();
}

void AboutDialog::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton) && event->pos().y() < TitleBarHeight) {
        move(event->globalPos() - QPoint(m_dragX, m_dragY));
        event->accept();
        return;
    }
    event->ignore();
}

void AboutDialog::mouseReleaseEvent(QMouseEvent *event)
{
    m_dragging = false;
    QDialog::mouseReleaseEvent(event);
}

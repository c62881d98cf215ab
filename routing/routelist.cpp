#include "routing/routelist.h"

#include "routing/routemodel.h"

#include <QKeyEvent>

using Routing::Port;
using Routing::Route;

namespace {

QString portName(const Port &port, bool input)
{
    const QString direction = input ? QStringLiteral("IN") : QStringLiteral("OUT");
    QString kind;
    switch (port.type) {
    case Routing::UsbHost: kind = QStringLiteral("USB HOST "); break;
    case Routing::UsbDevice: kind = QStringLiteral("USB DEVICE "); break;
    default: kind = QStringLiteral("MIDI "); break;
    }
    return QStringLiteral("%1%2 %3").arg(kind, direction).arg(port.number);
}

} // namespace

RouteList::RouteList(QWidget *parent)
    : QListWidget(parent)
{
    setObjectName(QStringLiteral("routeList"));
    setAccessibleName(QStringLiteral("Routes"));
    setAccessibleDescription(QStringLiteral("Delete removes the chosen route"));
    setSelectionMode(QAbstractItemView::SingleSelection);
}

int RouteList::heightForRows(int rows) const
{
    // An empty list has no row to measure; a row is a line of text and a
    // little room.
    const int row = qMax(sizeHintForRow(0), fontMetrics().height() + 4);
    return rows * row + 2 * frameWidth();
}

QSize RouteList::sizeHint() const
{
    return {QListWidget::sizeHint().width(), heightForRows(PreferredRows)};
}

QSize RouteList::minimumSizeHint() const
{
    return {QListWidget::minimumSizeHint().width(), heightForRows(MinimumRows)};
}

void RouteList::setModel(RouteModel *model)
{
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    if (model) {
        connect(model, &RouteModel::routeAdded, this, &RouteList::refill);
        connect(model, &RouteModel::routeRemoved, this, &RouteList::refill);
        connect(model, &RouteModel::routesCleared, this, &RouteList::refill);
    }
    refill();
}

QString RouteList::routeName(const Route &route)
{
    return QStringLiteral("%1 to %2").arg(portName(route.in, true), portName(route.out, false));
}

void RouteList::refill()
{
    const int row = currentRow();
    clear();
    if (!m_model)
        return;
    for (const Route &route : m_model->connList())
        addItem(routeName(route));
    if (count() > 0)
        setCurrentRow(qBound(0, row, count() - 1));
}

void RouteList::keyPressEvent(QKeyEvent *event)
{
    const int row = currentRow();
    if ((event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) && m_model && row >= 0
        && row < m_model->connList().size()) {
        emit removeRequested(m_model->connList().at(row));
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

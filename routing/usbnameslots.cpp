#include "routing/usbnameslots.h"

void UsbNameSlots::reset(int slotCount)
{
    m_names = QVector<QString>(qMax(0, slotCount));
}

QString UsbNameSlots::name(int slot) const
{
    return isAttached(slot) ? m_names.at(slot) : QString();
}

bool UsbNameSlots::isAttached(int slot) const
{
    return slot >= 0 && slot < m_names.size() && !m_names.at(slot).isNull()
           && m_names.at(slot) != Routing::nothingAttachedName();
}

QString UsbNameSlots::labelText(int slot) const
{
    const QString shown = name(slot);
    return shown.trimmed().isEmpty() ? noDeviceText() : shown;
}

QVector<int> UsbNameSlots::attachedFlags() const
{
    QVector<int> flags;
    flags.reserve(m_names.size());
    for (int slot = 0; slot < m_names.size(); ++slot)
        flags.append(isAttached(slot) ? 1 : 0);
    return flags;
}

UsbNameSlots::Outcome UsbNameSlots::apply(const Routing::PortNameReport &report)
{
    if (report.kind == Routing::PortNameReport::NothingAttachedAnywhere) {
        reset(m_names.size());
        emit namesChanged();
        return Outcome::AllFreed;
    }
    if (report.slot < 0 || report.slot >= m_names.size())
        return Outcome::Ignored;
    // An attached device may report an empty name: it is still attached, so
    // keep an empty but non-null string.
    m_names[report.slot] = report.name.isNull() ? QStringLiteral("") : report.name;
    emit namesChanged();
    return Outcome::SlotUpdated;
}

UsbNameSlots::Outcome UsbNameSlots::applyFrame(const QByteArray &frame)
{
    const auto report = Routing::parsePortName(frame);
    return report ? apply(*report) : Outcome::Ignored;
}

QString UsbNameSlots::noDeviceText()
{
    return QStringLiteral("No device connected");
}

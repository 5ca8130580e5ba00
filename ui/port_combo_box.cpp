#include "ui/port_combo_box.hpp"

#include "link/port_directory.hpp"

#include <QWheelEvent>

namespace merolan {

PortComboBox::PortComboBox(DeviceLookup devices, QWidget *parent) : QComboBox(parent), devices_(std::move(devices))
{
    addItem(QStringLiteral("Close Port"));
    for (int n = kFirstPortNumber; n <= kLastPortNumber; ++n)
        addItem(QStringLiteral("Com %1").arg(n));
    refreshDeviceTips();
}

void PortComboBox::showPopup()
{
    refreshDeviceTips(); // adapters come and go while the program runs
    QComboBox::showPopup();
}

void PortComboBox::refreshDeviceTips()
{
    const QStringList devices = devices_();
    for (int n = kFirstPortNumber; n <= kLastPortNumber; ++n) {
        const QString device = devices.value(n - kFirstPortNumber);
        setItemData(n, device.isEmpty() ? QStringLiteral("No serial port of this number on this computer") : device,
                    Qt::ToolTipRole);
    }
}

void PortComboBox::wheelEvent(QWheelEvent *event)
{
    event->ignore(); // let the panel behind have it, as if the list were not there
}

} // namespace merolan

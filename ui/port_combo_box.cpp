#include "ui/port_combo_box.hpp"

#include "link/port_directory.hpp"

#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

namespace merolan {

PortComboBox::PortComboBox(DeviceLookup devices, QWidget *parent) : QComboBox(parent), devices_(std::move(devices))
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    lineEdit()->installEventFilter(this);
    addItem(QStringLiteral("Close Port"));
    for (int n = kFirstPortNumber; n <= kLastPortNumber; ++n)
        addItem(comPortName(n));
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

void PortComboBox::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        showPopup(); // the closed list would step to the next port and open it
        return;
    default:
        QComboBox::keyPressEvent(event);
    }
}

bool PortComboBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return true; // a typed "Com 1" is not a pick from the list
    }
    return QComboBox::eventFilter(watched, event);
}

} // namespace merolan

#pragma once

#include <QComboBox>

#include <functional>

namespace merolan {

// The port list. Opening a port is a deliberate act: only picking an entry of the list does it,
// so neither the wheel scrolling past the closed list, nor the arrow keys on it, nor a text typed
// into it and Enter open a port (the arrow keys open the list instead). And since "Com 1" means nothing on a system
// without COM ports, every entry's tooltip names the device it stands for, looked up afresh whenever the list opens.
class PortComboBox : public QComboBox
{
    Q_OBJECT

public:
    // The devices behind "Com 1" to "Com 9" in order; an empty text where there is none.
    using DeviceLookup = std::function<QStringList()>;

    explicit PortComboBox(DeviceLookup devices, QWidget *parent = nullptr);

    void showPopup() override;
    // Writes each "Com N" entry's device into its tooltip.
    void refreshDeviceTips();

protected:
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    DeviceLookup devices_;
};

} // namespace merolan

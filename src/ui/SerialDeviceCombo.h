#pragma once
// TSerialDeviceCombo: an editable combo box for a serial device path. Its list offers the serial
// devices that exist on this computer, each shown with its description; the user may also type
// any path (a pseudo-terminal, a device plugged in later).

#include <string>
#include <vector>

#include <QComboBox>

struct TSerialDeviceInfo {
    std::string Path;         // "/dev/ttyUSB0"
    std::string Description;  // "USB-Serial Controller", or empty
};

// The serial devices the system reports (Qt Serial Port's list), in its order.
std::vector<TSerialDeviceInfo> AvailableSerialDevices();

// Thread rule: user-interface thread only.
class TSerialDeviceCombo : public QComboBox {
    Q_OBJECT

public:
    explicit TSerialDeviceCombo(QWidget* parent = nullptr);

    // Replaces the list; the text in the edit field stays.
    void SetDevices(const std::vector<TSerialDeviceInfo>& devices);
    // The path in the edit field, blanks around it dropped.
    QString Device() const;
    void SetDevice(const QString& path);

    // Description of a listed device; empty for a path not in the list.
    QString DescriptionOf(const QString& path) const;
};

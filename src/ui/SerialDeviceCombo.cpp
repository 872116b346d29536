#include "ui/SerialDeviceCombo.h"

#include <QLineEdit>
#include <QSerialPortInfo>
#include <QStyledItemDelegate>

namespace {

constexpr int DescriptionRole = Qt::UserRole + 1;

// The list shows "path   description"; the edit field takes only the path (the item's text).
class TDeviceItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString description = index.data(DescriptionRole).toString();
        if (!description.isEmpty()) option->text += QStringLiteral("   ") + description;
    }
};

}  // namespace

std::vector<TSerialDeviceInfo> AvailableSerialDevices() {
    std::vector<TSerialDeviceInfo> devices;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        QString description = port.description();
        if (description.isEmpty()) description = port.manufacturer();
        devices.push_back({port.systemLocation().toStdString(), description.toStdString()});
    }
    return devices;
}

TSerialDeviceCombo::TSerialDeviceCombo(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setItemDelegate(new TDeviceItemDelegate(this));
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
}

void TSerialDeviceCombo::SetDevices(const std::vector<TSerialDeviceInfo>& devices) {
    const QString text = currentText();
    const QSignalBlocker blocker(this);
    clear();
    for (const TSerialDeviceInfo& device : devices) {
        const QString path = QString::fromStdString(device.Path);
        const QString description = QString::fromStdString(device.Description);
        addItem(path);
        setItemData(count() - 1, description, DescriptionRole);
        setItemData(count() - 1, description, Qt::ToolTipRole);
    }
    setCurrentIndex(-1);
    setEditText(text);
}

QString TSerialDeviceCombo::Device() const { return currentText().trimmed(); }

void TSerialDeviceCombo::SetDevice(const QString& path) {
    const int index = findText(path);
    if (index >= 0) {
        setCurrentIndex(index);
    } else {
        setCurrentIndex(-1);
        setEditText(path);
    }
    setToolTip(DescriptionOf(path));
}

QString TSerialDeviceCombo::DescriptionOf(const QString& path) const {
    const int index = findText(path);
    return index >= 0 ? itemData(index, DescriptionRole).toString() : QString();
}

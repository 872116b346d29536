#pragma once
// TGeneralOptionsForm, "Options": the modal dialog in which the user sets the point limit of the
// live graphs, the COM port (and which device that port name means on this computer) and the
// automatic INTERMAGNET creation. The caller fills it before each showing and takes the values
// back only when it ends with OK; the dialog keeps nothing but its window position.

#include "settings/SerialDeviceSettings.h"
#include "settings/NetworkSettings.h"
#include "ui/FormStorage.h"
#include "ui/SerialDeviceCombo.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QStatusBar;
class TNetworkOptionsBox;
class TSpinEdit;

// The values the dialog edits, all owned by the main window.
struct TGeneralOptions {
    std::int32_t MaxPointsOnScreen = 100;  // 0 switches live plotting off
    std::int32_t COMPort = 0;              // 0 is COM1
    bool AutoCreateIntermagnet = true;
    // Devices of the COM names (section "SerialDevices"); a port without an entry uses the
    // platform's default device.
    TSerialDeviceMap SerialDevices;
    TNetworkSettings Network;
};

// Thread rule: user-interface thread only.
class TGeneralOptionsForm : public QDialog {
    Q_OBJECT

public:
    static constexpr int PortCount = 4;
    static constexpr int MaxNMaximum = 86400;
    static constexpr int ClientWidth = 400;
    static constexpr int ClientHeight = 149;

    explicit TGeneralOptionsForm(const std::string& settingsFileName, QWidget* parent = nullptr);
    ~TGeneralOptionsForm() override;

    // Fills the controls. A port index outside 0..3 selects no port; it is kept unless the user
    // picks one. The device list is read afresh, so that devices plugged in since show.
    void Fill(const TGeneralOptions& options);
    // What the controls hold now (the point limit as the field's text reads).
    TGeneralOptions Values() const;
    // Fill, run modally, and on OK copy the values back into `options`; true on OK.
    bool Execute(TGeneralOptions& options);

    // Where the device list comes from; the system's serial ports by default.
    void SetDeviceLister(std::function<std::vector<TSerialDeviceInfo>()> lister) {
        FDeviceLister = std::move(lister);
    }

    QComboBox* COMPortCombo() const { return FCOMPortCombo; }
    TSpinEdit* MaxNSpin() const { return FMaxNSpin; }
    QCheckBox* IntermagnetCB() const { return FIntermagnetCB; }
    TSerialDeviceCombo* DeviceCombo() const { return FDeviceCombo; }
    TNetworkOptionsBox* NetworkBox() const { return FNetworkBox; }
    QPushButton* OKBtn() const { return FOKBtn; }
    QPushButton* CancelBtn() const { return FCancelBtn; }
    TFormStorage& FormStorage() { return *FFormStorage; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void FitToContents();
    // The port the dialog stands on: the chosen item, else the index it was filled with.
    int PortIndex() const;
    void ShowDeviceOfPort();
    void DeviceEdited(const QString& text);

    QComboBox* FCOMPortCombo = nullptr;
    TSerialDeviceCombo* FDeviceCombo = nullptr;
    QLabel* FDeviceLabel = nullptr;
    TSpinEdit* FMaxNSpin = nullptr;
    QCheckBox* FIntermagnetCB = nullptr;
    TNetworkOptionsBox* FNetworkBox = nullptr;
    QPushButton* FOKBtn = nullptr;
    QPushButton* FCancelBtn = nullptr;
    QStatusBar* FStatusBar1 = nullptr;

    std::function<std::vector<TSerialDeviceInfo>()> FDeviceLister;
    std::int32_t FFilledPortIndex = 0;
    TSerialDeviceMap FDevices;
    bool FShowingDevice = false;
    // Last, so that a save at destruction still finds everything above.
    std::unique_ptr<TFormStorage> FFormStorage;
};

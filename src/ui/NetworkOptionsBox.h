#pragma once
// The Options dialog's "Network" group: where the station publishes its lines (an MQTT broker)
// and as whom. An empty broker switches publishing off.

#include "settings/NetworkSettings.h"

#include <QGroupBox>

class QCheckBox;
class QLineEdit;
class QSpinBox;

// Thread rule: user-interface thread only.
class TNetworkOptionsBox : public QGroupBox {
    Q_OBJECT
public:
    explicit TNetworkOptionsBox(QWidget* parent = nullptr);

    void Fill(const TNetworkSettings& settings);
    TNetworkSettings Values() const;

    QLineEdit* BrokerEdit() const { return FBroker; }
    QSpinBox* PortSpin() const { return FPort; }
    QCheckBox* TlsCB() const { return FTls; }
    QLineEdit* StationIdEdit() const { return FStationId; }

private:
    QLineEdit* FBroker = nullptr;
    QSpinBox* FPort = nullptr;  // 0 shows "default" (1883, or 8883 with TLS)
    QCheckBox* FTls = nullptr;
    QLineEdit* FCAFile = nullptr;
    QLineEdit* FUsername = nullptr;
    QLineEdit* FPasswordFile = nullptr;
    QLineEdit* FStationId = nullptr;
    QLineEdit* FTopicPrefix = nullptr;
};

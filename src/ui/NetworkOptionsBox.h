#pragma once
// The Options dialog's "Network" group: where the station publishes its lines (an MQTT broker)
// and as whom. An empty broker switches publishing off.

#include "settings/NetworkSettings.h"

#include <QGroupBox>

class QCheckBox;
class QLabel;
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
    QSpinBox* PagePortSpin() const { return FPagePort; }
    // The overview page's address as a link, shown while a broker and its page port are given.
    QLabel* PageLink() const { return FPageLink; }

private:
    QLineEdit* FBroker = nullptr;
    QSpinBox* FPort = nullptr;  // 0 shows "default" (1883, or 8883 with TLS)
    QCheckBox* FTls = nullptr;
    QLineEdit* FCAFile = nullptr;
    QLineEdit* FUsername = nullptr;
    QLineEdit* FPasswordFile = nullptr;
    QLineEdit* FStationId = nullptr;
    QLineEdit* FTopicPrefix = nullptr;
    QSpinBox* FPagePort = nullptr;  // 0 shows "none"
    QLabel* FPageLink = nullptr;

    void ShowPageLink();
};

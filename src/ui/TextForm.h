#pragma once
// TTextForm, "Just received data...": every line received from the instrument during
// acquisition, as it arrived, while the window is open.

#include "ui/MonitorTextForm.h"

// Thread rule: user-interface thread only.
class TTextForm : public TMonitorTextForm {
    Q_OBJECT

public:
    explicit TTextForm(const std::string& settingsFileName, QWidget* parent = nullptr);
};

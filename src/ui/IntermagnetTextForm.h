#pragma once
// TIntermagnetTextForm, "INTERMAGNET": every INTERMAGNET record at the moment the writer
// produces it, while the window is open, in a fixed-pitch font so that the columns line up.

#include "ui/MonitorTextForm.h"

class QFont;

// Thread rule: user-interface thread only.
class TIntermagnetTextForm : public TMonitorTextForm {
    Q_OBJECT

public:
    explicit TIntermagnetTextForm(const std::string& settingsFileName, QWidget* parent = nullptr);

    // "Courier" when it is installed, else the system's fixed-pitch font.
    static QFont RecordFont();
};

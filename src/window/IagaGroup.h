#pragma once
// The IAGA-2002 group of the INTERMAGNET parameters dialog: which IAGA-2002 files a run writes
// and the texts of their headers. The IAGA code is the dialog's IDC field.

#include "settings/IagaSettings.h"

#include <string>

#include <QGroupBox>

class QCheckBox;
class QComboBox;
class QLineEdit;

// Thread rule: user-interface thread only.
class TIagaGroup : public QGroupBox {
    Q_OBJECT

public:
    explicit TIagaGroup(QWidget* parent = nullptr);

    // The controls, each with its settings key as objectName.
    QCheckBox* SecondFiles() const { return FSecondFiles; }
    QCheckBox* MinuteFiles() const { return FMinuteFiles; }
    QComboBox* Reported() const { return FReported; }
    // "SourceOfData", "StationName", "Latitude", "Longitude", "Elevation",
    // "SensorOrientation", "DigitalSampling".
    QLineEdit* Field(const char* key) const;

    void ShowSettings(const TIagaSettings& settings);
    TIagaSettings EnteredSettings() const;

    // While either kind of file is on, the entries (with `code`, the IDC) must follow the rules
    // a run checks: otherwise shows the broken rule in an error box, puts the focus on its field
    // and gives false. With both off anything goes, so a half-filled group can be kept.
    bool CheckEntries(const std::string& code, QWidget* codeField);

private:
    QCheckBox* FSecondFiles = nullptr;
    QCheckBox* FMinuteFiles = nullptr;
    QComboBox* FReported = nullptr;
};

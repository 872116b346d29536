#pragma once
// The ImagCDF group of the INTERMAGNET parameters dialog: which ImagCDF day files a run writes
// and the texts the format needs beyond those of the IAGA-2002 group (code, position and sensor
// are taken from there).

#include "settings/IagaHeader.h"
#include "settings/ImagCdfSettings.h"

#include <string>

#include <QGroupBox>

class QCheckBox;
class QComboBox;
class QLineEdit;

// Thread rule: user-interface thread only.
class TImagCdfGroup : public QGroupBox {
    Q_OBJECT

public:
    explicit TImagCdfGroup(QWidget* parent = nullptr);

    // The controls, each with its settings key as objectName.
    QCheckBox* SecondFiles() const { return FSecondFiles; }
    QCheckBox* MinuteFiles() const { return FMinuteFiles; }
    // "Source", "PublicationLevel", "StandardLevel".
    QComboBox* Choice(const char* key) const;
    // "Institution", "ObservatoryName", "TermsOfUse", "StandardName", "PartialStandDesc".
    QLineEdit* Field(const char* key) const;

    void ShowSettings(const TImagCdfSettings& settings);
    TImagCdfSettings EnteredSettings() const;

    // While either kind of file is on, the entries (with the IAGA code and the IAGA-2002 texts
    // they take their position from) must follow the rules a run checks: otherwise every broken
    // rule is shown in one error box, the focus goes to the first one's field (found in
    // `dialog`, so that an IAGA-2002 field is found too) and the result is false.
    bool CheckEntries(const std::string& code, const TIagaHeader& iaga, QWidget& dialog);

private:
    QCheckBox* FSecondFiles = nullptr;
    QCheckBox* FMinuteFiles = nullptr;
};

#include "window/IagaGroup.h"

#include "acquisition/Notifier.h"
#include "settings/SensorComponents.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace {

QString FromStd(const std::string& text) { return QString::fromStdString(text); }
std::string ToStd(const QLineEdit* edit) { return edit->text().toStdString(); }

// Key, caption, hint; in the order of the file's header.
struct TTextField {
    const char* Key;
    const char* Caption;
    const char* Hint;
};
constexpr TTextField TextFields[] = {
    {"SourceOfData", "Source of data", "institute or network"},
    {"StationName", "Station name", ""},
    {"Latitude", "Latitude", "geodetic, degrees, -90 to 90"},
    {"Longitude", "Longitude", "geodetic, degrees east, -180 to 360"},
    {"Elevation", "Elevation", "metres"},
    {"SensorOrientation", "Sensor orientation", "empty: the first three letters of Reported"},
    {"DigitalSampling", "Digital sampling", "for example 1 second"},
};

}  // namespace

TIagaGroup::TIagaGroup(QWidget* parent)
    : QGroupBox(QStringLiteral("  IAGA-2002 files  "), parent) {
    setObjectName(QStringLiteral("IagaGroup"));
    setToolTip(QStringLiteral("IAGA-2002 day files beside the INTERMAGNET files, in IAGA2002/; "
                              "the IAGA code is the IDC"));
    auto* layout = new QGridLayout(this);
    layout->setColumnStretch(1, 1);
    int row = 0;

    FSecondFiles = new QCheckBox(QStringLiteral("One-second values (.sec)"), this);
    FSecondFiles->setObjectName(QStringLiteral("SecondFiles"));
    FMinuteFiles = new QCheckBox(QStringLiteral("Filtered one-minute values (.min)"), this);
    FMinuteFiles->setObjectName(QStringLiteral("MinuteFiles"));
    FMinuteFiles->setToolTip(QStringLiteral("Needs one-minute INTERMAGNET values"));
    layout->addWidget(FSecondFiles, row, 0, 1, 2);
    layout->addWidget(FMinuteFiles, ++row, 0, 1, 2);

    FReported = new QComboBox(this);
    FReported->setObjectName(QStringLiteral("Reported"));
    FReported->addItems({QStringLiteral("XYZF"), QStringLiteral("HEZF")});
    layout->addWidget(new QLabel(QStringLiteral("Reported"), this), ++row, 0);
    layout->addWidget(FReported, row, 1, Qt::AlignLeft);

    for (const TTextField& field : TextFields) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(field.Key));
        edit->setPlaceholderText(QString::fromLatin1(field.Hint));
        // The header's value column holds 44 characters.
        edit->setMaxLength(44);
        auto* label = new QLabel(QString::fromLatin1(field.Caption), this);
        label->setBuddy(edit);
        layout->addWidget(label, ++row, 0);
        layout->addWidget(edit, row, 1);
    }
    Field("SensorOrientation")->setMaxLength(4);
}

QLineEdit* TIagaGroup::Field(const char* key) const {
    return findChild<QLineEdit*>(QString::fromLatin1(key), Qt::FindDirectChildrenOnly);
}

void TIagaGroup::ShowSettings(const TIagaSettings& settings) {
    FSecondFiles->setChecked(settings.SecondFiles);
    FMinuteFiles->setChecked(settings.MinuteFiles);
    const TIagaHeader& header = settings.Header;
    // A stored text that is no item is shown as it is, so that the check can name it.
    FReported->setEditable(FReported->findText(FromStd(header.Reported)) < 0);
    FReported->setCurrentText(FromStd(header.Reported));
    Field("SourceOfData")->setText(FromStd(header.SourceOfData));
    Field("StationName")->setText(FromStd(header.StationName));
    Field("Latitude")->setText(FromStd(header.Latitude));
    Field("Longitude")->setText(FromStd(header.Longitude));
    Field("Elevation")->setText(FromStd(header.Elevation));
    Field("SensorOrientation")->setText(FromStd(header.SensorOrientation));
    Field("DigitalSampling")->setText(FromStd(header.DigitalSampling));
}

TIagaSettings TIagaGroup::EnteredSettings() const {
    TIagaSettings settings;
    settings.SecondFiles = FSecondFiles->isChecked();
    settings.MinuteFiles = FMinuteFiles->isChecked();
    TIagaHeader& header = settings.Header;
    header.Reported = FReported->currentText().toStdString();
    header.SourceOfData = ToStd(Field("SourceOfData"));
    header.StationName = ToStd(Field("StationName"));
    header.Latitude = ToStd(Field("Latitude"));
    header.Longitude = ToStd(Field("Longitude"));
    header.Elevation = ToStd(Field("Elevation"));
    header.SensorOrientation = ToStd(Field("SensorOrientation"));
    header.DigitalSampling = ToStd(Field("DigitalSampling"));
    return settings;
}

bool TIagaGroup::CheckEntries(const std::string& code, QWidget* codeField) {
    const TIagaSettings settings = EnteredSettings();
    if (!settings.SecondFiles && !settings.MinuteFiles) return true;
    std::optional<TIagaProblem> problem = CheckIagaHeader(code, settings.Header);
    if (!problem) problem = CheckReportedComponents(settings.Header);
    if (!problem) return true;
    Notifier().ErrorBox("IAGA-2002 files: " + problem->Text);
    QWidget* field = problem->Key == "IDC" ? codeField
                                           : findChild<QWidget*>(FromStd(problem->Key),
                                                                 Qt::FindDirectChildrenOnly);
    if (field) field->setFocus();
    return false;
}

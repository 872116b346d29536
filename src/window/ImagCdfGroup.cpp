#include "window/ImagCdfGroup.h"

#include "acquisition/Notifier.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace {

QString FromStd(const std::string& text) { return QString::fromStdString(text); }

struct TField {
    const char* Key;
    const char* Caption;
    const char* Hint;
};
constexpr TField TextFields[] = {
    {"Institution", "Institution", "the responsible institute"},
    {"ObservatoryName", "Observatory name", "empty: the IAGA-2002 station name"},
    {"TermsOfUse", "Terms of use", "text or address; may be empty"},
    {"StandardName", "Standard name", "with a Partial or Full standard level"},
    {"PartialStandDesc", "Parts met", "with a Partial standard level, e.g. IMOM-01"},
};
struct TChoice {
    const char* Key;
    const char* Caption;
    QStringList Items;
};

}  // namespace

TImagCdfGroup::TImagCdfGroup(QWidget* parent) : QGroupBox(QStringLiteral("  ImagCDF files  "), parent) {
    setObjectName(QStringLiteral("ImagCdfGroup"));
    setToolTip(QStringLiteral("ImagCDF day files, written whole when a day is over, in ImagCDF/; code, "
                              "position and sensor are those of the IAGA-2002 group"));
    auto* layout = new QGridLayout(this);
    layout->setColumnStretch(1, 1);
    int row = 0;
    FSecondFiles = new QCheckBox(QStringLiteral("One-second values"), this);
    FSecondFiles->setObjectName(QStringLiteral("SecondFiles"));
    FMinuteFiles = new QCheckBox(QStringLiteral("Filtered one-minute values"), this);
    FMinuteFiles->setObjectName(QStringLiteral("MinuteFiles"));
    FMinuteFiles->setToolTip(QStringLiteral("Needs one-minute INTERMAGNET values"));
    layout->addWidget(FSecondFiles, row, 0);
    layout->addWidget(FMinuteFiles, row, 1);

    const TChoice choices[] = {
        {"Source", "Source", {QStringLiteral("institute"), QStringLiteral("INTERMAGNET"), QStringLiteral("WDC")}},
        {"PublicationLevel", "Publication level", {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")}},
        {"StandardLevel", "Standard level", {QStringLiteral("None"), QStringLiteral("Partial"), QStringLiteral("Full")}},
    };
    for (const TChoice& choice : choices) {
        auto* box = new QComboBox(this);
        box->setObjectName(QString::fromLatin1(choice.Key));
        box->addItems(choice.Items);
        layout->addWidget(new QLabel(QString::fromLatin1(choice.Caption), this), ++row, 0);
        layout->addWidget(box, row, 1, Qt::AlignLeft);
    }
    for (const TField& field : TextFields) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(field.Key));
        edit->setPlaceholderText(QString::fromLatin1(field.Hint));
        auto* label = new QLabel(QString::fromLatin1(field.Caption), this);
        label->setBuddy(edit);
        layout->addWidget(label, ++row, 0);
        layout->addWidget(edit, row, 1);
    }
}

QComboBox* TImagCdfGroup::Choice(const char* key) const {
    return findChild<QComboBox*>(QString::fromLatin1(key), Qt::FindDirectChildrenOnly);
}

QLineEdit* TImagCdfGroup::Field(const char* key) const {
    return findChild<QLineEdit*>(QString::fromLatin1(key), Qt::FindDirectChildrenOnly);
}

void TImagCdfGroup::ShowSettings(const TImagCdfSettings& settings) {
    FSecondFiles->setChecked(settings.SecondFiles);
    FMinuteFiles->setChecked(settings.MinuteFiles);
    const std::pair<const char*, const std::string&> choices[] = {
        {"Source", settings.Source}, {"PublicationLevel", settings.PublicationLevel}, {"StandardLevel", settings.StandardLevel}};
    for (const auto& [key, value] : choices) {
        // A stored text that is no item is shown as it is, so that the check can name it.
        QComboBox* box = Choice(key);
        box->setEditable(box->findText(FromStd(value)) < 0);
        box->setCurrentText(FromStd(value));
    }
    Field("Institution")->setText(FromStd(settings.Institution));
    Field("ObservatoryName")->setText(FromStd(settings.ObservatoryName));
    Field("TermsOfUse")->setText(FromStd(settings.TermsOfUse));
    Field("StandardName")->setText(FromStd(settings.StandardName));
    Field("PartialStandDesc")->setText(FromStd(settings.PartialStandDesc));
}

TImagCdfSettings TImagCdfGroup::EnteredSettings() const {
    TImagCdfSettings settings;
    settings.SecondFiles = FSecondFiles->isChecked();
    settings.MinuteFiles = FMinuteFiles->isChecked();
    settings.Source = Choice("Source")->currentText().toStdString();
    settings.PublicationLevel = Choice("PublicationLevel")->currentText().toStdString();
    settings.StandardLevel = Choice("StandardLevel")->currentText().toStdString();
    settings.Institution = Field("Institution")->text().toStdString();
    settings.ObservatoryName = Field("ObservatoryName")->text().toStdString();
    settings.TermsOfUse = Field("TermsOfUse")->text().toStdString();
    settings.StandardName = Field("StandardName")->text().toStdString();
    settings.PartialStandDesc = Field("PartialStandDesc")->text().toStdString();
    return settings;
}

bool TImagCdfGroup::CheckEntries(const std::string& code, const TIagaHeader& iaga, QWidget& dialog) {
    const TImagCdfSettings settings = EnteredSettings();
    if (!settings.SecondFiles && !settings.MinuteFiles) return true;
    const std::vector<TIagaProblem> problems = CheckImagCdfSettings(code, iaga, settings);
    if (problems.empty()) return true;
    std::string text = "ImagCDF files:";
    for (const TIagaProblem& problem : problems) text += "\n" + problem.Text;
    Notifier().ErrorBox(text);
    // A key of this group first, then one of the dialog (the IDC, the IAGA-2002 group's fields).
    QWidget* field = findChild<QWidget*>(FromStd(problems.front().Key), Qt::FindDirectChildrenOnly);
    if (!field) field = dialog.findChild<QWidget*>(FromStd(problems.front().Key));
    if (field) field->setFocus();
    return false;
}

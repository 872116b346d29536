#include "ui/TextForm.h"

#include "settings/SettingsKeys.h"

namespace {
namespace Keys = SettingsKeys::TextForm;
}  // namespace

TTextForm::TTextForm(const std::string& settingsFileName, QWidget* parent)
    : TMonitorTextForm(QStringLiteral("TextForm"), tr("Just received data..."),
                       {Keys::Section, Keys::MaxLines, Keys::DefaultMaxLines,
                        SettingsKeys::Placement::TextFormSection},
                       settingsFileName, parent) {}

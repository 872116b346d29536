#include "ui/IntermagnetTextForm.h"

#include "settings/SettingsKeys.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPlainTextEdit>

namespace {
namespace Keys = SettingsKeys::IntermagnetTextForm;
constexpr int RecordPointSize = 10;
}  // namespace

TIntermagnetTextForm::TIntermagnetTextForm(const std::string& settingsFileName, QWidget* parent)
    : TMonitorTextForm(QStringLiteral("IntermagnetTextForm"), tr("INTERMAGNET"),
                       {Keys::Section, Keys::MaxLines, Keys::DefaultMaxLines,
                        SettingsKeys::Placement::IntermagnetTextFormSection},
                       settingsFileName, parent) {
    Memo1()->setFont(RecordFont());
}

QFont TIntermagnetTextForm::RecordFont() {
    QFont font(QStringLiteral("Courier"), RecordPointSize);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    if (QFontInfo(font).fixedPitch()) return font;
    QFont fallback = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fallback.setPointSize(RecordPointSize);
    return fallback;
}

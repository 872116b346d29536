#include "ui/SpinEdit.h"

#include "acquisition/NumberText.h"

#include <QLineEdit>

#include <algorithm>

namespace {

// Only an optional sign and digits may be typed; a number too long for 32 bits is refused.
bool IsNumberInProgress(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.size() > 11) return false;
    for (int i = 0; i < trimmed.size(); ++i) {
        const QChar c = trimmed[i];
        if (c.isDigit() && c.unicode() < 128) continue;
        if (i == 0 && (c == u'-' || c == u'+')) continue;
        return false;
    }
    return true;
}

}  // namespace

TSpinEdit::TSpinEdit(QWidget* parent) : QSpinBox(parent) {
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

int TSpinEdit::TextValue() const { return valueFromText(lineEdit()->text()); }

QValidator::State TSpinEdit::validate(QString& input, int& /*pos*/) const {
    if (!IsNumberInProgress(input)) return QValidator::Invalid;
    std::int32_t value = 0;
    if (!TryStrToInt(input.trimmed().toStdString(), value)) return QValidator::Intermediate;
    return value >= minimum() && value <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
}

void TSpinEdit::fixup(QString& input) const { input = textFromValue(valueFromText(input)); }

int TSpinEdit::valueFromText(const QString& text) const {
    std::int32_t value = 0;
    if (!TryStrToInt(text.trimmed().toStdString(), value)) {
        // Digits beyond 32 bits: still the nearer bound, by their sign.
        const QString trimmed = text.trimmed();
        const bool digits = IsNumberInProgress(trimmed) && trimmed.size() > 1;
        if (!digits) return minimum();
        return trimmed.startsWith(u'-') ? minimum() : maximum();
    }
    return std::clamp(int(value), minimum(), maximum());
}

QString TSpinEdit::textFromValue(int value) const { return QString::fromStdString(std::to_string(value)); }

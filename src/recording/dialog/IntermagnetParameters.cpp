#include "recording/dialog/IntermagnetParameters.h"

#include "acquisition/Notifier.h"
#include "acquisition/NumberText.h"
#include "acquisition/RuntimeErrors.h"
#include "recording/Filter.h"
#include "recording/dialog/IagaGroup.h"
#include "recording/dialog/IntermagnetForm.h"

#include <string>
#include <vector>

void FillIntermagnetForm(TIntermagnetForm& form, const TIntermagnetHeader& header,
                         int minuteOr5Seconds) {
    form.ShowHeader(header);
    form.SetIntervalIndex(minuteOr5Seconds);
    form.ShowCoefficientTexts(FilterCoefficientTexts);
}

bool ApplyIntermagnetForm(const TIntermagnetForm& form, TIntermagnetHeader& header,
                          int& minuteOr5Seconds) {
    header = CutToSize(form.EnteredHeader());
    minuteOr5Seconds = form.IntervalIndex();

    // All or nothing: a text that is no number must never reach the settings file, where it
    // would stop the next start-up's reading.
    const std::vector<std::string> texts = form.CoefficientTexts();
    std::vector<double> values;
    values.reserve(texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        try {
            values.push_back(StrToFloat(texts[i]));
        } catch (const EConvertError& error) {
            Notifier().ErrorBox(InvalidCoefficientText(int(i)));
            Notifier().ErrorBox(error.what());
            return false;
        }
    }
    FilterCoefficientTexts = texts;
    FilterCoefficients = std::move(values);
    return true;
}

bool EditIntermagnetParameters(TIntermagnetForm& form, TIntermagnetHeader& header,
                               int& minuteOr5Seconds, TIagaSettings& iaga) {
    FillIntermagnetForm(form, header, minuteOr5Seconds);
    form.IagaGroup()->ShowSettings(iaga);
    if (form.exec() != QDialog::Accepted) return false;
    iaga = form.IagaGroup()->EnteredSettings();
    return ApplyIntermagnetForm(form, header, minuteOr5Seconds);
}

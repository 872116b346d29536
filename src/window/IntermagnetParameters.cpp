#include "window/IntermagnetParameters.h"

#include "acquisition/Notifier.h"
#include "acquisition/NumberText.h"
#include "acquisition/RuntimeErrors.h"
#include "recording/Filter.h"
#include "window/IagaGroup.h"
#include "window/ImagCdfGroup.h"
#include "window/IntermagnetForm.h"

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
    // All or nothing: the running filter, its texts and the header change together. A text that
    // is no number must never reach the settings file, where it would stop the next start-up's
    // reading, and a header that breaks its rules would make unreadable files.
    const TIntermagnetHeader entered = CutToSize(form.EnteredHeader());
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
    if (const TIntermagnetHeaderProblem problem = CheckIntermagnetHeader(entered)) {
        Notifier().ErrorBox(problem.Text);
        return false;
    }
    header = entered;
    minuteOr5Seconds = form.IntervalIndex();
    FilterCoefficientTexts = texts;
    FilterCoefficients = std::move(values);
    return true;
}

bool EditIntermagnetParameters(TIntermagnetForm& form, TIntermagnetHeader& header,
                               int& minuteOr5Seconds, TIagaSettings& iaga, TImagCdfSettings& imagCdf) {
    FillIntermagnetForm(form, header, minuteOr5Seconds);
    form.IagaGroup()->ShowSettings(iaga);
    form.ImagCdfGroup()->ShowSettings(imagCdf);
    if (form.exec() != QDialog::Accepted) return false;
    // With the rest or not at all.
    if (!ApplyIntermagnetForm(form, header, minuteOr5Seconds)) return false;
    iaga = form.IagaGroup()->EnteredSettings();
    imagCdf = form.ImagCdfGroup()->EnteredSettings();
    return true;
}

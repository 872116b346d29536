#pragma once
// The main window's "Header parameters" command: fill the INTERMAGNET parameters dialog from the
// window's state and the process-wide coefficient texts, show it, and after OK copy the values
// back. Only called while no acquisition runs: the filter arrays must not change during a run.

#include "settings/IagaSettings.h"
#include "settings/ImagCdfSettings.h"
#include "settings/IntermagnetHeader.h"

class TIntermagnetForm;

// The header texts, the interval item (a value that is no item index selects none) and the
// coefficient texts of FilterCoefficientTexts (none: the empty list).
void FillIntermagnetForm(TIntermagnetForm& form, const TIntermagnetHeader& header,
                         int minuteOr5Seconds);

// Copies the dialog's values back, all or nothing: each header text cut to its maximum length;
// the interval as the selected item's index, -1 when the combo box shows a typed text (any
// non-zero value means five-second values); FilterCoefficientTexts and FilterCoefficients from
// the list, both emptied for a list marked empty. A coefficient text that is no number shows
// "Invalid filter coefficient C<i>" and then the conversion's own message; a header text that
// breaks its rule shows which and how (CheckIntermagnetHeader); either gives false and changes
// nothing.
bool ApplyIntermagnetForm(const TIntermagnetForm& form, TIntermagnetHeader& header,
                          int& minuteOr5Seconds);

// Fill, show modally, apply on OK. True when the dialog ended with OK and everything was applied.
// The IAGA-2002 and ImagCDF groups show `iaga` and `imagCdf` and give them back when the rest is
// applied.
bool EditIntermagnetParameters(TIntermagnetForm& form, TIntermagnetHeader& header,
                               int& minuteOr5Seconds, TIagaSettings& iaga, TImagCdfSettings& imagCdf);

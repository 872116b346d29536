// The dialog's coefficient list: showing and reading it, its check, and the four list buttons.
#include "window/IntermagnetForm.h"

#include "acquisition/Notifier.h"
#include "acquisition/NumberText.h"
#include "settings/StationSettings.h"
#include "window/CoefficientGrid.h"
#include "recording/FilterFile.h"

#include <exception>

namespace {

constexpr int Label = TCoefficientGrid::LabelColumn;
constexpr int Text = TCoefficientGrid::TextColumn;

// "Error in ini-file:<path>", CR LF, and what went wrong.
std::string FileErrorText(const std::string& path, const std::string& problem) {
    return IniFileErrorText(path) + "\r\n" + problem;
}

}  // namespace

void TIntermagnetForm::ShowCoefficientTexts(const std::vector<std::string>& texts) {
    FCGrid->CommitEdit();
    FCGrid->SetRowCount(int(texts.size()));
    for (std::size_t i = 0; i < texts.size(); ++i)
        FCGrid->SetCoefficient(int(i), QString::fromStdString(texts[i]));
    if (texts.empty()) {
        FCGrid->SetCell(Label, 0, QString());
        FCGrid->SetCell(Text, 0, QString());
    }
    FCGrid->SetMarkedEmpty(texts.empty());
}

std::vector<std::string> TIntermagnetForm::CoefficientTexts() const {
    std::vector<std::string> texts;
    if (FCGrid->MarkedEmpty()) return texts;
    for (int row = 0; row < FCGrid->rowCount(); ++row)
        texts.push_back(FCGrid->Cell(Text, row).toStdString());
    return texts;
}

bool TIntermagnetForm::CheckCoefficients() {
    FCGrid->CommitEdit();
    if (FCGrid->MarkedEmpty()) return true;
    for (int row = 0; row < FCGrid->rowCount(); ++row) {
        double value = 0;
        if (TryStrToFloat(FCGrid->Cell(Text, row).toStdString(), value)) continue;
        FCGrid->setCurrentCell(row, Text);
        Notifier().ErrorBox(InvalidCoefficientText(row));
        return false;
    }
    return true;
}

void TIntermagnetForm::AddCoefBtnClick() {
    FCGrid->CommitEdit();
    // On the empty list the blank row that is kept becomes the first coefficient.
    if (FCGrid->MarkedEmpty())
        FCGrid->SetRowCount(1);
    else
        FCGrid->insertRow(FCGrid->rowCount());
    const int last = FCGrid->rowCount() - 1;
    FCGrid->SetCell(Label, last, CoefficientLabel(last));
    FCGrid->SetMarkedEmpty(false);
}

void TIntermagnetForm::DeleteCoefBtnClick() {
    FCGrid->CommitEdit();
    if (FCGrid->MarkedEmpty()) return;
    const int last = FCGrid->rowCount() - 1;
    FCGrid->SetCell(Label, last, QString());
    FCGrid->SetCell(Text, last, QString());
    if (last == 0)
        FCGrid->SetMarkedEmpty(true);
    else
        FCGrid->removeRow(last);
}

void TIntermagnetForm::LoadFilterBtnClick() {
    FCGrid->CommitEdit();
    const std::string path = FOpenFileChooser(this, OpenFolder());
    if (path.empty()) return;
    FLastFolder = FolderOf(path);

    const TFilterFileContents contents = ReadFilterFile(path);
    if (!contents.ReadError.empty()) {
        // Nothing was read, so the list does not change.
        Notifier().ErrorBox(FileErrorText(path, contents.ReadError));
        return;
    }
    // The list only: the running filter takes it on OK, together with its texts.
    ShowCoefficientTexts(contents.Texts);
    if (contents.Failed()) {
        // The whole list stays, the bad text included, so the user can mend it and press OK.
        FCGrid->setCurrentCell(contents.FailedIndex, Text);
        Notifier().ErrorBox(FileErrorText(path, InvalidCoefficientText(contents.FailedIndex)));
        Notifier().ErrorBox(contents.ConversionError);
    }
}

void TIntermagnetForm::SaveFilterBtnClick() {
    FCGrid->CommitEdit();
    if (FCGrid->MarkedEmpty()) return;
    const std::string path = FSaveFileChooser(this, SaveFolder());
    if (path.empty()) return;
    FLastFolder = FolderOf(path);
    if (!CheckCoefficients()) return;
    try {
        WriteFilterFile(path, CoefficientTexts());
    } catch (const std::exception&) {
        Notifier().ErrorBox("Could not save filter");
    }
}

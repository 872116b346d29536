#pragma once
// TIntermagnetForm, "INTERMAGNET parameters": the modal dialog in which the user edits the six
// IMFV1.22 header texts, the choice between one-minute and five-second values and the list of
// decimation-filter coefficients, which can also be loaded from and saved to ".filter" files.
//
// The dialog is created once and reused. Its caller fills it before each showing and takes the
// values back only after OK (IntermagnetParameters.h does both). The coefficient list and its
// empty-list mark (the grid's Tag) carry over from one showing to the next.
//
// No showing ends, whatever ends it (OK, Cancel, Escape, the window's close button), while a
// coefficient text is not a number: CheckCoefficients names the first bad one and the dialog
// stays open. OK also needs header texts that fit the file format (CheckHeader). Loading a
// file fills the list only: the running filter, its texts and the header change together, and
// only through OK.
//
// The window's placement in the settings file belongs to the main window's storage, which
// watches the dialog's show and hide events; SetPlacementStorage lets the dialog own it.

#include "settings/IntermagnetHeader.h"
#include "window/FilterFileDialogs.h"

#include <memory>
#include <string>
#include <vector>

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class TCoefficientGrid;
class TIagaGroup;
class TImagCdfGroup;

// "Invalid filter coefficient C<index>".
std::string InvalidCoefficientText(int index);

// Thread rule: user-interface thread only.
class TIntermagnetForm : public QDialog {
    Q_OBJECT

public:
    // Items of MinuteOR5seconds; their indexes are the values of MinuteOr5Seconds.
    static constexpr int OneMinuteItem = 0;
    static constexpr int FiveSecondsItem = 1;

    explicit TIntermagnetForm(QWidget* parent = nullptr);
    ~TIntermagnetForm() override;

    // The controls, each with its component name as objectName.
    TCoefficientGrid* CGrid() const { return FCGrid; }
    QPushButton* AddCoefBtn() const { return FAddCoefBtn; }
    QPushButton* DeleteCoefBtn() const { return FDeleteCoefBtn; }
    QPushButton* LoadFilterBtn() const { return FLoadFilterBtn; }
    QPushButton* SaveFilterBtn() const { return FSaveFilterBtn; }
    QPushButton* OKBtn() const { return FOKBtn; }
    QPushButton* CancelBtn() const { return FCancelBtn; }
    QComboBox* MinuteOR5seconds() const { return FMinuteOR5seconds; }
    QLineEdit* IDC() const { return FIDC; }
    QComboBox* COMP() const { return FCOMP; }
    QLineEdit* GIN() const { return FGIN; }
    QLineEdit* COLA() const { return FCOLA; }
    QLineEdit* LONG() const { return FLONG; }
    QLineEdit* DECBAS() const { return FDECBAS; }
    TIagaGroup* IagaGroup() const { return FIagaGroup; }
    TImagCdfGroup* ImagCdfGroup() const { return FImagCdfGroup; }

    // The header fields: shown as given, read back as they stand (each field holds at most its
    // text's maximum length).
    void ShowHeader(const TIntermagnetHeader& header);
    TIntermagnetHeader EnteredHeader() const;

    // Selects the item of that index; any other value leaves no item selected and no text.
    void SetIntervalIndex(int index);
    // The item the combo box shows, or -1 when it shows a text that is no item.
    int IntervalIndex() const;

    // Shows the texts as the coefficient list, C0 first; none gives the empty list (its one
    // blank row, marked empty).
    void ShowCoefficientTexts(const std::vector<std::string>& texts);
    // The texts of the list, row by row; none when the list is marked empty.
    std::vector<std::string> CoefficientTexts() const;

    // True when every coefficient text is a number (or the list is marked empty); otherwise
    // shows "Invalid filter coefficient C<i>" for the first bad row, selects it and gives false.
    bool CheckCoefficients();
    // True when every header text fits its rule (CheckIntermagnetHeader); otherwise shows a box
    // naming the first bad field and the form it needs, puts the focus there and gives false.
    bool CheckHeader();

    // The four list buttons.
    void AddCoefBtnClick();
    void DeleteCoefBtnClick();
    void LoadFilterBtnClick();
    void SaveFilterBtnClick();

    // The file dialogs of Load and Save; real dialogs unless replaced.
    void SetOpenFileChooser(TFilterFileChooser chooser) { FOpenFileChooser = std::move(chooser); }
    void SetSaveFileChooser(TFilterFileChooser chooser) { FSaveFileChooser = std::move(chooser); }
    // Where the next open or save dialog starts: the folder of the file chosen last in either,
    // before that the standard filters (open) or the working directory (save).
    std::string OpenFolder() const;
    std::string SaveFolder() const;

    // Keeps the main window's placement storage of this dialog for the dialog's life. It is
    // destroyed before the controls, so that a save at destruction still finds them.
    void SetPlacementStorage(std::unique_ptr<QObject> storage);
    QObject* PlacementStorage() const { return FPlacementStorage.get(); }

    // Every way of closing the dialog ends here; it refuses while a coefficient is invalid, and
    // OK refuses IAGA-2002 entries that break their rules while IAGA-2002 files are on.
    void done(int result) override;

private:
    QGroupBox* BuildFilterGroup();
    QGroupBox* BuildHeaderGroup();

    TCoefficientGrid* FCGrid = nullptr;
    QPushButton* FAddCoefBtn = nullptr;
    QPushButton* FDeleteCoefBtn = nullptr;
    QPushButton* FLoadFilterBtn = nullptr;
    QPushButton* FSaveFilterBtn = nullptr;
    QPushButton* FOKBtn = nullptr;
    QPushButton* FCancelBtn = nullptr;
    QComboBox* FMinuteOR5seconds = nullptr;
    QLineEdit* FIDC = nullptr;
    QComboBox* FCOMP = nullptr;
    QLineEdit* FGIN = nullptr;
    QLineEdit* FCOLA = nullptr;
    QLineEdit* FLONG = nullptr;
    QLineEdit* FDECBAS = nullptr;
    TIagaGroup* FIagaGroup = nullptr;
    TImagCdfGroup* FImagCdfGroup = nullptr;

    TFilterFileChooser FOpenFileChooser = ChooseFilterFileToOpen;
    TFilterFileChooser FSaveFileChooser = ChooseFilterFileToSave;
    std::string FStandardFiltersFolder;
    std::string FLastFolder;

    // Last member: destroyed first.
    std::unique_ptr<QObject> FPlacementStorage;
};

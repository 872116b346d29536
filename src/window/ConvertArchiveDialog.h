#pragma once

#include "recording/ArchiveConversion.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

// "Convert archive...": which archive files or folders to read, which derived files to make and
// where to put them. Filled by its caller before each showing and read back after OK; OK with
// an entry missing names it in an error box and keeps the dialog open.
// Thread rule: user-interface thread only.
class TConvertArchiveDialog : public QDialog {
    Q_OBJECT

public:
    // Chooses archive files (folder = false) or one folder; empty on Cancel. Replaceable, so that
    // tests answer without a native dialog.
    using TPathChooser = std::function<QStringList(QWidget* parent, bool folder)>;

    explicit TConvertArchiveDialog(QWidget* parent = nullptr);

    void SetProducts(const TProductChoice& products);
    TProductChoice Products() const;
    void SetOutputFolder(const std::string& folder);
    std::string OutputFolder() const;
    void SetPaths(const std::vector<std::string>& paths);
    std::vector<std::string> Paths() const;
    void SetPathChooser(TPathChooser chooser) { FChooser = std::move(chooser); }

    // What keeps OK from closing the dialog, or empty.
    QString Problem() const;
    void accept() override;

    QPushButton* AddFilesBtn() const { return FAddFiles; }
    QPushButton* AddFolderBtn() const { return FAddFolder; }
    QPushButton* OKBtn() const { return FOk; }
    QPushButton* CancelBtn() const { return FCancel; }
    QCheckBox* IntermagnetCB() const { return FIntermagnet; }
    QCheckBox* IagaSecondsCB() const { return FIagaSeconds; }
    QCheckBox* IagaMinutesCB() const { return FIagaMinutes; }
    QCheckBox* ImagCdfSecondsCB() const { return FImagCdfSeconds; }
    QCheckBox* ImagCdfMinutesCB() const { return FImagCdfMinutes; }

private:
    void AddChosen(bool folder);

    QListWidget* FPaths;
    QPushButton* FAddFiles;
    QPushButton* FAddFolder;
    QPushButton* FRemove;
    QCheckBox* FIntermagnet;
    QCheckBox* FIagaSeconds;
    QCheckBox* FIagaMinutes;
    QCheckBox* FImagCdfSeconds;
    QCheckBox* FImagCdfMinutes;
    QLineEdit* FOutputFolder;
    QPushButton* FBrowse;
    QPushButton* FOk;
    QPushButton* FCancel;
    TPathChooser FChooser;
};

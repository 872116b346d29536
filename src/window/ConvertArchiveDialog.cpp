#include "window/ConvertArchiveDialog.h"

#include "acquisition/Notifier.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QStringList ChooseWithFileDialog(QWidget* parent, bool folder) {
    if (folder) {
        const QString chosen = QFileDialog::getExistingDirectory(parent, QObject::tr("Archive folder"));
        return chosen.isEmpty() ? QStringList{} : QStringList{chosen};
    }
    return QFileDialog::getOpenFileNames(parent, QObject::tr("Archive files"), QString(),
                                         QObject::tr("Archive files (*.orv);;All files (*)"));
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TConvertArchiveDialog::TConvertArchiveDialog(QWidget* parent)
    : QDialog(parent), FChooser(ChooseWithFileDialog) {
    setObjectName(QStringLiteral("ConvertArchiveDialog"));
    setWindowTitle(tr("Convert archive"));
    auto* layout = new QVBoxLayout(this);

    auto* sources = new QGroupBox(tr("Archive files and folders (folders are searched for archive files)"), this);
    auto* sourceLayout = new QHBoxLayout(sources);
    FPaths = new QListWidget(sources);
    FPaths->setObjectName(QStringLiteral("PathList"));
    FPaths->setSelectionMode(QAbstractItemView::ExtendedSelection);
    sourceLayout->addWidget(FPaths, 1);
    auto* sourceButtons = new QVBoxLayout;
    FAddFiles = Button(sources, "AddFilesBtn", tr("Add &files..."));
    FAddFolder = Button(sources, "AddFolderBtn", tr("Add f&older..."));
    FRemove = Button(sources, "RemoveBtn", tr("&Remove"));
    for (QPushButton* button : {FAddFiles, FAddFolder, FRemove}) sourceButtons->addWidget(button);
    sourceButtons->addStretch();
    sourceLayout->addLayout(sourceButtons);
    layout->addWidget(sources, 1);

    auto* products = new QGroupBox(tr("Files to make (from the header parameters and filter)"), this);
    auto* productLayout = new QVBoxLayout(products);
    FIntermagnet = new QCheckBox(tr("&INTERMAGNET files"), products);
    FIagaSeconds = new QCheckBox(tr("IAGA-2002 &second files"), products);
    FIagaMinutes = new QCheckBox(tr("IAGA-2002 &minute files"), products);
    FImagCdfSeconds = new QCheckBox(tr("ImagCDF s&econd files"), products);
    FImagCdfMinutes = new QCheckBox(tr("ImagCDF mi&nute files"), products);
    for (QCheckBox* box : {FIntermagnet, FIagaSeconds, FIagaMinutes, FImagCdfSeconds, FImagCdfMinutes})
        productLayout->addWidget(box);
    layout->addWidget(products);

    auto* output = new QHBoxLayout;
    // "&f" is Add files' already; a label shows its "&" as a mnemonic only with a buddy.
    auto* outputLabel = new QLabel(tr("Outp&ut folder:"), this);
    output->addWidget(outputLabel);
    FOutputFolder = new QLineEdit(this);
    FOutputFolder->setObjectName(QStringLiteral("OutputFolderEdit"));
    outputLabel->setBuddy(FOutputFolder);
    output->addWidget(FOutputFolder, 1);
    FBrowse = Button(this, "BrowseBtn", tr("&Browse..."));
    output->addWidget(FBrowse);
    layout->addLayout(output);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    FOk = Button(this, "OKBtn", tr("OK"));
    FOk->setDefault(true);
    FCancel = Button(this, "CancelBtn", tr("Cancel"));
    buttons->addWidget(FOk);
    buttons->addWidget(FCancel);
    layout->addLayout(buttons);

    connect(FAddFiles, &QPushButton::clicked, this, [this] { AddChosen(false); });
    connect(FAddFolder, &QPushButton::clicked, this, [this] { AddChosen(true); });
    connect(FRemove, &QPushButton::clicked, this, [this] { qDeleteAll(FPaths->selectedItems()); });
    connect(FBrowse, &QPushButton::clicked, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(this, tr("Output folder"),
                                                                 FOutputFolder->text());
        if (!folder.isEmpty()) FOutputFolder->setText(folder);
    });
    connect(FOk, &QPushButton::clicked, this, &TConvertArchiveDialog::accept);
    connect(FCancel, &QPushButton::clicked, this, &TConvertArchiveDialog::reject);
}

void TConvertArchiveDialog::AddChosen(bool folder) {
    for (const QString& path : FChooser(this, folder))
        if (FPaths->findItems(path, Qt::MatchExactly).isEmpty()) FPaths->addItem(path);
}

void TConvertArchiveDialog::SetProducts(const TProductChoice& products) {
    FIntermagnet->setChecked(products.Intermagnet);
    FIagaSeconds->setChecked(products.IagaSeconds);
    FIagaMinutes->setChecked(products.IagaMinutes);
    FImagCdfSeconds->setChecked(products.ImagCdfSeconds);
    FImagCdfMinutes->setChecked(products.ImagCdfMinutes);
}

TProductChoice TConvertArchiveDialog::Products() const {
    return {FIntermagnet->isChecked(), FIagaSeconds->isChecked(), FIagaMinutes->isChecked(),
            FImagCdfSeconds->isChecked(), FImagCdfMinutes->isChecked()};
}

void TConvertArchiveDialog::SetOutputFolder(const std::string& folder) {
    FOutputFolder->setText(QString::fromStdString(folder));
}

std::string TConvertArchiveDialog::OutputFolder() const {
    return FOutputFolder->text().trimmed().toStdString();
}

void TConvertArchiveDialog::SetPaths(const std::vector<std::string>& paths) {
    FPaths->clear();
    for (const std::string& path : paths) FPaths->addItem(QString::fromStdString(path));
}

std::vector<std::string> TConvertArchiveDialog::Paths() const {
    std::vector<std::string> paths;
    for (int i = 0; i < FPaths->count(); ++i) paths.push_back(FPaths->item(i)->text().toStdString());
    return paths;
}

QString TConvertArchiveDialog::Problem() const {
    if (FPaths->count() == 0) return tr("Add the archive files or folders to convert.");
    if (!Products().Any()) return tr("Choose at least one kind of file to make.");
    if (OutputFolder().empty()) return tr("Name the output folder.");
    return {};
}

void TConvertArchiveDialog::accept() {
    if (const QString problem = Problem(); !problem.isEmpty()) {
        Notifier().ErrorBox(problem.toStdString());
        return;
    }
    QDialog::accept();
}

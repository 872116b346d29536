// The dialog's controls and layout, the header fields, the interval choice and closing.
#include "window/IntermagnetForm.h"

#include "acquisition/Notifier.h"
#include "settings/SensorComponents.h"
#include "window/CoefficientGrid.h"
#include "window/IagaGroup.h"
#include "window/ImagCdfGroup.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString FromStd(const std::string& text) { return QString::fromStdString(text); }

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

// An editable combo box that never adds what the user types to its items.
QComboBox* MakeEditableCombo(QWidget* parent, const char* name, const QStringList& items) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(items);
    return combo;
}

// Shows the item that equals `text`, or the text alone when it is no item.
void ShowComboText(QComboBox* combo, const QString& text) {
    const int index = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    combo->setCurrentIndex(index);
    combo->setEditText(text);
}

}  // namespace

std::string InvalidCoefficientText(int index) {
    return "Invalid filter coefficient C" + std::to_string(index);
}

TIntermagnetForm::TIntermagnetForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("IntermagnetForm"));
    setWindowTitle(QStringLiteral("INTERMAGNET parameters"));
    setModal(true);
    FStandardFiltersFolder = StandardFiltersFolder();

    FOKBtn = MakeButton(this, "OKBtn", QStringLiteral("OK"));
    FOKBtn->setDefault(true);
    FCancelBtn = MakeButton(this, "CancelBtn", QStringLiteral("Cancel"));
    connect(FOKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(FCancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* groups = new QHBoxLayout;
    groups->addWidget(BuildFilterGroup());
    auto* products = new QVBoxLayout;
    products->addWidget(BuildHeaderGroup());
    FIagaGroup = new TIagaGroup(this);
    products->addWidget(FIagaGroup, 1);
    FImagCdfGroup = new TImagCdfGroup(this);
    products->addWidget(FImagCdfGroup);
    groups->addLayout(products, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(FOKBtn);
    buttons->addWidget(FCancelBtn);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups, 1);
    layout->addLayout(buttons);
}

TIntermagnetForm::~TIntermagnetForm() = default;

QGroupBox* TIntermagnetForm::BuildFilterGroup() {
    auto* group = new QGroupBox(QStringLiteral("  Filter coefficients  "), this);
    group->setObjectName(QStringLiteral("FilterGroup"));

    FCGrid = new TCoefficientGrid(group);
    FCGrid->setObjectName(QStringLiteral("CGrid"));
    FCGrid->setMinimumWidth(260);

    FAddCoefBtn = MakeButton(group, "AddCoefBtn", QStringLiteral("+"));
    FAddCoefBtn->setToolTip(QStringLiteral("Add coefficient"));
    FDeleteCoefBtn = MakeButton(group, "DeleteCoefBtn", QStringLiteral("-"));
    FDeleteCoefBtn->setToolTip(QStringLiteral("Delete last coefficient"));
    for (QPushButton* small : {FAddCoefBtn, FDeleteCoefBtn}) {
        small->setAutoDefault(false);
        small->setFixedWidth(small->sizeHint().height() + 4);
    }
    FLoadFilterBtn = MakeButton(group, "LoadFilterBtn", QStringLiteral("Load ..."));
    FSaveFilterBtn = MakeButton(group, "SaveFilterBtn", QStringLiteral("Save ..."));
    connect(FAddCoefBtn, &QPushButton::clicked, this, &TIntermagnetForm::AddCoefBtnClick);
    connect(FDeleteCoefBtn, &QPushButton::clicked, this, &TIntermagnetForm::DeleteCoefBtnClick);
    connect(FLoadFilterBtn, &QPushButton::clicked, this, &TIntermagnetForm::LoadFilterBtnClick);
    connect(FSaveFilterBtn, &QPushButton::clicked, this, &TIntermagnetForm::SaveFilterBtnClick);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(FAddCoefBtn);
    buttons->addWidget(FDeleteCoefBtn);
    buttons->addStretch(1);
    buttons->addWidget(FLoadFilterBtn);
    buttons->addWidget(FSaveFilterBtn);

    auto* layout = new QVBoxLayout(group);
    layout->addWidget(FCGrid, 1);
    layout->addLayout(buttons);
    return group;
}

QGroupBox* TIntermagnetForm::BuildHeaderGroup() {
    auto* group = new QGroupBox(QStringLiteral("  IMFV1.22 format:  Header parameters  "), this);
    group->setObjectName(QStringLiteral("HeaderGroup"));
    group->setToolTip(
        QStringLiteral("IMFV1.22 INTERMAGNET GIN DISSEMINATION FORMAT FOR MINUTE VALUES"));
    auto* layout = new QGridLayout(group);
    layout->setColumnStretch(2, 1);
    int row = 0;

    FMinuteOR5seconds = MakeEditableCombo(
        group, "MinuteOR5seconds", {QStringLiteral("1 minute"), QStringLiteral("5 seconds")});
    FMinuteOR5seconds->setMinimumContentsLength(10);  // "5 seconds" whole
    auto* formatLabel = new QLabel(QStringLiteral("INTERMAGNET file format"), group);
    formatLabel->setObjectName(QStringLiteral("MinuteOR5secondsLabel"));
    formatLabel->setBuddy(FMinuteOR5seconds);
    layout->addWidget(formatLabel, row, 0, 1, 2);
    layout->addWidget(FMinuteOR5seconds, row, 2, Qt::AlignLeft);
    ++row;

    // One line per field: its short name (with the keyboard shortcut), the field, and what the
    // field means.
    const auto addField = [&](QWidget* field, const char* name, const QString& shortCaption,
                              const QString& description, int maxLength) {
        field->setObjectName(QString::fromLatin1(name));
        auto* caption = new QLabel(shortCaption, group);
        caption->setObjectName(QString::fromLatin1(name) + QStringLiteral("Label"));
        caption->setBuddy(field);
        auto* meaning = new QLabel(description, group);
        meaning->setObjectName(QString::fromLatin1(name) + QStringLiteral("Description"));
        field->setFixedWidth(field->fontMetrics().horizontalAdvance(QLatin1Char('W')) *
                                 (maxLength + 1) + 24);
        layout->addWidget(caption, row, 0);
        layout->addWidget(field, row, 1);
        layout->addWidget(meaning, row, 2);
        ++row;
    };
    const auto makeEdit = [&](int maxLength) {
        auto* edit = new QLineEdit(group);
        edit->setMaxLength(maxLength);
        return edit;
    };

    FIDC = makeEdit(int(IDCMaxLength));
    addField(FIDC, "IDC", QStringLiteral("&IDC"), QStringLiteral("IAGA observatory ID"),
             int(IDCMaxLength));
    FCOMP = MakeEditableCombo(group, "COMP", {QStringLiteral("HDZF"), QStringLiteral("XYZF")});
    FCOMP->lineEdit()->setMaxLength(int(COMPMaxLength));
    addField(FCOMP, "COMP", QStringLiteral("&COMP"),
             QStringLiteral("Order of components: HDZF or XYZF "), int(COMPMaxLength) + 2);
    FGIN = makeEdit(int(GINMaxLength));
    addField(FGIN, "GIN", QStringLiteral("&GIN"),
             QStringLiteral("GIN resonsible for processing the station"), int(GINMaxLength));
    FCOLA = makeEdit(int(COLAMaxLength));
    addField(FCOLA, "COLA", QStringLiteral("CO&LA"),
             QStringLiteral("Colatitutde of the observatory"), int(COLAMaxLength));
    FLONG = makeEdit(int(LONGMaxLength));
    addField(FLONG, "LONG", QStringLiteral("L&ONG"),
             QStringLiteral("East longitude of the observatory"), int(LONGMaxLength));
    FDECBAS = makeEdit(int(DECBASMaxLength));
    addField(FDECBAS, "DECBAS", QStringLiteral("&DECBAS"),
             QStringLiteral("Declination base value, tenth-minutes East"),
             int(DECBASMaxLength));
    layout->setRowStretch(row, 1);
    return group;
}

void TIntermagnetForm::ShowHeader(const TIntermagnetHeader& header) {
    FIDC->setText(FromStd(header.IDC));
    ShowComboText(FCOMP, FromStd(header.COMP));
    FGIN->setText(FromStd(header.GIN));
    FCOLA->setText(FromStd(header.COLA));
    FLONG->setText(FromStd(header.LONG));
    FDECBAS->setText(FromStd(header.DECBAS));
}

TIntermagnetHeader TIntermagnetForm::EnteredHeader() const {
    TIntermagnetHeader header;
    header.IDC = FIDC->text().toStdString();
    header.COMP = FCOMP->currentText().toStdString();
    header.GIN = FGIN->text().toStdString();
    header.COLA = FCOLA->text().toStdString();
    header.LONG = FLONG->text().toStdString();
    header.DECBAS = FDECBAS->text().toStdString();
    return header;
}

void TIntermagnetForm::SetIntervalIndex(int index) {
    const bool isItem = index >= 0 && index < FMinuteOR5seconds->count();
    FMinuteOR5seconds->setCurrentIndex(isItem ? index : -1);
    FMinuteOR5seconds->setEditText(isItem ? FMinuteOR5seconds->itemText(index) : QString());
}

int TIntermagnetForm::IntervalIndex() const {
    // The combo box keeps its last index while the user types over it; what it shows counts.
    return FMinuteOR5seconds->findText(FMinuteOR5seconds->currentText(),
                                       Qt::MatchExactly | Qt::MatchCaseSensitive);
}

std::string TIntermagnetForm::OpenFolder() const {
    return FLastFolder.empty() ? FStandardFiltersFolder : FLastFolder;
}

std::string TIntermagnetForm::SaveFolder() const { return FLastFolder; }

void TIntermagnetForm::SetPlacementStorage(std::unique_ptr<QObject> storage) {
    FPlacementStorage = std::move(storage);
}

bool TIntermagnetForm::CheckHeader() {
    TIntermagnetHeaderProblem problem = CheckIntermagnetHeader(CutToSize(EnteredHeader()));
    // The components must be the sensor's (the IAGA-2002 group's sensor orientation), as the run
    // checks them: said here, not first at the run's start.
    if (!problem)
        if (const auto mismatch = CheckIntermagnetComponents(FCOMP->currentText().toStdString(),
                                                             FIagaGroup->EnteredSettings().Header))
            problem = {mismatch->Key, mismatch->Text};
    if (!problem) return true;
    if (auto* field = findChild<QWidget*>(QString::fromStdString(problem.Field))) field->setFocus();
    Notifier().ErrorBox(problem.Text);
    return false;
}

void TIntermagnetForm::done(int result) {
    if (!CheckCoefficients()) return;
    if (result == Accepted && !CheckHeader()) return;
    if (result == Accepted && !FIagaGroup->CheckEntries(FIDC->text().toStdString(), FIDC)) return;
    if (result == Accepted &&
        !FImagCdfGroup->CheckEntries(FIDC->text().toStdString(), FIagaGroup->EnteredSettings().Header, *this))
        return;
    QDialog::done(result);
}

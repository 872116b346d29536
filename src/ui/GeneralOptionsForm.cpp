#include "ui/NetworkOptionsBox.h"
#include "ui/GeneralOptionsForm.h"

#include "settings/SettingsKeys.h"
#include "ui/SerialDeviceChoice.h"
#include "ui/SpinEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

TGeneralOptionsForm::TGeneralOptionsForm(const std::string& settingsFileName, QWidget* parent)
    : QDialog(parent), FDeviceLister(AvailableSerialDevices) {
    setObjectName(QStringLiteral("GeneralOptionsForm"));
    setWindowTitle(tr("Options"));
    setModal(true);
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* portLabel = new QLabel(tr("COM port"), this);
    FCOMPortCombo = new QComboBox(this);
    FCOMPortCombo->setObjectName(QStringLiteral("COMPortCombo"));
    for (int port = 1; port <= PortCount; ++port)
        FCOMPortCombo->addItem(tr("COM %1").arg(port));
    portLabel->setBuddy(FCOMPortCombo);

    FDeviceLabel = new QLabel(tr("Device"), this);
    FDeviceCombo = new TSerialDeviceCombo(this);
    FDeviceCombo->setObjectName(QStringLiteral("DeviceCombo"));
    FDeviceLabel->setBuddy(FDeviceCombo);

    auto* maxNLabel = new QLabel(
        tr("Maximum points on graph\nduring real-time visualization\n( 0 - disable feature )"), this);
    FMaxNSpin = new TSpinEdit(this);
    FMaxNSpin->setObjectName(QStringLiteral("MaxNSpin"));
    FMaxNSpin->setRange(0, MaxNMaximum);
    maxNLabel->setBuddy(FMaxNSpin);

    FIntermagnetCB = new QCheckBox(tr("Auto create INTERMAGNET format"), this);
    FIntermagnetCB->setObjectName(QStringLiteral("IntermagnetCB"));
    // The box sits to the right of its caption.
    FIntermagnetCB->setLayoutDirection(Qt::RightToLeft);

    FOKBtn = new QPushButton(tr("OK"), this);
    FOKBtn->setObjectName(QStringLiteral("OKBtn"));
    FOKBtn->setDefault(true);
    FCancelBtn = new QPushButton(tr("Cancel"), this);
    FCancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    connect(FOKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(FCancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    FStatusBar1 = new QStatusBar(this);
    FStatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    FStatusBar1->setSizeGripEnabled(false);

    // One control per row, with the style's spacing and margins, so that no two controls meet
    // whatever the font size: the check box has a row of its own above the buttons.
    auto* grid = new QGridLayout;
    grid->addWidget(portLabel, 0, 0);
    auto* portRow = new QHBoxLayout;
    portRow->addWidget(FCOMPortCombo);
    portRow->addWidget(FDeviceLabel);
    portRow->addWidget(FDeviceCombo, 1);
    grid->addLayout(portRow, 0, 1, 1, 2);
    grid->addWidget(maxNLabel, 1, 0, 1, 2);
    grid->addWidget(FMaxNSpin, 1, 2, Qt::AlignLeft | Qt::AlignVCenter);
    // Absolute: the box's own right-to-left direction would otherwise mirror the alignment.
    grid->addWidget(FIntermagnetCB, 2, 0, 1, 3, Qt::AlignAbsolute | Qt::AlignLeft | Qt::AlignVCenter);
    FNetworkBox = new TNetworkOptionsBox(this);
    grid->addWidget(FNetworkBox, 3, 0, 1, 3);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(FOKBtn);
    buttonRow->addWidget(FCancelBtn);
    grid->addLayout(buttonRow, 4, 0, 1, 3);
    grid->setColumnStretch(2, 1);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* body = new QWidget(this);
    body->setObjectName(QStringLiteral("Body"));
    body->setLayout(grid);
    outer->addWidget(body, 1);
    outer->addWidget(FStatusBar1);

    FitToContents();

    connect(FCOMPortCombo, &QComboBox::currentIndexChanged, this, [this] { ShowDeviceOfPort(); });
    connect(FDeviceCombo, &QComboBox::editTextChanged, this, &TGeneralOptionsForm::DeviceEdited);

    FFormStorage = std::make_unique<TFormStorage>(this, settingsFileName,
                                                  SettingsKeys::Placement::GeneralOptionsFormSection);
}

TGeneralOptionsForm::~TGeneralOptionsForm() = default;

void TGeneralOptionsForm::FitToContents() {
    // The designed size, grown only where the font needs more room; never resizable.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    layout()->invalidate();
    const QSize needed = sizeHint();
    setFixedSize(std::max(ClientWidth, needed.width()), std::max(ClientHeight, needed.height()));
}

void TGeneralOptionsForm::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // After the controls have taken the new font too.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        QMetaObject::invokeMethod(this, &TGeneralOptionsForm::FitToContents, Qt::QueuedConnection);
}

void TGeneralOptionsForm::Fill(const TGeneralOptions& options) {
    FFilledPortIndex = options.COMPort;
    FDevices = options.SerialDevices;
    FDeviceCombo->SetDevices(FDeviceLister ? FDeviceLister() : std::vector<TSerialDeviceInfo>{});
    {
        const QSignalBlocker blocker(FCOMPortCombo);
        const bool listed = options.COMPort >= 0 && options.COMPort < PortCount;
        FCOMPortCombo->setCurrentIndex(listed ? options.COMPort : -1);
    }
    ShowDeviceOfPort();
    FMaxNSpin->setValue(options.MaxPointsOnScreen);
    FIntermagnetCB->setChecked(options.AutoCreateIntermagnet);
    FNetworkBox->Fill(options.Network);
    FCOMPortCombo->setFocus();
}

TGeneralOptions TGeneralOptionsForm::Values() const {
    TGeneralOptions options;
    options.MaxPointsOnScreen = FMaxNSpin->TextValue();
    options.COMPort = PortIndex();
    options.AutoCreateIntermagnet = FIntermagnetCB->isChecked();
    options.SerialDevices = FDevices;
    options.Network = FNetworkBox->Values();
    return options;
}

bool TGeneralOptionsForm::Execute(TGeneralOptions& options) {
    Fill(options);
    if (exec() != QDialog::Accepted) return false;
    options = Values();
    return true;
}

int TGeneralOptionsForm::PortIndex() const {
    const int chosen = FCOMPortCombo->currentIndex();
    return chosen >= 0 ? chosen : FFilledPortIndex;
}

void TGeneralOptionsForm::ShowDeviceOfPort() {
    const std::int32_t index = PortIndex();
    const bool named = index >= 0 && index < std::numeric_limits<std::int32_t>::max();
    FShowingDevice = true;
    FDeviceCombo->setEnabled(named);
    FDeviceLabel->setEnabled(named);
    FDeviceCombo->SetDevice(named ? QString::fromStdString(MappedSerialDevice(FDevices, index + 1))
                                  : QString());
    FShowingDevice = false;
}

void TGeneralOptionsForm::DeviceEdited(const QString& text) {
    if (FShowingDevice) return;
    const std::int32_t index = PortIndex();
    if (index < 0 || index == std::numeric_limits<std::int32_t>::max()) return;
    SetMappedSerialDevice(FDevices, index + 1, text.toStdString());
    FDeviceCombo->setToolTip(FDeviceCombo->DescriptionOf(text.trimmed()));
}

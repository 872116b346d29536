#include "ui/NetworkOptionsBox.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

namespace {

QLineEdit* Edit(QWidget* parent, const char* name, const QString& placeholder = {}) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setPlaceholderText(placeholder);
    return edit;
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The address, shown as a link the system's browser opens.
const QString LinkMarkup = QStringLiteral("<a href=\"%1\">%1</a>");
std::string S(const QLineEdit* edit) { return edit->text().trimmed().toStdString(); }

}  // namespace

TNetworkOptionsBox::TNetworkOptionsBox(QWidget* parent) : QGroupBox(tr("Network (MQTT)"), parent) {
    setObjectName(QStringLiteral("NetworkBox"));
    FBroker = Edit(this, "BrokerEdit", tr("empty: off"));
    FPort = new QSpinBox(this);
    FPort->setObjectName(QStringLiteral("PortSpin"));
    FPort->setRange(0, 65535);
    FPort->setSpecialValueText(tr("default"));
    FTls = new QCheckBox(tr("TLS"), this);
    FTls->setObjectName(QStringLiteral("TlsCB"));
    FCAFile = Edit(this, "CAFileEdit", tr("system certificates"));
    FUsername = Edit(this, "UsernameEdit", tr("none"));
    FPasswordFile = Edit(this, "PasswordFileEdit", tr("file readable by its owner only"));
    FStationId = Edit(this, "StationIdEdit", tr("the IDC"));
    FTopicPrefix = Edit(this, "TopicPrefixEdit");
    FPagePort = new QSpinBox(this);
    FPagePort->setObjectName(QStringLiteral("PagePortSpin"));
    FPagePort->setRange(0, 65535);
    FPagePort->setSpecialValueText(tr("none"));
    FPagePort->setToolTip(tr("The broker's websockets listener that serves the network overview page"));
    FPageLink = new QLabel(this);
    FPageLink->setObjectName(QStringLiteral("PageLink"));
    FPageLink->setOpenExternalLinks(true);
    FPageLink->setTextInteractionFlags(Qt::TextBrowserInteraction);

    auto* brokerRow = new QHBoxLayout;
    brokerRow->addWidget(FBroker, 1);
    brokerRow->addWidget(FPort);
    brokerRow->addWidget(FTls);
    auto* form = new QFormLayout(this);
    form->addRow(tr("Broker, port"), brokerRow);
    form->addRow(tr("CA file"), FCAFile);
    form->addRow(tr("User name"), FUsername);
    form->addRow(tr("Password file"), FPasswordFile);
    form->addRow(tr("Station id"), FStationId);
    form->addRow(tr("Topic prefix"), FTopicPrefix);
    form->addRow(tr("Overview page port"), FPagePort);
    form->addRow(tr("Overview page"), FPageLink);
    connect(FBroker, &QLineEdit::textChanged, this, &TNetworkOptionsBox::ShowPageLink);
    connect(FPagePort, &QSpinBox::valueChanged, this, &TNetworkOptionsBox::ShowPageLink);
    ShowPageLink();
}

void TNetworkOptionsBox::ShowPageLink() {
    // Empty until the broker and its page port are given.
    const QString address = Q(OverviewPageAddress(Values())).toHtmlEscaped();
    FPageLink->setText(address.isEmpty() ? QString() : LinkMarkup.arg(address));
}

void TNetworkOptionsBox::Fill(const TNetworkSettings& settings) {
    FBroker->setText(Q(settings.Broker));
    FPort->setValue(settings.Port);
    FTls->setChecked(settings.Tls);
    FCAFile->setText(Q(settings.CAFile));
    FUsername->setText(Q(settings.Username));
    FPasswordFile->setText(Q(settings.PasswordFile));
    FStationId->setText(Q(settings.StationId));
    FTopicPrefix->setText(Q(settings.TopicPrefix));
    FPagePort->setValue(settings.PagePort);
}

TNetworkSettings TNetworkOptionsBox::Values() const {
    TNetworkSettings settings;
    settings.Broker = S(FBroker);
    settings.Port = FPort->value();
    settings.Tls = FTls->isChecked();
    settings.CAFile = S(FCAFile);
    settings.Username = S(FUsername);
    settings.PasswordFile = S(FPasswordFile);
    settings.StationId = S(FStationId);
    settings.TopicPrefix = S(FTopicPrefix);
    if (settings.TopicPrefix.empty()) settings.TopicPrefix = TNetworkSettings().TopicPrefix;
    settings.PagePort = FPagePort->value();
    return settings;
}

// The main window's view of the broker link: a status bar panel that says whether the run's
// lines reach the broker, why not, and how many wait for its acknowledgement.

#include "window/OstrelMainForm.h"

#include "station/AcquisitionRun.h"
#include "network/StationPublisher.h"

#include <QLabel>
#include <QStatusBar>

void TOstrelMainForm::ShowLinkOf(TStationPublisher* publisher) {
    if (!publisher) {
        if (FLinkPanel) FLinkPanel->hide();
        return;
    }
    if (!FLinkPanel) {
        FLinkPanel = new QLabel(statusBar());
        FLinkPanel->setObjectName(QStringLiteral("LinkPanel"));
        FLinkPanel->setTextFormat(Qt::PlainText);
        statusBar()->addPermanentWidget(FLinkPanel);
    }
    FLinkPanel->show();
    // The publisher's thread posts each change here.
    publisher->SetStatusListener(this, [this](const TLinkStatus& status) { ShowLink(status); });
}

void TOstrelMainForm::ShowLink(const TLinkStatus& status) {
    if (!FLinkPanel || !FRun || !FRun->Publisher()) return;  // a late report of an ended run
    FLinkPanel->setText(QString::fromStdString("Broker: " + status.Text()));
    const bool trouble = status.State != TLinkStatus::TState::Connected || !status.Reason.empty();
    FLinkPanel->setStyleSheet(trouble ? QStringLiteral("color: #a05000") : QString());
    FLinkPanel->setToolTip(QString::fromStdString(FNetwork.Broker + ":" + std::to_string(FNetwork.EffectivePort())));
}

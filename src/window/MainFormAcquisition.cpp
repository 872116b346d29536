// Starting and stopping acquisition from the main window, the per-sample steps and the control
// states of Idle and Acquiring. The recording chain itself is the run controller's; the window
// puts its own steps between the controller's.

#include "window/OstrelMainForm.h"

#include "acquisition/BasicException.h"
#include "acquisition/ComPortThread.h"
#include "acquisition/LogicalPacket.h"
#include "station/AcquisitionRun.h"
#include "settings/StationSettings.h"
#include "station/StationPlan.h"
#include "window/ChannelGraphs.h"
#include "window/DataFileViewer.h"
#include "window/RecentFilesMenu.h"
#include "recording/Filter.h"
#include "recording/TextWithTimeDataFile.h"
#include "ui/IntermagnetTextForm.h"
#include "ui/TextForm.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr const char* ConfirmationText = "Are you sure?";

}  // namespace

void TOstrelMainForm::StartStopBtnClick() {
    // A run whose port never opened records nothing, so stopping it loses nothing to ask about.
    if (FAcquiring)
        StopAcquisition(FRun && FRun->HasReader());
    else
        StartAcquisition();
}

void TOstrelMainForm::StartAcquisition() {
    if (FAcquiring || FRun) return;
    // Before any box can open an event loop in which a finished load could still fill the graphs.
    FViewer->CancelLoad();
    std::string failure;
    try {
        FGraphs->SetZoomControlsVisible(false);

        FRun = std::make_unique<TAcquisitionRun>(RunSettingsOf(CurrentSettings()), *this);
        FRunStatus.Starting(FRun->PortName());
        FRun->CreateSemaphoreAndProcessing();

        SetViewMode(false);
        SetControlsAcquiring();
        RefreshReport();
        FRun->CreateWriters();  // the run's filter, the INTERMAGNET, archive and IAGA-2002 writers
        ShowLinkOf(FRun->Publisher());
        FGraphs->ClearGraphs();
        FRun->TrialOpen();
        FRun->StartReader();
        FReportTimer->start();
        return;
    } catch (const EPortOpenError& error) {
        Notifier().ErrorBox(error.FullText());
        failure = error.FullText();
    } catch (const std::exception& error) {
        failure = error.what();
    } catch (...) {
        failure = "unknown error";
    }
    // Whatever step failed, the user has a Stop button for the run left behind.
    if (!FAcquiring) SetControlsAcquiring();
    FRunStatus.NotStarted(failure);
    RefreshReport();
    StopAcquisition(true);
}

void TOstrelMainForm::StopAcquisition(bool askConfirmation) {
    if (askConfirmation && !Notifier().Confirm(ConfirmationText)) return;
    FReportTimer->stop();
    if (FRun) {
        if (FRun->Reader()) FRunStatus.SetDroppedLines(FRun->Reader()->LinesDropped());
        // Reader, then processing (which drains the queue, its samples still handled here),
        // then the INTERMAGNET and archive files.
        try {
            FRun->Stop();
        } catch (...) {
            Notifier().Beep();
        }
        FRun.reset();
    }
    ShowLinkOf(nullptr);
    FGraphs->SetZoomControlsVisible(true);
    SetControlsIdle();
    FGraphs->UpdateZoomRanges();
    FRunStatus.Stopped();
    RefreshReport();
}

void TOstrelMainForm::HandleSample(const TLogicalPacket& packet) {
    // A packet has nowhere to go once the run is gone.
    if (!FRun) return;
    TSampleRecord record;
    try {
        try {
            record = FRun->RecordSample(packet);
        } catch (const EBasicException& error) {
            // The archive line was written before a derived product failed: its file still
            // belongs in the caption.
            if (error.SourceClass() != "TTextDateFile" && FRun->ArchiveFile())
                ShowFileInCaption(FRun->ArchiveFile()->GetFileName());
            throw;
        }
    } catch (const std::exception& error) {
        Notifier().Beep();
        FRunStatus.SampleFailed(error.what());
        RefreshReport();
        return;
    } catch (...) {
        Notifier().Beep();
        FRunStatus.SampleFailed("unknown error");
        RefreshReport();
        return;
    }
    // A sample ends a write failure, a wait or a silence: the report says so at once.
    const bool reportChanges = !FRunStatus.Recording() || FRunStatus.AwaitingData();
    FRunStatus.SampleRecorded();
    if (reportChanges) RefreshReport();

    try {
        ShowFileInCaption(record.ArchiveFileName);
        if (!record.IntermagnetLine.empty() && FIntermagnetTextForm &&
            FIntermagnetTextForm->isVisible())
            FIntermagnetTextForm->AppendLine(record.IntermagnetLine);
        if (FMaxPointsOnScreen > 0) FGraphs->AddPacketToGraphs(packet);
        if (FTextForm && FTextForm->isVisible()) FTextForm->AppendLine(packet.Line());
    } catch (...) {
        Notifier().Beep();
    }
}

void TOstrelMainForm::SetControlsAcquiring() {
    FAcquiring = true;
    FRecentFilesMenu->SetAcquiring(true);
    FOpen1->setEnabled(false);
    FOptions1->setEnabled(false);
    FParameters1->setEnabled(false);
    UpdateConvertCommands();
    FStartStopBtn->setText(tr("Stop"));
    FStopAcquisitionMenu->setEnabled(true);
    FStartAcquisitionMenu->setEnabled(false);
    // The mouse readout and cursor lines rest while the graphs move.
    FGraphs->SetAcquiring(true);
}

void TOstrelMainForm::SetControlsIdle() {
    FAcquiring = false;
    UpdateConvertCommands();
    FOptions1->setEnabled(true);
    FParameters1->setEnabled(true);
    FStartStopBtn->setText(tr("Start"));
    FStopAcquisitionMenu->setEnabled(false);
    FStartAcquisitionMenu->setEnabled(true);
    FGraphs->SetAcquiring(false);
    FRecentFilesMenu->SetAcquiring(false);
}

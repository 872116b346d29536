// The main window's "Convert archive...": derived files rebuilt from archive files on a worker
// thread, with the status bar's progress bar, a cancel command and a summary box.

#include "settings/StationSettings.h"
#include "window/ArchiveConversionRunner.h"
#include "window/ConvertArchiveDialog.h"
#include "window/OstrelMainForm.h"
#include "recording/ConversionReport.h"

#include "acquisition/Notifier.h"

#include <QAction>
#include <QDir>
#include <QMenu>

namespace {

std::string SummaryText(const TConversionSummary& summary) {
    std::string text = summary.Cancelled ? "The conversion was cancelled."
                       : summary.Succeeded() ? "The archive is converted."
                                             : "The conversion met errors.";
    for (const std::string& line : ConversionReportLines(summary)) text += "\n" + line;
    constexpr std::size_t FilesListed = 10;
    for (std::size_t i = 0; i < summary.FilesWritten.size() && i < FilesListed; ++i)
        text += "\nwritten: " + summary.FilesWritten[i];
    if (summary.FilesWritten.size() > FilesListed)
        text += "\n... and " + std::to_string(summary.FilesWritten.size() - FilesListed) + " more";
    return text;
}

}  // namespace

void TOstrelMainForm::ConnectConverter() {
    FConvertArchive1 = FFile1->addAction(tr("&Convert archive..."));
    FConvertArchive1->setObjectName(QStringLiteral("ConvertArchive1"));
    FCancelConversion1 = FFile1->addAction(tr("C&ancel conversion"));
    FCancelConversion1->setObjectName(QStringLiteral("CancelConversion1"));
    // Above the separator before "Exit".
    const QList<QAction*> actions = FFile1->actions();
    QAction* exitSeparator = actions.at(actions.indexOf(FExit1) - 1);
    FFile1->insertAction(exitSeparator, FConvertArchive1);
    FFile1->insertAction(exitSeparator, FCancelConversion1);

    FConvertDialog = new TConvertArchiveDialog(this);
    FConverter = new TArchiveConversionRunner(FProgressBar, this);
    connect(FConverter, &TArchiveConversionRunner::RunningChanged, this,
            [this] { UpdateConvertCommands(); });
    connect(FConvertArchive1, &QAction::triggered, this,
            [this] { RunCommand([this] { ConvertArchive1Click(); }); });
    connect(FCancelConversion1, &QAction::triggered, FConverter, &TArchiveConversionRunner::Cancel);
    UpdateConvertCommands();
}

void TOstrelMainForm::UpdateConvertCommands() {
    const bool converting = FConverter && FConverter->Running();
    FConvertArchive1->setEnabled(!FAcquiring && !converting);
    FCancelConversion1->setEnabled(converting);
    // The viewer shares the progress bar: no file is opened while a conversion shows its own.
    FOpen1->setEnabled(!FAcquiring && !converting);
}

void TOstrelMainForm::ConvertArchive1Click() {
    if (FAcquiring || FConverter->Running()) return;
    const TStationSettings settings = CurrentSettings();
    FConvertDialog->SetProducts(
        {settings.AutoCreateIntermagnet, settings.Iaga.SecondFiles, settings.Iaga.MinuteFiles});
    if (FConvertDialog->OutputFolder().empty())
        FConvertDialog->SetOutputFolder(QDir::currentPath().toStdString() + "/converted");
    if (FConvertDialog->exec() != QDialog::Accepted) return;

    TConversionJob job;
    const TArchiveSearch search = FindArchiveFiles(FConvertDialog->Paths());
    job.Files = search.Files;
    job.OutputFolder = FConvertDialog->OutputFolder();
    job.Products = ConversionProducts(settings, FConvertDialog->Products());
    const std::vector<std::string> searchErrors = search.Errors;
    FConverter->Start(std::move(job), [searchErrors](const TConversionSummary& done) {
        TConversionSummary summary = done;
        summary.Failures.insert(summary.Failures.begin(), searchErrors.begin(), searchErrors.end());
        if (summary.Failures.empty())
            Notifier().InfoBox(SummaryText(summary));
        else
            Notifier().ErrorBox(SummaryText(summary));
    });
}

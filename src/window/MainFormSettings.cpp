// The main window's part of the settings file: what its storage keeps (placement, the graph
// check boxes, the panel heights), its own keys restored at the first showing and saved at
// closing, and the command-line action that follows a successful restore.

#include "window/OstrelMainForm.h"

#include "acquisition/ProfileFile.h"
#include "acquisition/RuntimeErrors.h"
#include "acquisition/SerialDevices.h"
#include "settings/SettingsKeys.h"
#include "settings/StationSettings.h"
#include "window/ChannelGraphs.h"
#include "recording/Filter.h"
#include "ui/FormStorage.h"

#include <QCheckBox>

#include <filesystem>

namespace Keys = SettingsKeys;

namespace {

bool IsStartArgument(const std::string& argument) {
    static constexpr std::string_view Start = "START";
    if (argument.size() != Start.size()) return false;
    for (std::size_t i = 0; i < Start.size(); ++i) {
        char c = argument[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != Start[i]) return false;
    }
    return true;
}

}  // namespace

void TOstrelMainForm::SetUpFormStorage() {
    FFormStorage = std::make_unique<TFormStorage>(this, FSettingsFileName,
                                                  Keys::Placement::MainFormSection);
    for (int i = 0; i < 5; ++i)
        FFormStorage->AddStoredProperty("CheckBox" + std::to_string(i), "Checked");
    // The heights live in the graphs' splitter; they are applied together once all five are
    // read, since the splitter shares its height out again at every change.
    for (int g = 0; g < TChannelGraphs::GraphCount; ++g)
        FFormStorage->AddStoredProperty(
            Keys::MainForm::PanelHeightKey(g),
            [this, g] { return QVariant(FGraphs->PanelHeights()[static_cast<std::size_t>(g)]); },
            [this, g](const QVariant& value) {
                FStoredPanelHeights[static_cast<std::size_t>(g)] = value.toInt();
                FPanelHeightsStored = true;
            });
    FFormStorage->SetRestoreHandler([this](TProfileFile& file) { RestoreSettings(file); });
    FFormStorage->SetSaveHandler([this](TProfileFile& file) { SaveSettings(file); });
}

TStationSettings TOstrelMainForm::CurrentSettings() const {
    TStationSettings settings;
    settings.PortSettings = FPortSettings;
    settings.MaxPointsOnScreen = FMaxPointsOnScreen;
    for (int g = 0; g < StationGraphCount; ++g)
        for (int c = 0; c < StationChannelCount; ++c)
            settings.GraphChannels[static_cast<std::size_t>(g)][static_cast<std::size_t>(c)] =
                FGraphs->HasSeries(g, c);
    settings.AutoCreateIntermagnet = FAutoCreateIntermagnet;
    settings.MinuteOr5Seconds = FMinuteOr5Seconds;
    settings.IntermagnetHeader = FIntermagnetHeader;
    settings.Iaga = FIagaSettings;
    settings.ImagCdf = FImagCdfSettings;
    settings.FilterCoefficientTexts = FilterCoefficientTexts;
    settings.FilterCoefficients = FilterCoefficients;
    settings.Network = FNetwork;
    return settings;
}

void TOstrelMainForm::ApplySettings(const TStationSettings& settings) {
    FPortSettings = settings.PortSettings;
    SetMaxPointsOnScreen(settings.MaxPointsOnScreen);
    // The grid is set to the stored one, whatever it held (a second showing must not toggle
    // series away).
    for (int g = 0; g < StationGraphCount; ++g)
        for (int c = 0; c < StationChannelCount; ++c)
            if (FGraphs->HasSeries(g, c) !=
                settings.GraphChannels[static_cast<std::size_t>(g)][static_cast<std::size_t>(c)])
                FGraphs->ToggleSeries(g, c);
    FAutoCreateIntermagnet = settings.AutoCreateIntermagnet;
    FMinuteOr5Seconds = settings.MinuteOr5Seconds;
    FIntermagnetHeader = settings.IntermagnetHeader;
    FIagaSettings = settings.Iaga;
    FImagCdfSettings = settings.ImagCdf;
    FilterCoefficientTexts = settings.FilterCoefficientTexts;
    FilterCoefficients = settings.FilterCoefficients;
    FNetwork = settings.Network;
}

void TOstrelMainForm::RestoreSettings(TProfileFile& file) {
    if (!file.ReadError().empty()) {
        // Nothing of a file that cannot be read is used, and the storage, seeing the restore
        // fail, writes nothing over it at closing: the operator's file is mended, never lost.
        ApplySettings(TStationSettings{});
        throw EInOutError(file.ReadError());
    }
    FRecentFiles.Load(file);
    if (FPanelHeightsStored) {
        FGraphs->SetPanelHeights(FStoredPanelHeights);
        FPanelHeightsStored = false;
    }
    // A value that cannot be used falls back alone; every other key is read.
    TStationSettings settings = CurrentSettings();
    const TSettingsProblems problems = LoadStationSettings(settings, file);
    ApplySettings(settings);

    // The devices of the COM names are not part of the ordered keys; they apply either way.
    FSerialDevices = LoadSerialDevices(file);
    ClearSerialDevices();
    for (const auto& [comNumber, path] : FSerialDevices) SetSerialDevice(comNumber, path);

    if (!problems.empty()) {
        Notifier().ErrorBox(IniFileErrorText(file.FileName()));
        // The storage passes the problems on to the error report and marks the restore failed:
        // nothing is saved at closing (the operator's text is mended, not overwritten with a
        // default), and the command-line action is skipped.
        throw ESettingsProblems(DescribeAll(problems));
    }
}

void TOstrelMainForm::SaveSettings(TProfileFile& file) {
    FRecentFiles.Save(file);
    SaveStationSettings(CurrentSettings(), file);
}

void TOstrelMainForm::RunCommandLineAction() {
    const std::string& argument = FCommandLineArgument;
    if (argument.empty()) return;
    if (IsStartArgument(argument)) {
        StartAcquisition();
        return;
    }
    std::error_code ignored;
    if (OpenFileForViewing && std::filesystem::is_regular_file(argument, ignored))
        OpenFileForViewing(argument);
}

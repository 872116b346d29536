#include "window/StationWindows.h"

#include "settings/SettingsKeys.h"
#include "window/OstrelMainForm.h"
#include "window/IntermagnetForm.h"
#include "ui/FormStorage.h"
#include "ui/GeneralOptionsForm.h"
#include "ui/IntermagnetTextForm.h"
#include "ui/TextForm.h"

TStationWindows::TStationWindows(const std::string& settingsFileName) {
    FMain = std::make_unique<TOstrelMainForm>(settingsFileName);
    // The dialogs belong to the main window, so they open over it.
    FOptions = std::make_unique<TGeneralOptionsForm>(settingsFileName, FMain.get());
    FIntermagnet = std::make_unique<TIntermagnetForm>(FMain.get());
    FIntermagnet->SetPlacementStorage(std::make_unique<TFormStorage>(
        FIntermagnet.get(), settingsFileName, SettingsKeys::Placement::IntermagnetDialogSection));
    FIntermagnetText = std::make_unique<TIntermagnetTextForm>(settingsFileName);
    FText = std::make_unique<TTextForm>(settingsFileName);
    FMain->AttachWindows(FOptions.get(), FIntermagnet.get(), FIntermagnetText.get(), FText.get());
}

TStationWindows::~TStationWindows() {
    // The main window's commands must not reach windows that are gone.
    FMain->AttachWindows(nullptr, nullptr, nullptr, nullptr);
    FText.reset();
    FIntermagnetText.reset();
    FIntermagnet.reset();
    FOptions.reset();
    FMain.reset();
}

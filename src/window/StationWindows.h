#pragma once
// TStationWindows: every window of the station, made once at start-up in this order and hidden:
// the main window, the options dialog, the INTERMAGNET parameters dialog, the INTERMAGNET
// monitor window and the received-lines window. The main window is told of the others; the
// INTERMAGNET dialog's placement storage (section "intermagnet") is made here for it. They are
// destroyed in the reverse order, the main window last.

#include <memory>
#include <string>

class TGeneralOptionsForm;
class TIntermagnetForm;
class TIntermagnetTextForm;
class TOstrelMainForm;
class TTextForm;

// Thread rule: user-interface thread only.
class TStationWindows {
public:
    explicit TStationWindows(const std::string& settingsFileName);
    ~TStationWindows();
    TStationWindows(const TStationWindows&) = delete;
    TStationWindows& operator=(const TStationWindows&) = delete;

    TOstrelMainForm& Main() const { return *FMain; }
    TGeneralOptionsForm& Options() const { return *FOptions; }
    TIntermagnetForm& Intermagnet() const { return *FIntermagnet; }
    TIntermagnetTextForm& IntermagnetText() const { return *FIntermagnetText; }
    TTextForm& Text() const { return *FText; }

private:
    std::unique_ptr<TOstrelMainForm> FMain;
    std::unique_ptr<TGeneralOptionsForm> FOptions;
    std::unique_ptr<TIntermagnetForm> FIntermagnet;
    std::unique_ptr<TIntermagnetTextForm> FIntermagnetText;
    std::unique_ptr<TTextForm> FText;
};

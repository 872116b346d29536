#pragma once
// The station's windows as the program makes them, on the offscreen platform, in a scratch
// working directory (the archive and INTERMAGNET trees are relative to it) with a scratch
// settings file; a real pseudo-terminal stands in for the serial port (every COM name opens it),
// and the recording notifier answers every box.

#include "GraphsFixture.h"

#include "PseudoTerminal.h"
#include "RecordingNotifier.h"
#include "TempDir.h"
#include "acquisition/ComPortThread.h"
#include "acquisition/SerialDevices.h"
#include "station/AcquisitionRun.h"
#include "window/ElidedLabel.h"
#include "window/OstrelMainForm.h"
#include "window/StationWindows.h"
#include "recording/Filter.h"
#include "instrument/InstrumentLine.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include <filesystem>
#include <memory>

// The instrument's line for sample `index`, one second apart from `start`.
inline std::string InstrumentLine(TDateTime start, int index) {
    const double x = index;
    return FormatInstrumentLine(start + index / SecondsPerDay,
                                {21000 + x / 10, -1200 - x / 10, 45000 + x / 100, 20.5, 19.5});
}

class MainFormTest : public ::testing::Test {
protected:
    MainFormTest() {
        TestApplication();
        SetSerialOverride(Terminal.SlavePath());
        FilterCoefficients.clear();
        FilterCoefficientTexts.clear();
    }
    ~MainFormTest() override {
        Windows.reset();
        SetSerialOverride("");
        ClearSerialDevices();
        FilterCoefficients.clear();
        FilterCoefficientTexts.clear();
    }

    // The windows, made as at start-up (not shown yet).
    TOstrelMainForm& Make() {
        Windows = std::make_unique<TStationWindows>(SettingsFile);
        return Windows->Main();
    }
    TOstrelMainForm& Main() { return Windows->Main(); }

    // The first showing: the settings are restored, then the command-line action runs.
    void Show() {
        Main().show();
        Settle();
    }
    static void Settle() {
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    }

    bool Reading() {
        return Main().Run() && Main().Run()->Reader() &&
               Main().Run()->Reader()->State() == TComPortThread::TState::Reading;
    }
    // Starts acquisition and waits until the reader reads the terminal.
    void StartOnTerminal() {
        Main().StartAcquisition();
        ASSERT_TRUE(ProcessEventsUntil([this] { return Reading(); }, 10000));
    }

    // Sends lines `first` .. `first + count - 1` as the instrument does (CR LF).
    std::string Send(int first, int count) {
        std::string sent;
        for (int i = first; i < first + count; ++i) sent += InstrumentLine(Start, i) + "\r\n";
        Terminal.Write(sent);
        return sent;
    }
    std::string Archive() const { return ConcatenatedFiles(FilesUnder("ARCHIVE")); }
    // Waits, serving the hand-offs, until the archive holds `text`.
    bool WaitForArchive(const std::string& text, int ms = 10000) {
        return ProcessEventsUntil([&] { return Archive() == text; }, ms);
    }

    TDateTime Start = EncodeDateTime(2024, 1, 5, 12, 0, 0);
    TTempDir Dir{true};
    TPseudoTerminal Terminal;
    TRecordingNotifier Notes;
    std::string SettingsFile = Dir.File("station.ini");
    std::unique_ptr<TStationWindows> Windows;
};

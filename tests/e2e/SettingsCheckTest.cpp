// The shipped settings file as a new operator edits it, judged by `orvant3k --check-settings`
// and by the headless recorder's start: placeholders and keys left without their section line
// are named with their lines, and a finished file names every product it will write.

#include "PseudoTerminal.h"
#include "RecorderProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const std::string ShippedSettings = ORVANT_BIN_DIR "/packaging/station.ini";

// `text` with the first `from` replaced by `to`; the test fails when `from` is not there.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

int LineOf(const std::string& text, const std::string& part) {
    const std::size_t at = text.find(part);
    return at == std::string::npos ? 0 : 1 + int(std::count(text.begin(), text.begin() + long(at), '\n'));
}

struct TCheck {
    int ExitCode;
    std::string Output;
};

TCheck Check(const std::string& settings, const std::vector<std::string>& more = {}) {
    std::vector<std::string> arguments{"--check-settings", "--settings", settings};
    arguments.insert(arguments.end(), more.begin(), more.end());
    TSimProcess program(StationProgram, arguments);
    const int code = program.Wait();
    return {code, program.Output() + program.ErrorOutput()};
}

class SettingsCheck : public ::testing::Test {
protected:
    TTempDir Directory{true};
    std::string Settings = Directory.File("station.ini");
};

}  // namespace

TEST_F(SettingsCheck, TheShippedFileNamesEveryPlaceholderAtOnceAndAFinishedOnePasses) {
    std::string text = ReadWholeFile(ShippedSettings);
    ASSERT_FALSE(text.empty()) << ShippedSettings;
    WriteWholeFile(Settings, text);
    TCheck check = Check(Settings, {"--port", "/dev/ttyUSB3"});
    EXPECT_EQ(check.ExitCode, 1);
    EXPECT_NE(check.Output.find("port: COM1 (/dev/ttyUSB3)"), std::string::npos) << check.Output;
    EXPECT_NE(check.Output.find("problem: INTERMAGNET header: IDC must be the observatory's code, "
                                "not \"IDC\"; COMP must be XYZF or HDZF, not \"COMP\"; GIN must "
                                "be the code of the GIN that collects the data, not \"GIN\"; COLA"),
              std::string::npos)
        << check.Output;

    // The header set, and the IAGA-2002 section taken in as its comment says.
    text = Replaced(text, "IDC=IDC", "IDC=ABC");
    text = Replaced(text, "COMP=COMP", "COMP=XYZF");
    text = Replaced(text, "GIN=GIN", "GIN=EDI");
    text = Replaced(text, "COLA=COLA", "COLA=0450");
    text = Replaced(text, "LONG=LONG", "LONG=0100");
    text = Replaced(text, "DECBAS=DECBAS", "DECBAS=0");
    std::string careless = Replaced(text, ";SecondFiles=1", "SecondFiles=1");
    for (const char* key : {"SourceOfData", "StationName", "Latitude", "Longitude", "Elevation"})
        careless = Replaced(careless, std::string(";") + key + "=", std::string(key) + "=");
    const std::string finished = Replaced(careless, ";[IAGA2002]", "[IAGA2002]");

    WriteWholeFile(Settings, finished);
    check = Check(Settings);
    EXPECT_EQ(check.ExitCode, 0) << check.Output;
    EXPECT_NE(check.Output.find("products: archive in ARCHIVE/, INTERMAGNET one-minute values "
                                "with 91 filter coefficients in INTERMAGNET/, IAGA-2002 "
                                "one-second files in IAGA2002/, ImagCDF off, network off\n"),
              std::string::npos)
        << check.Output;
    EXPECT_NE(check.Output.find("no problems: the recorder can start"), std::string::npos);

    // Keys uncommented under a section line still commented out fall into [Filter].
    WriteWholeFile(Settings, careless);
    check = Check(Settings);
    EXPECT_EQ(check.ExitCode, 1);
    EXPECT_NE(check.Output.find("IAGA-2002 off"), std::string::npos) << check.Output;
    EXPECT_NE(check.Output.find("problem: line " + std::to_string(LineOf(careless, "\nSecondFiles=1") + 1) +
                                ", [Filter] SecondFiles: the station knows no such key here; "
                                "it is ignored"),
              std::string::npos)
        << check.Output;
    EXPECT_NE(check.Output.find("6 problems: mend the settings file"), std::string::npos)
        << check.Output;

    // The recorder says the same once at its start, and names every product it writes.
    TPseudoTerminal terminal;
    auto recorder = StartRecorder(terminal.SlavePath(), Settings);
    ASSERT_TRUE(recorder);
    EXPECT_EQ(recorder->Stop(), 0);
    const std::string log = recorder->ErrorOutput();
    EXPECT_EQ(CountOf(log, "warning: line "), 6) << log;
    EXPECT_EQ(CountOf(log, "[Filter] SecondFiles: the station knows no such key here"), 1) << log;
    EXPECT_NE(log.find("start: port COM1 (" + terminal.SlavePath() +
                       "), archive in ARCHIVE/, INTERMAGNET one-minute values with 91 filter "
                       "coefficients in INTERMAGNET/, IAGA-2002 off, ImagCDF off, network off"),
              std::string::npos)
        << log;
}

TEST_F(SettingsCheck, BadValuesAndUnknownSectionsAreProblems) {
    WriteWholeFile(Settings, "[Options]\nAutoCreateIntermagnet=off\n[Optoins]\nMaxPointsOnScreen=5\n"
                             "[Network]\nBroker=b.example\nTLS=maybe\n");
    TCheck check = Check(Settings);
    EXPECT_EQ(check.ExitCode, 1);
    for (const char* expected :
         {"products: archive in ARCHIVE/, INTERMAGNET off, IAGA-2002 off, ImagCDF off, network off (TLS=maybe "
          "is not a yes or no; the network stays off)",
          "problem: line 7, [Network] TLS: 'maybe' is not a yes or no (1/0, true/false, yes/no, "
          "on/off)\n",
          "problem: line 3, [Optoins]: the station knows no such section; its keys are ignored\n",
          "2 problems"})
        EXPECT_NE(check.Output.find(expected), std::string::npos) << expected << "\n" << check.Output;
}

#include "station/SettingsCheck.h"

#include "acquisition/ProfileFile.h"
#include "acquisition/SerialDevices.h"
#include "settings/KnownSettings.h"
#include "settings/SerialDeviceSettings.h"
#include "settings/StationSettings.h"
#include "station/StationPlan.h"

#include <filesystem>
#include <vector>

namespace {

void Print(std::FILE* out, const std::string& line) { std::fprintf(out, "%s\n", line.c_str()); }

// The problems a run would meet, in the order it meets them.
std::vector<std::string> Problems(const TProfileFile& file, const TStationSettings& settings,
                                  const TSettingsProblems& values) {
    std::vector<std::string> problems;
    for (const TSettingsProblem& problem : values) problems.push_back(problem.Describe(false));
    for (const TSettingsProblem& unknown : UnknownSettings(file))
        problems.push_back(unknown.Describe());
    if (settings.AutoCreateIntermagnet && settings.FilterCoefficients.empty())
        problems.push_back("no filter coefficients in the settings: no INTERMAGNET file is written");
    for (const std::string& refused : RefusedProducts(settings)) problems.push_back(refused);
    return problems;
}

}  // namespace

int CheckStationSettings(const std::string& settingsFile, const std::string& portDevice,
                         const std::string& dataFolder, std::FILE* out) {
    Print(out, "settings: " + settingsFile);
    std::error_code ignored;
    if (!std::filesystem::exists(settingsFile, ignored)) {
        Print(out, "problem: the settings file " + settingsFile + " does not exist");
        return 1;
    }
    const TProfileFile file(settingsFile);
    if (!file.ReadError().empty()) {
        Print(out, "problem: " + file.ReadError());
        return 1;
    }
    TStationSettings settings;
    const TSettingsProblems values = LoadStationSettings(settings, file);
    ClearSerialDevices();
    for (const auto& [comNumber, path] : LoadSerialDevices(file)) SetSerialDevice(comNumber, path);
    SetSerialOverride(portDevice);

    const std::string port = COMPortName(settings.PortSettings.COMPort);
    Print(out, "port: " + port + " (" + ResolveSerialDevice(port) + ")");
    Print(out, "products: " + ProductsText(settings));
    const std::string folder = !dataFolder.empty() ? dataFolder : settings.DataFolder;
    Print(out, "data folder: " + std::filesystem::absolute(folder.empty() ? "." : folder, ignored)
                                     .lexically_normal()
                                     .string());
    const std::vector<std::string> problems = Problems(file, settings, values);
    for (const std::string& problem : problems) Print(out, "problem: " + problem);
    Print(out, problems.empty() ? std::string("no problems: the recorder can start")
                                : std::to_string(problems.size()) +
                                      (problems.size() == 1 ? " problem" : " problems") +
                                      ": mend the settings file before the recorder starts");
    return problems.empty() ? 0 : 1;
}

#include "settings/SensorComponents.h"

namespace {

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool HorizontalSensor(const std::string& sensor) { return sensor == "HEZ" || sensor == "HDZ"; }

// The sensor as the messages name it, with where it comes from when it was not entered.
std::string SensorText(const TIagaHeader& header) {
    const std::string sensor = SensorComponents(header);
    return header.SensorOrientation.empty() ? sensor + " (SensorOrientation empty)" : sensor;
}

}  // namespace

std::string SensorComponents(const TIagaHeader& header) {
    return Upper(EffectiveSensorOrientation(header).substr(0, 3));
}

std::optional<TIagaProblem> CheckReportedComponents(const TIagaHeader& header) {
    const std::string reported = Upper(header.Reported);
    const std::string sensor = SensorComponents(header);
    if ((reported == "XYZF" && sensor != "XYZ") || (reported == "HEZF" && !HorizontalSensor(sensor)))
        return TIagaProblem{"Reported", "Reported " + header.Reported +
                                            " does not match the sensor's components " +
                                            SensorText(header) +
                                            ": XYZF needs an XYZ sensor, HEZF an HEZ or HDZ one"};
    return std::nullopt;
}

std::optional<TIagaProblem> CheckIntermagnetComponents(const std::string& comp,
                                                       const TIagaHeader& header) {
    const std::string components = Upper(comp);
    const std::string sensor = SensorComponents(header);
    if ((components == "XYZF" && sensor != "XYZ") ||
        (components == "HDZF" && !HorizontalSensor(sensor)))
        return TIagaProblem{"COMP", "COMP " + comp + " does not match the sensor's components " +
                                        SensorText(header) +
                                        ": XYZF needs an XYZ sensor, HDZF an HDZ or HEZ one"};
    return std::nullopt;
}

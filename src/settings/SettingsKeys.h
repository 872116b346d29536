#pragma once
// Every section and key of the station's settings file, named once. Windows and settings code
// use these names only; letter case matters only when a key is first written, since the file
// matches names without regard to case.

#include "acquisition/COMPortSettings.h"

#include <string>

namespace SettingsKeys {

// The stored port settings are named beside their record, which the acquisition layer owns.
namespace COMPortSettings = ::COMPortSettingsKeys;

namespace Options {
inline constexpr const char* Section = "Options";
inline constexpr const char* MaxPointsOnScreen = "MaxPointsOnScreen";
inline constexpr const char* AutoCreateIntermagnet = "AutoCreateIntermagnet";
// Where the ARCHIVE/, INTERMAGNET/ and IAGA2002/ trees go; file only.
inline constexpr const char* DataFolder = "DataFolder";
// When the unattended recorder warns before data is lost; file only.
inline constexpr const char* NoDataWarningSeconds = "NoDataWarningSeconds";
inline constexpr const char* ClockDriftWarningSeconds = "ClockDriftWarningSeconds";
inline constexpr const char* DiskWarningDays = "DiskWarningDays";
}  // namespace Options

namespace GraphAndSeries {
inline constexpr const char* Section = "GraphAndSeries";
// "Graph_<g>_Chan_<c>": graph g shows the series of channel c.
inline std::string GraphChannelKey(int graph, int channel) {
    return "Graph_" + std::to_string(graph) + "_Chan_" + std::to_string(channel);
}
}  // namespace GraphAndSeries

// Shared by the INTERMAGNET header texts and, as "intermagnet", the placement of the INTERMAGNET
// parameters dialog: both spellings are one section of the file.
namespace Intermagnet {
inline constexpr const char* Section = "Intermagnet";
inline constexpr const char* MinuteOr5Seconds = "minuteor5seconds";
inline constexpr const char* IDC = "IDC";
inline constexpr const char* COMP = "COMP";
inline constexpr const char* GIN = "GIN";
inline constexpr const char* COLA = "COLA";
inline constexpr const char* LONG = "LONG";
inline constexpr const char* DECBAS = "DECBAS";
}  // namespace Intermagnet

// The IAGA-2002 products; the IAGA code is Intermagnet::IDC.
namespace Iaga2002 {
inline constexpr const char* Section = "IAGA2002";
inline constexpr const char* SecondFiles = "SecondFiles";
inline constexpr const char* MinuteFiles = "MinuteFiles";
inline constexpr const char* SourceOfData = "SourceOfData";
inline constexpr const char* StationName = "StationName";
inline constexpr const char* Latitude = "Latitude";
inline constexpr const char* Longitude = "Longitude";
inline constexpr const char* Elevation = "Elevation";
inline constexpr const char* Reported = "Reported";
inline constexpr const char* SensorOrientation = "SensorOrientation";
inline constexpr const char* DigitalSampling = "DigitalSampling";
}  // namespace Iaga2002

// The ImagCDF products; the IAGA code, the position and the sensor come from the IAGA2002 section.
namespace ImagCdf {
inline constexpr const char* Section = "ImagCDF";
inline constexpr const char* SecondFiles = "SecondFiles";
inline constexpr const char* MinuteFiles = "MinuteFiles";
inline constexpr const char* Institution = "Institution";
inline constexpr const char* ObservatoryName = "ObservatoryName";
inline constexpr const char* Source = "Source";
inline constexpr const char* TermsOfUse = "TermsOfUse";
inline constexpr const char* PublicationLevel = "PublicationLevel";
inline constexpr const char* StandardLevel = "StandardLevel";
inline constexpr const char* StandardName = "StandardName";
inline constexpr const char* PartialStandDesc = "PartialStandDesc";
}  // namespace ImagCdf

// Also the layout of filter-coefficient (".filter") files.
namespace Filter {
inline constexpr const char* Section = "Filter";
// "C<n>": coefficient n as the user typed it.
inline std::string CoefficientKey(int index) { return "C" + std::to_string(index); }
}  // namespace Filter

// The main window's stored properties (check boxes and graph panel heights).
namespace MainForm {
inline constexpr const char* Section = "TOstrelMainForm";
inline std::string CheckBoxCheckedKey(int index) {
    return "CheckBox" + std::to_string(index) + "_Checked";
}
inline std::string PanelHeightKey(int index) { return "Panel" + std::to_string(index) + "_Height"; }
}  // namespace MainForm

namespace RecentFiles {
inline constexpr const char* Section = "TOstrelMainForm.MRU_DATA";
inline constexpr int MaxItems = 10;
// "Item_<n>", Item_0 the newest.
inline std::string ItemKey(int index) { return "Item_" + std::to_string(index); }
}  // namespace RecentFiles

namespace TextForm {
inline constexpr const char* Section = "TextForm";
inline constexpr const char* MaxLines = "MaxLines";
inline constexpr int DefaultMaxLines = 1000;
}  // namespace TextForm

namespace IntermagnetTextForm {
inline constexpr const char* Section = "IntermagnetTextForm";
inline constexpr const char* MaxLines = "MaxLines";
inline constexpr int DefaultMaxLines = 1000;
}  // namespace IntermagnetTextForm

// Window placement, one section per window, each holding the same keys.
namespace Placement {
inline constexpr const char* MainFormSection = "TOstrelMainForm";
inline constexpr const char* GeneralOptionsFormSection = "TGeneralOptionsForm";
inline constexpr const char* IntermagnetDialogSection = "intermagnet";
inline constexpr const char* IntermagnetTextFormSection = "TIntermagnetTextForm";
inline constexpr const char* TextFormSection = "TTextForm";

inline constexpr const char* FormVersion = "FormVersion";
inline constexpr const char* Flags = "Flags";
inline constexpr const char* ShowCmd = "ShowCmd";
inline constexpr const char* PixelsPerInch = "PixelsPerInch";
inline constexpr const char* MinMaxPos = "MinMaxPos";
inline constexpr const char* NormPos = "NormPos";
inline constexpr const char* Visible = "Visible";
}  // namespace Placement

// Where each user-facing port name "COM<n>" leads on this computer (for example
// COM1=/dev/ttyUSB0); without a key the platform's default device is used.
namespace SerialDevices {
inline constexpr const char* Section = "SerialDevices";
inline constexpr int FirstPort = 1;
inline constexpr int LastPort = 4;
inline std::string PortKey(int comNumber) { return "COM" + std::to_string(comNumber); }
}  // namespace SerialDevices

// Publishing on an MQTT broker; an empty Broker switches it off.
namespace Network {
inline constexpr const char* Section = "Network";
inline constexpr const char* Broker = "Broker";
inline constexpr const char* Port = "Port";
inline constexpr const char* TLS = "TLS";
inline constexpr const char* CAFile = "CAFile";
inline constexpr const char* Username = "Username";
inline constexpr const char* PasswordFile = "PasswordFile";
inline constexpr const char* StationId = "StationId";
inline constexpr const char* TopicPrefix = "TopicPrefix";
inline constexpr const char* PagePort = "PagePort";
}  // namespace Network

}  // namespace SettingsKeys

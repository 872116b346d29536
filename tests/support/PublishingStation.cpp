#include "PublishingStation.h"

#include "acquisition/DateTime.h"
#include "instrument/InstrumentLine.h"
#include "network/StationPublisher.h"
#include "recording/TextWithTimeDataFile.h"
#include "TempDir.h"

#include <algorithm>

namespace {

const TDateTime FirstStamp = EncodeDateTime(2024, 5, 1, 0, 0, 0);

}  // namespace

TPublishingStation::TPublishingStation(const TTestBroker& broker, const std::string& name,
                                       const std::filesystem::path& folder)
    : FName(name), FFolder(folder), FArchive(std::make_unique<TTextWithTimeDataFile>()) {
    std::filesystem::create_directories(FFolder);
    FArchive->SetExtension("orv");
    FArchive->SetRootFolder(FFolder.string() + "/");
    // Stamps go on from the archive, as the instrument's clock would.
    const std::string recorded = Archive();
    FSecond = static_cast<int>(std::count(recorded.begin(), recorded.end(), '\n'));
    TPublisherOptions options;
    options.Network.Broker = "127.0.0.1";
    options.Network.Port = broker.Port();
    options.Network.Tls = broker.Tls();
    options.Network.CAFile = broker.Tls() ? broker.CAFile() : "";
    options.Network.Username = name;
    options.Network.PasswordFile = broker.PasswordFile(name + ".password", TTestBroker::StationPassword(name));
    options.Network.StationId = name;
    options.BaseDirectory = FFolder.string();
    options.Meta.Station = options.Meta.IDC = name;
    options.Version = "test";
    FPublisher = std::make_unique<TStationPublisher>(options);
}

TPublishingStation::~TPublishingStation() {
    FPublisher->Stop(std::chrono::seconds(1));
    FArchive->Finish();
}

std::string TPublishingStation::Line(int index) {
    return FormatInstrumentLine(FirstStamp + index / SecondsPerDay, {21000.0 + index % 1000, -1200, 45000, 20.5, 19.5});
}

void TPublishingStation::Record(int count) {
    for (int line = 0; line < count; ++line, ++FSecond) {
        FArchive->WriteDateFile(Line(FSecond), FirstStamp + FSecond / SecondsPerDay);
        FPublisher->LineRecorded(FArchive->GetFileName().substr(FFolder.string().size() + 1));
    }
}

std::string TPublishingStation::Archive() const {
    return ConcatenatedFiles(FilesUnder((FFolder / "ARCHIVE").string()));
}

std::uint64_t TPublishingStation::NextSeq() const { return FPublisher->NextSeq(); }
long long TPublishingStation::Unacknowledged() const { return FPublisher->Status().Waiting; }

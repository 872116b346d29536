#include "station/DataFileLoader.h"

#include "acquisition/LogicalPacket.h"

#include <algorithm>
#include <utility>

namespace {

// A daily archive line: 61 characters and CR LF.
constexpr std::uint64_t ArchiveLineBytes = 63;
constexpr std::uint64_t ProgressSteps = 100;
// Lines between two looks at the cancel flag.
constexpr std::uint64_t CancelCheckLines = 4096;

// Reports rising fractions at about every hundredth of the file.
class TProgressReporter {
public:
    TProgressReporter(const std::function<void(double)>& report, std::uint64_t fileSize)
        : FReport(report), FStep(std::max<std::uint64_t>(fileSize / ProgressSteps, 1)),
          FFileSize(fileSize), FNext(FStep) {
        Send(0.0);
    }
    void Update(std::uint64_t position) {
        if (position < FNext) return;
        FNext = position + FStep;
        if (position < FFileSize) Send(static_cast<double>(position) / FFileSize);
    }
    void Finish() { Send(1.0); }

private:
    void Send(double fraction) {
        if (!FReport || fraction <= FLast) return;
        FLast = fraction;
        FReport(fraction);
    }
    const std::function<void(double)>& FReport;
    std::uint64_t FStep;
    std::uint64_t FFileSize;
    std::uint64_t FNext;
    double FLast = -1.0;
};

void Reserve(TLoadedData& data, std::size_t capacity) {
    data.Times.reserve(capacity);
    for (auto& column : data.Values) column.reserve(capacity);
}

std::string ReasonLineIsBad(std::string_view line) {
    try {
        TLogicalPacket packet{std::string(line), TBadLineReport::Silent};
    } catch (const std::exception& error) {
        return error.what();
    }
    return {};
}

}  // namespace

TDataFileLoader::TDataFileLoader(std::string path, TLoadOptions options)
    : FPath(std::move(path)), FOptions(std::move(options)) {}

TLoadedData TDataFileLoader::Load() {
    TTextLineReader reader(FPath, FOptions.BlockSize);
    TLoadedData data;
    Reserve(data, static_cast<std::size_t>(reader.FileSize() / ArchiveLineBytes) + 1);

    TProgressReporter progress(FOptions.Progress, reader.FileSize());
    std::string_view line;
    TDateTime stamp = 0;
    std::array<double, 5> values;
    while (reader.NextLine(line)) {
        const std::uint64_t lineNumber = reader.LineNumber();
        if (TryParseInstrumentLine(line, stamp, values)) {
            if (data.Times.size() == data.Times.capacity()) MakeRoom(data, reader);
            if (!data.Times.empty() && stamp < data.Times.back()) data.TimesAscending = false;
            data.Times.push_back(stamp);
            for (std::size_t c = 0; c < values.size(); ++c) data.Values[c].push_back(values[c]);
            ++data.GoodLines;
        } else {
            AddBadLine(data, line, lineNumber);
        }
        if (lineNumber % CancelCheckLines == 0 && FOptions.Cancel &&
            FOptions.Cancel->load(std::memory_order_relaxed)) {
            TLoadedData cancelled;
            cancelled.Cancelled = true;
            return cancelled;
        }
        progress.Update(reader.Position());
    }
    progress.Finish();
    return data;
}

void TDataFileLoader::AddBadLine(TLoadedData& data, std::string_view line,
                                 std::uint64_t lineNumber) const {
    if (data.BadLineCount == 0) {
        data.FirstBadLineText = std::string(line);
        data.FirstBadLineReason = ReasonLineIsBad(line);
    }
    ++data.BadLineCount;
    if (data.BadLines.size() < FOptions.MaxListedBadLines)
        data.BadLines.push_back({lineNumber, data.GoodLines});
}

// The columns were reserved for archive lines; shorter lines outgrow them. The new room is
// estimated from the bytes still to come at the mean line length so far, so that a large file
// grows once or twice instead of doubling past its size.
void TDataFileLoader::MakeRoom(TLoadedData& data, const TTextLineReader& reader) const {
    const std::uint64_t lines = std::max<std::uint64_t>(reader.LineNumber(), 1);
    const std::uint64_t position = reader.Position();
    const std::uint64_t remaining =
        reader.FileSize() > position ? reader.FileSize() - position : 0;
    const std::uint64_t bytesPerLine = std::max<std::uint64_t>(position / lines, 1);
    const std::uint64_t estimate = remaining / bytesPerLine;
    const std::size_t size = data.Times.size();
    const std::size_t extra = static_cast<std::size_t>(
        std::max<std::uint64_t>(estimate + estimate / 16 + 64, size / 8));
    Reserve(data, size + extra);
}

TLoadedData LoadDataFile(const std::string& path, const TLoadOptions& options) {
    return TDataFileLoader(path, options).Load();
}

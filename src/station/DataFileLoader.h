#pragma once

#include "station/LoadedData.h"
#include "station/NotADataFile.h"
#include "station/TextLineReader.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>

struct TLoadOptions {
    // Called on the loading thread with the fraction of the file read, 0 first, rising, 1 last
    // when the load completes; about a hundred calls at most.
    std::function<void(double fraction)> Progress;
    // Set from any thread to abandon the load; it ends within a few thousand lines.
    const std::atomic<bool>* Cancel = nullptr;
    // How many bad lines are listed one by one; all of them are counted.
    std::size_t MaxListedBadLines = 10000;
    std::size_t BlockSize = TTextLineReader::DefaultBlockSize;
};

// Loads a recorded data file into columns: every line the measurement packet accepts becomes
// one entry, every other line is counted as bad and loading goes on. Raises EInOutError when
// the file cannot be opened or read, and ENotADataFile for binary content or a line over
// TTextLineReader::MaxLineLength characters; then nothing of the file is returned.
// Thread rule: one load on one thread (a worker); only the cancel flag is shared.
class TDataFileLoader {
public:
    TDataFileLoader(std::string path, TLoadOptions options);
    TLoadedData Load();

private:
    void AddBadLine(TLoadedData& data, std::string_view line, std::uint64_t lineNumber) const;
    void MakeRoom(TLoadedData& data, const TTextLineReader& reader) const;

    std::string FPath;
    TLoadOptions FOptions;
};

TLoadedData LoadDataFile(const std::string& path, const TLoadOptions& options = {});

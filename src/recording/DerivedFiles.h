#pragma once

#include "settings/IagaSettings.h"
#include "settings/ImagCdfSettings.h"
#include "settings/IntermagnetHeader.h"
#include "recording/Filter.h"

#include <memory>
#include <span>
#include <string>
#include <vector>

class TIagaDataFile;
class TImagCdfWriter;
class TIntermagnetDataFile;

// What the derived files are made from: which products, their header fields, the interval and
// the filter's coefficients.
struct TDerivedSettings {
    bool Intermagnet = true;
    int MinuteOr5Seconds = 0;  // 0: one-minute INTERMAGNET values, else five-second values
    TIntermagnetHeader IntermagnetHeader;
    std::vector<double> FilterCoefficients;
    TIagaSettings Iaga;  // its SecondFiles and MinuteFiles say which IAGA-2002 files
    TImagCdfSettings ImagCdf;  // which ImagCDF files; their position and sensor come from Iaga
    // The program that recorded the samples, as the IAGA-2002 comments name it; empty: this one.
    // A collector names the station's program, so that its files equal the station's.
    std::string Program;
};

// The files of one sample after the derived steps.
struct TDerivedRecord {
    std::string IntermagnetLine;      // the INTERMAGNET record written for it, or empty
    std::string IntermagnetFileName;  // the INTERMAGNET file in use, or empty
    std::string IagaSecondFileName;   // the IAGA-2002 files in use, or empty
    std::string IagaMinuteFileName;
    std::string ImagCdfSecondFileName;  // the ImagCDF day files being filled, or empty
    std::string ImagCdfMinuteFileName;
};

// The files derived from the samples: the decimation filter, run once per sample for every
// product that needs it, the INTERMAGNET writer, the IAGA-2002 and the ImagCDF second and
// minute writers.
// A live run and the archive converter both record through this class, so that converting an
// archive with a run's settings gives that run's files byte for byte.
// Thread rule: an object is used by one thread only (the one that records the samples).
class TDerivedFiles {
public:
    // Creates the filter and the writers. An INTERMAGNET header or IAGA-2002 settings that break
    // their rules, or minute files asked for beside five-second values, leave those files out
    // and add a notice.
    explicit TDerivedFiles(const TDerivedSettings& settings);
    // Closes quietly, leaving the files as they are.
    ~TDerivedFiles();
    TDerivedFiles(const TDerivedFiles&) = delete;
    TDerivedFiles& operator=(const TDerivedFiles&) = delete;

    // The filter, once, for the INTERMAGNET writer (when it is on) and the IAGA-2002 minute
    // writer; then the IAGA-2002 second writer. A failure of one product does not hold back the
    // others; the first one is raised after all have been tried. `record`, when given, is told
    // what was written where.
    void Record(std::span<const double> values, TDateTime time, TDerivedRecord* record = nullptr);

    // Closes every file, each even after another failed; raises the first failure.
    void Finish();

    // Writes only records of seconds in [from, to) (0 for an open end); the samples around the
    // bounds still feed the filter, so that the records next to a bound are complete.
    void SetRecordRange(TDateTime from, TDateTime to);

    // Puts the INTERMAGNET/ and IAGA2002/ trees in this folder ("" is the working directory).
    void SetBaseDirectory(const std::string& directory);
    // Gathers each file's writes in blocks: for batch work (see TTextDataFile::SetBuffered); the
    // ImagCDF writers then keep their days in memory only (see TImagCdfWriter::SetSpooled).
    void SetBuffered(bool buffered);

    // The INTERMAGNET header broke its rules: no INTERMAGNET file is written.
    bool IntermagnetRefused() const { return FIntermagnetRefused; }
    // What the creation had to say once: products left out, and why.
    const std::vector<std::string>& Notices() const { return FNotices; }

    TIntermagnetDataFile* IntermagnetFile() const { return FIntermagnetFile.get(); }
    TIagaDataFile* IagaSecondFile() const { return FIagaSecondFile.get(); }
    TIagaDataFile* IagaMinuteFile() const { return FIagaMinuteFile.get(); }
    TImagCdfWriter* ImagCdfSecondFile() const { return FImagCdfSecondFile.get(); }
    TImagCdfWriter* ImagCdfMinuteFile() const { return FImagCdfMinuteFile.get(); }
    const TFilter& Filter() const { return FFilter; }

private:
    void CreateIagaWriters(const TDerivedSettings& settings);
    void CreateImagCdfWriters(const TDerivedSettings& settings);
    bool InRecordRange(TDateTime time) const;

    bool FIntermagnet;
    bool FIntermagnetRefused = false;
    TFilter FFilter;
    TDateTime FRangeFrom = 0, FRangeTo = 0;
    std::unique_ptr<TIntermagnetDataFile> FIntermagnetFile;
    std::unique_ptr<TIagaDataFile> FIagaSecondFile;
    std::unique_ptr<TIagaDataFile> FIagaMinuteFile;
    std::unique_ptr<TImagCdfWriter> FImagCdfSecondFile;
    std::unique_ptr<TImagCdfWriter> FImagCdfMinuteFile;
    std::vector<std::string> FNotices;
};

#include "recording/TextWithTimeDataFile.h"

#include "acquisition/BasicException.h"
#include "acquisition/Notifier.h"
#include "recording/DateFormat.h"

bool OnDifferentDays(TDateTime a, TDateTime b) {
    return SplitDateTime(a).Day != SplitDateTime(b).Day;
}

void TTextWithTimeDataFile::WriteDateFile(const std::string& line, TDateTime time) {
    try {
        CloseIfRemoved();
        if (Opened() && OnDifferentDays(FLastTime, time)) CloseFile();
        if (!Opened()) {
            const std::string directory = RootFolder() + "ARCHIVE/" + FormatDateTime("yyyy/mm", time);
            OpenNewFile([&] { return MakeFileName(Extension(), directory, time, FDateFormat); });
            FLineCount = 0;
        }
        FWriteLn(line);
        FLastTime = time;
        CountLineAndReopen();
    } catch (const std::exception& error) {
        throw EBasicException::CreateFrom(error, 0, "TTextDateFile", "WriteDateFile");
    }
}

void TTextWithTimeDataFile::CloseIfRemoved() {
    if (!Opened() || !FileRemoved()) return;
    const std::string removed = GetFileName();
    CloseFile();
    Notifier().Report(TReportKind::WriteError,
                      removed + " has been removed; recording goes on in a new file");
}

void TTextWithTimeDataFile::CountLineAndReopen() {
    ++FLineCount;
    if (FLineCount <= ReopenLimit) return;
    FLineCount = 0;
    try {
        CloseFile();
        AppendFile();
    } catch (const std::exception& error) {
        // The line is in the file already: it counts as written. The writer stays closed and
        // the next line starts a new file.
        Notifier().Report(TReportKind::WriteError, GetFileName() + " could not be reopened (" +
                                                       error.what() +
                                                       "); recording goes on in a new file");
    }
}

void TTextWithTimeDataFile::Finish() {
    if (!Opened()) return;
    try {
        CloseFile();
    } catch (const std::exception& error) {
        throw EBasicException::CreateFrom(error, 0, "TTextDateFile", "Finish");
    }
}

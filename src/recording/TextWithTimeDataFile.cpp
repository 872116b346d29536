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
            SetFileName(MakeFileName(Extension(), directory, time, FDateFormat));
            OpenFile();
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
    if (FLineCount > ReopenLimit) {
        CloseFile();
        FLineCount = 0;
        AppendFile();
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

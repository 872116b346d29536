// What stations and collectors exchange and keep on disk: payloads, topics, positions, the
// archive read back, and the password file's guard.

#include "network/ArchiveFiles.h"
#include "network/MinuteHistory.h"
#include "recording/IagaDataFile.h"
#include "network/PasswordFile.h"
#include "network/StationPublisher.h"
#include "network/Payloads.h"
#include "network/PublishPosition.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

TEST(Payloads, BatchesMetaStatusAndResendSurviveTheirTextAndForeignTextIsRefused) {
    const TLinesBatch batch{41, {"2024 01 05 12 34 56  21345.67  -1234.50  45678.90  21.5  20.2", "a \"quoted\" \\ line"}, 0, "5eed"};
    const auto decoded = DecodeLinesBatch(EncodeLinesBatch(batch));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->Seq, 41u);
    EXPECT_EQ(decoded->Lines, batch.Lines);
    EXPECT_EQ(decoded->Numbering, "5eed");
    const auto notice = DecodeLinesBatch(EncodeLinesBatch({7, {}, 3, ""}));
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->Skip, 3u);
    EXPECT_EQ(notice->Numbering, "");  // a station of an earlier version names none
    for (const char* foreign : {"", "[]", "{\"seq\":-1,\"lines\":[]}", "{\"seq\":1.5,\"lines\":[]}",
                                "{\"seq\":1,\"lines\":[3]}", "{\"lines\":[]}", "{\"seq\":1,\"skip\":0}",
                                "{\"seq\":1,\"lines\":[],\"numbering\":\"a/b\"}"})
        EXPECT_FALSE(DecodeLinesBatch(foreign)) << foreign;
    EXPECT_TRUE(IsNumberingId(NewNumberingId()));
    EXPECT_NE(NewNumberingId(), NewNumberingId());

    TStationMeta meta;
    meta.Station = "TST";
    meta.IDC = "TST";
    meta.DECBAS = "012345";
    meta.Interval = 5;
    meta.Coefficients = {"0.25", "0.5", "0.25"};
    EXPECT_EQ(DecodeMeta(EncodeMeta(meta)), meta);
    EXPECT_NE(EncodeMeta(meta).find("\"coefficientCount\":3"), std::string::npos);
    meta.Iaga.SecondFiles = true;
    meta.Iaga.Header.StationName = "Tést \"station\"";
    meta.Iaga.Header.SensorOrientation = "HDZ";
    meta.Program = "orvant3k 1.2.3";
    meta.FromSeq = 9007199254740992ULL;
    meta.ImagCdf = {true, false, "Inst", "", "WDC", "Free", "2", "Partial", "Std", "IMOM-01"};
    EXPECT_EQ(DecodeMeta(EncodeMeta(meta)), meta);
    TStationMeta forged = meta;
    forged.ImagCdf.TermsOfUse = "Free\r\nforged";
    EXPECT_FALSE(DecodeMeta(EncodeMeta(forged)));
    // An older station's description: no IAGA-2002 or ImagCDF files, no first line.
    const auto older = DecodeMeta("{\"station\":\"TST\",\"intermagnet\":{\"IDC\":\"TST\"},\"coefficients\":[\"1\"]}");
    ASSERT_TRUE(older);
    EXPECT_EQ(older->Iaga, TIagaSettings());
    EXPECT_EQ(older->ImagCdf, TImagCdfSettings());
    EXPECT_FALSE(older->FromSeq);
    EXPECT_FALSE(DecodeMeta("{\"intermagnet\":{},\"fromSeq\":-4}"));

    EXPECT_EQ(DecodeStatus(EncodeStatus(true, "1.2.3")).State, "online");
    EXPECT_FALSE(DecodeStatus(EncodeStatus(true, "1.2.3")).Progress);
    EXPECT_NE(EncodeStatus(true, "1.2.3").find("\"version\":\"1.2.3\""), std::string::npos);
    EXPECT_EQ(DecodeStatus(EncodeStatus(false, "")).State, "offline");
    const auto progress = DecodeStatus(EncodeStatus(true, "1.2.3", TStationProgress{"abc", 900, 12})).Progress;
    ASSERT_TRUE(progress);
    EXPECT_EQ(progress->Numbering + " " + std::to_string(progress->Oldest) + " " + std::to_string(progress->Next), "abc 12 900");
    // A peer's own states (escape sequences, line ends) never come out as a state.
    EXPECT_EQ(DecodeStatus("{\"state\":\"online\\r\\nTST: fake\"}").State, "");
    EXPECT_FALSE(DecodeStatus("{\"state\":\"online\",\"numbering\":\"x\",\"next\":1,\"oldest\":2}").Progress);
    EXPECT_EQ(DecodeResend(EncodeResend(123456789012ULL)), 123456789012ULL);
    EXPECT_EQ(EncodeMinute(EncodeDateTime(2024, 5, 1, 0, 1, 0), 21000.5, -12.25, 45000),
              "{\"time\":\"2024-05-01T00:01:00\",\"x\":21000.5,\"y\":-12.25,\"z\":45000}");

    std::string station, kind;
    EXPECT_TRUE(Topics::Split("orvant3k/v1/TST/lines", "orvant3k/v1", station, kind));
    EXPECT_EQ(station + " " + kind, "TST lines");
    for (const char* other : {"orvant3k/v1/TST", "orvant3k/v1/TST/lines/x", "orvant3k/v2/TST/lines", "orvant3k/v1//lines"})
        EXPECT_FALSE(Topics::Split(other, "orvant3k/v1", station, kind)) << other;
}

TEST(PublishPosition, RoundTripsAndATornOrForeignFileReadsAsNone) {
    TPublishPosition position{812, "ARCHIVE/2024/05/20240501000000_1.orv", 50589,
                              {{"ARCHIVE/2024/04/20240430000000.orv", 0}, {"ARCHIVE/2024/05/20240501000000_1.orv", 700}},
                              "0f1e2d3c"};
    const std::string text = FormatPublishPosition(position);
    EXPECT_EQ(ParsePublishPosition(text), position);
    EXPECT_FALSE(ParsePublishPosition(text.substr(0, text.find("next") + 6)));
    EXPECT_FALSE(ParsePublishPosition(""));
    EXPECT_FALSE(ParsePublishPosition("orvant3k-position 1\nfile 0 x\n"));
}

TEST(ArchiveFiles, ListsInRecordingOrderAndReadsOnlyWholeLines) {
    TTempDir directory(true);
    for (const char* name : {"ARCHIVE/2024/05/20240501000000_10.orv", "ARCHIVE/2024/05/20240501000000_9.orv",
                             "ARCHIVE/2024/05/20240501000000.orv", "ARCHIVE/2024/04/20240430235959.orv",
                             "ARCHIVE/2024/05/notes.txt", "ARCHIVE/misc/20240101000000.orv"}) {
        std::filesystem::create_directories(std::filesystem::path(name).parent_path());
        WriteWholeFile(name, "");
    }
    EXPECT_EQ(ListArchiveFiles("ARCHIVE"),
              (std::vector<std::string>{"ARCHIVE/2024/04/20240430235959.orv", "ARCHIVE/2024/05/20240501000000.orv",
                                        "ARCHIVE/2024/05/20240501000000_9.orv", "ARCHIVE/2024/05/20240501000000_10.orv"}));
    EXPECT_TRUE(ListArchiveFiles("nothing-here").empty());

    // A line still being written (no line end yet) is neither read nor counted.
    WriteWholeFile("day.orv", "one\r\ntwo\r\nthree\r\nfour-in-progr");
    const TLineChunk first = ReadLinesFrom("day.orv", 0, 2);
    EXPECT_EQ(first.Lines, (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(first.EndOffset, 10u);
    const TLineChunk rest = ReadLinesFrom("day.orv", first.EndOffset, 100);
    EXPECT_EQ(rest.Lines, (std::vector<std::string>{"three"}));
    std::uint64_t end = 0;
    EXPECT_EQ(CountLinesFrom("day.orv", 4, &end), 2u);
    EXPECT_EQ(end, rest.EndOffset);
    EXPECT_TRUE(ReadLinesFrom("gone.orv", 0, 10).Missing);
    EXPECT_EQ(CountLinesFrom("gone.orv", 0), 0u);
}

TEST(PasswordFile, GivesTheFirstLineAndRefusesAFileOthersMayReadOrWriteAndAFolder) {
    TTempDir directory(true);
    WriteWholeFile("password", "s3cret\nignored\n");
    ::chmod("password", 0600);
    EXPECT_EQ(ReadPasswordFile("password"), "s3cret");
    std::filesystem::create_directory("folder");
    const std::pair<mode_t, std::string> refused[] = {
        {0640, "password may be read by other users; refused (chmod 600 password)"},
        {0604, "password may be read by other users; refused (chmod 600 password)"},
        {0620, "password may be written by other users; refused (chmod 600 password)"},
        {0602, "password may be written by other users; refused (chmod 600 password)"},
        {0, "folder is a folder, not a file"},
    };
    for (const auto& [mode, message] : refused) {
        if (mode != 0) ::chmod("password", mode);
        try {
            ReadPasswordFile(mode != 0 ? "password" : "folder");
            ADD_FAILURE() << "mode " << mode << " accepted";
        } catch (const ENetworkSettingError& error) {
            EXPECT_EQ(std::string(error.what()), "The password file " + message);
        }
    }
    EXPECT_THROW(ReadPasswordFile("missing"), ENetworkSettingError);
}

TEST(PublishPosition, OneOfAnEarlierVersionKeepsTheNumberingItIsGivenBeforeAnythingIsPublished) {
    TTempDir directory(true);
    std::filesystem::create_directories("ARCHIVE/2024/05");
    WriteWholeFile("ARCHIVE/2024/05/20240501000000.orv", "");
    WriteWholeFile("ARCHIVE.position", "orvant3k-position 1\nnext 7 0 ARCHIVE/2024/05/20240501000000.orv\n");
    TPublisherOptions options;
    options.Network.Broker = "127.0.0.1";
    options.Network.Port = 1;  // nothing answers: the identity must be kept all the same
    options.Network.StationId = "TST";
    TStationPublisher publisher(options);
    publisher.Stop();
    const auto kept = ParsePublishPosition(ReadWholeFile("ARCHIVE.position"));
    ASSERT_TRUE(kept);
    EXPECT_TRUE(IsNumberingId(kept->Numbering));
    EXPECT_EQ(kept->Seq, 7u);
    TStationPublisher again(options);
    again.Stop();
    EXPECT_EQ(ParsePublishPosition(ReadWholeFile("ARCHIVE.position"))->Numbering, kept->Numbering);
}

// The overview page's history: the minutes of the station's IAGA-2002 minute files (day files
// and part-day files alike), missing minutes as null, a span cut to its newest day.
TEST(MinuteHistory, ReadsTheMinuteFilesOfTheSpanAndAnswersAtMostADay) {
    TTempDir directory(true);
    TIagaHeader header;
    header.StationName = "Test";
    header.Latitude = "50";
    header.Longitude = "10";
    header.Elevation = "100";
    const auto writeMinutes = [&](int day, int fromMinute, int count, double x) {
        TIagaDataFile file(TIagaDataFile::MinuteInterval, "TST", header, {});
        file.SetBaseDirectory("st/");
        for (int minute = fromMinute; minute < fromMinute + count; ++minute)
            if (minute != 605)  // a gap
                file.WriteFilterOutput({{x + minute, -x, 45000.25}, EncodeDateTime(2024, 1, day, minute / 60, minute % 60, 0, 0)});
        file.Finish();
    };
    writeMinutes(5, 600, 10, 20000.0);
    writeMinutes(5, 700, 1, 30000.0);  // a later run's part-day file beside the day file
    writeMinutes(6, 0, 2, 21000.0);

    const auto request = DecodeHistoryRequest("{\"from\":\"2024-01-05T10:03:30Z\",\"to\":\"2024-01-05T10:08:00\"}");
    ASSERT_TRUE(request);
    EXPECT_EQ(EncodeHistoryAnswer(ReadMinuteHistory("st", *request)),
              "{\"from\":\"2024-01-05T10:04:00\",\"step\":60,\"x\":[20604,null,20606,20607],"
              "\"y\":[-20000,null,-20000,-20000],\"z\":[45000.25,null,45000.25,45000.25]}");

    // Two days asked: the newest 1,440 minutes, from both days' files.
    const TMinuteHistory day = ReadMinuteHistory("st", {EncodeDateTime(2024, 1, 4, 0, 0, 0, 0), EncodeDateTime(2024, 1, 6, 0, 2, 0, 0)});
    ASSERT_EQ(day.Values.size(), MaxHistoryMinutes);
    // The span starts 2024-01-05 00:02, so 11:40 of the 5th is value 698.
    EXPECT_EQ(day.Values[698].value_or(std::array<double, 3>{})[0], 30700.0);
    EXPECT_EQ(day.Values.back().value_or(std::array<double, 3>{})[0], 21001.0);

    for (const char* bad : {"{\"from\":\"2024-01-05T10:00:00\",\"to\":\"2024-01-05T09:00:00\"}",
                            "{\"from\":\"2024-13-05T10:00:00\",\"to\":\"2024-13-06T10:00:00\"}", "[]", "not json"})
        EXPECT_FALSE(DecodeHistoryRequest(bad)) << bad;
    EXPECT_EQ(EncodeHistoryError("why"), "{\"error\":\"why\"}");
}

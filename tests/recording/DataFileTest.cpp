#include "ExpectFailure.h"
#include "FileSizeLimit.h"
#include "TempDir.h"
#include "acquisition/RuntimeErrors.h"
#include "recording/TextDataFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
const TDateTime Stamp = EncodeDateTime(2024, 1, 5, 12, 34, 56);
const std::string Base = "20240105123456";
}  // namespace

TEST(DataFile, SplitsAndJoinsFileNames) {
    TTextDataFile file;
    file.SetFileName("/data/x.y.orv");
    EXPECT_EQ(file.Directory(), "/data/");
    EXPECT_EQ(file.BaseName(), "x.y");
    EXPECT_EQ(file.Extension(), "orv");
    file.SetFileName("name");
    EXPECT_EQ(file.Directory(), "");
    EXPECT_EQ(file.BaseName(), "name");
    EXPECT_EQ(file.Extension(), "");
    EXPECT_EQ(file.GetFileName(), "name.");
    file.SetFileName("dir.d/name");  // a dot in the directory is no extension
    EXPECT_EQ(file.Directory(), "dir.d/");
    EXPECT_EQ(file.BaseName(), "name");
    EXPECT_EQ(file.Extension(), "");
    file.SetDirectory("ARCHIVE/2024");
    EXPECT_EQ(file.GetFileName(), "ARCHIVE/2024/name.");
    file.SetDirectory("");
    EXPECT_EQ(file.Directory(), "");
}

TEST(DataFile, MakeFileNameNeverTakesANameInUse) {
    TTempDir dir(true);
    const auto make = [] { return TDataFile::MakeFileName("orv", "A", Stamp, "YYYYMMDDHHNNSS"); };
    EXPECT_EQ(make(), "A/" + Base + ".orv");  // no directory yet: nothing is taken
    fs::create_directory("A");
    fs::create_directory("A/" + Base + ".orv");  // a directory does not count
    EXPECT_EQ(make(), "A/" + Base + ".orv");
    WriteWholeFile("A/" + Base + ".txt", "");  // any extension counts
    EXPECT_EQ(make(), "A/" + Base + "_0.orv");
    WriteWholeFile("A/" + Base + "_0.orv", "");
    EXPECT_EQ(make(), "A/" + Base + "_1.orv");
    WriteWholeFile("A/" + Base + "_1", "");  // no extension at all counts as well
    WriteWholeFile("A/" + Base + "_10.orv", "");
    WriteWholeFile("A/" + Base + "_2x.orv", "");  // another base name
    EXPECT_EQ(make(), "A/" + Base + "_2.orv");
    fs::create_symlink("nowhere", "A/" + Base + "_2.orv");  // a dangling link is taken too
    EXPECT_EQ(make(), "A/" + Base + "_3.orv");
    EXPECT_EQ(TDataFile::MakeFileName("", "", Stamp, "YYYYMMDD"), "20240105.");

    WriteWholeFile("plain", "");
    EXPECT_EQ(TDataFile::MakeFileName("orv", "plain/sub/", Stamp, "YYYY"), "plain/sub/2024.orv");
    fs::create_directory_symlink("loop", "loop");
    ExpectFailure([] { TDataFile::MakeFileName("orv", "loop", Stamp, "YYYY"); },
                  {"Too many levels of symbolic links", "TDataFile", "MakeFileName"});
}

TEST(DataFile, OpensIntoNewDirectoriesAndRefusesDoubleOpenOrClose) {
    TTempDir dir(true);
    TTextDataFile file;
    std::string opened;
    file.OnOpen = [&](TDataFile&, const std::string& name) { opened = name; };
    file.SetFileName("a/b/c/data.txt");
    file.OpenFile();
    EXPECT_TRUE(file.Opened());
    EXPECT_EQ(opened, "a/b/c/data.txt");
    EXPECT_TRUE(fs::is_regular_file("a/b/c/data.txt"));
    ExpectFailure([&] { file.OpenFile(); }, {"File is already opened", "TDataFile", "OpenFile"});
    file.CloseFile();
    EXPECT_FALSE(file.Opened());
    ExpectFailure([&] { file.CloseFile(); }, {"File is already closed", "TDataFile", "CloseFile"});

    // Opening truncates; appending continues at the end.
    WriteWholeFile("a/b/c/data.txt", "old\r\n");
    file.OpenFile();
    file.FWriteLn("new");
    file.CloseFile();
    file.AppendFile();
    EXPECT_TRUE(file.Opened());
    file.FWriteLn("more");
    file.CloseFile();
    EXPECT_EQ(ReadWholeFile("a/b/c/data.txt"), "new\r\nmore\r\n");
}

TEST(DataFile, ANewFileTakesTheNextNameWhenAnotherClaimedItsNameFirst) {
    TTempDir dir(true);
    TTextDataFile file;
    // The name was free when it was made; another recorder has created it since.
    std::vector<std::string> names{"day.orv", "day_0.orv"};
    WriteWholeFile("day.orv", "theirs\r\n");
    file.OpenNewFile([&] {
        std::string name = names.front();
        names.erase(names.begin());
        return name;
    });
    file.FWriteLn("ours");
    EXPECT_EQ(file.GetFileName(), "day_0.orv");
    EXPECT_EQ(ReadWholeFile("day.orv"), "theirs\r\n");
    EXPECT_EQ(ReadWholeFile("day_0.orv"), "ours\r\n");
}

TEST(DataFile, ReportsTheSystemReasonWhenTheFileCannotBeOpened) {
    TTempDir dir(true);
    fs::create_directory("taken.txt");
    TTextDataFile file;
    file.SetFileName("taken.txt");
    ExpectFailure([&] { file.OpenFile(); }, {"Is a directory", "TTextDateFile", "FOpenforWrite"});
    EXPECT_FALSE(file.Opened());
    file.SetFileName("missing.txt");
    ExpectFailure([&] { file.AppendFile(); },
                  {"No such file or directory", "TTextDateFile", "AppendFile"});
    EXPECT_FALSE(file.Opened());

    WriteWholeFile("plain", "");
    file.SetFileName("plain/sub/x.txt");
    try {
        file.OpenFile();
        ADD_FAILURE() << "opened below a plain file";
    } catch (const EBasicException&) {
        ADD_FAILURE() << "a directory failure is a plain runtime error";
    } catch (const EInOutError& error) {
        EXPECT_STREQ(error.what(), "Could not create directory plain/");
    }
}

TEST(DataFile, WritesLinesWithCrLfAndHandsCompletedLinesOn) {
    TTempDir dir(true);
    TTextDataFile file;
    std::vector<std::string> lines;
    file.OnLine = [&](TDataFile&, const std::string& line) { lines.push_back(line); };
    file.SetFileName("lines.txt");
    ExpectFailure([&] { file.FWriteLn("x"); },
                  {"File is not opened for writing", "TTextDateFile", "WriteDateFile"});
    ExpectFailure([&] { file.FWriteString("x"); },
                  {"File is not opened for writing", "TTextDateFile", "WriteDateFile"});
    file.OpenFile();
    file.FWriteString("first");
    EXPECT_EQ(file.LineBuffer(), "first");
    // Each write is in the file at once, before any close.
    EXPECT_EQ(ReadWholeFile("lines.txt"), "first");
    file.FWriteLn(" half");
    file.FWriteLn("");
    EXPECT_EQ(ReadWholeFile("lines.txt"), "first half\r\n\r\n");
    EXPECT_EQ(lines, (std::vector<std::string>{"first half", ""}));
}

TEST(DataFile, WriteFailuresAreRaisedAtTheWriteAndLeaveNoTornText) {
    TTempDir dir(true);
    {
        fs::create_symlink("/dev/full", "full.txt");  // every write: "No space left on device"
        TTextDataFile full;
        full.SetFileName("full.txt");
        full.OpenFile();
        ExpectFailure([&] { full.FWriteLn("line"); },
                      {"No space left on device", "TTextDateFile", "WriteDateFile"});
        EXPECT_TRUE(full.Opened());
        EXPECT_EQ(full.LineBuffer(), "");
    }

    TTextDataFile file;
    file.SetFileName("limited.txt");
    file.OpenFile();
    file.FWriteLn("0123456789");
    {
        // Room for 5 more bytes: the write stops part-way, the next part fails.
        TFileSizeLimit limit(12 + 5);
        ExpectFailure([&] { file.FWriteLn("abcdefghij"); },
                      {"File too large", "TTextDateFile", "WriteDateFile"});
    }
    EXPECT_EQ(ReadWholeFile("limited.txt"), "0123456789\r\n");
    file.FWriteLn("abcdefghij");
    EXPECT_EQ(ReadWholeFile("limited.txt"), "0123456789\r\nabcdefghij\r\n");
}

TEST(DataFile, DestructionClosesTheFile) {
    TTempDir dir(true);
    const auto openHandles = [] {
        return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
    };
    const auto before = openHandles();
    {
        TTextDataFile file;
        file.SetFileName("kept.txt");
        file.OpenFile();
        file.FWriteString("no line end");
        EXPECT_EQ(openHandles(), before + 1);
    }
    EXPECT_EQ(openHandles(), before);
    EXPECT_EQ(ReadWholeFile("kept.txt"), "no line end");
}

#include "acquisition/ProfileFile.h"
#include "acquisition/RuntimeErrors.h"

#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

std::vector<std::string> FolderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::string WriteErrorText(TProfileFile& file) {
    try {
        file.WriteString("Options", "MaxPointsOnScreen", "5");
    } catch (const EInOutError& error) {
        return error.what();
    }
    return "no error";
}

}  // namespace

TEST(ProfileFile, MissingFileReadsAsEmptyAndReadingCreatesNothing) {
    TTempDir dir;
    const std::string name = dir.File("station.ini");
    const TProfileFile file(name);
    EXPECT_EQ(file.ReadString("Intermagnet", "IDC", "IDC"), "IDC");
    EXPECT_EQ(file.ReadInteger("Options", "MaxPointsOnScreen", 100), 100);
    EXPECT_TRUE(file.ReadBool("Options", "AutoCreateIntermagnet", true));
    EXPECT_FALSE(file.ValueExists("Filter", "C0"));
    EXPECT_FALSE(file.SectionExists("Filter"));
    EXPECT_TRUE(file.ReadSection("Filter").empty());
    EXPECT_EQ(file.ReadError(), "");
    EXPECT_FALSE(fs::exists(name));
}

TEST(ProfileFile, SectionsAndKeysMatchWithoutLetterCase) {
    TTempDir dir;
    const std::string name = dir.File("station.ini");
    WriteWholeFile(name, "[intermagnet]\nFormVersion=0\n[Intermagnet]\nIDC=ABC\n");
    TProfileFile file(name);
    EXPECT_EQ(file.ReadString("INTERMAGNET", "idc", ""), "ABC");
    EXPECT_EQ(file.ReadInteger("Intermagnet", "formversion", -1), 0);
    EXPECT_THAT(file.ReadSection("Intermagnet"), ElementsAre("FormVersion", "IDC"));

    file.WriteString("INTERMAGNET", "idc", "XYZ");
    file.WriteString("Intermagnet", "GIN", "EDI");
    EXPECT_EQ(ReadWholeFile(name), "[intermagnet]\nFormVersion=0\nIDC=XYZ\nGIN=EDI\n");
}

TEST(ProfileFile, IntegersAreDecimalOrHexadecimalElseTheDefault) {
    const std::pair<const char*, std::int32_t> valid[] = {
        {"42", 42},          {"-7", -7},       {"+5", 5},           {"0x1F", 31},
        {"0XfF", 255},       {"$10", 16},      {"-0x10", -16},      {"0xFFFFFFFF", -1},
        {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN}, {"007", 7}};
    for (const auto& [text, expected] : valid) {
        std::int32_t value = 0;
        EXPECT_TRUE(ParseProfileInteger(text, value)) << text;
        EXPECT_EQ(value, expected) << text;
    }
    for (const char* text : {"", "abc", "12abc", "1.5", "2147483648", "-2147483649", "0x",
                             "0x100000000", "$", "--1", "+-1", "0x-1", "1e3", "99999999999999999999"}) {
        std::int32_t value = 0;
        EXPECT_FALSE(ParseProfileInteger(text, value)) << text;
    }

    TTempDir dir;
    const std::string name = dir.File("station.ini");
    WriteWholeFile(name, "[Options]\nMaxPointsOnScreen=many\nHex = 0x20 \nBig=4294967296\n");
    const TProfileFile file(name);
    EXPECT_EQ(file.ReadInteger("Options", "MaxPointsOnScreen", 100), 100);
    EXPECT_EQ(file.ReadInteger("Options", "Hex", 0), 32);
    EXPECT_EQ(file.ReadInteger("Options", "Big", 9), 9);
}

TEST(ProfileFile, BooleansAreNonZeroIntegersOrTrueFalseWords) {
    TTempDir dir;
    const std::string name = dir.File("station.ini");
    WriteWholeFile(name, "[B]\nOne=1\nZero=0\nMinus=-3\nHex=0x10\nWord=True\nLower=false\nYes=yes\n");
    TProfileFile file(name);
    EXPECT_TRUE(file.ReadBool("B", "One", false));
    EXPECT_FALSE(file.ReadBool("B", "Zero", true));
    EXPECT_TRUE(file.ReadBool("B", "Minus", false));
    EXPECT_TRUE(file.ReadBool("B", "Hex", false));
    EXPECT_TRUE(file.ReadBool("B", "Word", false));
    EXPECT_FALSE(file.ReadBool("B", "Lower", true));
    EXPECT_TRUE(file.ReadBool("B", "Yes", true));
    EXPECT_FALSE(file.ReadBool("B", "Yes", false));

    file.WriteBool("B", "One", false);
    file.WriteBool("B", "Zero", true);
    EXPECT_EQ(file.ReadString("B", "One", ""), "0");
    EXPECT_EQ(file.ReadString("B", "Zero", ""), "1");
}

TEST(ProfileFile, WritesKeepOtherLinesCommentsSpellingAndPlace) {
    TTempDir dir;
    const std::string name = dir.File("station.ini");
    WriteWholeFile(name,
                   "; station settings\n"
                   "\n"
                   "[Options]\r\n"
                   "; points per series\r\n"
                   "MaxPointsOnScreen = 100\r\n"
                   "Unknown=keep me\r\n"
                   "[Other]\n"
                   "A=1\n"
                   "; closing remark\n");
    TProfileFile file(name);
    file.WriteInteger("options", "maxpointsonscreen", 250);
    file.WriteString("Options", "NewKey", "x");
    file.WriteString("Filter", "C0", "0.5");
    EXPECT_EQ(ReadWholeFile(name),
              "; station settings\n"
              "\n"
              "[Options]\n"
              "\n"
              "; points per series\n"
              "MaxPointsOnScreen=250\n"
              "Unknown=keep me\n"
              "NewKey=x\n"
              "\n"
              "[Other]\n"
              "A=1\n"
              "\n"
              "[Filter]\n"
              "C0=0.5\n"
              "\n"
              "; closing remark\n");
    // Read back as written, and the remark survives a second rewrite.
    TProfileFile again(name);
    EXPECT_EQ(again.ReadInteger("Options", "MaxPointsOnScreen", 0), 250);
    again.WriteString("Other", "A", "2");
    EXPECT_THAT(ReadWholeFile(name), HasSubstr("C0=0.5\n\n; closing remark\n"));
}

TEST(ProfileFile, DeleteKeyAndEraseSection) {
    TTempDir dir;
    const std::string name = dir.File("station.ini");
    WriteWholeFile(name, "[Filter]\nC0=1\nC1=2\n[Keep]\nK=v\n[TOstrelMainForm.MRU_DATA]\nItem_0=a\n");
    TProfileFile file(name);
    file.DeleteKey("filter", "c1");
    file.DeleteKey("Filter", "C7");  // missing: nothing happens
    file.EraseSection("tostrelmainform.mru_data");
    EXPECT_TRUE(file.ValueExists("Filter", "C0"));
    EXPECT_FALSE(file.ValueExists("Filter", "C1"));
    EXPECT_FALSE(file.SectionExists("TOstrelMainForm.MRU_DATA"));
    EXPECT_EQ(ReadWholeFile(name), "[Filter]\nC0=1\n\n[Keep]\nK=v\n");
    file.DeleteKey("Filter", "C0");
    EXPECT_TRUE(file.SectionExists("Filter"));  // an emptied section keeps its header
    EXPECT_TRUE(file.ReadSection("Filter").empty());
}

TEST(ProfileFile, SavesAtomicallyKeepingModeAndLinksAndLeavingNoTemporaryFile) {
    TTempDir dir;
    const std::string name = dir.File("station.ini");
    {
        TProfileFile file(name);
        file.WriteString("Options", "A", "1");  // writing creates the file and the section
    }
    EXPECT_EQ(ReadWholeFile(name), "[Options]\nA=1\n");
    ASSERT_EQ(::chmod(name.c_str(), 0640), 0);
    struct stat before {};
    ::stat(name.c_str(), &before);

    TProfileFile file(name);
    file.WriteString("Options", "B", "2");
    struct stat after {};
    ::stat(name.c_str(), &after);
    EXPECT_NE(before.st_ino, after.st_ino);  // replaced by rename, never rewritten in place
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_THAT(FolderEntries(dir.Path()), ElementsAre("station.ini"));

    // Through a symbolic link the target is replaced and the link stays.
    fs::create_symlink(name, dir.File("link.ini"));
    TProfileFile linked(dir.File("link.ini"));
    linked.WriteString("Options", "C", "3");
    EXPECT_TRUE(fs::is_symlink(dir.File("link.ini")));
    EXPECT_EQ(ReadWholeFile(name), "[Options]\nA=1\nB=2\nC=3\n");
}

TEST(ProfileFile, UpdatePassWritesOnceAtItsEnd) {
    TTempDir dir;
    const std::string name = dir.File("station.ini");
    TProfileFile file(name);
    {
        TProfileUpdate pass(file);
        file.WriteInteger("Options", "A", 1);
        file.BeginUpdate();  // passes nest
        file.WriteInteger("Options", "B", 2);
        file.EndUpdate();
        EXPECT_FALSE(fs::exists(name));
        EXPECT_EQ(file.ReadInteger("Options", "B", 0), 2);
        pass.Commit();
    }
    EXPECT_EQ(ReadWholeFile(name), "[Options]\nA=1\nB=2\n");
    // A pass left by an error still saves what was written before the error.
    try {
        TProfileUpdate pass(file);
        file.WriteInteger("Options", "C", 3);
        throw std::runtime_error("failure in the middle of a pass");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(ReadWholeFile(name), "[Options]\nA=1\nB=2\nC=3\n");
}

TEST(ProfileFile, ObjectsOnTheSameFileSeeEachOthersWrites) {
    TTempDir dir;
    const std::string name = dir.File("station.ini");
    TProfileFile window(name);
    TProfileFile dialog(name);
    window.WriteString("TOstrelMainForm", "FormVersion", "0");
    dialog.WriteString("intermagnet", "FormVersion", "0");
    window.WriteString("Intermagnet", "IDC", "ABC");
    EXPECT_EQ(dialog.ReadString("Intermagnet", "IDC", ""), "ABC");
    EXPECT_EQ(ReadWholeFile(name),
              "[TOstrelMainForm]\nFormVersion=0\n\n[intermagnet]\nFormVersion=0\nIDC=ABC\n");
    fs::remove(name);
    EXPECT_FALSE(window.ValueExists("Intermagnet", "IDC"));
}

TEST(ProfileFile, RejectsNamesAndValuesThatWouldCorruptTheFileAndTrimsBlanks) {
    TTempDir dir;
    const std::string name = dir.File("station.ini");
    TProfileFile file(name);
    EXPECT_THROW(file.WriteString("Options", "Key", "two\nlines"), std::invalid_argument);
    EXPECT_THROW(file.WriteString("Options", "A=B", "1"), std::invalid_argument);
    EXPECT_THROW(file.WriteString("Options", ";A", "1"), std::invalid_argument);
    EXPECT_THROW(file.WriteString("Opt]ions", "A", "1"), std::invalid_argument);
    EXPECT_THROW(file.WriteString("", "A", "1"), std::invalid_argument);
    EXPECT_THROW(file.WriteString("Options", "   ", "1"), std::invalid_argument);
    EXPECT_FALSE(fs::exists(name));
    // Blanks around names and values cannot be stored; they are dropped as a re-read would.
    file.WriteString(" Options ", " Key ", "  spaced value  ");
    EXPECT_EQ(file.ReadString("Options", "Key", ""), "spaced value");
    EXPECT_EQ(ReadWholeFile(name), "[Options]\nKey=spaced value\n");
}

TEST(ProfileFile, UnwritablePlaceRaisesAClearErrorAndKeepsTheFile) {
    TTempDir dir;
    TProfileFile missingFolder(dir.File("no/such/folder/station.ini"));
    EXPECT_THAT(WriteErrorText(missingFolder),
                AllOf(HasSubstr(dir.File("no/such/folder/station.ini")),
                      HasSubstr("No such file or directory")));

    WriteWholeFile(dir.File("plain"), "");
    TProfileFile underAFile(dir.File("plain/station.ini"));
    EXPECT_EQ(underAFile.ReadError(), "");
    EXPECT_EQ(WriteErrorText(underAFile),
              "Cannot write settings file " + dir.File("plain/station.ini") + ": Not a directory");

    // A folder the user may not write to. Root writes anywhere, so the write is tried by an
    // unprivileged child process.
    const fs::path folder = dir.Path() / "readonly";
    fs::create_directory(folder);
    const std::string name = (folder / "station.ini").string();
    WriteWholeFile(name, "[Options]\nMaxPointsOnScreen=100\n");
    fs::permissions(dir.Path(), fs::perms(0755));
    fs::permissions(folder, fs::perms(0555));
    ::chmod(name.c_str(), 0644);
    EXPECT_EXIT(
        {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) std::exit(2);
            TProfileFile file(name);
            const std::string text = WriteErrorText(file);
            const bool clear = text.find(name) != std::string::npos &&
                               text.find("Permission denied") != std::string::npos;
            std::exit(clear && file.ReadInteger("Options", "MaxPointsOnScreen", 0) == 5 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadWholeFile(name), "[Options]\nMaxPointsOnScreen=100\n");
}

TEST(ProfileFile, UnreadableFileReadsAsEmptyAndIsNeverOverwritten) {
    TTempDir dir;
    const std::string name = dir.File("station.ini");
    fs::create_directory(name);  // exists, but cannot be read as a file
    TProfileFile file(name);
    EXPECT_THAT(file.ReadError(), AllOf(HasSubstr(name), HasSubstr("Is a directory")));
    EXPECT_EQ(file.ReadInteger("Options", "MaxPointsOnScreen", 100), 100);
    EXPECT_THAT(WriteErrorText(file), HasSubstr("not written"));
    EXPECT_THROW(file.DeleteKey("Options", "MaxPointsOnScreen"), EInOutError);
    EXPECT_TRUE(fs::is_directory(name));
    // Once the file can be read, the same object reads it and writes again.
    fs::remove(name);
    WriteWholeFile(name, "[Options]\nMaxPointsOnScreen=7\n");
    EXPECT_EQ(file.ReadError(), "");
    EXPECT_EQ(file.ReadInteger("Options", "MaxPointsOnScreen", 100), 7);
    file.WriteInteger("Options", "MaxPointsOnScreen", 8);
    EXPECT_EQ(ReadWholeFile(name), "[Options]\nMaxPointsOnScreen=8\n");

    // Binary content (a file copied to the wrong name) is no settings file either.
    const std::string binary = std::string("\x7f" "ELF\x02\x01\0\0[Options]\nMaxPointsOnScreen=9\n", 38);
    WriteWholeFile(name, binary);
    EXPECT_THAT(file.ReadError(), AllOf(HasSubstr(name), HasSubstr("not a profile file")));
    EXPECT_EQ(file.ReadInteger("Options", "MaxPointsOnScreen", 100), 100);
    EXPECT_THROW(file.WriteInteger("Options", "MaxPointsOnScreen", 1), EInOutError);
    EXPECT_EQ(ReadWholeFile(name), binary);
}

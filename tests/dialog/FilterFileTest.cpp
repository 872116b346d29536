// Loading and saving ".filter" coefficient files through the dialog's buttons, with the file
// dialogs answered by the test.
#include "DialogFixture.h"

#include "acquisition/ProfileFile.h"
#include "recording/dialog/FilterFileDialogs.h"

#include <filesystem>
#include <numeric>

using ::testing::ElementsAre;

namespace {

using TFilterFileTest = TDialogTest;

const std::string StandardOneSecondFilter =
    std::string(ORVANT_SOURCE_DIR) + "/filters/gaussian-1s-to-1min-91.filter";

TEST_F(TFilterFileTest, LoadReadsUpToTheFirstMissingKeyAndUsesTheValuesAtOnce) {
    const std::string path = Dir.File("gap.filter");
    WriteWholeFile(path, "[Filter]\nC0=0.25\nC1=0.5\nC3=0.25\n");
    ShowList({"1", "2", "3", "4", "5"});
    FilterCoefficientTexts = {"9"};
    Load(path);
    EXPECT_THAT(FilterCoefficients, ElementsAre(0.25, 0.5));
    EXPECT_THAT(FilterCoefficientTexts, ElementsAre("9"));  // texts change only through OK
    EXPECT_EQ(Grid().rowCount(), 2);
    EXPECT_EQ(Label(1), "C1");
    EXPECT_THAT(Form.CoefficientTexts(), ElementsAre("0.25", "0.5"));
    EXPECT_TRUE(Notes.ErrorBoxes().empty());

    // The loaded values stay in use when the dialog is then cancelled.
    Form.show();
    Form.CancelBtn()->click();
    EXPECT_FALSE(Form.isVisible());
    EXPECT_THAT(FilterCoefficients, ElementsAre(0.25, 0.5));
}

TEST_F(TFilterFileTest, LoadStopsAtABadTextKeepingWhatWasReadBeforeIt) {
    const std::string path = Dir.File("bad.filter");
    WriteWholeFile(path, "[Filter]\nC0=0.25\nC1=0,5\nC2=0.25\n");
    ASSERT_TRUE(Grid().MarkedEmpty());
    Load(path);
    EXPECT_THAT(Notes.ErrorBoxes(),
                ElementsAre("Error in ini-file:" + path + "\r\nInvalid filter coefficient C1",
                            "'0,5' is not a valid floating point value"));
    // C0, and the element added for the failing key.
    EXPECT_THAT(FilterCoefficients, ElementsAre(0.25, 0.0));
    EXPECT_FALSE(Grid().MarkedEmpty());
    EXPECT_THAT(Form.CoefficientTexts(), ElementsAre("0.25", "0,5"));
    EXPECT_FALSE(Form.CheckCoefficients());

    // The row count is not cut back to what was read.
    ShowList({"1", "2", "3", "4"});
    Load(path);
    EXPECT_THAT(Form.CoefficientTexts(), ElementsAre("0.25", "0,5", "3", "4"));
}

TEST_F(TFilterFileTest, LoadOfAFileWithoutCoefficientsShowsTheEmptyList) {
    const std::string path = Dir.File("none.filter");
    WriteWholeFile(path, "[Other]\nC0=1\n");
    FilterCoefficients = {1};
    ShowList({"1"});
    Load(path);
    EXPECT_TRUE(FilterCoefficients.empty());
    EXPECT_TRUE(Grid().MarkedEmpty());
    EXPECT_EQ(Text(0), "");
}

TEST_F(TFilterFileTest, AnUnreadableFileOrACancelledDialogChangesNothing) {
    const std::string folder = Dir.File("folder.filter");
    std::filesystem::create_directory(folder);
    FilterCoefficients = {1};
    ShowList({"1"});
    Load("");  // Cancel
    Load(folder);
    Load(Dir.File("gone.filter"));
    EXPECT_THAT(Notes.ErrorBoxes(),
                ElementsAre("Error in ini-file:" + folder + "\r\nIs a directory",
                            "Error in ini-file:" + Dir.File("gone.filter") +
                                "\r\nNo such file or directory"));
    EXPECT_THAT(FilterCoefficients, ElementsAre(1.0));
    EXPECT_THAT(Form.CoefficientTexts(), ElementsAre("1"));
}

TEST_F(TFilterFileTest, TheShippedOneSecondFilterLoadsWhole) {
    Load(StandardOneSecondFilter);
    ASSERT_EQ(FilterCoefficients.size(), 91u);
    EXPECT_EQ(Grid().rowCount(), 91);
    EXPECT_EQ(Label(90), "C90");
    EXPECT_EQ(Text(0), "0.00045932672854618689");
    EXPECT_NEAR(std::accumulate(FilterCoefficients.begin(), FilterCoefficients.end(), 0.0), 1.0,
                1e-12);
    EXPECT_TRUE(Form.CheckCoefficients());
    EXPECT_TRUE(Notes.ErrorBoxes().empty());
}

TEST_F(TFilterFileTest, DialogsStartWithTheStandardFiltersThenWhereTheUserWentLast) {
    ASSERT_FALSE(StandardFiltersFolder().empty());
    EXPECT_TRUE(std::filesystem::equivalent(StandardFiltersFolder(),
                                            std::string(ORVANT_SOURCE_DIR) + "/filters"));
    // An installed copy beside the program comes first.
    const std::filesystem::path installed = Dir.Path() / "share" / "orvant3k" / "filters";
    std::filesystem::create_directories(installed);
    std::filesystem::create_directory(Dir.Path() / "bin");
    EXPECT_TRUE(std::filesystem::equivalent(FindStandardFiltersFolder(Dir.File("bin")), installed));

    Load("");
    ShowList({"1"});
    Save(Dir.File("mine.filter"));
    Load("");
    EXPECT_THAT(OpenFolders, ElementsAre(StandardFiltersFolder(), Dir.Path().string()));
    EXPECT_THAT(SaveFolders, ElementsAre(""));  // the working directory
}

TEST_F(TFilterFileTest, SaveRewritesItsKeysAndLeavesHigherOnes) {
    const std::string path = Dir.File("ten.filter");
    std::string ten = "[Filter]\n";
    for (int i = 0; i < 10; ++i) ten += "C" + std::to_string(i) + "=0.1\n";
    WriteWholeFile(path, ten);
    ShowList({"0.25", "0.5", "0.25"});
    Save(path);
    EXPECT_TRUE(Notes.ErrorBoxes().empty());
    const TProfileFile file(path);
    EXPECT_EQ(file.ReadString("Filter", "C0", ""), "0.25");
    EXPECT_EQ(file.ReadString("Filter", "C1", ""), "0.5");
    EXPECT_EQ(file.ReadString("Filter", "C2", ""), "0.25");
    EXPECT_EQ(file.ReadSection("Filter").size(), 10u);
    EXPECT_EQ(file.ReadString("filter", "c9", ""), "0.1");

    // A new file holds the list alone, and loads back as it was saved.
    const std::string fresh = Dir.File("fresh.filter");
    Save(fresh);
    EXPECT_EQ(ReadWholeFile(fresh), "[Filter]\nC0=0.25\nC1=0.5\nC2=0.25\n");
    ShowList({});
    Load(fresh);
    EXPECT_THAT(Form.CoefficientTexts(), ElementsAre("0.25", "0.5", "0.25"));
}

TEST_F(TFilterFileTest, SaveWritesNothingForAnInvalidListOrAFailedWrite) {
    ShowList({"0.5", "x"});
    Save(Dir.File("invalid.filter"));
    EXPECT_THAT(Notes.ErrorBoxes(), ElementsAre("Invalid filter coefficient C1"));
    EXPECT_FALSE(std::filesystem::exists(Dir.File("invalid.filter")));

    ShowList({"0.5"});
    Save(Dir.File("no-such-folder/f.filter"));
    Save("");  // Cancel
    EXPECT_THAT(Notes.ErrorBoxes(),
                ElementsAre("Invalid filter coefficient C1", "Could not save filter"));
}

}  // namespace

// Loading and saving ".filter" coefficient files through the dialog's buttons, with the file
// dialogs answered by the test.
#include "DialogFixture.h"

#include "acquisition/ProfileFile.h"
#include "window/FilterFileDialogs.h"

#include "acquisition/NumberText.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <filesystem>

using ::testing::ElementsAre;

namespace {

using TFilterFileTest = TDialogTest;

const std::string StandardOneSecondFilter =
    std::string(ORVANT_SOURCE_DIR) + "/filters/gaussian-1s-to-1min-91.filter";

TEST_F(TFilterFileTest, LoadFillsTheListOnlyUpToTheFirstMissingKey) {
    const std::string path = Dir.File("gap.filter");
    WriteWholeFile(path, "[Filter]\nC0=0.25\nC1=0.5\nC3=0.25\n");
    ShowList({"1", "2", "3", "4", "5"});
    FilterCoefficients = {9};
    FilterCoefficientTexts = {"9"};
    Load(path);
    EXPECT_EQ(Grid().rowCount(), 2);
    EXPECT_EQ(Label(1), "C1");
    EXPECT_THAT(Form.CoefficientTexts(), ElementsAre("0.25", "0.5"));
    EXPECT_TRUE(Notes.ErrorBoxes().empty());
    // The filter in use and its texts change only through OK.
    EXPECT_THAT(FilterCoefficients, ElementsAre(9.0));
    EXPECT_THAT(FilterCoefficientTexts, ElementsAre("9"));

    // A file without coefficients gives the empty list.
    const std::string none = Dir.File("none.filter");
    WriteWholeFile(none, "[Other]\nC0=1\n");
    Load(none);
    EXPECT_TRUE(Grid().MarkedEmpty());
    EXPECT_EQ(Text(0), "");
    EXPECT_THAT(FilterCoefficients, ElementsAre(9.0));
}

TEST_F(TFilterFileTest, ALoadWithABadTextShowsTheWholeListAndNamesTheBadOne) {
    const std::string path = Dir.File("bad.filter");
    WriteWholeFile(path, "[Filter]\nC0=0.25\nC1=0,5\nC2=0.25\nC3=x\n");
    ShowList({"1", "2", "3", "4", "5", "6"});
    Load(path);
    EXPECT_THAT(Notes.ErrorBoxes(),
                ElementsAre("Error in ini-file:" + path + "\r\nInvalid filter coefficient C1",
                            "'0,5' is not a valid floating point value"));
    EXPECT_THAT(Form.CoefficientTexts(), ElementsAre("0.25", "0,5", "0.25", "x"));
    EXPECT_EQ(Grid().currentRow(), 1);
    EXPECT_TRUE(FilterCoefficients.empty());
    EXPECT_FALSE(Form.CheckCoefficients());
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
    const std::vector<std::string> texts = Form.CoefficientTexts();
    ASSERT_EQ(texts.size(), 91u);
    EXPECT_EQ(Label(90), "C90");
    EXPECT_EQ(Text(0), "0.00045932672854618689");
    double sum = 0;
    for (const std::string& text : texts) sum += StrToFloat(text);
    EXPECT_NEAR(sum, 1.0, 1e-12);
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

TEST_F(TFilterFileTest, SaveReplacesTheFileWhole) {
    // Three coefficients over the shipped 91: exactly three load back.
    const std::string path = Dir.File("long.filter");
    std::filesystem::copy_file(StandardOneSecondFilter, path);
    ShowList({"0.25", "0.5", "0.25"});
    Save(path);
    EXPECT_TRUE(Notes.ErrorBoxes().empty());
    EXPECT_EQ(ReadWholeFile(path), "[Filter]\nC0=0.25\nC1=0.5\nC2=0.25\n");
    ShowList({});
    Load(path);
    EXPECT_THAT(Form.CoefficientTexts(), ElementsAre("0.25", "0.5", "0.25"));

    // A file of another kind, chosen by mistake (the save dialog asked first), is replaced whole
    // too, not merged with; nothing temporary stays beside it.
    const std::string data = Dir.File("x.orv");
    WriteWholeFile(data, "2024 01 05 00 00 00 ...\r\n[Filter]\nC7=1\n");
    Save(data);
    EXPECT_EQ(ReadWholeFile(data), "[Filter]\nC0=0.25\nC1=0.5\nC2=0.25\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir.Path()),
                            std::filesystem::directory_iterator()),
              2);
}

TEST_F(TFilterFileTest, TheSaveDialogAsksBeforeItNamesAnExistingFile) {
    const std::string existing = Dir.File("mine.filter");
    WriteWholeFile(existing, "[Filter]\nC0=1\n");
    std::vector<std::string> questions;
    // The save dialog, then the toolkit's question on top of it; the first answer is No.
    const auto answer = [&](QMessageBox::StandardButton button) {
        QTimer::singleShot(0, [&questions, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            questions.push_back(box->text().toStdString());
            box->button(button)->click();
        });
    };
    bool answeredNo = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->selectFile(QString::fromStdString(existing));
        answer(QMessageBox::No);
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides it
        answeredNo = dialog->isVisible();
        answer(QMessageBox::Yes);
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides it
    });
    EXPECT_EQ(ChooseFilterFileToSave(nullptr, Dir.Path().string()), existing);
    EXPECT_TRUE(answeredNo);
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_NE(questions[0].find("mine.filter"), std::string::npos) << questions[0];
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

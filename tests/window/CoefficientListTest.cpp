// The coefficient list's buttons and its empty-list mark, and the check that keeps the dialog
// open while a coefficient text is not a number.
#include "DialogFixture.h"

#include <QPushButton>
#include <QTableWidgetItem>

using ::testing::ElementsAre;

namespace {

using TCoefficientListTest = TDialogTest;

TEST_F(TCoefficientListTest, AddOnTheEmptyListTurnsItsBlankRowIntoC0) {
    ASSERT_TRUE(Grid().MarkedEmpty());  // a new dialog holds no coefficient
    EXPECT_EQ(Grid().property("Tag").toInt(), -1);
    Form.AddCoefBtn()->click();
    EXPECT_EQ(Grid().rowCount(), 1);
    EXPECT_EQ(Label(0), "C0");
    EXPECT_EQ(Text(0), "");
    EXPECT_FALSE(Grid().MarkedEmpty());
    Form.AddCoefBtn()->click();
    EXPECT_EQ(Grid().rowCount(), 2);
    EXPECT_EQ(Label(1), "C1");
    EXPECT_THAT(Form.CoefficientTexts(), ElementsAre("", ""));
}

TEST_F(TCoefficientListTest, DeleteRemovesRowsDownToTheBlankMarkedRow) {
    ShowList({"0.25", "0.5", "0.25"});
    Form.DeleteCoefBtn()->click();
    Form.DeleteCoefBtn()->click();
    EXPECT_EQ(Grid().rowCount(), 1);
    EXPECT_EQ(Text(0), "0.25");
    EXPECT_FALSE(Grid().MarkedEmpty());

    Form.DeleteCoefBtn()->click();  // the last coefficient: its row stays, blank and marked
    EXPECT_EQ(Grid().rowCount(), 1);
    EXPECT_EQ(Label(0), "");
    EXPECT_EQ(Text(0), "");
    EXPECT_TRUE(Grid().MarkedEmpty());
    EXPECT_TRUE(Form.CoefficientTexts().empty());

    SetText(0, "7");  // whatever the kept row shows, the empty list stays empty
    Form.DeleteCoefBtn()->click();
    EXPECT_EQ(Text(0), "7");
    EXPECT_TRUE(Grid().MarkedEmpty());

    Form.SaveFilterBtn()->click();  // nothing to save: no file dialog, no message
    EXPECT_TRUE(SaveFolders.empty());
    EXPECT_TRUE(Notes.ErrorBoxes().empty());
    EXPECT_TRUE(Form.CheckCoefficients());
}

TEST_F(TCoefficientListTest, NoWayOfClosingPassesAnInvalidCoefficient) {
    ShowList({"0.25", "0.5", "abc"});
    Form.show();
    Form.OKBtn()->click();
    Form.CancelBtn()->click();
    PressKey(&Form, Qt::Key_Escape);
    Form.close();  // the window's close button
    EXPECT_TRUE(Form.isVisible());
    EXPECT_EQ(Notes.ErrorBoxes(), std::vector<std::string>(4, "Invalid filter coefficient C2"));
    EXPECT_EQ(Grid().currentRow(), 2);

    SetText(2, "0.25");
    Form.CancelBtn()->click();
    EXPECT_FALSE(Form.isVisible());
    EXPECT_EQ(Form.result(), QDialog::Rejected);
    EXPECT_EQ(Notes.ErrorBoxes().size(), 4u);
}

TEST_F(TCoefficientListTest, OnlyPlainDecimalNumbersPass) {
    for (const char* bad : {"1,5", "", " 0.5", "nan", "0x10", "1.5.2"}) {
        ShowList({"1", bad});
        EXPECT_FALSE(Form.CheckCoefficients()) << "'" << bad << "'";
    }
    EXPECT_EQ(Notes.ErrorBoxes(), std::vector<std::string>(6, "Invalid filter coefficient C1"));
    ShowList({"1.5", "-2e-3", "+.5", "0"});
    EXPECT_TRUE(Form.CheckCoefficients());
}

TEST_F(TCoefficientListTest, TextStillInTheCellEditorIsChecked) {
    ShowList({"0.5"});
    Form.show();
    Grid().setCurrentCell(0, 1);
    Grid().editItem(Grid().item(0, 1));
    QWidget* editor = Grid().indexWidget(Grid().currentIndex());
    ASSERT_NE(editor, nullptr);
    PressKey(editor, Qt::Key_End);
    TypeText(editor, QStringLiteral(",5"));  // "0.5,5", not yet taken over by the grid
    Form.OKBtn()->click();
    EXPECT_TRUE(Form.isVisible());
    EXPECT_EQ(Text(0), "0.5,5");
    EXPECT_THAT(Notes.ErrorBoxes(), ElementsAre("Invalid filter coefficient C0"));
}

TEST_F(TCoefficientListTest, ClosingLeavesTheRunningFilterAlone) {
    FilterCoefficients = {0.25, 0.5, 0.25};
    ShowList({"0.25", "0.5", "0.25"});
    Form.show();
    Form.AddCoefBtn()->click();
    SetText(3, "1");
    Form.CancelBtn()->click();
    ASSERT_FALSE(Form.isVisible());
    EXPECT_THAT(FilterCoefficients, ElementsAre(0.25, 0.5, 0.25));

    Form.show();
    for (int i = 0; i < 4; ++i) Form.DeleteCoefBtn()->click();
    ASSERT_TRUE(Grid().MarkedEmpty());
    Form.CancelBtn()->click();
    ASSERT_FALSE(Form.isVisible());
    EXPECT_THAT(FilterCoefficients, ElementsAre(0.25, 0.5, 0.25));
}

}  // namespace

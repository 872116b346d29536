// The two monitor windows: trimming, the "Max lines" command, settings at showing and closing.

#include "RecordingNotifier.h"
#include "TempDir.h"
#include "TestApplication.h"
#include "acquisition/ProfileFile.h"
#include "ui/IntermagnetTextForm.h"
#include "ui/TextForm.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QFontInfo>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextCursor>

#include <filesystem>
#include <memory>

namespace {

class MonitorTextFormTest : public ::testing::Test {
protected:
    void SetUp() override { TestApplication(); }

    TTempDir Dir;
    TRecordingNotifier Notifier;
    std::string FileName = Dir.File("station.ini");

    // A text form whose "Max lines" box answers from `Answers` and records what it was asked.
    std::unique_ptr<TTextForm> MakeForm() {
        auto form = std::make_unique<TTextForm>(FileName);
        form->SetInputBox([this](QWidget*, const QString& title, const QString& prompt,
                                 const QString& initial) -> std::optional<QString> {
            Asked << title << prompt << initial;
            return Answer;
        });
        return form;
    }

    static void AppendLines(TMonitorTextForm& form, int first, int last) {
        for (int n = first; n <= last; ++n) form.AppendLine("line " + std::to_string(n));
    }

    static void Type(QPlainTextEdit& memo, Qt::Key key, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(&memo, &press);
    }

    std::optional<QString> Answer;
    QStringList Asked;
};

TEST_F(MonitorTextFormTest, MenuHasThreeCommandsAndTheRecordsAFixedPitchFont) {
    TTextForm text(FileName);
    TIntermagnetTextForm intermagnet(FileName);
    QStringList menu;
    for (QAction* action : text.menuBar()->actions()) menu << action->text();
    EXPECT_EQ(menu, QStringList({"&Clear", "&Max lines", "E&xit"}));
    EXPECT_TRUE(QFontInfo(intermagnet.Memo1()->font()).fixedPitch());
}

TEST_F(MonitorTextFormTest, KeepsTheNewestMaxLinesOnEveryChange) {
    auto form = MakeForm();
    form->show();
    AppendLines(*form, 1, 1000);
    EXPECT_EQ(form->LineCount(), 1000);
    form->AppendLine("line 1001\r\n");
    ASSERT_EQ(form->LineCount(), 1000);
    EXPECT_EQ(form->Lines().front(), "line 2");
    EXPECT_EQ(form->Lines().back(), "line 1001");

    // A lower limit waits for the next change, then leaves exactly the newest lines.
    form->SetMaxLines(10);
    EXPECT_EQ(form->LineCount(), 1000);
    form->AppendLine("line 1002");
    const QStringList lines = form->Lines();
    ASSERT_EQ(lines.size(), 10);
    EXPECT_EQ(lines.front(), "line 993");
    EXPECT_EQ(lines.back(), "line 1002");

    // The user's typing counts as a change: a new line at the end pushes the oldest out; the
    // empty line after a line break does not count until something is typed on it.
    QPlainTextEdit& memo = *form->Memo1();
    memo.moveCursor(QTextCursor::End);
    Type(memo, Qt::Key_Return, "\r");
    EXPECT_EQ(form->LineCount(), 10);
    EXPECT_EQ(form->Lines().front(), "line 993");
    Type(memo, Qt::Key_X, "x");
    EXPECT_EQ(form->Lines().front(), "line 994");
    EXPECT_EQ(form->Lines().back(), "x");

    form->ClearAction()->trigger();
    EXPECT_EQ(form->LineCount(), 0);
    EXPECT_FALSE(memo.document()->isUndoRedoEnabled());
}

TEST_F(MonitorTextFormTest, MaxLinesEntry) {
    auto form = MakeForm();
    struct TCase {
        std::optional<QString> Answer;
        int Expected;
    };
    const TCase cases[] = {{QString("250"), 250}, {QString("5"), 10},   {QString("-3"), 10},
                           {QString("40"), 40},   {std::nullopt, 40},   {QString(""), 40},
                           {QString("abc"), 40},  {QString("+12"), 12}};
    for (const TCase& c : cases) {
        Answer = c.Answer;
        Asked.clear();
        const int before = form->MaxLines();
        form->MaxLinesAction()->trigger();
        EXPECT_EQ(form->MaxLines(), c.Expected) << (c.Answer ? c.Answer->toStdString() : "Cancel");
        EXPECT_EQ(Asked, QStringList({"Input new value", "Maximum lines on screen: ",
                                      QString::number(before)}));
    }
    EXPECT_EQ(Notifier.ErrorBoxes(), std::vector<std::string>{"'abc' is not a valid integer value"});
}

TEST_F(MonitorTextFormTest, EachShowingRestoresMaxLinesAndStartsEmpty) {
    WriteWholeFile(FileName, "[TextForm]\nMaxLines=3\n");
    auto form = MakeForm();
    form->show();
    EXPECT_EQ(form->MaxLines(), 3) << "no floor for a stored value";
    AppendLines(*form, 1, 5);
    EXPECT_EQ(form->Lines(), QStringList({"line 3", "line 4", "line 5"}));
    // Cancel keeps even a value below the floor.
    Answer.reset();
    form->MaxLinesAction()->trigger();
    EXPECT_EQ(form->MaxLines(), 3);

    // Bringing a shown window to the front keeps its text.
    form->ShowOrBringToFront();
    EXPECT_EQ(form->LineCount(), 3);

    Answer = "20";
    form->MaxLinesAction()->trigger();
    form->ExitAction()->trigger();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(TProfileFile(FileName).ReadInteger("TextForm", "MaxLines", 0), 20);
    EXPECT_TRUE(TProfileFile(FileName).ValueExists("TTextForm", "NormPos"));

    // Hidden: appends are ignored; showing again starts empty with the stored value.
    AppendLines(*form, 6, 8);
    TProfileFile(FileName).WriteInteger("TextForm", "MaxLines", 2);
    form->ShowOrBringToFront();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->LineCount(), 0);
    EXPECT_EQ(form->MaxLines(), 2);
    AppendLines(*form, 9, 11);
    EXPECT_EQ(form->Lines(), QStringList({"line 10", "line 11"}));

    // Destroyed while shown: saved once more.
    form->SetMaxLines(77);
    form.reset();
    EXPECT_EQ(TProfileFile(FileName).ReadInteger("TextForm", "MaxLines", 0), 77);
}

TEST_F(MonitorTextFormTest, EachWindowKeepsItsOwnSectionsAndANeverShownOneWritesNothing) {
    {
        TIntermagnetTextForm intermagnet(FileName);
        TTextForm neverShown(FileName);
        intermagnet.show();
        intermagnet.SetMaxLines(55);
        intermagnet.close();
    }
    TProfileFile file(FileName);
    EXPECT_EQ(file.ReadInteger("IntermagnetTextForm", "MaxLines", 0), 55);
    EXPECT_TRUE(file.ValueExists("TIntermagnetTextForm", "FormVersion"));
    EXPECT_FALSE(file.SectionExists("TextForm"));
    EXPECT_FALSE(file.SectionExists("TTextForm"));
}

}  // namespace

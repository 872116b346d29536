// "Convert archive..." in the window: the dialog's checks, the conversion on a worker thread
// with the window's commands following it, cancel, and the summary box.

#include "MainFormFixture.h"

#include "window/ArchiveConversionRunner.h"
#include "window/ConvertArchiveDialog.h"
#include "instrument/LineSource.h"
#include "instrument/StampTime.h"

#include <QLabel>
#include <QTimer>

namespace {

// A day of one-second lines with one bad line (the 101st) in it, as an archive file.
void WriteArchiveDay(const std::string& path, TDateTime day) {
    const TLineSource source(StampOf(day), TLineRate(1, 1), TLineEnd::CrLf, 0);
    std::string lines;
    for (std::uint64_t i = 0; i < 86400; ++i) lines += i == 100 ? "broken\r\n" : source.Bytes(i);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteWholeFile(path, lines);
}

}  // namespace

TEST_F(MainFormTest, ConvertsAnArchiveOnAWorkerAndSumsItUpInABox) {
    WriteWholeFile(SettingsFile, "[Intermagnet]\r\nIDC=TST\r\nCOMP=XYZF\r\nGIN=EDI\r\nCOLA=45\r\nLONG=10\r\nDECBAS=0\r\n"
                                 "COMP=XYZF\r\nGIN=EDI\r\n[Filter]\r\nC0=0.25\r\nC1=0.5\r\nC2=0.25\r\n");
    WriteArchiveDay("store/20240105000000.orv", EncodeDate(2024, 1, 5));
    WriteArchiveDay("store/20240106000000.orv", EncodeDate(2024, 1, 6));
    TOstrelMainForm& main = Make();
    Show();
    TConvertArchiveDialog& dialog = main.ConvertDialog();
    EXPECT_TRUE(main.ConvertArchive1()->isEnabled());
    EXPECT_FALSE(main.CancelConversion1()->isEnabled());

    // Every label's "&" is a mnemonic of its field, never shown as a character.
    for (QLabel* label : dialog.findChildren<QLabel*>())
        if (label->text().contains('&')) EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString();

    // OK without a path is refused with the reason; the dialog stays until Cancel.
    QTimer::singleShot(0, &dialog, [&] {
        dialog.SetPaths({});
        dialog.OKBtn()->click();
        EXPECT_TRUE(dialog.isVisible());
        dialog.CancelBtn()->click();
    });
    main.ConvertArchive1()->trigger();
    ASSERT_EQ(Notes.ErrorBoxes().size(), 1u);
    EXPECT_EQ(Notes.ErrorBoxes()[0], "Add the archive files or folders to convert.");
    EXPECT_TRUE(FilesUnder("out").empty());

    // Products start from the settings (INTERMAGNET on by default); a folder and IAGA seconds.
    QTimer::singleShot(0, &dialog, [&] {
        EXPECT_TRUE(dialog.IntermagnetCB()->isChecked());
        EXPECT_FALSE(dialog.IagaSecondsCB()->isChecked());
        dialog.SetPathChooser([](QWidget*, bool folder) {
            return folder ? QStringList{QStringLiteral("store")} : QStringList{};
        });
        dialog.AddFolderBtn()->click();
        dialog.SetOutputFolder("out");
        dialog.OKBtn()->click();
    });
    main.ConvertArchive1()->trigger();
    EXPECT_TRUE(main.Converter().Running());
    EXPECT_FALSE(main.ConvertArchive1()->isEnabled());
    EXPECT_TRUE(main.CancelConversion1()->isEnabled());
    ASSERT_TRUE(ProcessEventsUntil([&] { return !main.Converter().Running(); }, 30000));
    EXPECT_TRUE(main.ConvertArchive1()->isEnabled());
    ASSERT_EQ(Notes.InfoBoxes().size(), 1u) << Notes.ErrorBoxes().back();
    const std::string summary = Notes.InfoBoxes()[0];
    EXPECT_NE(summary.find("refused: store/20240105000000.orv:101: broken"), std::string::npos)
        << summary;
    EXPECT_NE(summary.find("lines read: 172800, lines refused: 2, files written: 2"),
              std::string::npos)
        << summary;
    EXPECT_EQ(FilesUnder("out/INTERMAGNET").size(), 2u);

    // Cancelled at once: the box says so and the files made so far stay. IAGA-2002 seconds
    // asked for with no IAGA-2002 header set are refused, which makes it an error box.
    QTimer::singleShot(0, &dialog, [&] {
        dialog.IagaSecondsCB()->setChecked(true);
        dialog.SetOutputFolder("again");
        dialog.OKBtn()->click();
    });
    main.ConvertArchive1()->trigger();
    main.CancelConversion1()->trigger();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !main.Converter().Running(); }, 30000));
    ASSERT_EQ(Notes.InfoBoxes().size(), 1u);
    ASSERT_EQ(Notes.ErrorBoxes().size(), 2u);
    EXPECT_EQ(Notes.ErrorBoxes()[1].rfind("The conversion was cancelled.", 0), 0u)
        << Notes.ErrorBoxes()[1];
    EXPECT_NE(Notes.ErrorBoxes()[1].find("No IAGA-2002 files in this run: Latitude"),
              std::string::npos)
        << Notes.ErrorBoxes()[1];
}

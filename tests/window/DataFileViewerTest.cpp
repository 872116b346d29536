// Viewing recorded files: the viewer with real files, real graphs and a progress bar in a small
// stand-in window, and the open-file and recent-file commands.

#include "GraphsFixture.h"
#include "RecordingNotifier.h"
#include "TempDir.h"

#include "acquisition/LogicalPacket.h"
#include "settings/RecentFiles.h"
#include "window/DataFileViewer.h"
#include "window/ViewerCommands.h"
#include "instrument/InstrumentLine.h"
#include "ui/Zoomler.h"

#include <QProgressBar>

#include <filesystem>
#include <optional>

namespace {

using TNames = std::vector<std::string>;

std::string Line(double seconds, double bx) {
    return FormatInstrumentLine(Stamp(seconds), {bx, bx + 1, bx + 2, bx + 3, bx + 4});
}

class ViewerTest : public ::testing::Test {
protected:
    ViewerTest() {
        auto* layout = new QVBoxLayout(&Window);
        Graphs = new TChannelGraphs;
        layout->addWidget(Graphs, 1);
        Progress = new QProgressBar;
        layout->addWidget(Progress);
        Graphs->CreateDefaultSeries();
        Window.resize(700, 600);
        Window.show();
        Viewer = new TDataFileViewer(*Graphs, Progress, &Window);
        Commands = new TViewerCommands(*Viewer, Recent, &Window);
        Commands->SetOpenFileDialog([this](const QString& folder) {
            DialogFolders.push_back(folder.toStdString());
            return QString::fromStdString(NextChoice);
        });
        QObject::connect(Viewer, &TDataFileViewer::FileShown,
                         [this](const std::string& name) { Shown.push_back(name); });
        QObject::connect(Progress, &QProgressBar::valueChanged,
                         [this](int value) { ProgressValues.push_back(value); });
    }

    std::string DataFile(const std::string& name, const TNames& lines) {
        std::string text;
        for (const std::string& line : lines)
            text += line + "\r\n";
        WriteWholeFile(Dir.File(name), text);
        return Dir.File(name);
    }

    bool WaitForLoad() {
        return ProcessEventsUntil([this] { return !Viewer->Loading(); }, 10000);
    }

    TViewOutcome View(const std::string& path) {
        std::optional<TViewOutcome> outcome;
        EXPECT_TRUE(Viewer->ViewDataFile(path, [&](TViewOutcome o) { outcome = o; }));
        EXPECT_TRUE(WaitForLoad());
        EXPECT_TRUE(outcome.has_value());
        return outcome.value_or(TViewOutcome::Failed);
    }

    void Open(const std::string& path) {
        NextChoice = path;
        Commands->OpenFileCommand();
        WaitForLoad();
    }

    std::array<int, 5> Counts() const {
        std::array<int, 5> counts{};
        for (int g = 0; g < 5; ++g)
            counts[static_cast<std::size_t>(g)] = Graphs->PointCount(g, g);
        return counts;
    }

    QApplication& Application = TestApplication();
    TRecordingNotifier Notes;
    TTempDir Dir;
    QWidget Window;
    TChannelGraphs* Graphs = nullptr;
    QProgressBar* Progress = nullptr;
    TDataFileViewer* Viewer = nullptr;
    TViewerCommands* Commands = nullptr;
    TRecentFiles Recent;
    std::string NextChoice;
    TNames DialogFolders;
    TNames Shown;
    std::vector<int> ProgressValues;
};

const std::array<int, 5> FourEach{4, 4, 4, 4, 4};

}  // namespace

TEST_F(ViewerTest, AFileFillsEveryGraphInTimeOrderAndSetsTheZoomRanges) {
    Graphs->SetGraphChecked(3, false);
    const std::string path =
        DataFile("day.orv", {Line(0, 100), Line(2, 120), Line(1, 110), Line(3, 130)});

    EXPECT_EQ(View(path), TViewOutcome::Viewed);
    EXPECT_TRUE(Notes.ErrorBoxes().empty());
    EXPECT_EQ(Shown, TNames{path});
    EXPECT_TRUE(Graphs->ViewMode());
    EXPECT_EQ(Viewer->ViewedFileName(), path);
    EXPECT_EQ(Counts(), FourEach);  // the hidden graph 3 too
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(Graphs->PointTime(0, 0, i), Stamp(i), 1e-9);
        EXPECT_DOUBLE_EQ(Graphs->PointValue(0, 0, i), 100 + 10 * i);
    }
    EXPECT_NEAR(Graphs->DataZoomler()->Min(), Stamp(0), 1e-9);
    EXPECT_NEAR(Graphs->DataZoomler()->Finish(), Stamp(3), 1e-9);
    EXPECT_DOUBLE_EQ(Graphs->Zoomler(0)->Min(), 100);
    EXPECT_DOUBLE_EQ(Graphs->Zoomler(3)->Max(), 133);
    ASSERT_FALSE(ProgressValues.empty());
    EXPECT_EQ(*std::max_element(ProgressValues.begin(), ProgressValues.end()), 100);
    EXPECT_EQ(Progress->value(), 0);
    Graphs->ReplotNow();
    EXPECT_TRUE(Graphs->Chart(0)->yAxis->tickLabels());

    // An empty file: no points, the caption names it, the zoom controls keep their ranges, and
    // the charts label nothing (not the previous file's axes).
    EXPECT_EQ(View(DataFile("empty.orv", {})), TViewOutcome::Viewed);
    Graphs->ReplotNow();
    EXPECT_FALSE(Graphs->Chart(0)->yAxis->tickLabels());
    EXPECT_FALSE(Graphs->Chart(0)->xAxis->tickLabels());
    EXPECT_EQ(Counts(), (std::array<int, 5>{}));
    EXPECT_EQ(Shown.back(), Dir.File("empty.orv"));
    EXPECT_DOUBLE_EQ(Graphs->Zoomler(0)->Max(), 130);
    EXPECT_NEAR(Graphs->DataZoomler()->Max(), Stamp(3), 1e-9);
}

TEST_F(ViewerTest, TheFirstBadLineIsReportedAndTheRestSummedUp) {
    const std::string second = "2024 01 05 12 00 0x  21345.67  -1234.50  45678.90  21.5  20.2";
    const std::string path = DataFile(
        "bad.orv", {Line(0, 1), second, Line(1, 2), "garbage", Line(2, 3), "", Line(3, 4)});

    EXPECT_EQ(View(path), TViewOutcome::Viewed);
    EXPECT_EQ(Notes.ErrorBoxes(),
              (TNames{BadLineMessage(second), "Error detected in line: 1",
                      "2 more lines could not be read and were skipped."}));
    EXPECT_EQ(Counts(), FourEach);
    EXPECT_EQ(Shown, TNames{path});
}

TEST_F(ViewerTest, OpenFileViewsTheChoiceAndListsOnlyFilesThatWereShown) {
    const std::string day = DataFile("day.orv", {Line(0, 1), Line(1, 2), Line(2, 3), Line(3, 4)});
    Open("");  // Cancel
    EXPECT_FALSE(Viewer->Loading());
    EXPECT_TRUE(Shown.empty());

    Open(day);
    EXPECT_EQ(Recent.Names(), TNames{day});
    EXPECT_EQ(DialogFolders, (TNames{"", ""}));  // a cancelled choice sets no folder
    ASSERT_EQ(Counts(), FourEach);

    // Not a text file: one box, the graphs and the caption stay, nothing is listed.
    std::string binary = Line(9, 9) + "\r\n";
    binary[30] = '\0';
    WriteWholeFile(Dir.File("image.orv"), binary);
    Open(Dir.File("image.orv"));
    EXPECT_EQ(DialogFolders.back(), Dir.Path().string());
    ASSERT_EQ(Notes.ErrorBoxes().size(), 1u);
    EXPECT_NE(Notes.ErrorBoxes()[0].find("is not a data file"), std::string::npos);

    // A file that cannot be opened: the system's reason, the rest as above.
    Open(Dir.File("gone.orv"));
    ASSERT_EQ(Notes.ErrorBoxes().size(), 2u);
    EXPECT_NE(Notes.ErrorBoxes()[1].find("No such file or directory"), std::string::npos);

    EXPECT_EQ(Counts(), FourEach);
    EXPECT_EQ(Shown, TNames{day});
    EXPECT_EQ(Recent.Names(), TNames{day});
}

TEST_F(ViewerTest, ARecentFileMovesToTheTopOrLeavesTheListWhenGone) {
    const std::string a = DataFile("a.orv", {Line(0, 1)});
    const std::string b = DataFile("b.orv", {Line(0, 1)});
    const std::string c = DataFile("c.orv", {Line(0, 1), Line(1, 2)});
    Recent.Add(c);
    Recent.Add(b);
    Recent.Add(a);

    Commands->RecentFileChosen(c);
    WaitForLoad();
    EXPECT_EQ(Recent.Names(), (TNames{c, a, b}));
    EXPECT_EQ(Shown, TNames{c});
    EXPECT_EQ(Graphs->PointCount(0, 0), 2);

    std::filesystem::remove(b);
    Commands->RecentFileChosen(b);
    EXPECT_FALSE(Viewer->Loading());
    EXPECT_EQ(Notes.ErrorBoxes(), TNames{"File \r\n" + b + "\r\n not found :-( !"});
    EXPECT_EQ(Recent.Names(), (TNames{c, a}));
}

TEST_F(ViewerTest, OneLoadAtATimeAndAnAbandonedLoadChangesNothing) {
    const std::string day = DataFile("day.orv", {Line(0, 1), Line(1, 2), Line(2, 3), Line(3, 4)});
    const std::string other = DataFile("other.orv", {Line(0, 5)});
    ASSERT_EQ(View(day), TViewOutcome::Viewed);
    Recent.Add(other);

    // Acquisition started while the file was read: the points are dropped. While it runs, no
    // file is taken.
    std::vector<TViewOutcome> outcomes;
    auto record = [&](TViewOutcome outcome) { outcomes.push_back(outcome); };
    ASSERT_TRUE(Viewer->ViewDataFile(other, record));
    EXPECT_FALSE(Viewer->ViewDataFile(day, record));
    Graphs->SetAcquiring(true);
    WaitForLoad();
    EXPECT_FALSE(Viewer->ViewDataFile(other, record));
    Graphs->SetAcquiring(false);

    // The window closes while the file is read (its end not yet handled): the load ends there.
    Commands->RecentFileChosen(other);
    ASSERT_TRUE(Viewer->Loading());
    Window.close();
    EXPECT_FALSE(Viewer->Loading());
    ASSERT_TRUE(Viewer->ViewDataFile(other, record));
    Viewer->CancelLoad();
    QCoreApplication::processEvents();

    EXPECT_EQ(outcomes, (std::vector<TViewOutcome>{TViewOutcome::Cancelled,
                                                    TViewOutcome::Cancelled}));
    EXPECT_EQ(Counts(), FourEach);
    EXPECT_EQ(Shown, TNames{day});
    EXPECT_EQ(Recent.Names(), TNames{other});
    EXPECT_EQ(Progress->value(), 0);
    EXPECT_TRUE(Notes.ErrorBoxes().empty());
}

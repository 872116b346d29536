// The window-placement storage on real top-level widgets and a real settings file.

#include "RecordingNotifier.h"
#include "TempDir.h"
#include "TestApplication.h"
#include "acquisition/ProfileFile.h"
#include "ui/FormStorage.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <filesystem>
#include <memory>

namespace {

constexpr const char* Section = "TTestForm";

int ScreenPixelsPerInch() {
    return int(std::lround(QGuiApplication::primaryScreen()->logicalDotsPerInch()));
}

// A top-level window with a check box and a panel, as the main window stores them.
struct TTestWindow {
    explicit TTestWindow(const std::string& fileName) {
        TestApplication();
        Window = std::make_unique<QWidget>();
        Window->setGeometry(100, 120, 300, 200);
        CheckBox0 = new QCheckBox(QStringLiteral("Bx"), Window.get());
        CheckBox0->setObjectName(QStringLiteral("CheckBox0"));
        CheckBox0->setChecked(true);
        Panel0 = new QWidget(Window.get());
        Panel0->setObjectName(QStringLiteral("Panel0"));
        Panel0->setGeometry(0, 40, 300, 50);
        Storage = std::make_unique<TFormStorage>(Window.get(), fileName, Section);
        Storage->AddStoredProperty("CheckBox0", "Checked");
        Storage->AddStoredProperty("Panel0", "Height");
        Storage->SetRestoreHandler([this](TProfileFile& file) {
            ++Restores;
            // The handler runs last: placement and properties are already in place.
            GeometryAtHandler = Window->geometry();
            CheckedAtHandler = CheckBox0->isChecked();
            Private = file.ReadInteger("Private", "Value", -1);
        });
        Storage->SetSaveHandler([this](TProfileFile& file) {
            ++Saves;
            file.WriteInteger("Private", "Value", Private);
        });
    }
    ~TTestWindow() {
        Storage.reset();
        Window.reset();
    }

    std::unique_ptr<QWidget> Window;
    QCheckBox* CheckBox0 = nullptr;
    QWidget* Panel0 = nullptr;
    std::unique_ptr<TFormStorage> Storage;
    int Restores = 0;
    int Saves = 0;
    int Private = 0;
    QRect GeometryAtHandler;
    bool CheckedAtHandler = false;
};

class FormStorageTest : public ::testing::Test {
protected:
    void SetUp() override { TestApplication(); }

    TTempDir Dir;
    TRecordingNotifier Notifier;
    std::string FileName = Dir.File("station.ini");

    void WriteFile(const std::string& text) { WriteWholeFile(FileName, text); }
    std::string Read(const char* key) const {
        return TProfileFile(FileName).ReadString(Section, key, "<missing>");
    }
};

TEST_F(FormStorageTest, AWindowNeverShownWritesNothing) {
    {
        TTestWindow window(FileName);
        window.Window->hide();
        window.Window->close();
    }
    EXPECT_FALSE(std::filesystem::exists(FileName));
}

TEST_F(FormStorageTest, SavesAtCloseAndRestoresAtEachShowing) {
    WriteFile("[Other]\nKeep=me\n[TTestForm]\n; a comment\nUnrelated=1\n");
    TTestWindow window(FileName);
    window.Window->show();
    EXPECT_EQ(window.Restores, 1);
    EXPECT_EQ(window.Private, -1);
    window.Window->setGeometry(150, 160, 320, 210);
    window.CheckBox0->setChecked(false);
    window.Panel0->resize(300, 77);
    window.Private = 42;
    EXPECT_TRUE(window.Window->close());
    EXPECT_EQ(window.Saves, 1);

    EXPECT_EQ(Read("FormVersion"), "0");
    EXPECT_EQ(Read("Flags"), "0");
    EXPECT_EQ(Read("ShowCmd"), "1");
    EXPECT_EQ(Read("PixelsPerInch"), std::to_string(ScreenPixelsPerInch()));
    EXPECT_EQ(Read("MinMaxPos"), "-1,-1,-1,-1");
    EXPECT_EQ(Read("NormPos"), "150,160,470,370");
    EXPECT_EQ(Read("Visible"), "0");
    EXPECT_EQ(Read("CheckBox0_Checked"), "False");
    EXPECT_EQ(Read("Panel0_Height"), "77");
    EXPECT_EQ(Read("Unrelated"), "1");
    EXPECT_EQ(TProfileFile(FileName).ReadString("Other", "Keep", ""), "me");
    EXPECT_NE(ReadWholeFile(FileName).find("; a comment"), std::string::npos);

    // Changes made to the window and to the file while it is hidden: the next showing reads
    // the file again.
    window.Window->setGeometry(0, 0, 100, 100);
    window.CheckBox0->setChecked(true);
    window.Panel0->resize(300, 10);
    {
        TProfileFile file(FileName);
        file.WriteString(Section, "NormPos", "60,70,460,370");
        file.WriteString(Section, "Panel0_Height", "88");
    }
    window.Window->show();
    EXPECT_EQ(window.Restores, 2);
    EXPECT_EQ(window.Window->geometry(), QRect(60, 70, 400, 300));
    EXPECT_EQ(window.GeometryAtHandler, QRect(60, 70, 400, 300));
    EXPECT_FALSE(window.CheckBox0->isChecked());
    EXPECT_FALSE(window.CheckedAtHandler);
    EXPECT_EQ(window.Panel0->height(), 88);
    EXPECT_EQ(window.Private, 42);
}

TEST_F(FormStorageTest, DestructionSavesOnlyWhatWasNotSavedYet) {
    {
        TTestWindow window(FileName);
        window.Window->show();
        window.Window->close();
        window.Window->show();
        window.Window->setGeometry(30, 40, 300, 200);
        window.Private = 7;
        window.Storage.reset();  // destroyed while shown: saves
        EXPECT_EQ(window.Saves, 2);
    }
    EXPECT_EQ(TProfileFile(FileName).ReadInteger("Private", "Value", 0), 7);
    EXPECT_EQ(Read("NormPos"), "30,40,330,240");

    TTestWindow closedFirst(FileName);
    closedFirst.Window->show();
    closedFirst.Window->close();
    closedFirst.Storage.reset();
    EXPECT_EQ(closedFirst.Saves, 1);
}

TEST_F(FormStorageTest, PlacementIsRestoredOnlyFromTheSameResolutionAndAVersionOfAtLeastZero) {
    const std::string dpi = std::to_string(ScreenPixelsPerInch());
    WriteFile("[TTestForm]\nPixelsPerInch=" + std::to_string(ScreenPixelsPerInch() + 24) +
              "\nNormPos=10,20,210,220\nCheckBox0_Checked=False\n");
    {
        TTestWindow window(FileName);
        window.Window->show();
        EXPECT_EQ(window.Window->geometry(), QRect(100, 120, 300, 200));
        EXPECT_FALSE(window.CheckBox0->isChecked()) << "properties do not depend on the screen";
    }
    WriteFile("[TTestForm]\nFormVersion=-1\nPixelsPerInch=" + dpi +
              "\nNormPos=10,20,210,220\nCheckBox0_Checked=False\n");
    {
        TTestWindow window(FileName);
        window.Window->show();
        EXPECT_EQ(window.Window->geometry(), QRect(100, 120, 300, 200));
        EXPECT_TRUE(window.CheckBox0->isChecked());
        EXPECT_EQ(window.Restores, 1) << "the window's own keys are still read";
    }
    WriteFile("[TTestForm]\nPixelsPerInch=" + dpi + "\nNormPos= 10, 20 ,210,220\n");
    TTestWindow window(FileName);
    window.Window->setFixedSize(300, 200);
    window.Window->show();
    EXPECT_EQ(window.Window->geometry(), QRect(10, 20, 300, 200)) << "fixed size: position only";
}

TEST_F(FormStorageTest, MaximisedStateRoundTripsWithItsNormalGeometry) {
    {
        TTestWindow window(FileName);
        window.Window->show();
        window.Window->setGeometry(50, 60, 200, 150);
        window.Window->showMaximized();
        window.Window->close();
    }
    EXPECT_EQ(Read("ShowCmd"), "3");
    EXPECT_EQ(Read("NormPos"), "50,60,250,210");

    TTestWindow window(FileName);
    window.Window->show();
    EXPECT_TRUE(window.Window->isMaximized());
    window.Window->showNormal();
    EXPECT_EQ(window.Window->geometry(), QRect(50, 60, 200, 150));
}

TEST_F(FormStorageTest, AWindowStoredOffEveryScreenComesBack) {
    WriteFile("[TTestForm]\nNormPos=9000,-5000,9300,-4800\n");
    TTestWindow window(FileName);
    window.Window->show();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(window.Window->size(), QSize(300, 200));
    EXPECT_TRUE(area.contains(window.Window->geometry())) << area.width() << "x" << area.height();
}

TEST(KeptOnScreens, MovesAWindowBackOnlyWhenItsTopCannotBeGrabbed) {
    const std::vector<QRect> screens{QRect(0, 0, 1000, 800), QRect(1000, 0, 800, 600)};
    // Partly off the edge, or on the second screen: left alone.
    EXPECT_EQ(KeptOnScreens(QRect(900, 100, 300, 200), screens), QRect(900, 100, 300, 200));
    EXPECT_EQ(KeptOnScreens(QRect(1700, 500, 300, 200), screens), QRect(1700, 500, 300, 200));
    EXPECT_EQ(KeptOnScreens(QRect(-268, 10, 300, 200), screens), QRect(-268, 10, 300, 200));
    // Title bar above the top, or too little of it showing: moved inside the first screen.
    EXPECT_EQ(KeptOnScreens(QRect(100, -10, 300, 200), screens), QRect(100, 0, 300, 200));
    EXPECT_EQ(KeptOnScreens(QRect(-280, 10, 300, 200), screens), QRect(0, 10, 300, 200));
    EXPECT_EQ(KeptOnScreens(QRect(1900, 700, 300, 200), screens), QRect(700, 600, 300, 200));
    // Larger than the screen: its top left corner goes to the screen's.
    EXPECT_EQ(KeptOnScreens(QRect(5000, 5000, 1200, 900), screens), QRect(0, 0, 1200, 900));
}

TEST(RectText, ReadsFourIntegersAndNothingElse) {
    int values[4] = {};
    EXPECT_EQ(FormatRectText(-1, 2, 30, 400), "-1,2,30,400");
    ASSERT_TRUE(ParseRectText(" -1, 2 ,30,400", values));
    EXPECT_EQ(values[0], -1);
    EXPECT_EQ(values[3], 400);
    for (const char* bad : {"", "1,2,3", "1,2,3,4,5", "1,2,x,4", "1,,3,4", "1;2;3;4"})
        EXPECT_FALSE(ParseRectText(bad, values)) << bad;
}

TEST_F(FormStorageTest, ErrorsOfAPassAreReportedAndAFailedRestoreSavesNothing) {
    WriteFile("[TTestForm]\nNormPos=10,20,210,220\n");
    const std::string before = ReadWholeFile(FileName);
    {
        TTestWindow window(FileName);
        window.Storage->SetRestoreHandler(
            [](TProfileFile&) { throw std::runtime_error("'x' is not a valid floating point value"); });
        window.Window->show();
        EXPECT_EQ(Notifier.ErrorBoxes(),
                  std::vector<std::string>{"'x' is not a valid floating point value"});
        window.Window->close();
    }
    EXPECT_EQ(ReadWholeFile(FileName), before);

    // A settings file that cannot be written: one error box at the close, none at destruction.
    const std::string unwritable = Dir.File("plain-file") + "/station.ini";
    WriteWholeFile(Dir.File("plain-file"), "");
    {
        TTestWindow window(unwritable);
        window.Window->show();
        window.Window->close();
        EXPECT_EQ(Notifier.ErrorBoxes().size(), 2u);
    }
    EXPECT_EQ(Notifier.ErrorBoxes().size(), 2u);
}

TEST_F(FormStorageTest, PropertiesWithOwnAccessorsAndMissingComponents) {
    WriteFile("[TTestForm]\nSplit_Height=123\nGhost_Checked=True\nCaption=Hello\n");
    TTestWindow window(FileName);
    int height = 5;
    QString caption = "old";
    window.Storage->AddStoredProperty("Split_Height", [&] { return QVariant(height); },
                                      [&](const QVariant& v) { height = v.toInt(); });
    window.Storage->AddStoredProperty("Caption", [&] { return QVariant(caption); },
                                      [&](const QVariant& v) { caption = v.toString(); });
    window.Storage->AddStoredProperty("Ghost", "Checked");
    window.Window->show();
    EXPECT_EQ(height, 123);
    EXPECT_EQ(caption, "Hello");
    height = 321;
    window.Window->close();
    EXPECT_EQ(Read("Split_Height"), "321");
    EXPECT_EQ(Read("Ghost_Checked"), "True") << "a missing component's key is left alone";
    EXPECT_TRUE(Notifier.ErrorBoxes().empty());
}

}  // namespace

// The main window's commands for the other windows: the options dialog, the INTERMAGNET
// parameters dialog, the monitor windows, and the general error report of a failing command.

#include "MainFormFixture.h"

#include "acquisition/ProfileFile.h"
#include "window/CoefficientGrid.h"
#include "window/IntermagnetForm.h"
#include "ui/GeneralOptionsForm.h"
#include "ui/IntermagnetTextForm.h"
#include "ui/SerialDeviceCombo.h"
#include "ui/SpinEdit.h"
#include "ui/TextForm.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

namespace {

// Acts on the modal dialog once it runs, then presses its button.
void WhileModal(QDialog& dialog, std::function<void()> act, QPushButton* (*button)(QDialog&)) {
    QTimer::singleShot(0, &dialog, [&dialog, act = std::move(act), button] {
        act();
        button(dialog)->click();
    });
}

QPushButton* OptionsOk(QDialog& dialog) { return static_cast<TGeneralOptionsForm&>(dialog).OKBtn(); }
QPushButton* OptionsCancel(QDialog& dialog) {
    return static_cast<TGeneralOptionsForm&>(dialog).CancelBtn();
}
QPushButton* ParametersOk(QDialog& dialog) { return static_cast<TIntermagnetForm&>(dialog).OKBtn(); }

}  // namespace

TEST_F(MainFormTest, OptionsOkTakesTheValuesAndStoresAChangedDeviceAtOnceCancelNothing) {
    TOstrelMainForm& main = Make();
    Show();
    TGeneralOptionsForm& options = Windows->Options();
    options.SetDeviceLister([] { return std::vector<TSerialDeviceInfo>{{"/dev/ttyUSB0", ""}}; });

    const auto changeAll = [&options] {
        options.COMPortCombo()->setCurrentIndex(2);
        options.DeviceCombo()->lineEdit()->selectAll();
        options.DeviceCombo()->lineEdit()->insert(QStringLiteral("/dev/ttyACM3"));
        options.MaxNSpin()->setValue(0);
        options.IntermagnetCB()->setChecked(false);
    };
    WhileModal(options, changeAll, OptionsCancel);
    main.Options1()->trigger();
    EXPECT_EQ(main.MaxPointsOnScreen(), 100);
    EXPECT_EQ(main.PortSettings().COMPort, 0);
    EXPECT_TRUE(main.AutoCreateIntermagnet());
    EXPECT_TRUE(main.SerialDevices().empty());

    WhileModal(options, changeAll, OptionsOk);
    main.Options1()->trigger();
    EXPECT_EQ(main.MaxPointsOnScreen(), 0);
    EXPECT_EQ(main.Graphs()->MaxPointsOnScreen(), 0);
    EXPECT_EQ(main.PortSettings().COMPort, 2);
    EXPECT_FALSE(main.AutoCreateIntermagnet());
    EXPECT_EQ(main.SerialDevices(), (TSerialDeviceMap{{3, "/dev/ttyACM3"}}));
    // Stored before the window closes, and used for this run at once.
    EXPECT_EQ(TProfileFile(SettingsFile).ReadString("SerialDevices", "COM3", ""), "/dev/ttyACM3");
    SetSerialOverride("");
    EXPECT_EQ(ResolveSerialDevice("COM3"), "/dev/ttyACM3");
    EXPECT_TRUE(Notes.ErrorBoxes().empty());
}

TEST_F(MainFormTest, ParametersOkTakesTheHeaderIntervalAndCoefficients) {
    TOstrelMainForm& main = Make();
    Show();
    TIntermagnetForm& form = Windows->Intermagnet();
    WhileModal(
        form,
        [&form] {
            // The defaults are the field names, which OK refuses.
            form.IDC()->setText(QStringLiteral("BOU"));
            form.COMP()->lineEdit()->setText(QStringLiteral("XYZF"));
            form.GIN()->setText(QStringLiteral("EDI"));
            form.COLA()->setText(QStringLiteral("0500"));
            form.LONG()->setText(QStringLiteral("0254"));
            form.DECBAS()->setText(QStringLiteral("0"));
            form.MinuteOR5seconds()->setCurrentIndex(TIntermagnetForm::FiveSecondsItem);
            form.AddCoefBtnClick();
            form.CGrid()->SetCell(1, 0, QStringLiteral("0.25"));
            form.AddCoefBtnClick();
            form.CGrid()->SetCell(1, 1, QStringLiteral("0.75"));
        },
        ParametersOk);
    main.Parameters1()->trigger();
    EXPECT_EQ(main.IntermagnetHeader().IDC, "BOU");
    EXPECT_EQ(main.IntermagnetHeader().COMP, "XYZF");
    EXPECT_EQ(main.MinuteOr5Seconds(), 1);
    EXPECT_EQ(FilterCoefficientTexts, (std::vector<std::string>{"0.25", "0.75"}));
    EXPECT_EQ(FilterCoefficients, (std::vector<double>{0.25, 0.75}));

    // The next run writes five-second records under the new station code.
    main.close();
    const TProfileFile file(SettingsFile);
    EXPECT_EQ(file.ReadString("Intermagnet", "IDC", ""), "BOU");
    EXPECT_EQ(file.ReadString("Intermagnet", "minuteor5seconds", ""), "1");
    EXPECT_EQ(file.ReadString("Filter", "C1", ""), "0.75");
}

TEST_F(MainFormTest, ShowItemsShowTheMonitorWindowsOrBringThemToTheFront) {
    TOstrelMainForm& main = Make();
    Show();
    TTextForm& text = Windows->Text();
    main.Showtextdata1()->trigger();
    EXPECT_TRUE(text.isVisible());
    text.AppendLine("first line");
    // Shown already: raised, not emptied.
    main.Showtextdata1()->trigger();
    EXPECT_EQ(text.LineCount(), 1);

    main.Showdata1()->trigger();
    EXPECT_TRUE(Windows->IntermagnetText().isVisible());
    EXPECT_EQ(Windows->IntermagnetText().windowTitle(), "INTERMAGNET");
}

TEST_F(MainFormTest, ErrorEscapingACommandIsShownWithItsTextAndTheProgramGoesOn) {
    // The settings file cannot be written: its folder is a file.
    WriteWholeFile(Dir.File("blocker"), "");
    SettingsFile = Dir.File("blocker/station.ini");
    TOstrelMainForm& main = Make();
    Show();
    TGeneralOptionsForm& options = Windows->Options();
    options.SetDeviceLister([] { return std::vector<TSerialDeviceInfo>{}; });
    WhileModal(
        options,
        [&options] {
            options.DeviceCombo()->lineEdit()->selectAll();
            options.DeviceCombo()->lineEdit()->insert(QStringLiteral("/dev/ttyACM0"));
        },
        OptionsOk);
    main.Options1()->trigger();
    // The dialog's placement at its closing, then the device.
    ASSERT_EQ(Notes.ErrorBoxes().size(), 2u);
    for (const std::string& box : Notes.ErrorBoxes())
        EXPECT_EQ(box, "Cannot write settings file " + SettingsFile + ": Not a directory");

    main.RunCommand([] { throw std::runtime_error("Something failed"); });
    EXPECT_EQ(Notes.ErrorBoxes().back(), "Something failed");
    EXPECT_TRUE(main.StartAcquisitionMenu()->isEnabled());
}

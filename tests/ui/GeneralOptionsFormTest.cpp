// The options dialog: filling, reading back only on OK, the port's device and the spin rules.

#include "RecordingNotifier.h"
#include "TempDir.h"
#include "TestApplication.h"
#include "acquisition/ProfileFile.h"
#include "ui/GeneralOptionsForm.h"
#include "ui/SerialDeviceChoice.h"
#include "ui/SpinEdit.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

// The spin box's own edit field, where the user types.
QLineEdit& EditOf(TSpinEdit& spin) { return *spin.findChild<QLineEdit*>(); }

void LeaveField(QWidget& field) {
    QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(&field, &focusOut);
}

bool operator==(const TGeneralOptions& a, const TGeneralOptions& b) {
    return a.MaxPointsOnScreen == b.MaxPointsOnScreen && a.COMPort == b.COMPort &&
           a.AutoCreateIntermagnet == b.AutoCreateIntermagnet && a.SerialDevices == b.SerialDevices;
}

class GeneralOptionsFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApplication();
        Form = std::make_unique<TGeneralOptionsForm>(FileName);
        Form->SetDeviceLister([] {
            return std::vector<TSerialDeviceInfo>{{"/dev/ttyUSB0", "USB-Serial Controller"},
                                                  {"/dev/ttyS0", ""}};
        });
    }

    // Runs the dialog; `user` acts on it once it is up, then presses the button.
    bool RunDialog(TGeneralOptions& options, const std::function<void()>& user, bool ok) {
        QTimer::singleShot(0, Form.get(), [&, ok] {
            user();
            (ok ? Form->OKBtn() : Form->CancelBtn())->click();
        });
        return Form->Execute(options);
    }

    void TypeDevice(const QString& path) {
        Form->DeviceCombo()->lineEdit()->selectAll();
        Form->DeviceCombo()->lineEdit()->insert(path);
    }
    void TypeMaxN(const QString& text) {
        EditOf(*Form->MaxNSpin()).selectAll();
        EditOf(*Form->MaxNSpin()).insert(text);
    }

    TTempDir Dir;
    TRecordingNotifier Notifier;
    std::string FileName = Dir.File("station.ini");
    std::unique_ptr<TGeneralOptionsForm> Form;
    const TGeneralOptions Start{250, 1, false, {{1, "/dev/ttyUSB0"}, {7, "/dev/ttyACM7"}}, {}};
};

TEST_F(GeneralOptionsFormTest, OkTakesEveryValueBackAndCancelNone) {
    const auto changeEverything = [this] {
        Form->COMPortCombo()->setCurrentIndex(2);
        TypeDevice("/dev/ttyACM0");
        TypeMaxN("0");
        Form->IntermagnetCB()->setChecked(true);
    };
    TGeneralOptions options = Start;
    EXPECT_FALSE(RunDialog(options, changeEverything, false));
    EXPECT_TRUE(options == Start);

    EXPECT_TRUE(RunDialog(options, changeEverything, true));
    EXPECT_EQ(options.MaxPointsOnScreen, 0);
    EXPECT_EQ(options.COMPort, 2);
    EXPECT_TRUE(options.AutoCreateIntermagnet);
    EXPECT_EQ(options.SerialDevices,
              (TSerialDeviceMap{{1, "/dev/ttyUSB0"}, {3, "/dev/ttyACM0"}, {7, "/dev/ttyACM7"}}));
    EXPECT_EQ(SerialDeviceChanges(Start.SerialDevices, options.SerialDevices),
              (std::vector<std::pair<int, std::string>>{{3, "/dev/ttyACM0"}}));

    // Only the dialog's position is stored, in its own section.
    TProfileFile file(FileName);
    EXPECT_TRUE(file.ValueExists("TGeneralOptionsForm", "NormPos"));
    EXPECT_EQ(file.ReadSection("TGeneralOptionsForm").size(), 7u);
}

TEST_F(GeneralOptionsFormTest, ShowsAndEditsTheDeviceOfTheChosenPort) {
    Form->Fill(Start);
    EXPECT_EQ(Form->COMPortCombo()->currentIndex(), 1);
    EXPECT_EQ(Form->DeviceCombo()->Device(), "/dev/ttyS1") << "COM2 without an entry";
    EXPECT_EQ(Form->DeviceCombo()->count(), 2);
    EXPECT_EQ(Form->DeviceCombo()->DescriptionOf("/dev/ttyUSB0"), "USB-Serial Controller");

    Form->COMPortCombo()->setCurrentIndex(0);
    EXPECT_EQ(Form->DeviceCombo()->Device(), "/dev/ttyUSB0");
    TypeDevice("  /dev/ttyS0 ");  // the default device: the entry goes
    Form->COMPortCombo()->setCurrentIndex(3);
    TypeDevice("/dev/pts/4");
    Form->COMPortCombo()->setCurrentIndex(1);
    TypeDevice("");
    EXPECT_EQ(Form->Values().SerialDevices,
              (TSerialDeviceMap{{4, "/dev/pts/4"}, {7, "/dev/ttyACM7"}}));
    EXPECT_EQ(SerialDeviceChanges(Start.SerialDevices, Form->Values().SerialDevices),
              (std::vector<std::pair<int, std::string>>{{1, ""}, {4, "/dev/pts/4"}}));
}

TEST_F(GeneralOptionsFormTest, APortOutsideTheListIsKeptUnlessOneIsPicked) {
    TGeneralOptions options = Start;
    options.COMPort = 6;
    Form->Fill(options);
    EXPECT_EQ(Form->COMPortCombo()->currentIndex(), -1);
    EXPECT_EQ(Form->DeviceCombo()->Device(), "/dev/ttyACM7") << "COM7's own entry";
    EXPECT_EQ(Form->Values().COMPort, 6);
    Form->COMPortCombo()->setCurrentIndex(3);
    EXPECT_EQ(Form->Values().COMPort, 3);

    options.COMPort = -1;
    Form->Fill(options);
    EXPECT_EQ(Form->Values().COMPort, -1);
    EXPECT_FALSE(Form->DeviceCombo()->isEnabled());
    EXPECT_EQ(Form->Values().SerialDevices, Start.SerialDevices);
}

TEST_F(GeneralOptionsFormTest, PointLimitClampsOnLeavingAndReadsNonNumbersAsZero) {
    Form->Fill(Start);
    TSpinEdit& spin = *Form->MaxNSpin();
    TypeMaxN("99999");
    EXPECT_EQ(EditOf(spin).text(), "99999") << "typing is not cut short";
    EXPECT_EQ(Form->Values().MaxPointsOnScreen, 86400);
    LeaveField(spin);
    EXPECT_EQ(EditOf(spin).text(), "86400");
    EXPECT_EQ(spin.value(), 86400);

    TypeMaxN("12a");
    EXPECT_EQ(EditOf(spin).text(), "86400") << "letters are refused";
    for (const char* notANumber : {"", "-", "+"}) {
        EditOf(spin).setText(notANumber);
        EXPECT_EQ(Form->Values().MaxPointsOnScreen, 0) << notANumber;
    }
    TypeMaxN("-5");
    LeaveField(spin);
    EXPECT_EQ(spin.value(), 0);
    TypeMaxN("77");
    EditOf(spin).clear();
    LeaveField(spin);
    EXPECT_EQ(EditOf(spin).text(), "0");
    TypeMaxN("99999999999");
    EXPECT_EQ(Form->Values().MaxPointsOnScreen, 86400);

    TGeneralOptions huge = Start;
    huge.MaxPointsOnScreen = 1000000;
    Form->Fill(huge);
    EXPECT_EQ(Form->Values().MaxPointsOnScreen, 86400);
}

}  // namespace

TEST_F(GeneralOptionsFormTest, RowsKeepTheStyleSpacingAndMarginsAtEveryFontSize) {
    const QFont previous = QApplication::font();
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    Form = std::make_unique<TGeneralOptionsForm>(FileName);
    Form->Fill(Start);
    Form->show();
    // Built at one size, then the font grows under it.
    for (const int points : {9, 16}) {
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), points));
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
        auto* body = Form->findChild<QWidget*>(QStringLiteral("Body"));
        ASSERT_NE(body, nullptr);
        const auto* grid = qobject_cast<const QGridLayout*>(body->layout());
        ASSERT_NE(grid, nullptr);
        const QMargins margins = grid->contentsMargins();
        EXPECT_GT(margins.left(), 0);
        EXPECT_GT(grid->verticalSpacing(), 0);
        const QRect inside = body->rect().marginsRemoved(margins);
        // The rows from top to bottom, each inside the margins, each its spacing below the last.
        const QWidget* rows[] = {Form->COMPortCombo(), Form->MaxNSpin(), Form->IntermagnetCB(),
                                 Form->OKBtn()};
        QRect above;
        for (const QWidget* row : rows) {
            const QRect at(row->mapTo(body, QPoint(0, 0)), row->size());
            EXPECT_TRUE(inside.contains(at)) << points << " pt: " << row->objectName().toStdString();
            EXPECT_GE(row->height(), row->minimumSizeHint().height()) << row->objectName().toStdString();
            if (!above.isNull()) {
                EXPECT_GE(at.top() - above.bottom() - 1, grid->verticalSpacing())
                    << points << " pt: " << row->objectName().toStdString();
            }
            above = at;
        }
        const QRect cancel(Form->CancelBtn()->mapTo(body, QPoint(0, 0)), Form->CancelBtn()->size());
        EXPECT_TRUE(inside.contains(cancel)) << points << " pt";
    }
    QApplication::setFont(previous);
}

// Writes docs/text-form.png, docs/intermagnet-text-form.png and docs/options-dialog.png: the two
// monitor windows with some lines and the options dialog, in the DejaVu fonts.
// Disabled in the suite; run it with
//   build/tests/test_ui --gtest_also_run_disabled_tests --gtest_filter='*FormsScreenshot*'

#include "TempDir.h"
#include "TestApplication.h"
#include "acquisition/NumberText.h"
#include "recording/IntermagnetDataFile.h"
#include "ui/GeneralOptionsForm.h"
#include "ui/IntermagnetTextForm.h"
#include "ui/TextForm.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QPixmap>

namespace {

std::string TwoDigits(int value) { return (value < 10 ? "0" : "") + std::to_string(value); }

// An instrument line as the station receives it.
std::string InstrumentLine(int second) {
    const double t = second;
    return "2024 01 05 12 " + TwoDigits(34 + second / 60) + " " + TwoDigits(second % 60) + " " +
           PadLeft(FormatFixed(21345.67 + 0.37 * t, 2), 9) + " " +
           PadLeft(FormatFixed(-1234.50 - 0.21 * t, 2), 9) + " " +
           PadLeft(FormatFixed(45678.90 + 0.05 * t, 2), 9) + " " + PadLeft(FormatFixed(21.5, 1), 5) +
           " " + PadLeft(FormatFixed(20.2, 1), 5);
}

void Save(QWidget& widget, const char* name) {
    const QString path = QStringLiteral(ORVANT_SOURCE_DIR "/docs/") + QLatin1String(name);
    ASSERT_TRUE(widget.grab().save(path)) << path.toStdString();
}

}  // namespace

TEST(DISABLED_FormsScreenshot, WritesTheDocsPictures) {
    QApplication& application = TestApplication();
    const QFont previousFont = QApplication::font();
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    TTempDir dir;
    const std::string settings = dir.File("station.ini");
    {
        TTextForm text(settings);
        text.show();
        for (int second = 0; second < 30; ++second) text.AppendLine(InstrumentLine(second));
        Save(text, "text-form.png");

        TIntermagnetTextForm intermagnet(settings);
        intermagnet.show();
        for (int minute = 0; minute < 30; ++minute)
            intermagnet.AppendLine(TIntermagnetDataFile::DataRecord(
                21345.67 + 0.8 * minute, -1234.5 - 0.4 * minute, 45678.9 + 0.1 * minute));
        Save(intermagnet, "intermagnet-text-form.png");

        TGeneralOptionsForm options(settings);
        options.SetDeviceLister(
            [] { return std::vector<TSerialDeviceInfo>{{"/dev/ttyUSB0", "USB-Serial Controller"}}; });
        options.Fill({100, 0, true, {{1, "/dev/ttyUSB0"}}, {}});
        options.show();
        application.processEvents();
        Save(options, "options-dialog.png");
    }
    QApplication::setFont(previousFont);
}

// Writes docs/intermagnet-dialog.png: the INTERMAGNET parameters dialog with the standard
// one-second filter loaded and both kinds of IAGA-2002 file on. Disabled in the suite; run it with
//   build/tests/test_window --gtest_also_run_disabled_tests --gtest_filter='*IntermagnetScreenshot*'

#include "DialogFixture.h"

#include "window/IagaGroup.h"
#include "window/IntermagnetParameters.h"

#include <QApplication>
#include <QFont>
#include <QImage>
#include <QPixmap>

namespace {

using DISABLED_IntermagnetScreenshot = TDialogTest;

TEST_F(DISABLED_IntermagnetScreenshot, WritesTheDocsPicture) {
    // The same font on every machine, so that the picture does not depend on where it was made.
    const QFont previous = QApplication::font();
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    TIntermagnetForm form;
    form.SetOpenFileChooser([](QWidget*, const std::string&) {
        return std::string(ORVANT_SOURCE_DIR) + "/filters/gaussian-1s-to-1min-91.filter";
    });
    FillIntermagnetForm(form, TIntermagnetHeader{"NGK", "XYZF", "EDI", "0377", "0126", "000000"},
                        0);
    form.LoadFilterBtnClick();
    TIagaSettings iaga;
    iaga.SecondFiles = iaga.MinuteFiles = true;
    iaga.Header.SourceOfData = "Example Institute";
    iaga.Header.StationName = "Example Station";
    iaga.Header.Latitude = "49.8";
    iaga.Header.Longitude = "24.5";
    iaga.Header.Elevation = "310";
    form.IagaGroup()->ShowSettings(iaga);
    form.resize(form.sizeHint().width() + 40, form.sizeHint().height());
    form.show();
    const QImage picture = form.grab().toImage();
    QApplication::setFont(previous);
    const QString path = QStringLiteral(ORVANT_SOURCE_DIR "/docs/intermagnet-dialog.png");
    ASSERT_TRUE(picture.save(path)) << path.toStdString();
}

}  // namespace

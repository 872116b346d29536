// The main window's command: the dialog filled from the window's state, shown, and its values
// applied after OK; and the controls' captions and length limits.
#include "DialogFixture.h"

#include "window/IagaGroup.h"
#include "window/ImagCdfGroup.h"
#include "window/IntermagnetParameters.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

using ::testing::ElementsAre;

namespace {

using TParametersTest = TDialogTest;

// Runs the dialog modally while `whileShown` acts on it from the event loop. Should the dialog
// refuse every close, a guard ends the run so the test fails instead of hanging.
bool EditWhile(TIntermagnetForm& form, TIntermagnetHeader& header, int& interval,
               std::function<void()> whileShown, TIagaSettings* iagaSettings = nullptr,
               TImagCdfSettings* imagCdfSettings = nullptr) {
    QTimer::singleShot(0, &form, whileShown);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &form, [&form] {
        ADD_FAILURE() << "the dialog did not close";
        form.hide();
    });
    guard.start(10000);
    TIagaSettings iaga;
    iaga.Header.SensorOrientation = "HDZ";  // the sensor of Valid's components
    TImagCdfSettings imagCdf;
    return EditIntermagnetParameters(form, header, interval, iagaSettings ? *iagaSettings : iaga,
                                     imagCdfSettings ? *imagCdfSettings : imagCdf);
}

void ReplaceText(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    TypeText(edit, text);
}

// A header every INTERMAGNET reader can take apart.
const TIntermagnetHeader Valid{"ABC", "HDZF", "GHI", "0402", "0245", "000000"};

TEST_F(TParametersTest, ControlsCarryTheirNamesCaptionsHintsAndLimits) {
    EXPECT_EQ(Form.windowTitle(), "INTERMAGNET parameters");
    const auto find = [this](const char* name) {
        QWidget* widget = Form.findChild<QWidget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    };
    EXPECT_EQ(find("CGrid"), Form.CGrid());
    EXPECT_EQ(Form.CGrid()->columnCount(), 2);
    const auto button = [&](const char* name) { return qobject_cast<QPushButton*>(find(name)); };
    EXPECT_EQ(button("AddCoefBtn")->text(), "+");
    EXPECT_EQ(button("AddCoefBtn")->toolTip(), "Add coefficient");
    EXPECT_EQ(button("DeleteCoefBtn")->text(), "-");
    EXPECT_EQ(button("DeleteCoefBtn")->toolTip(), "Delete last coefficient");
    EXPECT_EQ(button("LoadFilterBtn")->text(), "Load ...");
    EXPECT_EQ(button("SaveFilterBtn")->text(), "Save ...");
    EXPECT_EQ(button("OKBtn")->text(), "OK");
    EXPECT_EQ(button("CancelBtn")->text(), "Cancel");

    const auto combo = [&](const char* name) { return qobject_cast<QComboBox*>(find(name)); };
    EXPECT_TRUE(combo("MinuteOR5seconds")->isEditable());
    EXPECT_EQ(combo("MinuteOR5seconds")->itemText(1), "5 seconds");
    EXPECT_EQ(combo("COMP")->itemText(0), "HDZF");
    EXPECT_EQ(combo("COMP")->itemText(1), "XYZF");

    struct TField {
        const char* Name;
        int MaxLength;
        const char* Caption;
        const char* Description;
    };
    for (const TField& field : {TField{"IDC", 3, "&IDC", "IAGA observatory ID"},
                                TField{"COMP", 4, "&COMP", "Order of components: HDZF or XYZF "},
                                TField{"GIN", 3, "&GIN", "GIN resonsible for processing the station"},
                                TField{"COLA", 4, "CO&LA", "Colatitutde of the observatory"},
                                TField{"LONG", 4, "L&ONG", "East longitude of the observatory"},
                                TField{"DECBAS", 6, "&DECBAS", nullptr}}) {
        QWidget* widget = find(field.Name);
        QLineEdit* edit = qobject_cast<QLineEdit*>(widget);
        if (auto* asCombo = qobject_cast<QComboBox*>(widget)) edit = asCombo->lineEdit();
        ASSERT_NE(edit, nullptr) << field.Name;
        // Typed, not set: the limit is what the user meets.
        edit->clear();
        TypeText(edit, QStringLiteral("ABCDEFGH"));
        EXPECT_EQ(edit->text(), QStringLiteral("ABCDEFGH").left(field.MaxLength)) << field.Name;
        const QString name = QString::fromLatin1(field.Name);
        auto* caption = Form.findChild<QLabel*>(name + "Label");
        ASSERT_NE(caption, nullptr) << field.Name;
        EXPECT_EQ(caption->text(), field.Caption);
        EXPECT_EQ(caption->buddy(), widget);
        auto* description = Form.findChild<QLabel*>(name + "Description");
        ASSERT_NE(description, nullptr) << field.Name;
        if (field.Description) {
            EXPECT_EQ(description->text(), field.Description);
        }
    }
    auto* header = Form.findChild<QGroupBox*>("HeaderGroup");
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->title(), "  IMFV1.22 format:  Header parameters  ");
    EXPECT_EQ(header->toolTip(), "IMFV1.22 INTERMAGNET GIN DISSEMINATION FORMAT FOR MINUTE VALUES");
    EXPECT_EQ(Form.findChild<QGroupBox*>("FilterGroup")->title(), "  Filter coefficients  ");
}

TEST_F(TParametersTest, ApplyCutsEachHeaderTextToItsField) {
    TIntermagnetHeader header{"ABCDE", "HDZFX", "GHIXX", "04021", "02450", "0000001"};
    FillIntermagnetForm(Form, header, 0);
    Form.COMP()->setCurrentIndex(1);
    int interval = 7;
    ASSERT_TRUE(ApplyIntermagnetForm(Form, header, interval));
    EXPECT_EQ(header, (TIntermagnetHeader{"ABC", "XYZF", "GHI", "0402", "0245", "000000"}));
    EXPECT_EQ(interval, 0);
}

TEST_F(TParametersTest, OKNamesAHeaderTextThatBreaksItsRuleAndCancelStillCloses) {
    struct TCase {
        QLineEdit* Edit;
        QString Text;
        std::string Box;
    };
    const std::vector<TCase> cases{
        {Form.IDC(), "A/B", "IDC must be one to three letters or digits, not \"A/B\""},
        {Form.IDC(), "\u00c4\u00d6\u00dc",
         "IDC must be one to three letters or digits, not \"\u00c4\u00d6\u00dc\""},
        {Form.IDC(), "IDC", "IDC must be the observatory's code, not \"IDC\""},
        {Form.COMP()->lineEdit(), "HD1", "COMP must be XYZF or HDZF, not \"HD1\""},
        {Form.COMP()->lineEdit(), "COMP", "COMP must be XYZF or HDZF, not \"COMP\""},
        {Form.GIN(), "GIN", "GIN must be the code of the GIN that collects the data, not \"GIN\""},
        {Form.GIN(), "", "GIN must be one to three letters or digits, not \"\""},
        {Form.COLA(), "12.5", "COLA must be one to four digits, not \"12.5\""},
        {Form.LONG(), "-12", "LONG must be one to four digits, not \"-12\""},
        {Form.DECBAS(), "1 2", "DECBAS must be one to six digits, not \"1 2\""},
    };
    for (const TCase& bad : cases) {
        TIntermagnetHeader header = Valid;
        int interval = 0;
        bool stayedOpen = false, focused = false;
        const bool applied = EditWhile(Form, header, interval, [&] {
            bad.Edit->selectAll();
            PressKey(bad.Edit, Qt::Key_Delete);
            TypeText(bad.Edit, bad.Text);
            Form.OKBtn()->click();
            stayedOpen = Form.isVisible();
            // The field itself; for COMP its combo box, which holds the focus for its edit.
            focused = Form.focusWidget() == bad.Edit ||
                      Form.focusWidget() == qobject_cast<QComboBox*>(bad.Edit->parentWidget());
            Form.CancelBtn()->click();  // no header check on the way out without OK
        });
        EXPECT_FALSE(applied);
        EXPECT_TRUE(stayedOpen) << bad.Box;
        EXPECT_TRUE(focused) << bad.Box;
        EXPECT_EQ(header, Valid);
        EXPECT_EQ(Notes.ErrorBoxes().back(), bad.Box);
    }
    EXPECT_EQ(Notes.ErrorBoxes().size(), cases.size());

    // Digits are zero-padded by the writer, so short ones are fine.
    TIntermagnetHeader header = Valid;
    int interval = 0;
    EXPECT_TRUE(EditWhile(Form, header, interval, [this] {
        ReplaceText(Form.COLA(), QStringLiteral("12"));
        ReplaceText(Form.IDC(), QStringLiteral("ab1"));
        Form.OKBtn()->click();
    }));
    EXPECT_EQ(header.COLA, "12");
    EXPECT_EQ(header.IDC, "ab1");
}

TEST_F(TParametersTest, IntervalIsTheChosenItemOrMinusOneForATypedText) {
    TIntermagnetHeader header = Valid;
    int interval = 0;
    FillIntermagnetForm(Form, header, 0);
    EXPECT_EQ(Form.MinuteOR5seconds()->currentText(), "1 minute");
    Form.MinuteOR5seconds()->setCurrentIndex(1);
    ApplyIntermagnetForm(Form, header, interval);
    EXPECT_EQ(interval, 1);

    ReplaceText(Form.MinuteOR5seconds()->lineEdit(), QStringLiteral("10 seconds"));
    ApplyIntermagnetForm(Form, header, interval);
    EXPECT_EQ(interval, -1);
    EXPECT_EQ(Form.MinuteOR5seconds()->count(), 2);  // typed texts never become items
    PressKey(Form.MinuteOR5seconds()->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(Form.MinuteOR5seconds()->count(), 2);

    FillIntermagnetForm(Form, header, 5);  // no such item: nothing shown
    EXPECT_EQ(Form.MinuteOR5seconds()->currentText(), "");
    ApplyIntermagnetForm(Form, header, interval);
    EXPECT_EQ(interval, -1);
    FillIntermagnetForm(Form, header, 1);
    EXPECT_EQ(Form.MinuteOR5seconds()->currentText(), "5 seconds");
}

TEST_F(TParametersTest, OKAppliesHeaderIntervalAndCoefficients) {
    FilterCoefficientTexts = {"0.25", "0.5", "0.25"};
    FilterCoefficients = {0.25, 0.5, 0.25};
    TIntermagnetHeader header = Valid;
    int interval = 0;
    const bool applied = EditWhile(Form, header, interval, [this] {
        EXPECT_THAT(Form.CoefficientTexts(), ElementsAre("0.25", "0.5", "0.25"));
        ReplaceText(Form.IDC(), QStringLiteral("NGK"));
        Form.MinuteOR5seconds()->setCurrentIndex(1);
        Form.AddCoefBtn()->click();
        SetText(3, "1e-3");
        Form.OKBtn()->click();
    });
    EXPECT_TRUE(applied);
    EXPECT_EQ(header.IDC, "NGK");
    EXPECT_EQ(header.COMP, "HDZF");
    EXPECT_EQ(interval, 1);
    EXPECT_THAT(FilterCoefficientTexts, ElementsAre("0.25", "0.5", "0.25", "1e-3"));
    EXPECT_THAT(FilterCoefficients, ElementsAre(0.25, 0.5, 0.25, 0.001));
}

TEST_F(TParametersTest, CancelAppliesNothingAndAnInvalidTextHoldsTheDialog) {
    FilterCoefficientTexts = {"0.5", "0.5"};
    FilterCoefficients = {0.5, 0.5};
    TIntermagnetHeader header;
    int interval = 0;
    bool stillShownAfterOK = false;
    const bool applied = EditWhile(Form, header, interval, [&] {
        ReplaceText(Form.IDC(), QStringLiteral("XXX"));
        SetText(1, "abc");
        Form.OKBtn()->click();
        stillShownAfterOK = Form.isVisible();
        SetText(1, "0.5");
        Form.CancelBtn()->click();
    });
    EXPECT_FALSE(applied);
    EXPECT_TRUE(stillShownAfterOK);
    EXPECT_THAT(Notes.ErrorBoxes(), ElementsAre("Invalid filter coefficient C1"));
    EXPECT_EQ(header, TIntermagnetHeader());
    EXPECT_THAT(FilterCoefficientTexts, ElementsAre("0.5", "0.5"));
}

TEST_F(TParametersTest, AnEmptiedListEmptiesBothFilterArraysWithoutError) {
    FilterCoefficientTexts = {"1"};
    FilterCoefficients = {1};
    TIntermagnetHeader header = Valid;
    int interval = 0;
    EXPECT_TRUE(EditWhile(Form, header, interval, [this] {
        Form.DeleteCoefBtn()->click();
        Form.OKBtn()->click();
    }));
    EXPECT_TRUE(FilterCoefficientTexts.empty());
    EXPECT_TRUE(FilterCoefficients.empty());
    EXPECT_TRUE(Notes.ErrorBoxes().empty());

    // The next showing starts from the empty list, whatever the grid showed before.
    SetText(0, "stale");
    FillIntermagnetForm(Form, header, interval);
    EXPECT_TRUE(Grid().MarkedEmpty());
    EXPECT_EQ(Text(0), "");
}

TEST_F(TParametersTest, EachShowingMarksTheListAsTheTextsAre) {
    ShowList({});
    FilterCoefficientTexts = {"0.5", "0.5"};
    TIntermagnetHeader header;
    FillIntermagnetForm(Form, header, 0);
    EXPECT_FALSE(Grid().MarkedEmpty());  // so Delete and Save work on what is shown
    Form.DeleteCoefBtn()->click();
    EXPECT_EQ(Grid().rowCount(), 1);
}

TEST_F(TParametersTest, ApplyingIsAllOrNothing) {
    FilterCoefficientTexts = {"0.5", "0.5"};
    FilterCoefficients = {0.5, 0.5};
    TIntermagnetHeader header = Valid;
    int interval = 0;
    FillIntermagnetForm(Form, header, 1);
    ReplaceText(Form.GIN(), QStringLiteral("EDI"));
    SetText(1, "x");
    EXPECT_FALSE(ApplyIntermagnetForm(Form, header, interval));
    SetText(1, "0.25");
    ReplaceText(Form.COLA(), QStringLiteral("x"));
    EXPECT_FALSE(ApplyIntermagnetForm(Form, header, interval));
    EXPECT_THAT(Notes.ErrorBoxes(), ElementsAre("Invalid filter coefficient C1",
                                                "'x' is not a valid floating point value",
                                                "COLA must be one to four digits, not \"x\""));
    EXPECT_THAT(FilterCoefficientTexts, ElementsAre("0.5", "0.5"));
    EXPECT_THAT(FilterCoefficients, ElementsAre(0.5, 0.5));
    EXPECT_EQ(header, Valid);
    EXPECT_EQ(interval, 0);
}

TEST_F(TParametersTest, ALoadedListReachesTheRunningFilterOnlyThroughOK) {
    // A load that failed part-way, the bad text mended in the list: Cancel keeps the filter in
    // use, OK takes the whole mended list.
    const std::string path = Dir.File("comma.filter");
    WriteWholeFile(path, "[Filter]\nC0=0.25\nC1=0,5\nC2=0.25\n");
    FilterCoefficientTexts = {"1"};
    FilterCoefficients = {1};
    for (const bool ok : {false, true}) {
        TIntermagnetHeader header = Valid;
        int interval = 0;
        const bool applied = EditWhile(Form, header, interval, [&] {
            Load(path);
            EXPECT_THAT(FilterCoefficients, ElementsAre(1.0));
            SetText(1, "0.5");
            (ok ? Form.OKBtn() : Form.CancelBtn())->click();
        });
        EXPECT_EQ(applied, ok);
    }
    EXPECT_THAT(FilterCoefficients, ElementsAre(0.25, 0.5, 0.25));
    EXPECT_THAT(FilterCoefficientTexts, ElementsAre("0.25", "0.5", "0.25"));

    // Load, then Escape: nothing changes either.
    const std::string other = Dir.File("other.filter");
    WriteWholeFile(other, "[Filter]\nC0=1\n");
    TIntermagnetHeader header = Valid;
    int interval = 0;
    EXPECT_FALSE(EditWhile(Form, header, interval, [&] {
        Load(other);
        PressKey(&Form, Qt::Key_Escape);
    }));
    EXPECT_THAT(FilterCoefficients, ElementsAre(0.25, 0.5, 0.25));
    EXPECT_THAT(FilterCoefficientTexts, ElementsAre("0.25", "0.5", "0.25"));
}

}  // namespace

// The IAGA-2002 and ImagCDF groups: shown from and applied to the settings; while a kind of file
// is on, OK names the broken rules (the IDC included, which is the IAGA code) and keeps the
// dialog open.
TEST_F(TParametersTest, IagaAndImagCdfEntriesAndComponentsAreCheckedOnlyWhileTheirFilesAreOn) {
    TIagaSettings iaga;
    TImagCdfSettings imagCdf;
    imagCdf.Source = "WDC";
    iaga.Header.Latitude = "north";  // harmless while both kinds are off
    TIntermagnetHeader header = Valid;
    header.COMP = "XYZF";  // the sensor of the default Reported
    int interval = 0;
    std::vector<bool> shown;
    ASSERT_TRUE(EditWhile(
        Form, header, interval,
        [&] {
            TIagaGroup* group = Form.IagaGroup();
            EXPECT_EQ(group->Field("Latitude")->text(), QStringLiteral("north"));
            EXPECT_EQ(group->Reported()->currentText(), QStringLiteral("XYZF"));
            EXPECT_EQ(group->Field("DigitalSampling")->text(), QStringLiteral("1 second"));
            group->MinuteFiles()->setChecked(true);
            ReplaceText(Form.IDC(), QStringLiteral("AB"));
            Form.OKBtn()->click();
            shown.push_back(Form.isVisible());
            ReplaceText(Form.IDC(), QStringLiteral("NGK"));
            Form.OKBtn()->click();
            shown.push_back(Form.isVisible());
            ReplaceText(group->Field("Latitude"), QStringLiteral("52.07"));
            ReplaceText(group->Field("Longitude"), QStringLiteral("12.68"));
            ReplaceText(group->Field("Elevation"), QStringLiteral("78"));
            // Components that are not the sensor's: the IAGA-2002 ones, then the INTERMAGNET ones.
            group->Reported()->setCurrentIndex(1);
            ReplaceText(group->Field("SensorOrientation"), QStringLiteral("XYZ"));
            Form.OKBtn()->click();
            shown.push_back(Form.isVisible());
            group->Field("SensorOrientation")->clear();
            Form.OKBtn()->click();
            shown.push_back(Form.isVisible());
            Form.COMP()->setCurrentText(QStringLiteral("HDZF"));
            TImagCdfGroup* cdf = Form.ImagCdfGroup();
            EXPECT_EQ(cdf->Choice("Source")->currentText(), QStringLiteral("WDC"));
            cdf->SecondFiles()->setChecked(true);
            cdf->Choice("StandardLevel")->setCurrentText(QStringLiteral("Full"));
            Form.OKBtn()->click();
            shown.push_back(Form.isVisible());
            ReplaceText(cdf->Field("Institution"), QStringLiteral("Niemegk Institute"));
            ReplaceText(cdf->Field("StandardName"), QStringLiteral("INTERMAGNET_1-Second"));
            ReplaceText(group->Field("StationName"), QStringLiteral("Niemegk"));
            Form.OKBtn()->click();
        },
        &iaga, &imagCdf));
    EXPECT_THAT(shown, ElementsAre(true, true, true, true, true));
    ASSERT_EQ(Notes.ErrorBoxes().size(), 5u);
    EXPECT_EQ(Notes.ErrorBoxes()[2], "IAGA-2002 files: Reported HEZF does not match the sensor's components XYZ: "
                                     "XYZF needs an XYZ sensor, HEZF an HEZ or HDZ one");
    EXPECT_EQ(Notes.ErrorBoxes()[3], "COMP XYZF does not match the sensor's components HEZ (SensorOrientation empty): "
                                     "XYZF needs an XYZ sensor, HDZF an HDZ or HEZ one");
    EXPECT_EQ(Notes.ErrorBoxes()[4], "ImagCDF files:\nInstitution must be given for ImagCDF files\n"
                                     "ObservatoryName must be given for ImagCDF files\n"
                                     "StandardName must be given for ImagCDF files");
    EXPECT_TRUE(imagCdf.SecondFiles);
    EXPECT_EQ(imagCdf.Institution, "Niemegk Institute");
    EXPECT_EQ(imagCdf.StandardLevel, "Full");
    EXPECT_EQ(Notes.ErrorBoxes()[0],
              "IAGA-2002 files: The IAGA code (the IDC) must be three letters or digits, not \"AB\"");
    EXPECT_EQ(Notes.ErrorBoxes()[1],
              "IAGA-2002 files: Latitude must be a number of degrees from -90 to 90, not \"north\"");
    EXPECT_EQ(header.IDC, "NGK");
    EXPECT_TRUE(iaga.MinuteFiles);
    EXPECT_FALSE(iaga.SecondFiles);
    EXPECT_EQ(iaga.Header.Latitude, "52.07");
    EXPECT_EQ(iaga.Header.Reported, "HEZF");
    EXPECT_EQ(EffectiveSensorOrientation(iaga.Header), "HEZ");
    EXPECT_EQ(header.COMP, "HDZF");
}

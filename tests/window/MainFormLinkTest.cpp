// The broker link in the main window's status bar, with a real mosquitto: connected and the
// lines waiting, then reconnecting with the reason when the broker dies; and the Options
// dialog's Network fields reaching the settings file.

#include "MainFormFixture.h"
#include "TestBroker.h"
#include "ui/GeneralOptionsForm.h"
#include "ui/NetworkOptionsBox.h"

#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace {

// Runs the event loop (the link's reports arrive posted) until `done` or ten seconds.
bool EventsUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

}  // namespace

TEST_F(MainFormTest, StatusBarShowsTheBrokerLinkAndOptionsEditTheNetworkSettings) {
    TTestBroker broker(Dir.Path() / "broker", false);
    WriteWholeFile(SettingsFile, "[Intermagnet]\nIDC=TST\n[Filter]\nC0=1\n" +
                                     NetworkSection(broker, "TST", broker.PasswordFile("pw", "secret-TST")));
    TOstrelMainForm& main = Make();
    Show();
    StartOnTerminal();
    ASSERT_TRUE(main.LinkPanel());
    const auto linkText = [&main] { return main.LinkPanel()->text().toStdString(); };
    ASSERT_TRUE(WaitForArchive(Send(0, 5)));
    EXPECT_TRUE(EventsUntil([&] { return linkText() == "Broker: connected"; })) << linkText();
    broker.Kill();
    EXPECT_TRUE(EventsUntil([&] { return linkText().rfind("Broker: reconnecting (", 0) == 0; }))
        << linkText();
    // Those of the first five lines the broker had not acknowledged when it died wait too.
    const auto waiting = [&linkText] {
        const std::string text = linkText();
        const std::size_t at = text.rfind(", ");
        return at == std::string::npos || text.find(" waiting", at) == std::string::npos
                   ? 0
                   : std::stoi(text.substr(at + 2));
    };
    const int before = waiting();
    Send(5, 3);
    EXPECT_TRUE(EventsUntil([&] { return waiting() == before + 3; })) << linkText();
    Main().StopAcquisition(false);
    EXPECT_FALSE(main.LinkPanel()->isVisible());

    // The dialog shows the settings and hands back what the user typed.
    QTimer::singleShot(0, [this] {
        TGeneralOptionsForm& options = Windows->Options();
        EXPECT_EQ(options.NetworkBox()->BrokerEdit()->text().toStdString(), "127.0.0.1");
        options.NetworkBox()->StationIdEdit()->setText("north");
        // The overview page's address is offered once the broker's page port is given.
        EXPECT_EQ(options.NetworkBox()->PageLink()->text().toStdString(), "");
        options.NetworkBox()->PagePortSpin()->setValue(9080);
        options.NetworkBox()->BrokerEdit()->setText("broker.example");
        EXPECT_EQ(options.NetworkBox()->PageLink()->text().toStdString(),
                  "<a href=\"http://broker.example:9080/\">http://broker.example:9080/</a>");
        options.accept();
    });
    main.Options1Click();
    main.close();
    Settle();
    const std::string saved = ReadWholeFile(SettingsFile);
    EXPECT_NE(saved.find("Broker=broker.example"), std::string::npos) << saved;
    EXPECT_NE(saved.find("StationId=north"), std::string::npos) << saved;
    EXPECT_NE(saved.find("PagePort=9080"), std::string::npos) << saved;
    TNetworkSettings ipv6;
    ipv6.Broker = "fd00::1";
    ipv6.PagePort = 9080;
    EXPECT_EQ(OverviewPageAddress(ipv6), "http://[fd00::1]:9080/");
}

TEST_F(MainFormTest, AnUnreadableTlsValueKeepsTheLinkOffAndNeverConnectsInPlain) {
    TTestBroker broker(Dir.Path() / "broker", false);
    WriteWholeFile(SettingsFile, "[Intermagnet]\nIDC=TST\n[Filter]\nC0=1\n" +
                                     NetworkSection(broker, "TST", broker.PasswordFile("pw", "secret-TST")) +
                                     "TLS=yess\n");
    TOstrelMainForm& main = Make();
    Show();
    ASSERT_EQ(Notes.ErrorBoxes().size(), 2u);
    EXPECT_NE(Notes.ErrorBoxes()[1].find("[Network] TLS: 'yess' is not a yes or no"),
              std::string::npos)
        << Notes.ErrorBoxes()[1];
    StartOnTerminal();
    ASSERT_TRUE(main.LinkPanel());
    const auto linkText = [&main] { return main.LinkPanel()->text().toStdString(); };
    EXPECT_TRUE(EventsUntil([&] {
        return linkText() == "Broker: off: TLS=yess is not a yes or no; the network stays off";
    })) << linkText();
    ASSERT_TRUE(WaitForArchive(Send(0, 3)));
    Main().StopAcquisition(false);
    EXPECT_EQ(broker.Log().find("New client connected"), std::string::npos) << broker.Log();
}

// The main window's menu and the wiring of its commands, buttons and check boxes.

#include "window/OstrelMainForm.h"

#include "window/ChannelGraphs.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace {

QAction* AddItem(QMenu* menu, const char* name, const QString& caption,
                 const QKeySequence& shortcut = {}) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    return action;
}

void AddSeparator(QMenu* menu, const char* name) {
    menu->addSeparator()->setObjectName(QString::fromLatin1(name));
}

}  // namespace

void TOstrelMainForm::BuildMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    FFile1 = bar->addMenu(tr("&File"));
    FFile1->setObjectName(QStringLiteral("File1"));
    FOpen1 = AddItem(FFile1, "Open1", tr("&Open file"), QKeySequence(Qt::Key_F3));
    FRecentfiles1 = FFile1->addMenu(tr("&Recent files..."));
    FRecentfiles1->setObjectName(QStringLiteral("Recentfiles1"));
    FRecentfiles1->menuAction()->setObjectName(QStringLiteral("Recentfiles1Item"));
    // Its items come and go with the recent-files list; it is enabled only with an item.
    AddSeparator(FFile1, "N1");
    FExit1 = AddItem(FFile1, "Exit1", tr("E&xit"));

    FCommands1 = bar->addMenu(tr("&Commands"));
    FCommands1->setObjectName(QStringLiteral("Commands1"));
    FStartAcquisitionMenu = AddItem(FCommands1, "StartAcquisitionMenu", tr("&Start acquisition"),
                                    QKeySequence(Qt::Key_F5));
    FStopAcquisitionMenu = AddItem(FCommands1, "StopAcquisitionMenu", tr("St&op acquisition"));
    AddSeparator(FCommands1, "N2");
    FArrangeGraphs = AddItem(FCommands1, "ArrangeGraphs", tr("&Arrange graphs"),
                             QKeySequence(Qt::CTRL | Qt::Key_A));
    FCleargraph1 = AddItem(FCommands1, "Cleargraph1", tr("&Clear graph"),
                           QKeySequence(Qt::CTRL | Qt::Key_C));
    AddSeparator(FCommands1, "N3");
    FShowtextdata1 = AddItem(FCommands1, "Showtextdata1", tr("Show &text data"),
                             QKeySequence(Qt::CTRL | Qt::Key_T));

    FIntermagnet1 = bar->addMenu(tr("&Intermagnet"));
    FIntermagnet1->setObjectName(QStringLiteral("Intermagnet1"));
    FShowdata1 = AddItem(FIntermagnet1, "Showdata1", tr("Show incoming data"));
    FParameters1 = AddItem(FIntermagnet1, "Parameters1", tr("Header parameters"));

    // A top-level item without a sub-menu.
    FOptions1 = bar->addAction(tr("&Options"));
    FOptions1->setObjectName(QStringLiteral("Options1"));
}

void TOstrelMainForm::ConnectCommands() {
    const auto command = [this](auto handler) {
        return [this, handler] { RunCommand([this, handler] { (this->*handler)(); }); };
    };
    connect(FStartStopBtn, &QPushButton::clicked, this, command(&TOstrelMainForm::StartStopBtnClick));
    connect(FStartAcquisitionMenu, &QAction::triggered, this,
            command(&TOstrelMainForm::StartStopBtnClick));
    connect(FStopAcquisitionMenu, &QAction::triggered, this,
            command(&TOstrelMainForm::StartStopBtnClick));
    connect(FShowtextdata1, &QAction::triggered, this, command(&TOstrelMainForm::Showtextdata1Click));
    connect(FShowdata1, &QAction::triggered, this, command(&TOstrelMainForm::Showdata1Click));
    connect(FOptions1, &QAction::triggered, this, command(&TOstrelMainForm::Options1Click));
    connect(FParameters1, &QAction::triggered, this, command(&TOstrelMainForm::Parameters1Click));
    connect(FExit1, &QAction::triggered, this, [this] { close(); });

    const auto arrange = [this] { RunCommand([this] { FGraphs->LayOutGraphs(); }); };
    connect(FBitBtn1, &QPushButton::clicked, this, arrange);
    connect(FArrangeGraphs, &QAction::triggered, this, arrange);
    const auto clear = [this] { RunCommand([this] { FGraphs->ClearGraphs(); }); };
    connect(FClearBtn, &QPushButton::clicked, this, clear);
    connect(FCleargraph1, &QAction::triggered, this, clear);
    connect(FCrossMouseCB, &QCheckBox::toggled, this,
            [this](bool on) { FGraphs->SetMouseReadout(on); });
}

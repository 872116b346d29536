#include "ui/MonitorTextForm.h"

#include "acquisition/Notifier.h"
#include "acquisition/NumberText.h"
#include "acquisition/ProfileFile.h"
#include "acquisition/RuntimeErrors.h"

#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace {
constexpr int StatusPanelWidth = 50;
}  // namespace

TMonitorTextForm::TMonitorTextForm(const QString& objectName, const QString& caption,
                                   const TSettingsNames& names, const std::string& settingsFileName,
                                   QWidget* parent)
    : QMainWindow(parent), FNames(names), FMaxLines(names.DefaultMaxLines), FInputBox(ModalInputBox) {
    setObjectName(objectName);
    setWindowTitle(caption);
    setGeometry(DesignedGeometry);
    // An open monitor window must not keep the program running once the main window closed.
    setAttribute(Qt::WA_QuitOnClose, false);

    FMemo1 = new QPlainTextEdit(this);
    FMemo1->setObjectName(QStringLiteral("Memo1"));
    FMemo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    FMemo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FMemo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // An undo history would keep every line ever appended during a run of days.
    FMemo1->setUndoRedoEnabled(false);
    setCentralWidget(FMemo1);
    connect(FMemo1, &QPlainTextEdit::textChanged, this, &TMonitorTextForm::Memo1Change);

    QStatusBar* statusBar1 = statusBar();
    statusBar1->setObjectName(QStringLiteral("StatusBar1"));
    FStatusPanel = new QLabel(statusBar1);
    FStatusPanel->setFixedWidth(StatusPanelWidth);
    statusBar1->addWidget(FStatusPanel);

    QMenuBar* mainMenu1 = menuBar();
    mainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    FClear2 = mainMenu1->addAction(tr("&Clear"));
    FClear2->setObjectName(QStringLiteral("Clear2"));
    FOptions1 = mainMenu1->addAction(tr("&Max lines"));
    FOptions1->setObjectName(QStringLiteral("Options1"));
    FExit2 = mainMenu1->addAction(tr("E&xit"));
    FExit2->setObjectName(QStringLiteral("Exit2"));
    connect(FClear2, &QAction::triggered, this, &TMonitorTextForm::Clear2Click);
    connect(FOptions1, &QAction::triggered, this, &TMonitorTextForm::Options1Click);
    connect(FExit2, &QAction::triggered, this, &TMonitorTextForm::Exit2Click);

    FFormStorage = std::make_unique<TFormStorage>(this, settingsFileName, FNames.PlacementSection);
    FFormStorage->SetRestoreHandler([this](TProfileFile& file) {
        FMaxLines = file.ReadInteger(FNames.MaxLinesSection, FNames.MaxLinesKey, FNames.DefaultMaxLines);
    });
    FFormStorage->SetSaveHandler([this](TProfileFile& file) {
        file.WriteInteger(FNames.MaxLinesSection, FNames.MaxLinesKey, FMaxLines);
    });
}

TMonitorTextForm::~TMonitorTextForm() = default;

void TMonitorTextForm::AppendLine(const std::string& line) {
    if (!isVisible()) return;
    std::string_view text = line;
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
    FMemo1->appendPlainText(QString::fromUtf8(text.data(), qsizetype(text.size())));
}

void TMonitorTextForm::ShowOrBringToFront() {
    if (isVisible()) {
        if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
        raise();
        activateWindow();
    } else {
        show();
    }
}

int TMonitorTextForm::LineCount() const {
    const QTextDocument* document = FMemo1->document();
    if (document->isEmpty()) return 0;
    const int blocks = document->blockCount();
    return document->lastBlock().length() <= 1 ? blocks - 1 : blocks;
}

QStringList TMonitorTextForm::Lines() const {
    QStringList lines;
    const int count = LineCount();
    QTextBlock block = FMemo1->document()->firstBlock();
    for (int i = 0; i < count && block.isValid(); ++i, block = block.next()) lines << block.text();
    return lines;
}

void TMonitorTextForm::Clear2Click() { FMemo1->clear(); }

void TMonitorTextForm::Options1Click() {
    const std::optional<QString> answer =
        FInputBox(this, tr("Input new value"), tr("Maximum lines on screen: "),
                  QString::fromStdString(std::to_string(FMaxLines)));
    // Cancel and an empty entry change nothing, not even a stored value below the floor.
    if (!answer || answer->isEmpty()) return;
    try {
        FMaxLines = std::max(StrToInt(answer->toStdString()), std::int32_t(MinimumMaxLines));
    } catch (const EConvertError& error) {
        Notifier().ErrorBox(error.what());
    }
}

void TMonitorTextForm::Exit2Click() { close(); }

void TMonitorTextForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Placement and MaxLines were restored before this (the storage sees the show first); each
    // showing starts empty. Coming back from minimised keeps the text.
    if (!event->spontaneous()) FMemo1->clear();
}

void TMonitorTextForm::Memo1Change() {
    if (FTrimming) return;
    FTrimming = true;
    TrimToMaxLines();
    FTrimming = false;
}

void TMonitorTextForm::TrimToMaxLines() {
    const int excess = LineCount() - std::max(FMaxLines, 0);
    if (excess <= 0) return;
    // The oldest lines go in one cut from the start: no walk over the whole text.
    QTextDocument* document = FMemo1->document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::Start);
    const QTextBlock firstKept = document->findBlockByNumber(excess);
    if (firstKept.isValid())
        cursor.setPosition(firstKept.position(), QTextCursor::KeepAnchor);
    else
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

#pragma once
// TMonitorTextForm: a top-level window that shows the newest lines of a data stream as plain
// text, keeping at most MaxLines of them. The two monitor windows of the station (TTextForm for
// the received lines, TIntermagnetTextForm for the INTERMAGNET records) are this window with
// their own caption, font and settings sections.
//
// Memo1 is an ordinary editable text area: the user may type into it, and whatever changes its
// text (an appended line, typing, clearing) trims it to the newest MaxLines lines at once. A
// lowered MaxLines takes effect at the next change. Lines are counted as a text area shows them:
// an empty last line after a final line break does not count.
//
// Each showing restores the placement and MaxLines (default 1000, used as stored, even below the
// floor of the "Max lines" command) and then empties the text area; closing or hiding saves them.
// A hidden window ignores appended lines, so lines of the time it was hidden never show.

#include "ui/FormStorage.h"
#include "ui/InputBox.h"

#include <memory>
#include <string>

#include <QMainWindow>

class QAction;
class QLabel;
class QPlainTextEdit;

// Thread rule: user-interface thread only.
class TMonitorTextForm : public QMainWindow {
    Q_OBJECT

public:
    // The lowest MaxLines the "Max lines" command sets.
    static constexpr int MinimumMaxLines = 10;
    // Size and place before any placement was saved.
    static constexpr QRect DesignedGeometry{273, 128, 587, 420};

    ~TMonitorTextForm() override;

    int MaxLines() const { return FMaxLines; }
    // Takes effect at the next change of the text, as an edit in the window does.
    void SetMaxLines(int value) { FMaxLines = value; }

    // Adds the line as the new last line, when the window is visible; a trailing CR or LF of
    // the line is dropped, so that it shows as one line.
    void AppendLine(const std::string& line);
    // Brings the window to the front when it is visible, else shows it (not modally).
    void ShowOrBringToFront();

    // The lines as the user sees them, oldest first.
    int LineCount() const;
    QStringList Lines() const;

    // The box the "Max lines" command asks with; the toolkit's modal box by default.
    void SetInputBox(TInputBox inputBox) { FInputBox = std::move(inputBox); }

    // Menu commands: "&Clear" empties the text, "&Max lines" asks for a new MaxLines, "E&xit"
    // closes (hides) the window.
    void Clear2Click();
    void Options1Click();
    void Exit2Click();

    QPlainTextEdit* Memo1() const { return FMemo1; }
    QAction* ClearAction() const { return FClear2; }
    QAction* MaxLinesAction() const { return FOptions1; }
    QAction* ExitAction() const { return FExit2; }
    TFormStorage& FormStorage() { return *FFormStorage; }

protected:
    // Where a monitor window keeps its settings.
    struct TSettingsNames {
        const char* MaxLinesSection;
        const char* MaxLinesKey;
        int DefaultMaxLines;
        const char* PlacementSection;
    };

    TMonitorTextForm(const QString& objectName, const QString& caption, const TSettingsNames& names,
                     const std::string& settingsFileName, QWidget* parent);

    void showEvent(QShowEvent* event) override;

private:
    void Memo1Change();
    void TrimToMaxLines();

    TSettingsNames FNames;
    int FMaxLines;
    bool FTrimming = false;
    TInputBox FInputBox;

    QPlainTextEdit* FMemo1 = nullptr;
    QLabel* FStatusPanel = nullptr;
    QAction* FClear2 = nullptr;
    QAction* FOptions1 = nullptr;
    QAction* FExit2 = nullptr;
    // Last, so that a save at destruction still finds everything above.
    std::unique_ptr<TFormStorage> FFormStorage;
};

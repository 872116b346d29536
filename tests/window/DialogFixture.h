#pragma once
// A fresh INTERMAGNET parameters dialog with recorded message boxes, empty process-wide filter
// arrays, a scratch folder for coefficient files and scripted file dialogs.

#include "../ui/TestApplication.h"
#include "RecordingNotifier.h"
#include "TempDir.h"
#include "recording/Filter.h"
#include "window/CoefficientGrid.h"
#include "window/IntermagnetForm.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QString>

#include <string>
#include <vector>

// Key presses as the keyboard gives them, one character at a time.
inline void TypeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &release);
    }
}

inline void PressKey(QWidget* widget, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
}

// The application must exist before the fixture's dialog is built.
struct TWithApplication {
    TWithApplication() { TestApplication(); }
};

class TDialogTest : public ::testing::Test, private TWithApplication {
protected:
    TDialogTest() {
        FilterCoefficients.clear();
        FilterCoefficientTexts.clear();
        // File dialogs answer from the script; an unscripted one is a test error.
        Form.SetOpenFileChooser([this](QWidget*, const std::string& folder) {
            return Answer(OpenAnswers, OpenFolders, folder);
        });
        Form.SetSaveFileChooser([this](QWidget*, const std::string& folder) {
            return Answer(SaveAnswers, SaveFolders, folder);
        });
    }
    ~TDialogTest() override {
        FilterCoefficients.clear();
        FilterCoefficientTexts.clear();
    }

    TCoefficientGrid& Grid() { return *Form.CGrid(); }
    std::string Text(int row) { return Grid().Cell(1, row).toStdString(); }
    std::string Label(int row) { return Grid().Cell(0, row).toStdString(); }
    void SetText(int row, const std::string& text) {
        Grid().SetCell(1, row, QString::fromStdString(text));
    }
    // The list shown as the texts (C0 first).
    void ShowList(const std::vector<std::string>& texts) { Form.ShowCoefficientTexts(texts); }

    void Load(const std::string& path) {
        OpenAnswers.push_back(path);
        Form.LoadFilterBtnClick();
    }
    void Save(const std::string& path) {
        SaveAnswers.push_back(path);
        Form.SaveFilterBtnClick();
    }

    TRecordingNotifier Notes;
    TTempDir Dir;
    TIntermagnetForm Form;
    std::vector<std::string> OpenAnswers, SaveAnswers;  // consumed front first; "" = Cancel
    std::vector<std::string> OpenFolders, SaveFolders;  // where each dialog started

private:
    static std::string Answer(std::vector<std::string>& answers, std::vector<std::string>& folders,
                              const std::string& folder) {
        folders.push_back(folder);
        if (answers.empty()) {
            ADD_FAILURE() << "file dialog without a scripted answer";
            return {};
        }
        std::string answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
};

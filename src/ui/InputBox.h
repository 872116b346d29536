#pragma once
// A one-line text entry box, as a replaceable function: windows hold a TInputBox so that tests
// answer it directly instead of waiting on a modal dialog.

#include <functional>
#include <optional>

#include <QString>

class QWidget;

// Shows a modal box with the title, the prompt and the initial text; the text on OK, nothing on
// Cancel.
using TInputBox = std::function<std::optional<QString>(
    QWidget* parent, const QString& title, const QString& prompt, const QString& initialText)>;

// The box of the windowing toolkit (QInputDialog).
std::optional<QString> ModalInputBox(QWidget* parent, const QString& title, const QString& prompt,
                                     const QString& initialText);

#include "ui/InputBox.h"

#include <QInputDialog>

std::optional<QString> ModalInputBox(QWidget* parent, const QString& title, const QString& prompt,
                                     const QString& initialText) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, initialText, &ok);
    if (!ok) return std::nullopt;
    return text;
}

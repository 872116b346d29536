#pragma once
// TElidedLabel: a one-line label that takes the width its layout gives it and never asks for
// more. A text too long for it is cut with "..." and shown whole in its tool tip, so that a
// long report can never widen its window.

#include <QLabel>

// Thread rule: user-interface thread only.
class TElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit TElidedLabel(QWidget* parent = nullptr);

    // Sets the whole text (text()) and the tool tip; what fits is shown.
    void SetFullText(const QString& text);
    // The text as shown at the present width.
    QString ShownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect TextArea() const;
};

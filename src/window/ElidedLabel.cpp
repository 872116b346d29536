#include "window/ElidedLabel.h"

#include <QPainter>
#include <QStyle>

TElidedLabel::TElidedLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void TElidedLabel::SetFullText(const QString& text) {
    if (text == this->text()) return;
    setText(text);
    setToolTip(text);
}

QRect TElidedLabel::TextArea() const {
    const int inset = margin();
    return contentsRect().adjusted(inset, inset, -inset, -inset);
}

QString TElidedLabel::ShownText() const {
    return fontMetrics().elidedText(text(), Qt::ElideRight, TextArea().width());
}

QSize TElidedLabel::minimumSizeHint() const {
    // One line high whatever the text; no width of its own.
    const QMargins frame = contentsMargins();
    return {frame.left() + frame.right() + 2 * margin(),
            fontMetrics().height() + frame.top() + frame.bottom() + 2 * margin()};
}

QSize TElidedLabel::sizeHint() const { return minimumSizeHint(); }

void TElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    style()->drawItemText(&painter, TextArea(),
                          QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                          isEnabled(), ShownText(), foregroundRole());
}

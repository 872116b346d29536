#pragma once
// TSpinEdit: an integer spin box that lets the user type any whole number and brings it into
// range only when the field is left (a value outside the range goes to the nearer bound), and
// reads a text that is no whole number (empty, a lone sign) as the minimum. Letters are refused
// as they are typed. Numbers are converted with the station's fixed format, never a locale.

#include <QSpinBox>

// Thread rule: user-interface thread only.
class TSpinEdit : public QSpinBox {
    Q_OBJECT

public:
    explicit TSpinEdit(QWidget* parent = nullptr);

    // The value the field's text stands for now, by the rules above, whether or not it has been
    // taken over yet (the field may still have the focus).
    int TextValue() const;

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    int valueFromText(const QString& text) const override;
    QString textFromValue(int value) const override;
};

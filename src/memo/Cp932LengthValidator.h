#pragma once

#include <QValidator>

// Limits a line edit to a number of code page 932 bytes, so a full-width
// character counts two. Text put in past the limit is cut to what fits.
class Cp932LengthValidator : public QValidator {
    Q_OBJECT
public:
    Cp932LengthValidator(int maxBytes, QObject* parent = nullptr);
    State validate(QString& input, int& pos) const override;

private:
    int MaxBytes;
};

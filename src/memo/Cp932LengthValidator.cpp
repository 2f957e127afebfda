#include "memo/Cp932LengthValidator.h"

#include "text/Codec.h"

Cp932LengthValidator::Cp932LengthValidator(int maxBytes, QObject* parent)
    : QValidator(parent), MaxBytes(maxBytes) {}

QValidator::State Cp932LengthValidator::validate(QString& input, int&) const {
    return static_cast<int>(Codec::fromQString(input).size()) <= MaxBytes ? Acceptable : Invalid;
}

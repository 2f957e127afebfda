#include "memo/Cp932LengthValidator.h"

#include "text/Codec.h"

namespace {

int Cp932Bytes(QStringView text) {
    return static_cast<int>(Codec::fromQString(text.toString()).size());
}

} // namespace

Cp932LengthValidator::Cp932LengthValidator(int maxBytes, QObject* parent)
    : QValidator(parent), MaxBytes(maxBytes) {}

QValidator::State Cp932LengthValidator::validate(QString& input, int& pos) const {
    if (Cp932Bytes(input) <= MaxBytes)
        return Acceptable;
    // What was just put in ends at the cursor (a paste, a typed character):
    // it is cut to what fits, whole characters only, and the text after the
    // cursor stays.
    const QStringView view(input);
    int used = Cp932Bytes(view.mid(pos));
    if (used > MaxBytes)
        return Invalid;
    int keep = 0;
    while (keep < pos) {
        const int length = view[keep].isHighSurrogate() && keep + 1 < pos ? 2 : 1;
        used += Cp932Bytes(view.mid(keep, length));
        if (used > MaxBytes)
            break;
        keep += length;
    }
    input.remove(keep, pos - keep);
    pos = keep;
    return Acceptable;
}

#include "text/Func_.h"

// Placeholder mapping until the code page 932 tables land.
std::string UpperCase932(const std::string& text) {
    return text;
}

std::string ToFullWidthKatakana(const std::string& text) {
    return text;
}

std::string SearchKey(const std::string& text) {
    return text;
}

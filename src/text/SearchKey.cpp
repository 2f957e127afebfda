#include "text/Func_.h"

#include <cstdint>

// Code page 932 has no locale mapping on this system, so upper-casing and the
// full-width katakana mapping are done with our own tables. They give what the
// Windows mapping gives for ASCII, half-width katakana and hiragana.

namespace {

// Full-width forms of the printable ASCII characters 0x20-0x7E.
constexpr std::uint16_t kWideAscii[0x7F - 0x20] = {
    0x8140, 0x8149, 0x8168, 0x8194, 0x8190, 0x8193, 0x8195, 0x8166, // space ! " # $ % & '
    0x8169, 0x816A, 0x8196, 0x817B, 0x8143, 0x817C, 0x8144, 0x815E, // ( ) * + , - . /
    0x824F, 0x8250, 0x8251, 0x8252, 0x8253, 0x8254, 0x8255, 0x8256, // 0 - 7
    0x8257, 0x8258, 0x8146, 0x8147, 0x8183, 0x8181, 0x8184, 0x8148, // 8 9 : ; < = > ?
    0x8197, 0x8260, 0x8261, 0x8262, 0x8263, 0x8264, 0x8265, 0x8266, // @ A - G
    0x8267, 0x8268, 0x8269, 0x826A, 0x826B, 0x826C, 0x826D, 0x826E, // H - O
    0x826F, 0x8270, 0x8271, 0x8272, 0x8273, 0x8274, 0x8275, 0x8276, // P - W
    0x8277, 0x8278, 0x8279, 0x816D, 0x815F, 0x816E, 0x814F, 0x8151, // X Y Z [ \ ] ^ _
    0x814D, 0x8281, 0x8282, 0x8283, 0x8284, 0x8285, 0x8286, 0x8287, // ` a - g
    0x8288, 0x8289, 0x828A, 0x828B, 0x828C, 0x828D, 0x828E, 0x828F, // h - o
    0x8290, 0x8291, 0x8292, 0x8293, 0x8294, 0x8295, 0x8296, 0x8297, // p - w
    0x8298, 0x8299, 0x829A, 0x816F, 0x8162, 0x8170, 0x8160,         // x y z { | } ~
};

// Full-width forms of the half-width katakana 0xA1-0xDF.
constexpr std::uint16_t kWideKana[0xE0 - 0xA1] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340,         // 。「」、・ヲァ
    0x8342, 0x8344, 0x8346, 0x8348, 0x8383, 0x8385, 0x8387, 0x8362, // ィゥェォャュョッ
    0x815B, 0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C, // ーアイウエオカキ
    0x834E, 0x8350, 0x8352, 0x8354, 0x8356, 0x8358, 0x835A, 0x835C, // クケコサシスセソ
    0x835E, 0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B, // タチツテトナニヌ
    0x836C, 0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D, // ネノハヒフヘホマ
    0x837E, 0x8380, 0x8381, 0x8382, 0x8384, 0x8386, 0x8388, 0x8389, // ミムメモヤユヨラ
    0x838A, 0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B, // リルレロワン゛゜
};

constexpr unsigned char kHalfU = 0xB3;          // ｳ
constexpr unsigned char kHalfVoiced = 0xDE;     // ﾞ
constexpr unsigned char kHalfSemiVoiced = 0xDF; // ﾟ
constexpr std::uint16_t kWideVu = 0x8394;       // ヴ

// ｶ-ﾄ and ﾊ-ﾎ: their voiced full-width form follows the plain one directly.
bool takesVoiced(unsigned char c) {
    return (c >= 0xB6 && c <= 0xC4) || (c >= 0xCA && c <= 0xCE);
}

// ﾊ-ﾎ: the semi-voiced form is two codes after the plain one.
bool takesSemiVoiced(unsigned char c) {
    return c >= 0xCA && c <= 0xCE;
}

void appendCode(std::string& out, std::uint16_t code) {
    out.push_back(static_cast<char>(code >> 8));
    out.push_back(static_cast<char>(code & 0xFF));
}

// ぁ (0x829F) to ん (0x82F1) onto ァ (0x8340) to ン (0x8393); the katakana row
// skips 0x837F.
std::uint16_t katakanaOf(unsigned char hiraganaTrail) {
    const int trail = 0x40 + (hiraganaTrail - 0x9F);
    return static_cast<std::uint16_t>(0x8300 + (trail >= 0x7F ? trail + 1 : trail));
}

// Maps one piece on its own: a voiced mark merges only with the katakana
// before it in the same piece.
void mapPiece(const std::string& piece, std::string& out) {
    for (size_t i = 0; i < piece.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(piece[i]);
        const unsigned char next = i + 1 < piece.size() ? static_cast<unsigned char>(piece[i + 1]) : 0;
        if (IsLeadByte(c) && i + 1 < piece.size()) {
            if (c == 0x82 && next >= 0x9F && next <= 0xF1)
                appendCode(out, katakanaOf(next));
            else
                out.append(piece, i, 2);
            ++i;
        } else if (c >= 0x20 && c <= 0x7E) {
            appendCode(out, kWideAscii[c - 0x20]);
        } else if (c >= 0xA1 && c <= 0xDF) {
            const std::uint16_t wide = kWideKana[c - 0xA1];
            if (next == kHalfVoiced && c == kHalfU) {
                appendCode(out, kWideVu);
                ++i;
            } else if (next == kHalfVoiced && takesVoiced(c)) {
                appendCode(out, static_cast<std::uint16_t>(wide + 1));
                ++i;
            } else if (next == kHalfSemiVoiced && takesSemiVoiced(c)) {
                appendCode(out, static_cast<std::uint16_t>(wide + 2));
                ++i;
            } else {
                appendCode(out, wide);
            }
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
}

// 126 bytes of input never map to more than 252 bytes.
constexpr int kWindowBytes = 126;

} // namespace

std::string UpperCase932(const std::string& text) {
    std::string out = text;
    for (size_t i = 0; i < out.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(out[i]);
        if (IsLeadByte(c)) {
            if (i + 1 < out.size()) {
                const unsigned char trail = static_cast<unsigned char>(out[i + 1]);
                // ａ-ｚ (0x8281-0x829A) to Ａ-Ｚ (0x8260-0x8279).
                if (c == 0x82 && trail >= 0x81 && trail <= 0x9A)
                    out[i + 1] = static_cast<char>(trail - 0x21);
            }
            ++i;
        } else if (c >= 'a' && c <= 'z') {
            out[i] = static_cast<char>(c - 0x20);
        }
    }
    return out;
}

std::string ToFullWidthKatakana(const std::string& text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (int start = 1;;) {
        const CopiedChars piece = CopyChars(text, start, kWindowBytes);
        if (piece.bytes == 0)
            break;
        mapPiece(piece.text, out);
        start += piece.bytes;
    }
    return out;
}

std::string SearchKey(const std::string& text) {
    const std::string wide = ToFullWidthKatakana(UpperCase932(text));
    std::string key;
    key.reserve(wide.size());
    // Walks by characters rather than by fixed two-byte steps: a byte without
    // a full-width form stays one byte and must not shift the units after it.
    for (size_t i = 0; i < wide.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(wide[i]);
        if (!IsLeadByte(c) || i + 1 == wide.size()) {
            key.push_back(static_cast<char>(c));
            continue;
        }
        const std::uint16_t unit =
            static_cast<std::uint16_t>(c << 8 | static_cast<unsigned char>(wide[i + 1]));
        ++i;
        switch (unit) {
        case 0x817E:                 // ×
            appendCode(key, 0x8277); // Ｘ
            break;
        case 0x815B:                 // ー
            appendCode(key, 0x817C); // －
            break;
        case 0x8140: // full-width space
            break;
        case 0x814C:                 // ´
        case 0x814D:                 // ｀
        case 0x8165:                 // ‘
        case 0x818C:                 // ′
            appendCode(key, 0x8166); // ’
            break;
        case 0x814A:                 // ゛
        case 0x8167:                 // “
        case 0x818D:                 // ″
            appendCode(key, 0x8168); // ”
            break;
        default:
            appendCode(key, unit);
            break;
        }
    }
    return key;
}

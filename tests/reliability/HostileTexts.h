#pragma once

#include "text/Codec.h"

#include <string>
#include <vector>

struct HostileText {
    const char* name;
    std::string bytes; // code page 932
};

// Texts that have broken statements, files and screens elsewhere: quote
// characters, SQL comment and statement marks, LIKE wildcards, two-byte
// characters whose second byte is "\" (0x5C), "|" (0x7C) or "_" (0x5F),
// control bytes, a lead byte without its second byte, bytes that are no
// character of code page 932, texts around the 120-byte line limit, and empty
// and blank texts.
inline std::vector<HostileText> HostileTexts() {
    const std::string wide = Codec::sj("表"); // 0x95 0x5C
    std::string of500;
    for (int i = 0; i < 250; ++i)
        of500 += wide;
    return {
        {"apostrophe", "it's"},
        {"double quote", "say \"hi\""},
        {"quoted literal", "x' OR '1'='1"},
        {"backslash", "C:\\path\\"},
        {"second byte 0x5C", Codec::sj("ソ表能予")},
        {"second byte 0x7C", Codec::sj("－ポ")},
        {"second byte 0x5F", Codec::sj("＼ア")},
        {"semicolon", "a; DROP TABLE ALMEMO;"},
        {"line comment", "x -- y"},
        {"block comment", "x /* y */ z"},
        {"like wildcards", "100% _done_"},
        {"control bytes", "a\x01"
                          "b\tc\x1f"
                          "d\x7f"},
        {"lone lead byte", "abc\x81"},
        {"invalid code page 932", "\xa0\xfd\xfe\xff\x80"
                                  "a"},
        {"119 bytes", std::string(117, 'a') + wide},
        {"120 bytes", std::string(118, 'a') + wide},
        {"121 bytes", std::string(119, 'a') + wide},
        {"500 bytes", of500},
        {"empty", ""},
        {"blank", "   "},
        {"full-width blank", Codec::sj("　　")},
        {"line break", "line1\r\nline2"},
    };
}

#include "editor/RtfDocument.h"

#include "text/Codec.h"
#include "text/Func_.h"
#include "text/Utf8.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <map>
#include <string_view>
#include <utility>

namespace {

// Groups nested deeper than this share the state of the deepest kept group, so
// that the state stack stays small whatever the input.
constexpr size_t MaxDepth = 256;
constexpr int MaxWordLetters = 32;
constexpr std::int64_t MaxParameter = 1'000'000'000;
// More fallback characters after \uN than any writer uses.
constexpr int MaxUnicodeSkip = 16;
// Format changes kept; text after them is read without a format of its own.
// Each run costs the text area's layout far more than its characters do: a
// document that changes the format with every character would take minutes
// to show.
constexpr size_t MaxRuns = 10'000;

enum class Destination { Text, Skipped, FontTable, ColourTable };

struct CharFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 0;
    int colourIndex = 0;

    bool operator==(const CharFormat&) const = default;
};

struct GroupState {
    Destination destination = Destination::Text;
    CharFormat format;
    int font = -1;
    // After \dbch the associated properties (\af, \ab, \ai, \afs) are those
    // of the two-byte text that follows; elsewhere they belong to other scripts.
    bool doubleByte = false;
    int doubleByteFont = -1;
    int unicodeSkip = 1;
};

// \fcharsetN to the Windows code page whose bytes \'hh carries; 0 for "the document's".
int CharsetCodePage(std::int64_t charset) {
    static constexpr std::pair<int, int> CodePages[] = {
        {0, 1252},   {2, 1252},   {77, 10000}, {128, 932},  {129, 949},  {134, 936}, {136, 950},  {161, 1253},
        {162, 1254}, {177, 1255}, {178, 1256}, {186, 1257}, {204, 1251}, {222, 874}, {238, 1250},
    };
    for (const auto& [set, codePage] : CodePages)
        if (set == charset)
            return codePage;
    return 0;
}

// Control words that stand for one character.
struct SpecialCharacter {
    std::string_view word;
    std::uint32_t code;
};

constexpr SpecialCharacter SpecialCharacters[] = {
    {"tab", '\t'},      {"emdash", 0x2014}, {"endash", 0x2013},    {"bullet", 0x2022},
    {"lquote", 0x2018}, {"rquote", 0x2019}, {"ldblquote", 0x201C}, {"rdblquote", 0x201D},
    {"emspace", ' '},   {"enspace", ' '},   {"qmspace", ' '},
};

bool IsSkippedDestination(std::string_view word) {
    static constexpr std::string_view Words[] = {
        "stylesheet",
        "info",
        "pict",
        "object",
        "header",
        "headerl",
        "headerr",
        "headerf",
        "footer",
        "footerl",
        "footerr",
        "footerf",
        "footnote",
        "annotation",
        "atnid",
        "atnauthor",
        "fldinst",
        "listtable",
        "revtbl",
        "rsidtbl",
        "xmlnstbl",
        "filetbl",
        "listoverridetable",
        "themedata",
        "datastore",
        "template",
        "docvar",
        "generator",
        "latentstyles",
        "colorschememapping",
        "pgdsctbl",
        "nonshppict",
        "shpinst",
        "bkmkstart",
        "bkmkend",
        "private",
    };
    return std::find(std::begin(Words), std::end(Words), word) != std::end(Words);
}

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// One pass over the bytes. Text bytes (literal or \'hh) wait in Pending until
// something else comes, so that a two-byte character split into two escapes is
// decoded whole in its code page. Reading stops where the text reaches the
// character limit or the line limit.
class Reader {
public:
    Reader(std::string_view input, size_t characterLimit, size_t lineLimit)
        : In(input), Limit(characterLimit), LineLimit(lineLimit) {}

    RtfDocument Run();

private:
    void OpenGroup();
    bool CloseGroup(); // false when the outermost group ended
    void ControlWord(std::string_view word, bool hasParameter, std::int64_t parameter);
    void ControlSymbol(char symbol);
    void TextByte(unsigned char byte);
    void Unicode(std::int64_t parameter);
    void EmitUtf8(std::string_view utf8);
    void EmitCode(std::uint32_t code);
    void EndParagraph();
    bool StartParagraph();
    void Stop();
    void Flush();
    int CodePage() const;
    bool InText() const { return State.destination == Destination::Text; }
    RtfRun NewRun(const CharFormat& format) const;

    std::string_view In;
    size_t Pos = 0;
    const size_t Limit;
    const size_t LineLimit;
    size_t Used = 0;

    GroupState State;
    std::vector<GroupState> Stack;
    size_t Overflow = 0;

    int DocumentCodePage = 1252;
    int DefaultFont = -1;
    int DefiningFont = -1;
    std::map<int, int> FontCodePages;
    std::vector<std::optional<RtfColour>> Colours;
    RtfColour DefiningColour;
    bool ColourGiven = false;

    std::string Pending;
    int PendingCodePage = 0;
    int FallbackLeft = 0;
    std::uint32_t HighSurrogate = 0;

    RtfDocument Document;
    RtfParagraph Current;
    CharFormat CurrentFormat; // of Current's last run
    size_t Runs = 0;
};

RtfDocument Reader::Run() {
    while (Pos < In.size() && !Document.truncated) {
        const char c = In[Pos++];
        if (c == '{') {
            OpenGroup();
        } else if (c == '}') {
            if (!CloseGroup())
                break;
        } else if (c == '\\') {
            if (Pos >= In.size())
                break;
            if (!IsLetter(In[Pos])) {
                ControlSymbol(In[Pos++]);
                continue;
            }
            const size_t start = Pos;
            while (Pos < In.size() && IsLetter(In[Pos]))
                ++Pos;
            const std::string_view word = In.substr(start, std::min<size_t>(Pos - start, MaxWordLetters));
            bool negative = false;
            if (Pos + 1 < In.size() && In[Pos] == '-' && IsDigit(In[Pos + 1])) {
                negative = true;
                ++Pos;
            }
            const bool hasParameter = Pos < In.size() && IsDigit(In[Pos]);
            std::int64_t parameter = 0;
            while (Pos < In.size() && IsDigit(In[Pos]))
                parameter = std::min(parameter * 10 + (In[Pos++] - '0'), MaxParameter);
            if (negative)
                parameter = -parameter;
            if (Pos < In.size() && In[Pos] == ' ')
                ++Pos;
            ControlWord(word, hasParameter, parameter);
        } else if (c == '\r' || c == '\n') {
            // Line ends in the file carry no meaning.
        } else {
            TextByte(static_cast<unsigned char>(c));
        }
    }
    Flush();
    if (!Current.empty())
        EndParagraph();
    return std::move(Document);
}

// The colour table comes before the text in every document seen.
RtfRun Reader::NewRun(const CharFormat& format) const {
    RtfRun run;
    run.bold = format.bold;
    run.italic = format.italic;
    run.underline = format.underline;
    run.halfPoints = format.halfPoints;
    const int index = format.colourIndex;
    if (index > 0 && static_cast<size_t>(index) < Colours.size())
        run.colour = Colours[static_cast<size_t>(index)];
    return run;
}

void Reader::OpenGroup() {
    Flush();
    FallbackLeft = 0;
    if (Stack.size() < MaxDepth)
        Stack.push_back(State);
    else
        ++Overflow;
}

bool Reader::CloseGroup() {
    Flush();
    FallbackLeft = 0;
    if (Overflow > 0) {
        --Overflow;
        return true;
    }
    if (Stack.empty())
        return false;
    State = Stack.back();
    Stack.pop_back();
    return !Stack.empty();
}

void Reader::ControlSymbol(char symbol) {
    switch (symbol) {
    case '\'': {
        const char* const digits = In.data() + Pos;
        const size_t length = std::min<size_t>(2, In.size() - Pos);
        unsigned value = 0;
        const auto [end, error] = std::from_chars(digits, digits + length, value, 16);
        if (error != std::errc() || end != digits + 2) {
            // A truncated escape: its digits are dropped.
            Pos += static_cast<size_t>(end - digits);
            return;
        }
        Pos += 2;
        TextByte(static_cast<unsigned char>(value));
        return;
    }
    case '\\':
    case '{':
    case '}':
        TextByte(static_cast<unsigned char>(symbol));
        return;
    case '*':
        Flush();
        State.destination = Destination::Skipped;
        return;
    case '\r':
    case '\n':
        ControlWord("par", false, 0);
        return;
    default:
        break;
    }
    Flush();
    FallbackLeft = 0;
    if (!InText())
        return;
    if (symbol == '~')
        EmitCode(' ');
    else if (symbol == '_')
        EmitCode('-');
    else if (symbol == '\t')
        EmitCode('\t');
}

void Reader::ControlWord(std::string_view word, bool hasParameter, std::int64_t parameter) {
    if (word == "bin") {
        // Binary data of the given length follows; it belongs to a skipped picture or object.
        Flush();
        const size_t length = parameter > 0 ? static_cast<size_t>(parameter) : 0;
        Pos += std::min(length, In.size() - Pos);
        return;
    }
    if (word == "u") {
        Unicode(parameter);
        return;
    }
    Flush();
    FallbackLeft = 0;
    const bool on = !hasParameter || parameter != 0;
    const int value = static_cast<int>(parameter);
    if (word == "fonttbl") {
        State.destination = Destination::FontTable;
    } else if (word == "colortbl") {
        State.destination = Destination::ColourTable;
        Colours.clear();
        DefiningColour = {};
        ColourGiven = false;
    } else if (IsSkippedDestination(word)) {
        State.destination = Destination::Skipped;
    } else if (State.destination == Destination::FontTable) {
        if (word == "f")
            DefiningFont = value;
        else if (word == "fcharset" && CharsetCodePage(parameter) != 0)
            FontCodePages[DefiningFont] = CharsetCodePage(parameter);
        else if (word == "cpg" && parameter > 0)
            FontCodePages[DefiningFont] = value;
    } else if (State.destination == Destination::ColourTable) {
        const int level = std::clamp(value, 0, 255);
        if (word == "red")
            DefiningColour.red = level;
        else if (word == "green")
            DefiningColour.green = level;
        else if (word == "blue")
            DefiningColour.blue = level;
        else
            return;
        ColourGiven = true;
    } else if (word == "ansicpg" && parameter > 0) {
        DocumentCodePage = value;
    } else if (word == "mac") {
        DocumentCodePage = 10000;
    } else if (word == "deff") {
        DefaultFont = value;
    } else if (word == "f") {
        State.font = value;
    } else if (word == "dbch" || word == "loch" || word == "hich") {
        State.doubleByte = word == "dbch";
    } else if (State.doubleByte && (word == "af" || word == "ab" || word == "ai" || word == "afs")) {
        if (word == "af")
            State.doubleByteFont = value;
        else if (word == "ab")
            State.format.bold = on;
        else if (word == "ai")
            State.format.italic = on;
        else if (parameter > 0)
            State.format.halfPoints = std::min(value, 3276);
    } else if (word == "uc") {
        State.unicodeSkip = std::clamp(value, 0, MaxUnicodeSkip);
    } else if (word == "plain") {
        State.format = CharFormat{};
    } else if (word == "b") {
        State.format.bold = on;
    } else if (word == "i") {
        State.format.italic = on;
    } else if (word == "ulnone") {
        State.format.underline = false;
    } else if (word == "ul" || word == "uld" || word == "uldb" || word == "ulw" || word == "uldash" ||
               word == "ulwave" || word == "ulth") {
        State.format.underline = on;
    } else if (word == "fs") {
        if (parameter > 0)
            State.format.halfPoints = std::min(value, 3276);
    } else if (word == "cf") {
        State.format.colourIndex = std::max(value, 0);
    } else if (!InText()) {
        return;
    } else if (word == "par" || word == "sect" || word == "line") {
        EndParagraph();
    } else {
        for (const SpecialCharacter& special : SpecialCharacters) {
            if (special.word == word) {
                EmitCode(special.code);
                break;
            }
        }
    }
}

void Reader::Unicode(std::int64_t parameter) {
    Flush();
    FallbackLeft = State.unicodeSkip;
    if (!InText())
        return;
    // Writers give characters above 32767 as negative 16-bit numbers.
    const std::uint32_t unit = static_cast<std::uint32_t>(parameter < 0 ? parameter + 65536 : parameter);
    if (unit < 0x20 && unit != '\t')
        return;
    if (unit > 0xFFFF) {
        EmitCode(0xFFFD);
    } else if (unit >= 0xD800 && unit <= 0xDBFF) {
        HighSurrogate = unit;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
        EmitCode(HighSurrogate != 0 ? 0x10000 + ((HighSurrogate - 0xD800) << 10) + (unit - 0xDC00) : 0xFFFD);
    } else {
        EmitCode(unit);
    }
}

void Reader::TextByte(unsigned char byte) {
    if (FallbackLeft > 0) {
        --FallbackLeft;
        return;
    }
    if (State.destination == Destination::ColourTable && byte == ';') {
        // An entry without levels stands for the automatic colour.
        Colours.push_back(ColourGiven ? std::optional<RtfColour>(DefiningColour) : std::nullopt);
        DefiningColour = {};
        ColourGiven = false;
        return;
    }
    if (!InText())
        return;
    if (byte < 0x20 && byte != '\t')
        return;
    const int codePage = CodePage();
    if (!Pending.empty() && codePage != PendingCodePage)
        Flush();
    PendingCodePage = codePage;
    Pending += static_cast<char>(byte);
    // No character takes more than 4 bytes: Pending then holds more than the
    // limit leaves room for, and reading goes no further than the cut.
    if (Pending.size() >= 8 && (Pending.size() - 8) / 4 >= Limit - Used)
        Flush();
}

int Reader::CodePage() const {
    const auto doubleByte = FontCodePages.find(State.doubleByteFont);
    if (State.doubleByte && doubleByte != FontCodePages.end())
        return doubleByte->second;
    const auto found = FontCodePages.find(State.font >= 0 ? State.font : DefaultFont);
    return found != FontCodePages.end() ? found->second : DocumentCodePage;
}

void Reader::Flush() {
    if (Pending.empty())
        return;
    const std::string utf8 = Codec::codePageToUtf8(PendingCodePage, Pending);
    Pending.clear();
    EmitUtf8(utf8);
}

void Reader::EmitCode(std::uint32_t code) {
    if (HighSurrogate != 0 && (code < 0xDC00 || code > 0xDFFF) && code < 0x10000) {
        // A high surrogate without its partner.
        HighSurrogate = 0;
        EmitCode(0xFFFD);
    }
    HighSurrogate = 0;
    std::string utf8;
    AppendUtf8(utf8, code);
    EmitUtf8(utf8);
}

// Characters are counted as the text area counts them: a character beyond
// U+FFFF as two, the line end between two paragraphs as one.
void Reader::EmitUtf8(std::string_view utf8) {
    if (utf8.empty() || Document.truncated)
        return;
    if (Current.empty() && !StartParagraph())
        return;
    size_t room = Limit - Used;
    size_t end = 0;
    while (end < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[end]);
        const size_t units = lead >= 0xF0 ? 2 : 1;
        if (units > room)
            break;
        room -= units;
        end += lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    }
    Used = Limit - room;
    if (end < utf8.size())
        Stop();
    if (end == 0)
        return;
    const CharFormat format = Runs < MaxRuns ? State.format : CharFormat{};
    if (Current.empty() || CurrentFormat != format) {
        Current.push_back(NewRun(format));
        CurrentFormat = format;
        ++Runs;
    }
    Current.back().text += utf8.substr(0, end);
}

void Reader::EndParagraph() {
    Flush();
    if (Current.empty() && !StartParagraph())
        return;
    Document.paragraphs.push_back(std::move(Current));
    Current.clear();
}

// A paragraph comes into being: one line more, and a line end before it
// unless it is the first.
bool Reader::StartParagraph() {
    const size_t lineEnd = Document.paragraphs.empty() ? 0 : 1;
    if (Document.truncated || Document.paragraphs.size() >= LineLimit || Limit - Used < lineEnd) {
        Stop();
        return false;
    }
    Used += lineEnd;
    return true;
}

void Reader::Stop() {
    Document.truncated = true;
}

void AppendHex(std::string& out, unsigned char byte) {
    static const char Digits[] = "0123456789abcdef";
    out += "\\'";
    out += Digits[byte >> 4];
    out += Digits[byte & 0x0F];
}

// Code page 932 text of one line as escapes and plain ASCII.
void AppendCp932(std::string& out, std::string_view sjis) {
    for (size_t k = 0; k < sjis.size(); ++k) {
        const auto byte = static_cast<unsigned char>(sjis[k]);
        if (IsLeadByte(byte) && k + 1 < sjis.size()) {
            // The second byte may be "\", "{" or "}": it is escaped as well.
            AppendHex(out, byte);
            AppendHex(out, static_cast<unsigned char>(sjis[++k]));
        } else if (byte >= 0x80) {
            AppendHex(out, byte);
        } else if (byte == '\\' || byte == '{' || byte == '}') {
            out += '\\';
            out += static_cast<char>(byte);
        } else if (byte == '\t') {
            out += "\\tab ";
        } else if (byte >= 0x20) {
            out += static_cast<char>(byte);
        }
    }
}

// A character as \uN with "?" for readers without Unicode (\uc1), one
// control word for each UTF-16 unit; N is signed 16-bit.
void AppendUnicode(std::string& out, std::uint32_t code) {
    const auto unit = [&out](std::uint32_t value) {
        out += "\\u";
        out += std::to_string(static_cast<std::int16_t>(value));
        out += '?';
    };
    if (code > 0xFFFF) {
        unit(0xD800 + ((code - 0x10000) >> 10));
        unit(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
        unit(code);
    }
}

// A line of UTF-8 text: what code page 932 holds as itself as its bytes,
// everything else as \uN. A piece that code page 932 holds whole, the usual
// case, is converted in one go.
void AppendLine(std::string& out, std::string_view line) {
    constexpr size_t Piece = 256;
    size_t at = 0;
    while (at < line.size()) {
        size_t end = std::min(at + Piece, line.size());
        while (end < line.size() && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80)
            ++end;
        const std::string piece(line.substr(at, end - at));
        const std::string sjis = Codec::fromUtf8(piece);
        if (Codec::toUtf8(sjis) == piece) {
            AppendCp932(out, sjis);
        } else {
            for (size_t k = at; k < end;) {
                const auto [code, length] = Utf8::Next(line.substr(k, end - k));
                const std::string character(line.substr(k, length));
                const std::string one = Codec::fromUtf8(character);
                if (code != 0xFFFD && Codec::toUtf8(one) == character)
                    AppendCp932(out, one);
                else
                    AppendUnicode(out, code);
                k += length;
            }
        }
        at = end;
    }
}

} // namespace

std::string RtfDocument::plainText() const {
    std::string text;
    for (size_t i = 0; i < paragraphs.size(); ++i) {
        if (i > 0)
            text += '\n';
        for (const RtfRun& run : paragraphs[i])
            text += run.text;
    }
    return text;
}

bool IsRtf(std::string_view bytes) {
    return bytes.substr(0, 5) == "{\\rtf";
}

RtfDocument ReadRtf(std::string_view bytes, size_t characterLimit, size_t lineLimit) {
    return Reader(bytes, characterLimit, lineLimit).Run();
}

std::string WriteRtf(const std::string& text) {
    // The font is "ＭＳ ゴシック", its name in code page 932 bytes.
    std::string out = "{\\rtf1\\ansi\\ansicpg932\\deff0\\deflang1041"
                      "{\\fonttbl{\\f0\\fmodern\\fprq1\\fcharset128 "
                      "\\'82\\'6c\\'82\\'72 \\'83\\'53\\'83\\'56\\'83\\'62\\'83\\'4e;}}\r\n"
                      "\\viewkind4\\uc1\\pard\\plain\\f0\\fs20 ";
    out.reserve(out.size() + text.size() * 2);
    size_t i = 0;
    while (i < text.size()) {
        const size_t end = std::min(text.find('\n', i), text.size());
        AppendLine(out, std::string_view(text).substr(i, end - i));
        out += "\\par\r\n";
        i = end + 1;
        if (i == text.size())
            out += "\\par\r\n"; // the text ends with a line end: an empty last line
    }
    out += "}\r\n";
    return out;
}

// The statement builder: name quoting never touches a literal, and a value,
// whatever bytes it holds, stays one literal of the statement with exactly its
// bytes. The server reads a connection without character set byte by byte, so
// the statements are read here byte by byte as well.

#include "FuzzCheck.h"

#include "db/StatementText.h"
#include "db/UnitSchema.h"

#include <vector>

namespace {

std::string WithoutDoubleQuotes(std::string text) {
    std::erase(text, '"');
    return text;
}

// The literals of a statement as the server reads them ('' inside a literal
// is one apostrophe); complete is false when the text ends inside a literal.
struct Lexed {
    std::vector<std::string> literals;
    bool complete = true;
};

Lexed Lex(const std::string& text) {
    Lexed out;
    bool inside = false;
    std::string current;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!inside) {
            if (text[i] == '\'')
                inside = true;
            continue;
        }
        if (text[i] != '\'') {
            current += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == '\'') {
            current += '\'';
            ++i;
        } else {
            out.literals.push_back(current);
            current.clear();
            inside = false;
        }
    }
    out.complete = !inside;
    return out;
}

// The literals as written in a fragment, apostrophes counted as QuoteNames counts them.
std::vector<std::string> RawLiterals(const std::string& text) {
    std::vector<std::string> literals;
    std::size_t at = 0;
    while ((at = text.find('\'', at)) != std::string::npos) {
        const std::size_t end = text.find('\'', at + 1);
        literals.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at + 1));
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return literals;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::string text = input.text(255);
    const std::string keyword = input.text(255);
    const std::string fragment = input.rest();

    // Quoting only puts double quotes around names.
    const std::string quoted = StatementText::QuoteNames(fragment);
    FUZZ_CHECK(WithoutDoubleQuotes(quoted) == WithoutDoubleQuotes(fragment));
    FUZZ_CHECK(RawLiterals(quoted) == RawLiterals(fragment));
    FUZZ_CHECK(StatementText::QuoteNames(StatementText::UpperCaseNames(fragment)) ==
               StatementText::UpperCaseNames(fragment));

    // A memo row written with hostile text: every value is one literal holding its bytes.
    FieldList row;
    SetMemoFields(row);
    row[MemoN].Value = "12";
    row[MemoSN].Value = "3.5";
    row[MemoDF].Value = "0";
    row[MemoMN].Value = "7";
    row[MemoText].Value = text;
    row[MemoFind].Value = keyword;
    std::vector<std::string> expected;
    for (const std::string* value : {&text, &keyword})
        if (!value->empty())
            expected.push_back(*value);
    for (const StatementText::Lines& lines :
         {StatementText::Insert("MYMEMO7", MemoColumns, row),
          StatementText::UpdateRow("MYMEMO7", MemoColumns, row, "N=12")}) {
        const Lexed lexed = Lex(StatementText::Join(lines));
        FUZZ_CHECK(lexed.complete);
        FUZZ_CHECK(lexed.literals == expected);
    }
    const std::string rendered = StatementText::RenderValue(row[MemoText]);
    FUZZ_CHECK(text.empty() ? rendered == "NULL" : Lex(rendered).literals == std::vector<std::string>{text});

    // A find keyword that the dialog let through (no apostrophe) stays inside its LIKE literal.
    if (keyword.find('\'') == std::string::npos) {
        const std::string condition = "(SN > 1.5) AND (DF = 0) AND (TEXT LIKE '%" + keyword + "%') ";
        const Lexed lexed =
            Lex(StatementText::Join(StatementText::SelectRows("*", "MYMEMO7", condition, "SN,N")));
        FUZZ_CHECK(lexed.complete);
        FUZZ_CHECK(lexed.literals == std::vector<std::string>{"%" + keyword + "%"});
    }
    return 0;
}

#include "memo/MemoScreen.h"

#include "app/Forms.h"
#include "app/Settings.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "editor/UnitEditor.h"
#include "platform/Platform.h"
#include "search/UnitGSearch.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QLineEdit>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <limits>

// Changing the pad: Enter, Insert, Delete and the paste; and the two windows
// a memo screen opens, the scratch editor with the whole pad and the global
// search.

namespace {

const char* const PadFullText = "めもの登録番号が上限に達したため、これ以上行を登録出来ません";
const char* const NoRoomText = "この位置にはこれ以上行を挿入出来ません";

// Clipboard text split at CR LF, CR or LF; a line end at the very end makes no further line.
QStringList SplitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

// What a paste did, told in the status bar.
struct PasteOutcome {
    int lines = 0;
    int stored = 0;
    // Stored lines in which a character code page 932 cannot hold became "?".
    int replaced = 0;
    bool room = true;     // false: nothing was stored, the sort numbers left no room
    bool padFull = false; // the pad ran out of numbers
    std::string reason;   // why lines were not stored, when that is the server's answer

    std::string Text() const {
        if (!room)
            return Codec::sj(NoRoomText);
        const int left = lines - stored;
        std::string text;
        // A paste that stored some of its lines must not be repeated: it
        // would store them twice. One that stored none may.
        if (left == 0)
            text = Codec::sj("クリップボードからペーストを行いました");
        else if (stored == 0)
            text = padFull ? Codec::sj(PadFullText)
                           : Codec::sj("ペーストした") + std::to_string(lines) +
                                 Codec::sj("行を登録出来ませんでした。再度行ってみて下さい");
        else
            text = Codec::sj("ペーストした") + std::to_string(lines) + Codec::sj("行のうち") +
                   std::to_string(stored) + Codec::sj("行を登録しました。") +
                   (padFull
                        ? Codec::sj("めもの登録番号が上限に達したため、残りの") + std::to_string(left) +
                              Codec::sj("行は登録出来ません")
                        : Codec::sj("残りの") + std::to_string(left) + Codec::sj("行は登録出来ませんでした"));
        if (left > 0 && !reason.empty())
            text += Codec::sj("（") + reason + Codec::sj("）");
        if (replaced > 0)
            text += Codec::sj("（") + std::to_string(replaced) +
                    Codec::sj("行の使用出来ない文字を「?」に置き換えました）");
        return text;
    }
};

// The refusal of a line with a character code page 932 cannot hold, in the
// manner of the refusal of quote characters, with the character's code for
// one that does not show.
QString UnheldCharRefusal(const QString& character) {
    const char32_t code = character.toUcs4().value(0);
    const QString codeText = QString::number(code, 16).toUpper().rightJustified(4, QLatin1Char('0'));
    return QString::fromUtf8("文字「") + character + QString::fromUtf8("」（U+") + codeText +
           QString::fromUtf8("）を使用しないで下さい");
}

// Shows a window opened from a memo screen, blocking no window. The
// all-members pad is modal; a window opened from it belongs to it (transient
// to it), which lets it take input while the pad is open.
void ShowBeside(const QWidget* owner, QWidget* window) {
    window->createWinId();
    window->windowHandle()->setTransientParent(owner->isModal() ? owner->windowHandle() : nullptr);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

// ---- Changing the pad -----------------------------------------------------------------------------

ReadResult<double> TMemoScreen::SortNumberBeforeRow(int row) {
    if (row > 0)
        return ToFloatOrZero(Cell(0, row - 1));
    return ReadDb(true, [&] { return Page.SortNumberBeforePage(*Db, ToFloatOrZero(Cell(0, row))); });
}

// Before row 0 of a page that is not the first, the page starts right after
// the line before the new lines, as an ordinary page does, so that they show
// on it also after a find or a jump (whose page starts just below the hit).
double TMemoScreen::PageStartWith(int row, double before) const {
    return row == 0 && PageStart() > 0 ? before : PageStart();
}

void TMemoScreen::RegisterLine() {
    if (!CanChangePad())
        return;
    const int r = CurrentRow();
    const std::string text = EntryText();
    // The typed text belongs to the line it was taken from. A refresh keeps
    // the text but may move the selection away from that line (the line was
    // deleted meanwhile, or lines added by others filled the page under the
    // append row); Enter then must not write it over the line now selected.
    const bool onEntryLine = Cell(1, r) == EntryLineNumber;
    // An unchanged line is left alone: compared with the line's own text, so a
    // line changed to the text of its sort number is still stored. The
    // comparison is of what the field shows, since a few characters have two
    // code page 932 forms and come back from the field in the other one.
    if (Edit1->text() == Codec::toQString(onEntryLine ? Cell(2, r) : EntryLineText))
        return;
    if (ContainsQuote(text)) {
        SetStatus(Codec::sj(QuoteRefusalText));
        return;
    }
    // The field holds Qt's text: a character code page 932 cannot hold would
    // be stored as "?". The text stays in the field to be mended.
    if (const QString unheld = Codec::firstUnheldChar(Edit1->text()); !unheld.isEmpty()) {
        ShowStatus(UnheldCharRefusal(unheld));
        return;
    }
    if (!MemberNumberWritable())
        return;
    Timer1->stop();
    const int n = ToIntOrZero(EntryLineNumber);
    bool newLine = n <= 0;
    bool padFull = false;
    Outcome failure;
    if (!newLine) {
        // A line another member deleted meanwhile is gone: the text becomes a
        // new line instead of disappearing into the deleted row. A line that
        // could not be read stays the line: a new one could be its copy.
        const ReadResult<bool> found =
            ReadDb(true, [&] { return ReadMemoLine(*Db, TableName(), RowBuffer, n); });
        failure = FailureOf(found);
        newLine = found && !(*found && ToIntOrZero(RowBuffer[MemoDF].Value) == 0);
        if (!failure && !newLine)
            failure = CallDb(true, false, [&] {
                return ChangeMemoLine(*Db, TableName(), RowBuffer, text, Settings::MemberNumber)
                           ? Outcome()
                           : ModuleFailure();
            });
    }
    if (newLine) {
        failure = CallDb(true, false, [&] {
            // A line tried again after a race goes after the lines stored meanwhile.
            std::int32_t number = 0;
            const NewLineResult result = StoreNewMemoLine(
                *Db, TableName(), RowBuffer, number, [this] { return AppendSortNumber(*Db, TableName()); },
                text, Settings::MemberNumber);
            padFull = result == NewLineResult::PadFull;
            return result == NewLineResult::Failed ? ModuleFailure() : Outcome();
        });
    }
    // A new line, stored or not, brings the last page, which that action
    // loads with its append row selected: after a stored line the field is
    // empty for the next one, typed lines never land on the line just stored.
    // A changed line reloads the page it stands on and stays selected.
    if (newLine)
        LastPage();
    else
        LoadPage();
    if (!failure && !padFull) {
        SetStatus(Codec::sj("登録出来ました"));
    } else {
        // A new line that was not stored stays a new line: Enter pressed again
        // adds it, even when lines other members added meanwhile have filled
        // the last page and put one of theirs under the selection.
        if (newLine) {
            EntryLineNumber.clear();
            EntryLineText.clear();
        }
        // The typed text stays in the field so that Enter can simply be pressed again.
        SetEntryText(text);
        if (padFull)
            SetStatus(Codec::sj(PadFullText));
        else
            SayFailure("登録出来ませんでした。再度行ってみて下さい", failure, true);
    }
    RestartTimer();
}

void TMemoScreen::InsertLine() {
    if (!CanChangePad())
        return;
    const int r = CurrentRow();
    if (Cell(0, r).empty()) {
        SetStatus(Codec::sj("そのまま めも入力を行って下さい"));
        return;
    }
    if (!MemberNumberWritable())
        return;
    Timer1->stop();
    const double c = ToFloatOrZero(Cell(0, r));
    const ReadResult<double> before = SortNumberBeforeRow(r);
    Outcome failure = FailureOf(before);
    NewLineResult result = NewLineResult::Failed;
    bool room = true;
    if (before) {
        const double m = MidSortNumber(*before, c);
        room = SortNumberFits(m, c);
        if (room)
            failure = CallDb(true, false, [&] {
                std::int32_t number = 0;
                result = StoreNewMemoLine(
                    *Db, TableName(), RowBuffer, number, [m] { return m; }, {}, Settings::MemberNumber);
                return result == NewLineResult::Failed ? ModuleFailure() : Outcome();
            });
    }
    // The page is read again also when nothing was stored: another member
    // may have changed it.
    const bool shown = !LoadPageAt(before ? PageStartWith(r, *before) : PageStart());
    if (result == NewLineResult::Stored) {
        if (shown)
            SelectRow(r);
        SetStatus(Codec::sj("１行挿入出来ました"));
    } else if (!room) {
        SetStatus(Codec::sj(NoRoomText));
    } else if (result == NewLineResult::PadFull) {
        SetStatus(Codec::sj(PadFullText));
    } else {
        SayFailure("１行挿入出来ませんでした。再度行ってみて下さい", failure, true);
    }
    RestartTimer();
}

void TMemoScreen::DeleteLine() {
    // The append row (or the one empty row of an empty pad) holds no line.
    if (!CanChangePad() || Cell(0, CurrentRow()).empty() || !MemberNumberWritable())
        return;
    Timer1->stop();
    if (Platform::askYesNo(this, Codec::sj("現在行を削除します。よろしいですか？")) !=
        Platform::Answer::Yes) {
        ResumeTimer();
        return;
    }
    const int r = CurrentRow();
    const int n = ToIntOrZero(Cell(1, r));
    const Outcome failure = CallDb(true, false, [&] {
        return DeleteMemoLine(*Db, TableName(), n, Cell(2, r), Settings::MemberNumber) ? Outcome()
                                                                                       : ModuleFailure();
    });
    LoadPage();
    // The selection has moved to the line after the deleted one: the field
    // shows that line, and Enter cannot store the deleted text again.
    TakeEntryFrom(CurrentRow());
    // A failed statement is reported as such, never as a deletion.
    if (failure)
        SayFailure("現在行の削除が出来ませんでした。再度行ってみて下さい", failure, true);
    else
        SetStatus(Codec::sj("現在行の削除を行いました"));
    RestartTimer();
}

void TMemoScreen::ButtonIClick() {
    if (!CanChangePad())
        return;
    Timer1->stop();
    const QStringList lines = SplitLines(Platform::clipboardString());
    if (lines.empty()) {
        ResumeTimer();
        return;
    }
    if (!MemberNumberWritable()) {
        ResumeTimer();
        return;
    }
    const int k = static_cast<int>(lines.size());
    const int r = CurrentRow();
    const bool beforeRow = !Cell(0, r).empty();
    PasteOutcome outcome;
    outcome.lines = k;
    // Where the lines go: spread before row r, or one by one after the largest sort number.
    ReadResult<double> base = 0.0;
    double step = 1.0;
    double pageStart = PageStart();
    if (beforeRow) {
        const double c = ToFloatOrZero(Cell(0, r));
        base = SortNumberBeforeRow(r);
        if (base) {
            step = SortNumberStep(*base, c, k);
            // The first line has the smallest sort number of them.
            outcome.room = SortNumberFits(*base + step, c);
            pageStart = PageStartWith(r, *base);
        }
    } else {
        base = ReadDb(true, [&] { return LargestSortNumber(*Db, TableName()); });
    }
    Outcome failure = FailureOf(base);
    if (base && outcome.room)
        failure = CallDb(true, false, [&] {
            std::int32_t next = 0;
            double sn = *base;
            int tried = 0;
            for (int i = 0; i < k; ++i, ++tried) {
                const QString& line = lines[i];
                sn += step;
                const std::string text =
                    CopyChars(RemoveQuotes(Codec::fromQString(line)), 1, MaxLineBytes).text;
                // The lines take the numbers after the first one, as long as no
                // other client takes one of them meanwhile.
                const NewLineResult result = StoreNewMemoLine(
                    *Db, TableName(), RowBuffer, next, [sn] { return sn; }, text, Settings::MemberNumber);
                if (result == NewLineResult::PadFull) {
                    outcome.padFull = true;
                    break;
                }
                if (result == NewLineResult::Stored) {
                    ++outcome.stored;
                    if (!Codec::firstUnheldChar(line).isEmpty())
                        ++outcome.replaced;
                }
                next = result == NewLineResult::Stored && next < std::numeric_limits<std::int32_t>::max()
                           ? next + 1
                           : 0;
            }
            return outcome.stored == tried ? Outcome() : ModuleFailure();
        });
    outcome.reason = FailureReason(failure, true);
    if (beforeRow) {
        if (!LoadPageAt(pageStart))
            SelectRow(r);
    } else {
        LastPage();
    }
    SetStatus(outcome.Text());
    RestartTimer();
}

// The whole pad goes to the editor, or nothing when it cannot be read: an
// empty editor would look like an empty pad.
void TMemoScreen::ButtonHClick() {
    Timer1->stop();
    ReadResult<std::vector<std::string>> texts = std::vector<std::string>();
    if (Ready()) {
        // No more lines than this fit into the editor (each takes at least
        // one character and a line end), and one more shows the cut.
        const int limit =
            static_cast<int>(std::min(TFormEditor::MaxCharacters / 2, TFormEditor::MaxLines)) + 1;
        texts = ReadDb(true, [&] { return Page.ReadTexts(*Db, limit); });
        if (!texts) {
            SayFailure("めもを簡易エディタへ渡せませんでした", FailureOf(texts));
            ResumeTimer();
            return;
        }
    }
    TFormEditor* editor = forms().FormEditor;
    ShowBeside(this, editor);
    editor->RichEdit1->hide();
    editor->RichEdit1->clear();
    if (Ready()) {
        size_t read = 0;
        editor->TakeLines([&](QString& line) {
            if (read == texts->size())
                return false;
            const std::string& text = (*texts)[read++];
            line = Codec::toQString(RemoveSpaces(text).empty() ? std::string(" ") : text);
            return true;
        });
    }
    editor->RichEdit1->show();
    editor->RichEdit1->setFocus();
    QTextCursor cursor = editor->RichEdit1->textCursor();
    cursor.setPosition(0);
    editor->RichEdit1->setTextCursor(cursor);
    ResumeTimer();
}

void TMemoScreen::ButtonJClick() {
    ShowBeside(this, forms().FormGSearch);
}

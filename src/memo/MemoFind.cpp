#include "app/Forms.h"
#include "app/Settings.h"
#include "memo/MemoScreen.h"
#include "memo/UnitNo.h"
#include "memo/UnitSearch.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>

// Find, find next and the jump to a registration number of the memo screen.

void TMemoScreen::ButtonEClick() {
    if (!Ready())
        return;
    Timer1->stop();
    TFormSearch* dialog = forms().FormSearch;
    const MemoFindSettings& find = Page.Find();
    dialog->Keyword = find.keyword;
    dialog->UseFindColumn = find.useFindColumn;
    dialog->SearchDown = find.searchDown;
    dialog->exec();
    if (dialog->Accepted)
        Page.SetFind({dialog->Keyword, dialog->UseFindColumn, dialog->SearchDown});
    if (!FindKeyword().empty())
        FindFromCurrentRow();
    ResumeTimer();
}

void TMemoScreen::ButtonFClick() {
    if (!Ready())
        return;
    Timer1->stop();
    if (!FindKeyword().empty())
        FindFromCurrentRow();
    ResumeTimer();
}

// The current line itself never matches: find next walks from hit to hit.
void TMemoScreen::FindFromCurrentRow() {
    int r = CurrentRow();
    if (Cell(0, r).empty() && r > 0)
        r -= 1;
    const double x = ToFloatOrZero(Cell(0, r));
    const ReadResult<std::optional<double>> start = ReadDb(true, [&] { return Page.FindStart(*Db, x); });
    Outcome failure = FailureOf(start);
    if (!failure && !*start) {
        SetStatus(Codec::sj("検索できませんでした"));
        return;
    }
    if (!failure)
        failure = LoadPageAt(**start);
    if (failure) {
        SayFailure("検索できませんでした", failure);
        return;
    }
    // Selecting the row puts its text into the entry field.
    SelectRow(0);
    SetStatus(Codec::sj("検索できました"));
}

void TMemoScreen::ButtonGClick() {
    if (!Ready())
        return;
    Timer1->stop();
    TFormNo* dialog = forms().FormNo;
    dialog->JumpNumber = 1;
    dialog->exec();
    if (dialog->Accepted)
        JumpToNumber(dialog->JumpNumber);
    RestartTimer();
}

bool TMemoScreen::JumpToNumber(std::int32_t n) {
    const ReadResult<std::optional<double>> start = ReadDb(true, [&] { return Page.JumpStart(*Db, n); });
    Outcome failure = FailureOf(start);
    if (!failure && !*start) {
        SetStatus(Codec::sj("指示された登録番号は見つかりませんでした"));
        return false;
    }
    if (!failure)
        failure = LoadPageAt(**start);
    if (failure) {
        SayFailure("指示された登録番号へジャンプ出来ませんでした", failure);
        return false;
    }
    SelectRow(0);
    SG1->setColumnWidth(1, 48);
    SetStatus(Codec::sj("指示された登録番号へジャンプしました"));
    return true;
}

#include "app/Forms.h"
#include "app/Settings.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "memo/MemoScreen.h"
#include "memo/UnitNo.h"
#include "memo/UnitSearch.h"
#include "text/CharMatch.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>

// Find, find next and the jump to a registration number of the memo screen.

namespace {

// Rows of the first read of a find, and the most of any later one.
constexpr int FirstFindBatch = 8;
constexpr int LargestFindBatch = 65536;

} // namespace

void TMemoScreen::ButtonEClick() {
    if (!Ready)
        return;
    Timer1->stop();
    TFormSearch* dialog = forms().FormSearch;
    dialog->Keyword = FindKeyword;
    dialog->UseFindColumn = UseFindColumn;
    dialog->SearchDown = SearchDown;
    dialog->exec();
    if (dialog->Accepted) {
        FindKeyword = dialog->Keyword;
        UseFindColumn = dialog->UseFindColumn;
        SearchDown = dialog->SearchDown;
    }
    if (!FindKeyword.empty())
        FindFromCurrentRow();
    ResumeTimer();
}

void TMemoScreen::ButtonFClick() {
    if (!Ready)
        return;
    Timer1->stop();
    if (!FindKeyword.empty())
        FindFromCurrentRow();
    ResumeTimer();
}

void TMemoScreen::FindFromCurrentRow() {
    int r = CurrentRow();
    if (Cell(0, r).empty() && r > 0)
        r -= 1;
    const double x = ToFloatOrZero(Cell(0, r));
    const std::string keyword = UseFindColumn == 1 ? SearchKey(FindKeyword) : FindKeyword;
    const int column = UseFindColumn != 0 ? MemoFind : MemoText;
    const std::string condition = std::string(SearchDown != 0 ? "(SN > " : "(SN < ") + FloatToText(x) + ")" +
                                  " AND (DF = 0) AND (" + RowBuffer[column].Name + " LIKE '%" + keyword +
                                  "%') ";
    // LIKE compares bytes, so its hits are a superset: the nearest row that
    // holds the keyword character by character is the hit. The rows come
    // nearest first, in batches that double in size, so that the usual true
    // first hit costs one short read and a run of false ones stays cheap.
    const char* order = SearchDown != 0 ? PageOrder : BackwardOrder;
    bool found = false;
    if (EnsureConnected()) {
        int batch = FirstFindBatch;
        for (int skipped = 0; !found; skipped += batch, batch = std::min(2 * batch, LargestFindBatch)) {
            const int count = Db->SelectRows("*", TableName, condition, order, batch, skipped);
            for (int i = 0; i < count && !found; ++i) {
                if (i == 0)
                    Db->ReadFirst(RowBuffer);
                else
                    Db->ReadNext(RowBuffer);
                const std::string& value = RowBuffer[column].Value;
                found =
                    UseFindColumn != 0 ? ContainsChars(value, keyword) : LikeContainsChars(value, keyword);
            }
            Db->CloseQuery();
            if (count < batch)
                break;
        }
    }
    if (!found) {
        SetStatus(Codec::sj("検索できませんでした"));
        return;
    }
    PageStart = ToFloatOrZero(RowBuffer[MemoSN].Value) - Tolerance;
    LoadPage();
    // Selecting the row puts its text into the entry field.
    SelectRow(0);
    SetStatus(Codec::sj("検索できました"));
}

void TMemoScreen::ButtonGClick() {
    if (!Ready)
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
    if (!EnsureConnected() || !ReadMemoLine(*Db, TableName, RowBuffer, n)) {
        SetStatus(Codec::sj("指示された登録番号は見つかりませんでした"));
        return false;
    }
    PageStart = ToFloatOrZero(RowBuffer[MemoSN].Value) - Tolerance;
    LoadPage();
    SelectRow(0);
    SG1->setColumnWidth(1, 48);
    SetStatus(Codec::sj("指示された登録番号へジャンプしました"));
    return true;
}

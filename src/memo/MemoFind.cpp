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

// Find, find next and the jump to a registration number of the memo screen.

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
    Timer1->start();
}

void TMemoScreen::ButtonFClick() {
    if (!Ready)
        return;
    Timer1->stop();
    if (!FindKeyword.empty())
        FindFromCurrentRow();
    Timer1->start();
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
    int count = 0;
    if (EnsureConnected())
        count = Db->SelectRows("*", TableName, condition, "SN,N");
    // LIKE compares bytes, so its hits are a superset: the nearest row that
    // holds the keyword character by character is the hit.
    bool found = false;
    for (int i = 0; i < count && !found; ++i) {
        if (SearchDown != 0 && i == 0)
            Db->ReadFirst(RowBuffer);
        else if (SearchDown != 0)
            Db->ReadNext(RowBuffer);
        else if (i == 0)
            Db->ReadLast(RowBuffer);
        else
            Db->ReadPrior(RowBuffer);
        const std::string& value = RowBuffer[column].Value;
        found = UseFindColumn != 0 ? ContainsChars(value, keyword) : LikeContainsChars(value, keyword);
    }
    Db->CloseQuery();
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
    if (dialog->Accepted) {
        if (EnsureConnected() && ReadMemoLine(*Db, TableName, RowBuffer, dialog->JumpNumber)) {
            PageStart = ToFloatOrZero(RowBuffer[MemoSN].Value) - Tolerance;
            LoadPage();
            SelectRow(0);
            SG1->setColumnWidth(1, 48);
            SetStatus(Codec::sj("指示された登録番号へジャンプしました"));
        } else {
            SetStatus(Codec::sj("指示された登録番号は見つかりませんでした"));
        }
    }
    RestartTimer();
}

#include "choosers/GroupChooser.h"

#include "app/Forms.h"
#include "app/ReadFailureText.h"
#include "app/Settings.h"
#include "app/ShowChecks.h"
#include "db/UnitFBDB.h"
#include "db/UnitSchema.h"
#include "memo/MemoScreen.h"
#include "platform/Platform.h"
#include "text/Codec.h"
#include "text/Func_.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace {

std::string positiveOrNothing(const std::string& value) {
    return ToIntOrZero(value) > 0 ? value : std::string();
}

// The start and the end around "～", each shown only when it is a number greater than 0.
std::string period(const FieldList& groupRow) {
    return positiveOrNothing(groupRow[GroupStart].Value) + Codec::sj("～") +
           positiveOrNothing(groupRow[GroupEnd].Value);
}

} // namespace

TGroupChooser::TGroupChooser(const GroupChooserConfig& config, QWidget* parent)
    : TChooser(config.caption, 351, 240, parent), Config(config) {
    Button1 = AddButton(config.editCaption, QRect(16, 8, 321, 49), &TGroupChooser::Button1Click);
    Label1 = AddLabel("グループ", QRect(16, 68, 52, 13));
    ComboBox1 = AddList(QRect(80, 64, 257, 21));
    Button2 = AddButton(config.viewCaption, QRect(16, 96, 321, 49), &TGroupChooser::Button2Click);
    Label2 = AddLabel("グループ", QRect(16, 156, 52, 13));
    ComboBox2 = AddList(QRect(80, 152, 257, 21));
    Button3 = AddButton("閉じる(&C)", QRect(128, 192, 97, 41), &TGroupChooser::Button3Click);
    SetTabChain({Button1, ComboBox1, Button2, ComboBox2, Button3});
}

void TGroupChooser::FormShow() {
    ShapeWindow();
    ComboBox1->clear();
    ComboBox2->clear();
    Button1->setEnabled(false);
    Button2->setEnabled(false);
    if (!ConnectOnShow(this, Settings::MemberIdentified))
        return;
    const bool listed = ReadRegistry(Config.table, GroupColumns, "グループ一覧", [this] {
        // Without a positive number a row names no pad.
        if (ToIntOrZero(RowBuffer[GroupN].Value) <= 0)
            return;
        const QString item = Codec::toDisplayLine(GroupListItem(RowBuffer));
        if (CanEditGroupPad(RowBuffer, Settings::MemberNumber))
            ComboBox1->addItem(item);
        else if (Config.mayRead(RowBuffer, Settings::MemberNumber))
            ComboBox2->addItem(item);
    });
    // Lists that could not be read offer nothing: only closing is left.
    if (!listed)
        return;
    // Drop-down lists select their first item by themselves; both start unselected.
    ComboBox1->setCurrentIndex(-1);
    ComboBox2->setCurrentIndex(-1);
    Button1->setEnabled(true);
    Button2->setEnabled(true);
    Button1->setFocus();
}

void TGroupChooser::Button1Click() {
    OpenSelected(ComboBox1, "編集可能なグループがありません", true);
}

void TGroupChooser::Button2Click() {
    OpenSelected(ComboBox2, "参照グループがありません", false);
}

void TGroupChooser::Button3Click() {
    close();
}

void TGroupChooser::OpenSelected(QComboBox* list, const char* emptyMessage, bool edit) {
    if (list->count() == 0) {
        Platform::showMessage(this, Codec::sj(emptyMessage));
        return;
    }
    if (list->currentIndex() < 0) {
        Platform::showMessage(this, Codec::sj("グループを指示してください"));
        list->setFocus();
        return;
    }
    OpenGroup(SelectedNumber(list), edit ? Access::Edit : Access::Read);
}

void TGroupChooser::OpenGroup(std::int32_t group, Access access) {
    RowBuffer.assign(GroupColumns, TableField{});
    const ReadResult<std::optional<FieldList>> row =
        forms().FormFBDB->ReadRow(RowBuffer, Config.table, "N=" + std::to_string(group));
    if (!row) {
        Platform::showMessage(this, ReadFailureMessage("グループ", row.failure()));
        return;
    }
    // A group deleted since the list was made opens nothing.
    if (!*row)
        return;
    RowBuffer = std::move(**row);
    // Nor does one that ended or lost the member meanwhile.
    const bool mayEdit = CanEditGroupPad(RowBuffer, Settings::MemberNumber);
    const bool edit = access == Access::Edit || (access == Access::AsAllowed && mayEdit);
    const bool allowed = edit ? mayEdit : Config.mayRead(RowBuffer, Settings::MemberNumber);
    if (!allowed)
        return;
    *(edit ? Config.editNumber : Config.viewNumber) = group;
    TMemoScreen* screen = edit ? Config.editScreen() : Config.viewScreen();
    screen->LabelA1->setText(Codec::toDisplayLine(Codec::sj("グループ名：") + RowBuffer[GroupName].Value));
    screen->LabelA2->setText(Codec::toDisplayLine(Codec::sj("期間：") + period(RowBuffer)));
    screen->LabelA3->setText(Codec::toDisplayLine(Codec::sj("概略：") + RowBuffer[GroupSummary].Value));
    HandOver(screen);
}

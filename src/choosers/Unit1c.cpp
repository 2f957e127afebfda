#include "choosers/Unit1c.h"

#include "app/Forms.h"
#include "app/Settings.h"
#include "db/UnitSchema.h"
#include "memo/Unit6.h"
#include "memo/Unit7.h"

namespace {

const GroupChooserConfig ChooserConfig{
    "クローズグループ",
    "参加クローズグループを編集(&1)",
    "終了クローズグループを参照(&2)",
    "CGROUP",
    CanReadClosedGroupPad,
    &Settings::ClosedGroupEditNumber,
    &Settings::ClosedGroupViewNumber,
    []() -> TMemoScreen* { return forms().Form6; },
    []() -> TMemoScreen* { return forms().Form7; },
};

} // namespace

TForm1c::TForm1c(QWidget* parent) : TGroupChooser(ChooserConfig, parent) {}

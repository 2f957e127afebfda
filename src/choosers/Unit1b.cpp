#include "choosers/Unit1b.h"

#include "app/Forms.h"
#include "app/Settings.h"
#include "db/UnitSchema.h"
#include "memo/Unit4.h"
#include "memo/Unit5.h"

namespace {

const GroupChooserConfig ChooserConfig{
    "オープングループ",
    "参加オープングループを編集(&1)",
    "不参加/終了オープングループを参照(&2)",
    "OGROUP",
    CanReadOpenGroupPad,
    &Settings::OpenGroupEditNumber,
    &Settings::OpenGroupViewNumber,
    []() -> TMemoScreen* { return forms().Form4; },
    []() -> TMemoScreen* { return forms().Form5; },
};

} // namespace

TForm1b::TForm1b(QWidget* parent) : TGroupChooser(ChooserConfig, parent) {}

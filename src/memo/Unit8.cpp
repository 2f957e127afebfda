#include "memo/Unit8.h"

#include "app/Settings.h"
#include "db/UnitSchema.h"

namespace {

const MemoScreenConfig ScreenConfig{
    "全メンバーめも", 654, 315, &EditAccess, false, AlMemoTable, Settings::MemberIdentified,
};

} // namespace

TForm8::TForm8(QWidget* parent) : TMemoScreen(ScreenConfig, parent) {}

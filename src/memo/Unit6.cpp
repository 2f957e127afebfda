#include "memo/Unit6.h"

#include "app/Settings.h"
#include "db/UnitSchema.h"

namespace {

const MemoScreenConfig ScreenConfig{
    "クローズグループ",
    624,
    315,
    &EditAccess,
    true,
    [] { return CgMemoTable(Settings::ClosedGroupEditNumber); },
    [] { return Settings::MemberNumber != 0 && Settings::ClosedGroupEditNumber != 0; },
};

} // namespace

TForm6::TForm6(QWidget* parent) : TMemoScreen(ScreenConfig, parent) {}

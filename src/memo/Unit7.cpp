#include "memo/Unit7.h"

#include "app/Settings.h"
#include "db/UnitSchema.h"

namespace {

const MemoScreenConfig ScreenConfig{
    "クローズグループ参照",
    624,
    315,
    &GroupViewAccess,
    true,
    [] { return CgMemoTable(Settings::ClosedGroupViewNumber); },
    [] { return Settings::MemberNumber != 0 && Settings::ClosedGroupViewNumber != 0; },
};

} // namespace

TForm7::TForm7(QWidget* parent) : TMemoScreen(ScreenConfig, parent) {}

#include "memo/Unit3.h"

#include "app/Settings.h"
#include "db/UnitSchema.h"

namespace {

const MemoScreenConfig ScreenConfig{
    "他メンバーのまいめも参照",
    657,
    315,
    &MemberViewAccess,
    false,
    [] { return MyMemoTable(Settings::ViewMemberNumber); },
    [] { return Settings::MemberNumber != 0 && Settings::ViewMemberNumber != 0; },
};

} // namespace

TForm3::TForm3(QWidget* parent) : TMemoScreen(ScreenConfig, parent) {}

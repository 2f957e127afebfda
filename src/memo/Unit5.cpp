#include "memo/Unit5.h"

#include "app/Settings.h"
#include "db/UnitSchema.h"

namespace {

const MemoScreenConfig ScreenConfig{
    "オープングループ参照",
    626,
    315,
    &GroupViewAccess,
    true,
    [] { return OgMemoTable(Settings::OpenGroupViewNumber); },
    [] { return Settings::MemberNumber != 0 && Settings::OpenGroupViewNumber != 0; },
};

} // namespace

TForm5::TForm5(QWidget* parent) : TMemoScreen(ScreenConfig, parent) {}

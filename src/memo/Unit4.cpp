#include "memo/Unit4.h"

#include "app/Settings.h"
#include "db/UnitSchema.h"

namespace {

const MemoScreenConfig ScreenConfig{
    "オープングループ",
    627,
    315,
    &EditAccess,
    true,
    [] { return OgMemoTable(Settings::OpenGroupEditNumber); },
    [] { return Settings::MemberNumber != 0 && Settings::OpenGroupEditNumber != 0; },
};

} // namespace

TForm4::TForm4(QWidget* parent) : TMemoScreen(ScreenConfig, parent) {}

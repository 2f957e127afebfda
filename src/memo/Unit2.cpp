#include "memo/Unit2.h"

#include "app/Settings.h"
#include "db/UnitSchema.h"

namespace {

const MemoScreenConfig ScreenConfig{
    "まいめも",
    656,
    315,
    &EditAccess,
    false,
    [] { return MyMemoTable(Settings::MemberNumber); },
    Settings::MemberIdentified,
};

} // namespace

TForm2::TForm2(QWidget* parent) : TMemoScreen(ScreenConfig, parent) {}

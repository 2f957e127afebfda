#include "memo/Unit6.h"

#include "app/Settings.h"
#include "text/Func_.h"

namespace {

const MemoScreenConfig ScreenConfig{
    "クローズグループ",
    624,
    315,
    false,
    true,
    [] { return "CGMEMO" + std::to_string(Settings::ClosedGroupEditNumber); },
    [] { return Settings::MemberNumber != 0 && Settings::ClosedGroupEditNumber != 0; },
};

} // namespace

TForm6::TForm6(QWidget* parent) : TMemoScreen(ScreenConfig, parent) {}

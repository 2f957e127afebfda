#include "memo/Unit4.h"

#include "app/Settings.h"
#include "text/Func_.h"

namespace {

const MemoScreenConfig ScreenConfig{
    "オープングループ",
    627,
    315,
    false,
    true,
    [] { return "OGMEMO" + std::to_string(Settings::OpenGroupEditNumber); },
    [] { return Settings::MemberNumber != 0 && Settings::OpenGroupEditNumber != 0; },
};

} // namespace

TForm4::TForm4(QWidget* parent) : TMemoScreen(ScreenConfig, parent) {}

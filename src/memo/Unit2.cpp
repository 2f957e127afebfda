#include "memo/Unit2.h"

#include "app/Settings.h"
#include "text/Func_.h"

namespace {

const MemoScreenConfig ScreenConfig{
    "まいめも",
    656,
    315,
    false,
    false,
    [] { return "MYMEMO" + std::to_string(Settings::MemberNumber); },
    [] { return Settings::MemberNumber != 0 && !RemoveSpaces(Settings::MemberName).empty(); },
};

} // namespace

TForm2::TForm2(QWidget* parent) : TMemoScreen(ScreenConfig, parent) {}

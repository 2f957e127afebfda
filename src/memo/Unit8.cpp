#include "memo/Unit8.h"

#include "app/Settings.h"
#include "text/Func_.h"

namespace {

const MemoScreenConfig ScreenConfig{
    "全メンバーめも",
    654,
    315,
    false,
    false,
    [] { return std::string("ALMEMO"); },
    [] { return Settings::MemberNumber != 0 && !RemoveSpaces(Settings::MemberName).empty(); },
};

} // namespace

TForm8::TForm8(QWidget* parent) : TMemoScreen(ScreenConfig, parent) {}

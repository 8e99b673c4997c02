#include "dialogs/AboutBox.h"

TAboutBox* AboutBox = nullptr;

namespace {

// clang-format off
const forms::TFormLayout kAboutForm = {
    "AboutBox", "バージョン情報", L"TAboutBox", forms::TFormBorderStyle::bsDialog, forms::biSystemMenu,
    forms::TPosition::poScreenCenter, 0, 0, 298, 146, true, forms::clBtnFace,
    {"ＭＳ Ｐゴシック", -12, false, forms::clWindowText}, 0,
};

// clang-format on
}  // namespace

TAboutBox::TAboutBox(forms::TApplication* owner) : TForm(owner, kAboutForm) {}

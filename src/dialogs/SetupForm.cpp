#include "dialogs/SetupForm.h"

TSetupForm* SetupForm = nullptr;

namespace {

// clang-format off
const forms::TFormLayout kSetupForm = {
    "SetupForm", "Kazeban Board", L"TSetupForm", forms::TFormBorderStyle::bsSizeable, forms::biSystemMenu,
    forms::TPosition::poDesigned, 606, 152, 213, 141, false, forms::clBtnFace,
    {"ＭＳ Ｐゴシック", -12, false, forms::clWindowText}, 1,
};

// clang-format on
}  // namespace

TSetupForm::TSetupForm(forms::TApplication* owner) : TForm(owner, kSetupForm) {}

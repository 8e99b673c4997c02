#include "dialogs/SetupForm.h"

TSetupForm* SetupForm = nullptr;

namespace {

const forms::TFormSpec kSetupForm = {
    "SetupForm", "Kazeban Board", L"TSetupForm", forms::TFormBorderStyle::bsSizeable, forms::biSystemMenu,
    forms::TPosition::poDesigned, 606, 152, 213, 141, false, forms::clBtnFace,
    {"ＭＳ Ｐゴシック", -12, false, forms::clWindowText}, 1,
};

}  // namespace

TSetupForm::TSetupForm(forms::TApplication* owner) : TForm(owner, kSetupForm) {}

#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>

#include "forms/Application.h"
#include "forms/Control.h"
#include "forms/Form.h"

namespace {

constexpr forms::TFontLayout kFont = {"ＭＳ Ｐゴシック", -12, false, forms::clWindowText};
const forms::TFormLayout kSpec = {
    "TestForm",
    "テスト",
    L"TTestForm",
    forms::TFormBorderStyle::bsNone,
    forms::biSystemMenu | forms::biMinimize | forms::biMaximize,
    forms::TPosition::poDesigned,
    120,
    90,
    182,
    178,
    true,
    forms::clWhite,
    kFont,
    0,
};
const forms::TLabelLayout kLabel = {"Label1", 7, 10, 25, "表示", nullptr, false};

class TTestForm : public forms::TForm {
public:
    static TTestForm** global;
    static bool failConstructor;

    explicit TTestForm(forms::TApplication* owner) : TForm(owner, kSpec) {
        sawGlobal = global && *global == this;
        label = Own<forms::TLabel>(*this, kLabel);
        if (failConstructor) throw std::runtime_error("no");
        OnCreate = [this](forms::TComponent*) { createdAfterBody = constructed; };
        constructed = true;
    }

    forms::TLabel* label = nullptr;
    bool sawGlobal = false;
    bool constructed = false;
    bool createdAfterBody = false;
};
TTestForm** TTestForm::global = nullptr;
bool TTestForm::failConstructor = false;

class FormTest : public ::testing::Test {
protected:
    void SetUp() override {
        TTestForm::global = &form;
        TTestForm::failConstructor = false;
        app = std::make_unique<forms::TApplication>();
    }
    void TearDown() override {
        app.reset();
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    std::unique_ptr<forms::TApplication> app;
    TTestForm* form = nullptr;
};

TEST_F(FormTest, CreateFormPointsTheGlobalFirstAndRunsOnCreateAfterTheBody) {
    app->CreateForm(form);
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->sawGlobal);
    EXPECT_TRUE(form->createdAfterBody);
    EXPECT_EQ(app->MainForm(), form);
}

TEST_F(FormTest, AFailedConstructorLeavesTheGlobalNull) {
    TTestForm::failConstructor = true;
    EXPECT_THROW(app->CreateForm(form), std::runtime_error);
    EXPECT_EQ(form, nullptr);
    EXPECT_EQ(app->MainForm(), nullptr);
}

TEST_F(FormTest, ANewBorderStyleMeansANewWindowAtTheSamePlaceAndSize) {
    app->CreateForm(form);
    form->Show();
    HWND old = form->Handle();
    SetWindowLongA(old, GWL_EXSTYLE, GetWindowLongA(old, GWL_EXSTYLE) | WS_EX_LAYERED);

    form->SetBorderStyle(forms::TFormBorderStyle::bsSingle);
    HWND framed = form->Handle();
    EXPECT_FALSE(IsWindow(old));
    RECT rect;
    GetWindowRect(framed, &rect);
    EXPECT_EQ(rect.left, 120);
    EXPECT_EQ(rect.top, 90);
    EXPECT_EQ(rect.right - rect.left, 182);
    EXPECT_EQ(rect.bottom - rect.top, 178);
    EXPECT_TRUE(GetWindowLongA(framed, GWL_STYLE) & WS_CAPTION);
    EXPECT_FALSE(GetWindowLongA(framed, GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_TRUE(IsWindowVisible(framed));
    EXPECT_EQ(GetWindow(framed, GW_OWNER), app->Handle());
    // The labels come back with the window, text and all.
    HWND label = GetDlgItem(framed, 7);
    ASSERT_NE(label, nullptr);
    char text[16] = {};
    GetWindowTextA(label, text, sizeof(text));
    EXPECT_STREQ(text, "表示");
}

TEST_F(FormTest, ClosingTheMainFormEndsTheApplicationUnlessTheActionIsNone) {
    app->CreateForm(form);
    forms::TCloseAction wanted = forms::TCloseAction::caNone;
    int closes = 0;
    form->OnClose = [&](forms::TComponent*, forms::TCloseAction& action) {
        EXPECT_EQ(action, forms::TCloseAction::caHide);
        ++closes;
        action = wanted;
    };
    SendMessageW(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(app->Terminated());

    wanted = forms::TCloseAction::caHide;
    SendMessageW(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(app->Terminated());
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(FormTest, AnEAbortInAHandlerStopsAtTheWindowProcedure) {
    app->CreateForm(form);
    form->label->OnDblClick = [](forms::TComponent*) { throw forms::EAbort(); };
    HWND label = GetDlgItem(form->Handle(), 7);
    EXPECT_EQ(SendMessageW(label, WM_LBUTTONDBLCLK, 0, 0), 0);
}

}  // namespace

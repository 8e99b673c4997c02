#include "board/MainForm.h"

#include <windows.h>

#include "feed/QuoteDownload.h"
#include "feed/RequestUrl.h"
#include "feed/SystemLeadBytes.h"
#include "settings/Settings.h"

kazeban::FeedTexts QuoteFeed;
TMainForm* MainForm = nullptr;

namespace {

// Layout tables are data: one component a line, as a form designer would keep them.
// clang-format off
constexpr char kFace[] = "ＭＳ Ｐゴシック";

const forms::TFormLayout kBoardForm = {
    "MainForm", "Kazeban", L"TMainForm", forms::TFormBorderStyle::bsNone,
    forms::biSystemMenu | forms::biMinimize | forms::biMaximize, forms::TPosition::poDesigned,
    197, 107, 182, 178, true, forms::clWhite,
    {kFace, -12, false, forms::clWindowText}, 1,
};

constexpr forms::TFontLayout kPairFont = {kFace, -13, true, forms::clWindowText};
constexpr forms::TFontLayout kFigureFont = {kFace, -13, false, forms::clWindowText};

// In the order the board declares them; control IDs let tools tell them apart.
const forms::TLabelLayout kBoardLabels[] = {
    {"Label_Tuka1", 101, 10, 25, "Label_Tuka1", &kPairFont, false},
    {"Label_Tuka2", 102, 10, 40, "Label_Tuka1", &kPairFont, false},
    {"Label_Tuka3", 103, 10, 55, "Label_Tuka1", &kPairFont, false},
    {"Label_Tuka4", 104, 10, 70, "Label_Tuka1", &kPairFont, false},
    {"Label_Tuka5", 105, 10, 85, "Label_Tuka1", &kPairFont, false},
    {"Label_Tuka6", 106, 10, 100, "Label_Tuka1", &kPairFont, false},
    {"Label_Tuka7", 107, 10, 115, "Label_Tuka1", &kPairFont, false},
    {"Label_Tuka8", 108, 10, 130, "Label_Tuka1", &kPairFont, false},
    {"Label_B1", 201, 70, 25, "Label_B1", &kFigureFont, false},
    {"Label_B2", 202, 70, 40, "Label_B1", &kFigureFont, false},
    {"Label_B3", 203, 70, 55, "Label_B1", &kFigureFont, false},
    {"Label_B4", 204, 70, 70, "Label_B1", &kFigureFont, false},
    {"Label_B5", 205, 70, 85, "Label_B1", &kFigureFont, false},
    {"Label_B6", 206, 70, 100, "Label_B1", &kFigureFont, false},
    {"Label_B7", 207, 70, 115, "Label_B1", &kFigureFont, false},
    {"Label_B8", 208, 70, 130, "Label_B1", &kFigureFont, false},
    {"Label_S1", 301, 120, 25, "Label_S1", &kFigureFont, false},
    {"Label_S2", 302, 120, 40, "Label1", &kFigureFont, false},
    {"Label_S3", 303, 120, 55, "Label1", &kFigureFont, false},
    {"Label_S4", 304, 120, 70, "Label1", &kFigureFont, false},
    {"Label_S5", 305, 120, 85, "Label1", &kFigureFont, false},
    {"Label_S6", 306, 120, 100, "Label1", &kFigureFont, false},
    {"Label_S7", 307, 120, 115, "Label1", &kFigureFont, false},
    {"Label_S8", 308, 120, 130, "Label1", &kFigureFont, false},
    {"Label_Time", 501, 10, 10, "Label_Time", nullptr, true},
    {"Label_Tuka9", 109, 10, 145, "Label_Tuka1", &kPairFont, false},
    {"Label_B9", 209, 70, 145, "Label_B1", &kFigureFont, false},
    {"Label_S9", 309, 120, 145, "Label1", &kFigureFont, false},
    {"Label_D1", 401, 160, 25, "Label_D1", &kFigureFont, false},
    {"Label_D2", 402, 160, 40, "Label_D1", &kFigureFont, false},
    {"Label_D3", 403, 160, 55, "Label_D1", &kFigureFont, false},
    {"Label_D4", 404, 160, 70, "Label_D1", &kFigureFont, false},
    {"Label_D5", 405, 160, 85, "Label_D1", &kFigureFont, false},
    {"Label_D6", 406, 160, 100, "Label_D1", &kFigureFont, false},
    {"Label_D7", 407, 160, 115, "Label_D1", &kFigureFont, false},
    {"Label_D8", 408, 160, 130, "Label_D1", &kFigureFont, false},
    {"Label_D9", 409, 160, 145, "Label_D1", &kFigureFont, false},
    {"Label_Ver", 502, 80, 10, "Ver.1.000", nullptr, false},
};
// clang-format on

constexpr int kRowCount = 9;
constexpr int kFirstRowTop = 25;
constexpr int kRowPitch = 15;
constexpr int kVisibleRows = 5;

constexpr COLORREF kRisingColor = 0x00FF00;
constexpr COLORREF kFallingColor = 0x0000FF;

const kazeban::LeadByteSet& LeadBytes() {
    static const kazeban::LeadByteSet leadBytes = kazeban::SystemLeadBytes();
    return leadBytes;
}

}  // namespace

TMainForm::TMainForm(forms::TApplication* owner) : TForm(owner, kBoardForm) {
    // The layout: every component with its designed properties and handlers.
    for (const auto& layout : kBoardLabels) {
        auto* label = Own<forms::TLabel>(*this, layout);
        label->OnDblClick = [this](forms::TComponent* sender) { Label_VerDblClick(sender); };
    }
    for (int i = 0; i < kRowCount; ++i) {
        std::string n = std::to_string(i + 1);
        Rows[i] = {static_cast<forms::TLabel*>(FindComponent("Label_Tuka" + n)),
                   static_cast<forms::TLabel*>(FindComponent("Label_B" + n)),
                   static_cast<forms::TLabel*>(FindComponent("Label_S" + n)),
                   static_cast<forms::TLabel*>(FindComponent("Label_D" + n))};
    }
    Label_Time = static_cast<forms::TLabel*>(FindComponent("Label_Time"));
    Label_Ver = static_cast<forms::TLabel*>(FindComponent("Label_Ver"));
    Timer1 = Own<forms::TTimer>("Timer1", 30000, true);
    Timer1->OnTimer = [this](forms::TComponent* sender) { Timer1Timer(sender); };
    OnCreate = [this](forms::TComponent* sender) { FormCreate(sender); };
    OnClose = [this](forms::TComponent* sender, forms::TCloseAction& action) { FormClose(sender, action); };
    OnDblClick = [this](forms::TComponent* sender) { FormDblClick(sender); };

    RequestCounter = 1;
    PairText.clear();
    BText.clear();
    SText.clear();
    ColorCode.clear();
    QuoteFeed.BaseUrl = kazeban::MakeBaseUrl(ReadQuoteHost());

    // Shown here, the board is still opaque and without its grid: the layered
    // style comes only with FormCreate, after the first refresh.
    LoadSettings(*this);
    LayoutGrid();
    ExtractTime();
    RefreshQuotes();
}

TMainForm::~TMainForm() = default;

void TMainForm::LayoutGrid() {
    for (int column = 0; column < 4; ++column) {
        static constexpr int kColumnLeft[4] = {10, 70, 120, 160};
        for (int i = 0; i < kRowCount; ++i) {
            forms::TLabel* label[4] = {Rows[i].Tuka, Rows[i].B, Rows[i].S, Rows[i].D};
            label[column]->SetTop(kFirstRowTop + kRowPitch * i);
            label[column]->SetLeft(kColumnLeft[column]);
        }
    }
    for (int i = kVisibleRows; i < kRowCount; ++i)
        for (forms::TLabel* label : {Rows[i].Tuka, Rows[i].B, Rows[i].S, Rows[i].D}) label->SetVisible(false);
    Label_Time->SetLeft(10);
    Label_Time->SetTop(10);
}

void TMainForm::FormCreate(forms::TComponent*) { ApplyLayeredStyle(); }

void TMainForm::FormClose(forms::TComponent*, forms::TCloseAction&) {
    if (settingsSaved_) return;
    SaveSettings(*this);
    settingsSaved_ = true;
}

void TMainForm::FormDblClick(forms::TComponent*) { Hide(); }

void TMainForm::Label_VerDblClick(forms::TComponent*) { Hide(); }

void TMainForm::Timer1Timer(forms::TComponent*) { RefreshQuotes(); }

void TMainForm::ApplyLayeredStyle() {
    HWND window = Handle();
    SetWindowLongA(window, GWL_EXSTYLE, GetWindowLongA(window, GWL_EXSTYLE) | WS_EX_LAYERED);
    // White is the colour key: the background vanishes and lets clicks through.
    SetLayeredWindowAttributes(window, 0x00FFFFFF, 230, LWA_COLORKEY | LWA_ALPHA);
}

bool TMainForm::DownloadQuotePage() { return kazeban::DownloadQuotePage(QuoteFeed, RequestCounter); }

void TMainForm::ExtractTime() { Label_Time->SetCaption(kazeban::ExtractTimeCaption(QuoteFeed, LeadBytes())); }

void TMainForm::ExtractPair(const std::string& ticker) {
    kazeban::PairFigures figures;
    kazeban::ExtractPairFigures(QuoteFeed, ticker, figures, LeadBytes());
    PairText = figures.PairText;
    BText = figures.BText;
    SText = figures.SText;
    ColorCode = figures.ColorCode;
}

void TMainForm::RefreshQuotes() {
    if (DownloadQuotePage()) {
        ExtractTime();
        for (int i = 0; i < kRowCount; ++i) {
            ExtractPair(kazeban::kPairTickers[i]);
            const Row& row = Rows[i];
            row.Tuka->SetCaption(PairText);
            row.B->SetCaption(BText);
            row.S->SetCaption(SText);
            bool rising = ColorCode == "00";
            row.D->SetCaption(rising ? "↑" : "↓");
            row.D->SetFontColor(rising ? kRisingColor : kFallingColor);
        }
    }
    Update();
}

void TMainForm::Dispatch(forms::TMessage& message) {
    switch (message.Msg) {
        case WM_QUERYENDSESSION:
            WMQueryEndSession(message);
            return;
        case WM_LBUTTONDOWN:
            WMLButtonDown(message);
            return;
        case WM_ENDSESSION:
            WMEndSession(message);
            break;
        default:
            break;
    }
    TForm::Dispatch(message);
}

void TMainForm::WMQueryEndSession(forms::TMessage& message) {
    message.Result = 1;
    PostMessageA(Handle(), WM_CLOSE, 0, 0);
}

void TMainForm::WMLButtonDown(forms::TMessage& message) {
    // SC_MOVE | HTCAPTION: the system drags the window as if by its caption.
    SendMessageA(Handle(), WM_SYSCOMMAND, 0xF012, 0);
    message.Result = 0;
}

void TMainForm::WMEndSession(forms::TMessage& message) {
    // The system may end the process before the close posted at the query is
    // handled; write now, or this run's settings are lost.
    if (message.WParam && !settingsSaved_) {
        SaveSettings(*this);
        settingsSaved_ = true;
    }
}

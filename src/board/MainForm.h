#pragma once
// The board: a borderless, colour-keyed window with the quote time and a grid
// of currency rows, refreshed from the quote service on Timer1.

#include <array>
#include <cstdint>
#include <string>

#include "feed/QuoteExtraction.h"
#include "forms/Application.h"
#include "forms/Control.h"
#include "forms/Form.h"
#include "forms/Timer.h"

// The quote feed's texts; they live for the whole run.
extern kazeban::FeedTexts QuoteFeed;

class TMainForm : public forms::TForm {
public:
    explicit TMainForm(forms::TApplication* owner);
    ~TMainForm() override;

    struct Row {
        forms::TLabel* Tuka;  // the pair
        forms::TLabel* B;
        forms::TLabel* S;
        forms::TLabel* D;  // the arrow
    };
    // Label_Tuka1, Label_B1, Label_S1, Label_D1 are Rows[0], and so on; rows 6 to
    // 9 are kept current but never shown.
    std::array<Row, 9> Rows{};
    forms::TLabel* Label_Time = nullptr;
    forms::TLabel* Label_Ver = nullptr;
    forms::TTimer* Timer1 = nullptr;

    std::int32_t RequestCounter = 1;
    std::string PairText;
    std::string BText;
    std::string SText;
    std::string ColorCode;

    void FormCreate(forms::TComponent* sender);
    void FormClose(forms::TComponent* sender, forms::TCloseAction& action);
    void FormDblClick(forms::TComponent* sender);
    void Label_VerDblClick(forms::TComponent* sender);
    void Timer1Timer(forms::TComponent* sender);

    void RefreshQuotes();
    void ApplyLayeredStyle();
    bool DownloadQuotePage();
    void ExtractTime();
    void ExtractPair(const std::string& ticker);

protected:
    void Dispatch(forms::TMessage& message) override;

private:
    void WMQueryEndSession(forms::TMessage& message);
    void WMLButtonDown(forms::TMessage& message);
    void WMEndSession(forms::TMessage& message);
    void LayoutGrid();

    // Set once this run's settings are on disk, so that the end of the
    // session and the close it triggers write them only once.
    bool settingsSaved_ = false;
};

extern TMainForm* MainForm;

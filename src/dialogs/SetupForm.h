#pragma once
// The interval dialog: 30 seconds, 1 minute or 5 minutes for the board's timer.

#include "forms/Application.h"
#include "forms/Form.h"

class TSetupForm : public forms::TForm {
public:
    explicit TSetupForm(forms::TApplication* owner);
};

extern TSetupForm* SetupForm;

#pragma once
// The About box: product name, file version, copyright and a link.

#include "forms/Application.h"
#include "forms/Form.h"

class TAboutBox : public forms::TForm {
public:
    explicit TAboutBox(forms::TApplication* owner);
};

extern TAboutBox* AboutBox;

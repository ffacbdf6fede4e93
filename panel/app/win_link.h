// The link library as the panel program binds it: "Kestrion.dll" loaded by
// name for one command, its exports resolved by name, freed at the end.
#pragma once

#include "panel/app/panel_core.h"

namespace tamsel {

class WinLink : public LinkSeam {
public:
    std::unique_ptr<LinkSession> OpenForReading() override;
    std::unique_ptr<PrinterLink> OpenForSending(const PrinterTarget& target) override;
};

}  // namespace tamsel

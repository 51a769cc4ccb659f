// The modal about window.
#pragma once

namespace qm::win {

// Creates the about window, shows it modally and frees it when it closes, also when showing
// raises (the error then goes on to the caller).
void ShowInfoForm();

}  // namespace qm::win

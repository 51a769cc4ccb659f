#include "win/InfoForm.h"

namespace qm::win {

// Placeholder until the about window lands.
void ShowInfoForm() {}

}  // namespace qm::win

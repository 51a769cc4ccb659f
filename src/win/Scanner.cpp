#include "win/Scanner.h"

namespace qm::win {

// Placeholder until the scanner lands.
void ScanPath(const ScanTarget&, const std::string&, int) {}

}  // namespace qm::win

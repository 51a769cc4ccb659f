#include "win/framework/CodePage.h"

#include <windows.h>

namespace qm::win {

const LeadBytes& SystemLeadBytes() {
    static const LeadBytes lead = [] {
        CPINFO info = {};
        if (!::GetCPInfo(CP_ACP, &info)) return LeadBytes();
        return LeadBytes(info.LeadByte, MAX_LEADBYTES);
    }();
    return lead;
}

}  // namespace qm::win

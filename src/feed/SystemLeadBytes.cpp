#include "feed/SystemLeadBytes.h"

#include <windows.h>

namespace kazeban {

LeadByteSet SystemLeadBytes() {
    LeadByteSet set;
    if (!GetSystemMetrics(SM_DBCSENABLED)) return set;
    CPINFO info{};
    if (!GetCPInfo(CP_ACP, &info)) return set;
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i]; i += 2)
        set.AddRange(info.LeadByte[i], info.LeadByte[i + 1]);
    return set;
}

}  // namespace kazeban

#pragma once

#include "feed/TextPrimitives.h"

namespace kazeban {

// The lead bytes of the system's ANSI code page, or none when the system is
// not enabled for double-byte character sets.
LeadByteSet SystemLeadBytes();

}  // namespace kazeban

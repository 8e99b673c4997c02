#pragma once
// Fetches the quote page over WinINet into texts.PageText.

#include <cstdint>

#include "feed/QuoteExtraction.h"

namespace kazeban {

struct DownloadLimits {
    // Whatever the server does, one download gives up after this long.
    unsigned long OverallMs = 40000;
    // WinINet's own limit on each wait (connecting, sending, every wait for
    // bytes), so that an abandoned request does not linger long either.
    unsigned long NetworkWaitMs = 10000;
    // Real pages are a few KB; more than this is not a quote page.
    unsigned long long MaxBodyBytes = 8ull * 1024 * 1024;
};

// Advances requestCounter, sets texts.RequestUrl and refills texts.PageText.
// True when the URL opened (PageText then holds what was read, possibly cut
// short), false when the session or the URL could not be opened.
bool DownloadQuotePage(FeedTexts& texts, std::int32_t& requestCounter, const DownloadLimits& limits = {});

}  // namespace kazeban

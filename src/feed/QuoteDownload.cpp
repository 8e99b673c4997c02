#include "feed/QuoteDownload.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "feed/RequestUrl.h"

namespace kazeban {

namespace {

struct InternetHandleCloser {
    void operator()(HINTERNET handle) const { InternetCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetHandleCloser>;

constexpr DWORD kReadSize = 1024;

void SetWaitLimits(HINTERNET handle, DWORD ms) {
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionA(handle, option, &ms, sizeof(ms));
}

// The same GET that InternetOpenUrlA would send, built from its parts because
// only connection and request handles honour time-outs: on a plain
// InternetOpenUrlA a server that accepts and never answers blocks the one
// thread for good. Responses are not cached: every URL is unique, so a cache
// would only fill the disk.
bool OpenQuoteUrl(HINTERNET session, const std::string& url, DWORD waitMs, InternetHandle& connection,
                  InternetHandle& request) {
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = 1;
    parts.dwUrlPathLength = 1;
    parts.dwExtraInfoLength = 1;
    if (!InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return false;
    std::string host(parts.lpszHostName, parts.dwHostNameLength);
    std::string target(parts.lpszUrlPath, parts.dwUrlPathLength);
    if (parts.lpszExtraInfo) target.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);

    connection.reset(InternetConnectA(session, host.c_str(), parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return false;
    SetWaitLimits(connection.get(), waitMs);

    const char* acceptAll[] = {"*/*", nullptr};
    request.reset(HttpOpenRequestA(connection.get(), "GET", target.c_str(), nullptr, nullptr, acceptAll,
                                   INTERNET_FLAG_NO_CACHE_WRITE, 0));
    if (!request) return false;
    SetWaitLimits(request.get(), waitMs);
    return HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0) != FALSE;
}

// Reads only what has arrived, so that a trickling server cannot stretch one
// read past the deadline; each wait for more is bounded by the receive
// time-out. The arrivals are gathered into pieces of 1024 bytes, so where a
// NUL cuts a piece does not depend on how the bytes happened to arrive.
void ReadBody(HINTERNET request, std::string& page, ULONGLONG deadline, unsigned long long maxBytes) {
    char piece[kReadSize + 1];
    DWORD filled = 0;
    auto appendPiece = [&] {
        // A NUL ends the piece: the page is a C string to everything after us.
        piece[filled] = '\0';
        page.append(piece, std::strlen(piece));
        filled = 0;
    };
    unsigned long long total = 0;
    while (total < maxBytes && GetTickCount64() < deadline) {
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request, &available, 0, 0) || available == 0) break;
        DWORD wanted =
            static_cast<DWORD>(std::min<unsigned long long>({available, kReadSize - filled, maxBytes - total}));
        DWORD count = 0;
        InternetReadFile(request, piece + filled, wanted, &count);
        if (count == 0) break;
        filled += count;
        total += count;
        if (filled == kReadSize) appendPiece();
    }
    if (filled) appendPiece();
}

}  // namespace

bool DownloadQuotePage(FeedTexts& texts, std::int32_t& requestCounter, const DownloadLimits& limits) {
    ULONGLONG deadline = GetTickCount64() + limits.OverallMs;
    texts.RequestUrl = MakeRequestUrl(texts.BaseUrl, requestCounter);
    requestCounter = NextCounter(requestCounter);
    texts.PageText.clear();

    InternetHandle session(InternetOpenA("MyApp", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!session) return false;
    InternetHandle connection;
    InternetHandle request;
    if (!OpenQuoteUrl(session.get(), texts.RequestUrl, limits.NetworkWaitMs, connection, request)) return false;
    ReadBody(request.get(), texts.PageText, deadline, limits.MaxBodyBytes);
    return true;
}

}  // namespace kazeban

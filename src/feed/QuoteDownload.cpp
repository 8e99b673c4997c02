#include "feed/QuoteDownload.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>

#include "feed/RequestUrl.h"

namespace kazeban {

namespace {

constexpr DWORD kReadSize = 1024;

// WinINet runs the network side of an asynchronous session on its own worker
// and reports here. A call we stop waiting for may still complete, or report
// on its closed handle, long after its download has returned, so nothing it
// can reach is ever freed: one record serves every download of the run, and
// each download has a number of its own that its handles carry as context.
// Reports for any other number are old news and are dropped.
struct AsyncRecord {
    HANDLE completed = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::atomic<DWORD_PTR> current{0};
    DWORD_PTR result = 0;
    DWORD error = ERROR_SUCCESS;
};

AsyncRecord& Async() {
    static AsyncRecord record;
    return record;
}

void CALLBACK OnStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD) {
    AsyncRecord& record = Async();
    if (status != INTERNET_STATUS_REQUEST_COMPLETE || context != record.current.load()) return;
    const auto* outcome = static_cast<const INTERNET_ASYNC_RESULT*>(info);
    record.result = outcome->dwResult;
    record.error = outcome->dwError;
    SetEvent(record.completed);
}

struct InternetHandleCloser {
    void operator()(HINTERNET handle) const { InternetCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetHandleCloser>;

// One download's handles, closed in reverse order of opening.
struct Download {
    explicit Download(ULONGLONG deadlineAt) : deadline(deadlineAt), record(Async()) {
        context = record.current.fetch_add(1) + 1;
        ResetEvent(record.completed);
    }
    ~Download() {
        request.reset();
        connection.reset();
        session.reset();
    }

    // Waits for the call in flight to complete, never past the deadline. A
    // call still running then is abandoned: its handle is closed and WinINet's
    // worker finishes on its own, but the board is not kept waiting.
    bool AwaitCompletion() {
        if (GetLastError() != ERROR_IO_PENDING) return false;
        ULONGLONG now = GetTickCount64();
        return now < deadline &&
               WaitForSingleObject(record.completed, static_cast<DWORD>(deadline - now)) == WAIT_OBJECT_0;
    }

    // Whether a call that may have gone asynchronous succeeded.
    bool Succeeded(BOOL done) {
        if (done) return true;
        return AwaitCompletion() && record.result != 0 && record.error == ERROR_SUCCESS;
    }

    ULONGLONG deadline;
    AsyncRecord& record;
    DWORD_PTR context;
    InternetHandle session;
    InternetHandle connection;
    InternetHandle request;
};

void SetWaitLimits(HINTERNET handle, DWORD ms) {
    for (DWORD option :
         {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionA(handle, option, &ms, sizeof(ms));
}

// The same GET that InternetOpenUrlA would send, built from its parts so that
// it can be waited for with a deadline: a synchronous InternetOpenUrlA waits
// for a server that never answers, or answers a byte at a time, for as long
// as the server likes, and the one thread with it. Responses are not cached:
// every URL is unique, so a cache would only fill the disk.
bool OpenQuoteUrl(Download& download, const std::string& url, DWORD waitMs) {
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = 1;
    parts.dwUrlPathLength = 1;
    parts.dwExtraInfoLength = 1;
    if (!InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return false;
    std::string host(parts.lpszHostName, parts.dwHostNameLength);
    std::string target(parts.lpszUrlPath, parts.dwUrlPathLength);
    if (parts.lpszExtraInfo) target.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);

    download.connection.reset(InternetConnectA(download.session.get(), host.c_str(), parts.nPort, nullptr, nullptr,
                                               INTERNET_SERVICE_HTTP, 0, download.context));
    if (!download.connection) return false;
    SetWaitLimits(download.connection.get(), waitMs);

    const char* acceptAll[] = {"*/*", nullptr};
    download.request.reset(HttpOpenRequestA(download.connection.get(), "GET", target.c_str(), nullptr, nullptr,
                                            acceptAll, INTERNET_FLAG_NO_CACHE_WRITE, download.context));
    if (!download.request) return false;
    SetWaitLimits(download.request.get(), waitMs);
    return download.Succeeded(HttpSendRequestA(download.request.get(), nullptr, 0, nullptr, 0));
}

// Reads only what has arrived, so that a trickling server cannot stretch one
// read past the deadline. The arrivals are gathered into pieces of 1024
// bytes, so where a NUL cuts a piece does not depend on how the bytes
// happened to arrive.
void ReadBody(Download& download, std::string& page, unsigned long long maxBytes) {
    char piece[kReadSize + 1];
    DWORD filled = 0;
    auto appendPiece = [&] {
        // A NUL ends the piece: the page is a C string to everything after us.
        piece[filled] = '\0';
        page.append(piece, std::strlen(piece));
        filled = 0;
    };
    unsigned long long total = 0;
    while (total < maxBytes) {
        DWORD available = 0;
        if (!InternetQueryDataAvailable(download.request.get(), &available, 0, 0)) {
            // Nothing buffered yet: wait for bytes, then ask again for how many.
            if (!download.AwaitCompletion()) break;
            continue;
        }
        if (available == 0) break;  // the end of the body
        DWORD wanted =
            static_cast<DWORD>(std::min<unsigned long long>({available, kReadSize - filled, maxBytes - total}));
        DWORD count = 0;
        InternetReadFile(download.request.get(), piece + filled, wanted, &count);
        if (count == 0) break;
        filled += count;
        total += count;
        if (filled == kReadSize) appendPiece();
    }
    if (filled) appendPiece();
}

}  // namespace

bool DownloadQuotePage(FeedTexts& texts, std::int32_t& requestCounter, const DownloadLimits& limits) {
    texts.RequestUrl = MakeRequestUrl(texts.BaseUrl, requestCounter);
    requestCounter = NextCounter(requestCounter);
    texts.PageText.clear();

    Download download(GetTickCount64() + limits.OverallMs);
    download.session.reset(InternetOpenA("MyApp", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, INTERNET_FLAG_ASYNC));
    if (!download.session) return false;
    InternetSetStatusCallbackA(download.session.get(), &OnStatus);
    if (!OpenQuoteUrl(download, texts.RequestUrl, limits.NetworkWaitMs)) return false;
    ReadBody(download, texts.PageText, limits.MaxBodyBytes);
    return true;
}

}  // namespace kazeban

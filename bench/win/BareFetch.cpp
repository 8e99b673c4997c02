// BareFetch: the least a Win32 program does to fetch the quote page, as the
// yardstick that the board's start-up and per-refresh costs are read against.
//
//   BareFetch.exe URL [count] [interval_ms] [--connect | --async]
//
// Creates one plain top-level window (class BareFetchWindow), fetches URL once
// while the window is still hidden, shows the window, then fetches count - 1
// more times on a timer of interval_ms. The window stays until it is closed.
// Each fetch appends "?kk=" and a hexadecimal counter to URL, as the board
// does, so that every request differs and the quote server accepts it.
//
// Default: InternetOpenA + InternetOpenUrlA + 1024-byte InternetReadFile.
// --connect: the board's sequence of calls (InternetCrackUrlA,
// InternetConnectA, HttpOpenRequestA, HttpSendRequestA, time-outs on both
// handles, reads of what InternetQueryDataAvailable reports, at most 1024
// bytes each), synchronous.
// --async: the same calls on an INTERNET_FLAG_ASYNC session with a status
// callback, waiting on an event for each call that goes pending, as the
// board's bounded download does.
// All ask for INTERNET_FLAG_NO_CACHE_WRITE, as the board does, so they differ
// only in the calls, not in a cache file written per request.
//
// Exit code: 0 when every fetch read a body, 1 when one did not, 2 usage.
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr DWORD kReadSize = 1024;
// The board's own network wait; InternetOpenUrlA cannot apply it.
constexpr DWORD kWaitMs = 10000;
const wchar_t kClassName[] = L"BareFetchWindow";

struct InternetHandleCloser {
    void operator()(HINTERNET handle) const { InternetCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetHandleCloser>;

enum class Mode { OpenUrl, Connect, Async };

struct Options {
    std::string baseUrl;
    long count = 1;
    UINT intervalMs = 1000;
    Mode mode = Mode::OpenUrl;
};

// What WinINet's worker reports for the call in flight. One for the whole
// run: a late report after a fetch has ended then lands in live memory.
struct Completion {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    DWORD_PTR result = 0;
    DWORD error = ERROR_SUCCESS;
};

struct State {
    Options options;
    unsigned counter = 1;
    long fetched = 0;
    bool allRead = true;
    Completion completion;
};

void CALLBACK OnStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD) {
    auto* completion = reinterpret_cast<Completion*>(context);
    if (!completion || status != INTERNET_STATUS_REQUEST_COMPLETE) return;
    const auto* outcome = static_cast<const INTERNET_ASYNC_RESULT*>(info);
    completion->result = outcome->dwResult;
    completion->error = outcome->dwError;
    SetEvent(completion->event);
}

// Whether a call that may have gone pending succeeded; without a context
// (the synchronous modes) a FALSE is final.
bool Succeeded(BOOL done, Completion* completion) {
    if (done) return true;
    if (!completion || GetLastError() != ERROR_IO_PENDING) return false;
    return WaitForSingleObject(completion->event, kWaitMs) == WAIT_OBJECT_0 && completion->result != 0 &&
           completion->error == ERROR_SUCCESS;
}

void SetWaitLimits(HINTERNET handle) {
    DWORD ms = kWaitMs;
    for (DWORD option :
         {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionA(handle, option, &ms, sizeof(ms));
}

std::string ReadWhole(HINTERNET request) {
    std::string page;
    char piece[kReadSize];
    for (;;) {
        DWORD count = 0;
        InternetReadFile(request, piece, kReadSize, &count);
        if (count == 0) return page;
        page.append(piece, count);
    }
}

std::string ReadAvailable(HINTERNET request, Completion* completion) {
    std::string page;
    char piece[kReadSize];
    for (;;) {
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request, &available, 0, 0)) {
            // Pending: bytes are on their way; ask again once they are in.
            if (Succeeded(FALSE, completion)) continue;
            return page;
        }
        if (available == 0) return page;
        DWORD count = 0;
        InternetReadFile(request, piece, std::min(available, kReadSize), &count);
        if (count == 0) return page;
        page.append(piece, count);
    }
}

std::string FetchOpenUrl(HINTERNET session, const std::string& url) {
    InternetHandle request(InternetOpenUrlA(session, url.c_str(), nullptr, 0, INTERNET_FLAG_NO_CACHE_WRITE, 0));
    return request ? ReadWhole(request.get()) : std::string();
}

std::string FetchConnect(HINTERNET session, const std::string& url, Completion* completion) {
    auto context = reinterpret_cast<DWORD_PTR>(completion);
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = 1;
    parts.dwUrlPathLength = 1;
    parts.dwExtraInfoLength = 1;
    if (!InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return {};
    std::string host(parts.lpszHostName, parts.dwHostNameLength);
    std::string target(parts.lpszUrlPath, parts.dwUrlPathLength);
    if (parts.lpszExtraInfo) target.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);

    InternetHandle connection(
        InternetConnectA(session, host.c_str(), parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, context));
    if (!connection) return {};
    SetWaitLimits(connection.get());
    const char* acceptAll[] = {"*/*", nullptr};
    InternetHandle request(HttpOpenRequestA(connection.get(), "GET", target.c_str(), nullptr, nullptr, acceptAll,
                                            INTERNET_FLAG_NO_CACHE_WRITE, context));
    if (!request) return {};
    SetWaitLimits(request.get());
    if (!Succeeded(HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0), completion)) return {};
    return ReadAvailable(request.get(), completion);
}

// A fresh internet handle per fetch, as the board opens one per refresh.
void FetchOnce(State& state) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "?kk=%04X", state.counter++);
    std::string url = state.options.baseUrl + suffix;
    std::string page;
    bool async = state.options.mode == Mode::Async;
    InternetHandle session(
        InternetOpenA("MyApp", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, async ? INTERNET_FLAG_ASYNC : 0));
    if (session && async) {
        InternetSetStatusCallbackA(session.get(), OnStatus);
        ResetEvent(state.completion.event);
    }
    if (session)
        page = state.options.mode == Mode::OpenUrl
                   ? FetchOpenUrl(session.get(), url)
                   : FetchConnect(session.get(), url, async ? &state.completion : nullptr);
    if (page.empty()) state.allRead = false;
    ++state.fetched;
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<State*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (message) {
        case WM_NCCREATE:
            SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
            break;
        case WM_TIMER:
            if (wParam == kTimerId && state) {
                FetchOnce(*state);
                if (state->fetched >= state->options.count) KillTimer(hwnd, kTimerId);
                return 0;
            }
            break;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool ParseOptions(int argc, char** argv, Options& options) {
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        if (word == "--connect" || word == "--async") {
            options.mode = word == "--connect" ? Mode::Connect : Mode::Async;
            continue;
        }
        char* end = nullptr;
        switch (positional++) {
            case 0:
                options.baseUrl = word;
                break;
            case 1:
                options.count = std::strtol(word.c_str(), &end, 10);
                if (*end || options.count < 1) return false;
                break;
            case 2:
                options.intervalMs = static_cast<UINT>(std::strtoul(word.c_str(), &end, 10));
                if (*end || options.intervalMs == 0) return false;
                break;
            default:
                return false;
        }
    }
    return !options.baseUrl.empty();
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    State state;
    if (!ParseOptions(__argc, __argv, state.options)) {
        std::fputs("usage: BareFetch URL [count] [interval_ms] [--connect | --async]\n", stderr);
        return 2;
    }

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassW(&windowClass)) return 1;
    HWND window = CreateWindowExW(0, kClassName, L"BareFetch", WS_OVERLAPPEDWINDOW, 200, 150, 200, 240, nullptr,
                                  nullptr, instance, &state);
    if (!window) return 1;

    // The same order as the board: the first page is in before the window shows.
    FetchOnce(state);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    if (state.fetched < state.options.count) SetTimer(window, kTimerId, state.options.intervalMs, nullptr);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return state.allRead ? 0 : 1;
}

// BareFetch: the least a Win32 program does to fetch the quote page, as the
// yardstick that the board's start-up and per-refresh costs are read against.
//
//   BareFetch.exe URL [count] [interval_ms] [--connect]
//
// Creates one plain top-level window (class BareFetchWindow), fetches URL once
// while the window is still hidden, shows the window, then fetches count - 1
// more times on a timer of interval_ms. The window stays until it is closed.
// Each fetch appends "?kk=" and a hexadecimal counter to URL, as the board
// does, so that every request differs and the quote server accepts it.
//
// Default: InternetOpenA + InternetOpenUrlA + 1024-byte InternetReadFile.
// --connect: the board's own sequence (InternetCrackUrlA, InternetConnectA,
// HttpOpenRequestA, HttpSendRequestA, time-outs on both handles, reads of what
// InternetQueryDataAvailable reports, at most 1024 bytes each).
// Both ask for INTERNET_FLAG_NO_CACHE_WRITE, as the board does, so the two
// differ only in the calls, not in a cache file written per request.
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
// The board's own network wait; only the --connect sequence can apply it.
constexpr DWORD kWaitMs = 10000;
const wchar_t kClassName[] = L"BareFetchWindow";

struct InternetHandleCloser {
    void operator()(HINTERNET handle) const { InternetCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetHandleCloser>;

struct Options {
    std::string baseUrl;
    long count = 1;
    UINT intervalMs = 1000;
    bool connect = false;
};

struct State {
    Options options;
    unsigned counter = 1;
    long fetched = 0;
    bool allRead = true;
};

void SetWaitLimits(HINTERNET handle) {
    DWORD ms = kWaitMs;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT})
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

std::string ReadAvailable(HINTERNET request) {
    std::string page;
    char piece[kReadSize];
    for (;;) {
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request, &available, 0, 0) || available == 0) return page;
        DWORD count = 0;
        InternetReadFile(request, piece, std::min(available, kReadSize), &count);
        if (count == 0) return page;
        page.append(piece, count);
    }
}

std::string FetchOpenUrl(HINTERNET session, const std::string& url) {
    InternetHandle request(
        InternetOpenUrlA(session, url.c_str(), nullptr, 0, INTERNET_FLAG_NO_CACHE_WRITE, 0));
    return request ? ReadWhole(request.get()) : std::string();
}

std::string FetchConnect(HINTERNET session, const std::string& url) {
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = 1;
    parts.dwUrlPathLength = 1;
    parts.dwExtraInfoLength = 1;
    if (!InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return {};
    std::string host(parts.lpszHostName, parts.dwHostNameLength);
    std::string target(parts.lpszUrlPath, parts.dwUrlPathLength);
    if (parts.lpszExtraInfo) target.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);

    InternetHandle connection(InternetConnectA(session, host.c_str(), parts.nPort, nullptr,
                                               nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return {};
    SetWaitLimits(connection.get());
    const char* acceptAll[] = {"*/*", nullptr};
    InternetHandle request(HttpOpenRequestA(connection.get(), "GET", target.c_str(), nullptr,
                                            nullptr, acceptAll, INTERNET_FLAG_NO_CACHE_WRITE, 0));
    if (!request) return {};
    SetWaitLimits(request.get());
    if (!HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0)) return {};
    return ReadAvailable(request.get());
}

// A fresh internet handle per fetch, as the board opens one per refresh.
void FetchOnce(State& state) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "?kk=%04X", state.counter++);
    std::string url = state.options.baseUrl + suffix;
    std::string page;
    InternetHandle session(InternetOpenA("MyApp", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (session)
        page = state.options.connect ? FetchConnect(session.get(), url)
                                     : FetchOpenUrl(session.get(), url);
    if (page.empty()) state.allRead = false;
    ++state.fetched;
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<State*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(
                              reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
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
        if (word == "--connect") {
            options.connect = true;
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
        std::fputs("usage: BareFetch URL [count] [interval_ms] [--connect]\n", stderr);
        return 2;
    }

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassW(&windowClass)) return 1;
    HWND window = CreateWindowExW(0, kClassName, L"BareFetch", WS_OVERLAPPEDWINDOW, 200, 150, 200,
                                  240, nullptr, nullptr, instance, &state);
    if (!window) return 1;

    // The same order as the board: the first page is in before the window shows.
    FetchOnce(state);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    if (state.fetched < state.options.count)
        SetTimer(window, kTimerId, state.options.intervalMs, nullptr);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return state.allRead ? 0 : 1;
}

// KazebanProbe: looks at the windows of a running Kazeban from another
// process, the way the end-to-end tests need to, and answers in JSON (UTF-8).
//
//   windows [filters]                  top-level windows
//   children HWND                      descendants of one window
//   board [filters]                    the board, its application window, its labels
//   send HWND MSG WPARAM LPARAM [--timeout MS]
//   post HWND MSG WPARAM LPARAM
//   wait-window --class NAME [filters] [--timeout MS]
//   move HWND X Y                      move a window, as a drag by the user would end
//   process PID                        memory, handle and GUI object counts of a process
//
// filters: --class NAME  --pid N  --title TEXT  --exe-path PART  --visible  --layered
// Exit codes: 0 success, 1 no such window (or timeout), 2 usage error.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <psapi.h>
#include <shellapi.h>

#include <cstdio>
#include <cwctype>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitNotFound = 1;
constexpr int kExitUsage = 2;
constexpr DWORD kPollMs = 50;

struct UsageError {
    std::string message;
};

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::string Quote(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Quote(const std::wstring& text) { return Quote(Utf8(text)); }
std::string Bool(bool value) { return value ? "true" : "false"; }
std::string Num(long long value) { return std::to_string(value); }
std::string Handle(HWND hwnd) { return std::to_string(reinterpret_cast<uintptr_t>(hwnd)); }

std::string Rect(const RECT& r) {
    return "{\"left\":" + Num(r.left) + ",\"top\":" + Num(r.top) + ",\"right\":" + Num(r.right) +
           ",\"bottom\":" + Num(r.bottom) + "}";
}

// Decimal, optionally negative (an LPARAM of -1), or 0x-hex as debuggers show handles.
bool ParseNumber(const std::wstring& text, long long& value) {
    size_t pos = 0;
    bool negative = !text.empty() && text[0] == L'-';
    if (negative) pos = 1;
    int base = 10;
    if (text.size() > pos + 2 && text[pos] == L'0' && (text[pos + 1] == L'x' || text[pos + 1] == L'X')) {
        base = 16;
        pos += 2;
    }
    if (pos >= text.size()) return false;
    unsigned long long magnitude = 0;
    for (; pos < text.size(); ++pos) {
        wchar_t c = text[pos];
        unsigned digit;
        if (c >= L'0' && c <= L'9')
            digit = c - L'0';
        else if (base == 16 && c >= L'a' && c <= L'f')
            digit = c - L'a' + 10;
        else if (base == 16 && c >= L'A' && c <= L'F')
            digit = c - L'A' + 10;
        else
            return false;
        magnitude = magnitude * base + digit;
    }
    value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    return true;
}

long long NumberArg(const std::wstring& text, const char* what) {
    long long value = 0;
    if (!ParseNumber(text, value)) throw UsageError{std::string("bad number for ") + what};
    return value;
}

HWND HandleArg(const std::wstring& text) {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(NumberArg(text, "HWND")));
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return name;
}

// The text the window manager stores, read without sending a message: it works
// while the program is blocked in a download, and cannot hang the inspector.
// It is Unicode on the server, so Shift_JIS captions arrive intact as long as
// the program itself ran with code page 932.
std::wstring TextOf(HWND hwnd) {
    std::vector<wchar_t> buffer(1024);
    for (;;) {
        int length = InternalGetWindowText(hwnd, buffer.data(), static_cast<int>(buffer.size()));
        if (length < static_cast<int>(buffer.size()) - 1) return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

DWORD PidOf(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

// Windows pids are not the Linux pids the harness knows; the image path of the
// per-test copy of the program is what ties a window to its run.
const std::wstring& ImageOf(DWORD pid) {
    static std::map<DWORD, std::wstring> cache;
    auto found = cache.find(pid);
    if (found != cache.end()) return found->second;
    std::wstring path;
    if (HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)) {
        wchar_t buffer[MAX_PATH * 4];
        DWORD size = MAX_PATH * 4;
        if (QueryFullProcessImageNameW(process, 0, buffer, &size)) path.assign(buffer, size);
        CloseHandle(process);
    }
    return cache.emplace(pid, path).first->second;
}

struct Filter {
    std::wstring className;
    std::wstring title;
    std::wstring exePart;  // lower case
    DWORD pid = 0;
    bool hasPid = false;
    bool hasTitle = false;
    bool visible = false;
    bool layered = false;
};

bool HasLayeredAttributes(HWND hwnd) {
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    return (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED) &&
           GetLayeredWindowAttributes(hwnd, &key, &alpha, &flags);
}

bool Matches(HWND hwnd, const Filter& filter) {
    if (!filter.className.empty() && _wcsicmp(ClassOf(hwnd).c_str(), filter.className.c_str()) != 0) return false;
    if (filter.hasPid && PidOf(hwnd) != filter.pid) return false;
    if (filter.hasTitle && TextOf(hwnd) != filter.title) return false;
    if (!filter.exePart.empty() && Lower(ImageOf(PidOf(hwnd))).find(filter.exePart) == std::wstring::npos) return false;
    if (filter.visible && !IsWindowVisible(hwnd)) return false;
    // The ex-style and the attributes are set by two calls; a test that waits
    // for "layered" wants both.
    if (filter.layered && !HasLayeredAttributes(hwnd)) return false;
    return true;
}

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> TopLevel(const Filter& filter) {
    std::vector<HWND> all, matching;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&all));
    for (HWND hwnd : all)
        if (Matches(hwnd, filter)) matching.push_back(hwnd);
    return matching;
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> all;
    EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&all));
    return all;
}

std::string WindowInfo(HWND hwnd) {
    DWORD pid = PidOf(hwnd);
    LONG exStyle = GetWindowLongW(hwnd, GWL_EXSTYLE);
    RECT rect = {}, client = {};
    GetWindowRect(hwnd, &rect);
    GetClientRect(hwnd, &client);
    POINT origin = {0, 0};
    ClientToScreen(hwnd, &origin);
    std::string layered = "null";
    if (exStyle & WS_EX_LAYERED) {
        COLORREF key = 0;
        BYTE alpha = 0;
        DWORD flags = 0;
        BOOL ok = GetLayeredWindowAttributes(hwnd, &key, &alpha, &flags);
        layered = "{\"ok\":" + Bool(ok) + ",\"key\":" + Num(key) + ",\"alpha\":" + Num(alpha) +
                  ",\"flags\":" + Num(flags) + "}";
    }
    return "{\"hwnd\":" + Handle(hwnd) + ",\"pid\":" + Num(pid) + ",\"class\":" + Quote(ClassOf(hwnd)) +
           ",\"title\":" + Quote(TextOf(hwnd)) +
           ",\"style\":" + Num(static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE))) +
           ",\"exstyle\":" + Num(static_cast<DWORD>(exStyle)) + ",\"visible\":" + Bool(IsWindowVisible(hwnd)) +
           ",\"enabled\":" + Bool(IsWindowEnabled(hwnd)) + ",\"rect\":" + Rect(rect) +
           ",\"client\":{\"left\":" + Num(origin.x) + ",\"top\":" + Num(origin.y) + ",\"width\":" + Num(client.right) +
           ",\"height\":" + Num(client.bottom) + "},\"owner\":" + Handle(GetWindow(hwnd, GW_OWNER)) +
           ",\"layered\":" + layered + ",\"exe\":" + Quote(ImageOf(pid)) + "}";
}

// "visible" is what the user sees (every ancestor shown too); "shown" is the
// child's own WS_VISIBLE, which still tells a hidden label on a hidden board.
std::string ChildInfo(HWND child, HWND root) {
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, root, reinterpret_cast<POINT*>(&rect), 2);
    LONG style = GetWindowLongW(child, GWL_STYLE);
    return "{\"hwnd\":" + Handle(child) + ",\"parent\":" + Handle(GetParent(child)) +
           ",\"id\":" + Num(GetDlgCtrlID(child)) + ",\"class\":" + Quote(ClassOf(child)) +
           ",\"text\":" + Quote(TextOf(child)) + ",\"visible\":" + Bool(IsWindowVisible(child)) +
           ",\"shown\":" + Bool((style & WS_VISIBLE) != 0) + ",\"style\":" + Num(static_cast<DWORD>(style)) +
           ",\"rect\":" + Rect(rect) + "}";
}

template <typename Each>
std::string Array(const std::vector<HWND>& windows, Each each) {
    std::string out = "[";
    for (size_t i = 0; i < windows.size(); ++i) out += (i ? ",\n " : "") + each(windows[i]);
    return out + "]";
}

void Print(const std::string& json) {
    std::fwrite(json.data(), 1, json.size(), stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
}

int NotFound(const std::string& what) {
    Print("{\"error\":" + Quote(what) + "}");
    return kExitNotFound;
}

struct Args {
    std::vector<std::wstring> positional;
    Filter filter;
    DWORD timeoutMs = 0;
    bool hasTimeout = false;
};

Args ParseArgs(const std::vector<std::wstring>& words) {
    Args args;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::wstring& word = words[i];
        auto value = [&]() -> const std::wstring& {
            if (i + 1 >= words.size()) throw UsageError{"missing value for " + Utf8(word)};
            return words[++i];
        };
        if (word == L"--class") {
            args.filter.className = value();
        } else if (word == L"--title") {
            args.filter.title = value();
            args.filter.hasTitle = true;
        } else if (word == L"--exe-path") {
            args.filter.exePart = Lower(value());
        } else if (word == L"--pid") {
            args.filter.pid = static_cast<DWORD>(NumberArg(value(), "--pid"));
            args.filter.hasPid = true;
        } else if (word == L"--timeout") {
            args.timeoutMs = static_cast<DWORD>(NumberArg(value(), "--timeout"));
            args.hasTimeout = true;
        } else if (word == L"--visible") {
            args.filter.visible = true;
        } else if (word == L"--layered") {
            args.filter.layered = true;
        } else if (word.size() > 2 && word.compare(0, 2, L"--") == 0) {
            throw UsageError{"unknown option " + Utf8(word)};
        } else {
            args.positional.push_back(word);
        }
    }
    return args;
}

void ExpectPositional(const Args& args, size_t count) {
    if (args.positional.size() != count) throw UsageError{"wrong number of arguments"};
}

int Windows(const Args& args) {
    ExpectPositional(args, 0);
    Print(Array(TopLevel(args.filter), WindowInfo));
    return kExitOk;
}

int Children(const Args& args) {
    ExpectPositional(args, 1);
    HWND root = HandleArg(args.positional[0]);
    if (!IsWindow(root)) return NotFound("no such window");
    Print(Array(Descendants(root), [root](HWND child) { return ChildInfo(child, root); }));
    return kExitOk;
}

int Board(const Args& args) {
    ExpectPositional(args, 0);
    Filter filter = args.filter;
    filter.className = L"TMainForm";
    std::vector<HWND> boards = TopLevel(filter);
    if (boards.empty()) return NotFound("no TMainForm window");
    HWND board = boards.front();
    Filter appFilter;
    appFilter.className = L"TApplication";
    appFilter.pid = PidOf(board);
    appFilter.hasPid = true;
    std::vector<HWND> apps = TopLevel(appFilter);
    std::string labels = "{";
    for (HWND child : Descendants(board)) {
        if (ClassOf(child) != L"TLabel") continue;
        if (labels.size() > 1) labels += ",\n ";
        labels += "\"" + Num(GetDlgCtrlID(child)) + "\":" + ChildInfo(child, board);
    }
    Print("{\"board\":" + WindowInfo(board) + ",\n\"app\":" + (apps.empty() ? "null" : WindowInfo(apps.front())) +
          ",\n\"labels\":" + labels + "}}");
    return kExitOk;
}

int SendOrPost(const Args& args, bool send) {
    ExpectPositional(args, 4);
    HWND hwnd = HandleArg(args.positional[0]);
    auto message = static_cast<UINT>(NumberArg(args.positional[1], "MSG"));
    auto wParam = static_cast<WPARAM>(NumberArg(args.positional[2], "WPARAM"));
    auto lParam = static_cast<LPARAM>(NumberArg(args.positional[3], "LPARAM"));
    if (!IsWindow(hwnd)) return NotFound("no such window");
    if (!send) {
        Print("{\"ok\":" + Bool(PostMessageA(hwnd, message, wParam, lParam)) + "}");
        return kExitOk;
    }
    DWORD_PTR result = 0;
    LRESULT ok = SendMessageTimeoutA(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG,
                                     args.hasTimeout ? args.timeoutMs : 5000, &result);
    DWORD error = ok ? 0 : GetLastError();
    Print("{\"ok\":" + Bool(ok != 0) + ",\"result\":" + Num(static_cast<LONG_PTR>(result)) +
          ",\"error\":" + Num(error) + "}");
    return kExitOk;
}

int Move(const Args& args) {
    ExpectPositional(args, 3);
    HWND hwnd = HandleArg(args.positional[0]);
    auto x = static_cast<int>(NumberArg(args.positional[1], "X"));
    auto y = static_cast<int>(NumberArg(args.positional[2], "Y"));
    if (!IsWindow(hwnd)) return NotFound("no such window");
    // Another process's window: its own thread carries the move out and gets
    // WM_WINDOWPOSCHANGED, as after a drag.
    BOOL ok = SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    Print("{\"ok\":" + Bool(ok) + ",\"rect\":" + Rect(rect) + "}");
    return kExitOk;
}

std::string CountOrNull(bool ok, unsigned long long value) { return ok ? Num(static_cast<long long>(value)) : "null"; }

// Wine answers GetProcessHandleCount for another process with 0. Its handle
// values are 4, 8, 12, ... and a closed slot is reused lowest first, so
// duplicating every value in turn counts the live kernel handles; a long run
// of free slots ends the table. Internet handles are not kernel handles and
// are not counted, on Windows either.
long long ProbeHandles(DWORD pid) {
    constexpr int kFreeRunEnd = 1024;
    constexpr int kMaxSlots = 1 << 16;
    HANDLE process = OpenProcess(PROCESS_DUP_HANDLE, FALSE, pid);
    if (!process) return -1;
    long long count = 0;
    for (int slot = 1, freeRun = 0; slot < kMaxSlots && freeRun < kFreeRunEnd; ++slot) {
        HANDLE copy = nullptr;
        if (DuplicateHandle(process, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(slot) * 4), GetCurrentProcess(),
                            &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
            CloseHandle(copy);
            ++count;
            freeRun = 0;
        } else {
            ++freeRun;
        }
    }
    CloseHandle(process);
    return count;
}

// Wine gives PrivateUsage as 0 for another process; the sum of its committed
// private regions is the figure Windows reports there.
long long CommittedPrivateBytes(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!process) return -1;
    long long total = 0;
    MEMORY_BASIC_INFORMATION region;
    const char* address = nullptr;
    while (VirtualQueryEx(process, address, &region, sizeof region) == sizeof region) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += static_cast<long long>(region.RegionSize);
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= address) break;
        address = next;
    }
    CloseHandle(process);
    return total;
}

// PID is the Windows pid from a window's info. A figure that the system does
// not give for another process is null, with its error code under "errors"
// (GetGuiResources has no failure value but 0, so only a set last error counts).
int Process(const Args& args) {
    ExpectPositional(args, 1);
    auto pid = static_cast<DWORD>(NumberArg(args.positional[0], "PID"));
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) return NotFound("cannot open process, error " + Num(GetLastError()));
    std::string errors;
    auto note = [&errors](const char* what, BOOL ok) {
        if (!ok) errors += std::string(errors.empty() ? "" : ",") + "\"" + what + "\":" + Num(GetLastError());
        return ok != FALSE;
    };
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    bool memoryOk = note(
        "memory", K32GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory));
    DWORD handles = 0;
    bool handlesOk = note("handles", GetProcessHandleCount(process, &handles));
    long long probed = ProbeHandles(pid);
    long long committed = CommittedPrivateBytes(pid);
    bool committedOk = committed >= 0;
    bool probedOk = probed >= 0;
    SetLastError(0);
    DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
    bool gdiOk = note("gdi", gdi != 0 || GetLastError() == 0);
    SetLastError(0);
    DWORD user = GetGuiResources(process, GR_USEROBJECTS);
    bool userOk = note("user", user != 0 || GetLastError() == 0);
    CloseHandle(process);
    Print("{\"pid\":" + Num(pid) + ",\"private_bytes\":" + CountOrNull(memoryOk, memory.PrivateUsage) +
          ",\"private_committed\":" + CountOrNull(committedOk, static_cast<unsigned long long>(committed)) +
          ",\"working_set\":" + CountOrNull(memoryOk, memory.WorkingSetSize) +
          ",\"peak_working_set\":" + CountOrNull(memoryOk, memory.PeakWorkingSetSize) + ",\"pagefile\":" +
          CountOrNull(memoryOk, memory.PagefileUsage) + ",\"handles\":" + CountOrNull(handlesOk, handles) +
          ",\"handles_probed\":" + CountOrNull(probedOk, static_cast<unsigned long long>(probed)) + ",\"gdi\":" +
          CountOrNull(gdiOk, gdi) + ",\"user\":" + CountOrNull(userOk, user) + ",\"errors\":{" + errors + "}}");
    return kExitOk;
}

int WaitWindow(const Args& args) {
    ExpectPositional(args, 0);
    if (args.filter.className.empty()) throw UsageError{"wait-window needs --class"};
    DWORD timeout = args.hasTimeout ? args.timeoutMs : 10000;
    DWORD start = GetTickCount();
    for (;;) {
        std::vector<HWND> found = TopLevel(args.filter);
        if (!found.empty()) {
            Print(WindowInfo(found.front()));
            return kExitOk;
        }
        if (GetTickCount() - start >= timeout) return NotFound("timeout");
        Sleep(kPollMs);
    }
}

int Run(const std::vector<std::wstring>& words) {
    if (words.empty()) throw UsageError{"no command"};
    std::wstring command = words.front();
    Args args = ParseArgs(std::vector<std::wstring>(words.begin() + 1, words.end()));
    if (command == L"windows") return Windows(args);
    if (command == L"children") return Children(args);
    if (command == L"board") return Board(args);
    if (command == L"send") return SendOrPost(args, true);
    if (command == L"post") return SendOrPost(args, false);
    if (command == L"wait-window") return WaitWindow(args);
    if (command == L"move") return Move(args);
    if (command == L"process") return Process(args);
    throw UsageError{"unknown command " + Utf8(command)};
}

}  // namespace

int main() {
    // Text mode would turn each "\n" into "\r\n" inside the JSON on the Linux side.
    _setmode(_fileno(stdout), _O_BINARY);
    // The wide command line keeps a Japanese --title exact whatever the code page.
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> words;
    for (int i = 1; argv && i < count; ++i) words.emplace_back(argv[i]);
    LocalFree(argv);
    try {
        return Run(words);
    } catch (const UsageError& error) {
        std::fprintf(stderr,
                     "KazebanProbe: %s\nusage: KazebanProbe windows|board|wait-window [--class NAME] "
                     "[--pid N] [--title TEXT] [--exe-path PART] [--visible] [--layered] [--timeout MS]\n"
                     "       KazebanProbe children HWND\n"
                     "       KazebanProbe send|post HWND MSG WPARAM LPARAM [--timeout MS]\n"
                     "       KazebanProbe move HWND X Y\n"
                     "       KazebanProbe process PID\n",
                     error.message.c_str());
        return kExitUsage;
    }
}

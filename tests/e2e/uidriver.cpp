// uidriver: works another program's windows from outside, as a user would, for the end-to-end
// tests under Wine. One command per run:
//
//   uidriver wait --caption-hex H [--class C] [--child-id N] [--pid P] [--timeout-ms N]
//   uidriver waitgone --hwnd X [--timeout-ms N]
//   uidriver list
//   uidriver dump --hwnd X
//   uidriver msgbox --hwnd X
//   uidriver click --hwnd X --id N [--via button|command]
//   uidriver close --hwnd X
//
// Results are lines of the form "kind key=value key=value ...". Window handles are hex, control
// ids decimal, and every text is its CP932 bytes in hex: Wine garbles Japanese on a command line
// and on a console, so no text crosses either as characters. Texts are read with the Unicode
// messages and converted here, because the ANSI ones return only a first character when the
// window belongs to another process.
//
// Exit codes: 0 done, 1 timed out, 2 bad command line, 3 the command could not be carried out.
#include <windows.h>
#include <commctrl.h>
#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr UINT kCodePage = 932;
// A control that does not answer within this long is treated as hung rather than waited on.
constexpr UINT kSendTimeoutMs = 5000;
constexpr DWORD kPollIntervalMs = 50;
constexpr DWORD kDefaultTimeoutMs = 10000;

constexpr int kExitOk = 0;
constexpr int kExitTimeout = 1;
constexpr int kExitUsage = 2;
constexpr int kExitFailed = 3;

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct CommandError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// ---- Text helpers ------------------------------------------------------------------------

std::string ToCp932(const std::wstring& text) {
    if (text.empty()) {
        return std::string();
    }
    const int size = WideCharToMultiByte(kCodePage, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(kCodePage, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size,
                        nullptr, nullptr);
    return bytes;
}

std::string ToHex(const std::string& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const unsigned char byte : bytes) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string FromHex(const std::string& hex) {
    if (hex.size() % 2 != 0) {
        throw UsageError("hex text has an odd number of digits: " + hex);
    }
    std::string bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexDigit(hex[i]);
        const int low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0) {
            throw UsageError("not hex: " + hex);
        }
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}

std::string HandleHex(HWND window) {
    char text[24];
    std::snprintf(text, sizeof text, "%08lX",
                  static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(window)));
    return text;
}

// ---- Command line ------------------------------------------------------------------------

// "--name value" pairs after the command word.
class Options {
  public:
    Options(int argc, char** argv, int first) {
        for (int i = first; i < argc; i += 2) {
            const std::string name = argv[i];
            if (name.size() < 3 || name.compare(0, 2, "--") != 0) {
                throw UsageError("expected an option, got " + name);
            }
            if (i + 1 >= argc) {
                throw UsageError("option " + name + " needs a value");
            }
            values_[name.substr(2)] = argv[i + 1];
        }
    }

    // Rejects options the command does not know, so that a misspelt one is not silently ignored.
    void AllowOnly(const std::vector<std::string>& known) const {
        for (const auto& entry : values_) {
            bool found = false;
            for (const std::string& name : known) {
                found = found || name == entry.first;
            }
            if (!found) {
                throw UsageError("unknown option --" + entry.first);
            }
        }
    }

    bool Has(const std::string& name) const { return values_.count(name) != 0; }

    std::string Text(const std::string& name) const {
        const auto found = values_.find(name);
        if (found == values_.end()) {
            throw UsageError("missing option --" + name);
        }
        return found->second;
    }

    // Decimal, or hex with a 0x prefix.
    unsigned long Number(const std::string& name) const {
        const std::string text = Text(name);
        const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
        char* end = nullptr;
        const unsigned long value = std::strtoul(text.c_str(), &end, hex ? 16 : 10);
        if (text.empty() || *end != '\0') {
            throw UsageError("--" + name + " is not a number: " + text);
        }
        return value;
    }

    unsigned long NumberOr(const std::string& name, unsigned long fallback) const {
        return Has(name) ? Number(name) : fallback;
    }

    // A window handle, always hex (with or without 0x), as this program prints them. It may
    // name a window that no longer exists.
    HWND Handle(const std::string& name) const {
        const std::string text = Text(name);
        char* end = nullptr;
        const unsigned long value = std::strtoul(text.c_str(), &end, 16);
        if (text.empty() || *end != '\0') {
            throw UsageError("--" + name + " is not a hex window handle: " + text);
        }
        return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(value));
    }

    // A handle that must name an existing window.
    HWND Window(const std::string& name) const {
        HWND window = Handle(name);
        if (!IsWindow(window)) {
            throw CommandError("no window " + Text(name));
        }
        return window;
    }

  private:
    std::map<std::string, std::string> values_;
};

// ---- Reading windows ---------------------------------------------------------------------

// SendMessageTimeout, so that a hung target cannot hang the test.
bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &answer)) {
        return false;
    }
    result = static_cast<LRESULT>(answer);
    return true;
}

LRESULT SendOrThrow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!Send(window, message, wParam, lParam, result)) {
        throw CommandError("window " + HandleHex(window) + " did not answer message " +
                           std::to_string(message));
    }
    return result;
}

std::wstring WindowText(HWND window) {
    const LRESULT length = SendOrThrow(window, WM_GETTEXTLENGTH, 0, 0);
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied =
        SendOrThrow(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    return std::wstring(buffer.data(), static_cast<std::size_t>(copied));
}

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    const int length = GetClassNameW(window, name, 256);
    return std::wstring(name, static_cast<std::size_t>(length > 0 ? length : 0));
}

bool IsClass(HWND window, const wchar_t* name) {
    return _wcsicmp(ClassName(window).c_str(), name) == 0;
}

// The class name is printed as is: window classes are ASCII names without spaces.
std::string ClassText(HWND window) {
    return ToCp932(ClassName(window));
}

std::string Flag(bool value) {
    return value ? "1" : "0";
}

std::string StyleHex(HWND window) {
    char text[16];
    std::snprintf(text, sizeof text, "%08lX",
                  static_cast<unsigned long>(GetWindowLongW(window, GWL_STYLE)));
    return text;
}

// EnumWindows callbacks must be stdcall, which a lambda cannot be on 32-bit x86.
BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// Every descendant, in creation order for a dialog.
std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> windows;
    EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

DWORD ProcessOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

void PrintWindowLine(HWND window) {
    std::printf("window hwnd=%s pid=%lu class=%s style=%s enabled=%s visible=%s caption=%s\n",
                HandleHex(window).c_str(), static_cast<unsigned long>(ProcessOf(window)),
                ClassText(window).c_str(), StyleHex(window).c_str(),
                Flag(IsWindowEnabled(window)).c_str(), Flag(IsWindowVisible(window)).c_str(),
                ToHex(ToCp932(WindowText(window))).c_str());
}

void PrintListItems(HWND list, int id) {
    const LRESULT count = SendOrThrow(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendOrThrow(list, LB_GETTEXTLEN, i, 0);
        std::wstring text;
        if (length > 0) {
            std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
            const LRESULT copied =
                SendOrThrow(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buffer.data()));
            text.assign(buffer.data(), copied > 0 ? static_cast<std::size_t>(copied) : 0);
        }
        // LB_GETSEL answers for single- and multiple-selection list boxes alike.
        const LRESULT selected = SendOrThrow(list, LB_GETSEL, i, 0);
        std::printf("item id=%d index=%ld selected=%s text=%s\n", id, static_cast<long>(i),
                    Flag(selected > 0).c_str(), ToHex(ToCp932(text)).c_str());
    }
}

void PrintControl(HWND control) {
    const int id = GetDlgCtrlID(control);
    std::printf("control hwnd=%s id=%d class=%s style=%s enabled=%s visible=%s text=%s",
                HandleHex(control).c_str(), id, ClassText(control).c_str(),
                StyleHex(control).c_str(), Flag(IsWindowEnabled(control)).c_str(),
                Flag(IsWindowVisible(control)).c_str(),
                ToHex(ToCp932(WindowText(control))).c_str());
    if (IsClass(control, WC_BUTTONW)) {
        std::printf(" check=%ld", static_cast<long>(SendOrThrow(control, BM_GETCHECK, 0, 0)));
    } else if (IsClass(control, WC_LISTBOXW)) {
        std::printf(" count=%ld", static_cast<long>(SendOrThrow(control, LB_GETCOUNT, 0, 0)));
    } else if (IsClass(control, PROGRESS_CLASSW)) {
        std::printf(" pos=%ld min=%ld max=%ld",
                    static_cast<long>(SendOrThrow(control, PBM_GETPOS, 0, 0)),
                    static_cast<long>(SendOrThrow(control, PBM_GETRANGE, TRUE, 0)),
                    static_cast<long>(SendOrThrow(control, PBM_GETRANGE, FALSE, 0)));
    }
    std::printf("\n");
    if (IsClass(control, WC_LISTBOXW)) {
        PrintListItems(control, id);
    }
}

// Polls until ready() holds or the time is up.
template <typename Ready>
bool WaitUntil(DWORD timeoutMs, Ready ready) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (ready()) {
            return true;
        }
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
        Sleep(kPollIntervalMs);
    }
}

// ---- Commands ----------------------------------------------------------------------------

// Waits for a visible top-level window with exactly this caption (and class, and control, and
// process, when given) and prints it.
int CmdWait(const Options& options) {
    options.AllowOnly({"caption-hex", "class", "child-id", "pid", "timeout-ms"});
    const std::string caption = FromHex(options.Text("caption-hex"));
    const bool byClass = options.Has("class");
    const std::string className = byClass ? options.Text("class") : std::string();
    const bool byChild = options.Has("child-id");
    const unsigned long childId = byChild ? options.Number("child-id") : 0;
    const bool byProcess = options.Has("pid");
    const unsigned long process = byProcess ? options.Number("pid") : 0;
    const DWORD timeoutMs = options.NumberOr("timeout-ms", kDefaultTimeoutMs);

    HWND found = nullptr;
    const bool ok = WaitUntil(timeoutMs, [&] {
        for (HWND window : TopLevelWindows()) {
            if (!IsWindowVisible(window)) {
                continue;
            }
            if (byClass && _stricmp(ClassText(window).c_str(), className.c_str()) != 0) {
                continue;
            }
            if (byProcess && ProcessOf(window) != process) {
                continue;
            }
            if (byChild && GetDlgItem(window, static_cast<int>(childId)) == nullptr) {
                continue;
            }
            // The caption as the window manager knows it, without a message to the window.
            wchar_t text[512] = {};
            const int length = GetWindowTextW(window, text, 512);
            if (ToCp932(std::wstring(text, length > 0 ? length : 0)) == caption) {
                found = window;
                return true;
            }
        }
        return false;
    });
    if (!ok) {
        std::printf("timeout\n");
        return kExitTimeout;
    }
    PrintWindowLine(found);
    return kExitOk;
}

// Waits until the window is destroyed or hidden.
int CmdWaitGone(const Options& options) {
    options.AllowOnly({"hwnd", "timeout-ms"});
    HWND window = options.Handle("hwnd");
    const DWORD timeoutMs = options.NumberOr("timeout-ms", kDefaultTimeoutMs);
    if (!WaitUntil(timeoutMs, [&] { return !IsWindow(window) || !IsWindowVisible(window); })) {
        std::printf("timeout\n");
        return kExitTimeout;
    }
    std::printf("gone hwnd=%s\n", HandleHex(window).c_str());
    return kExitOk;
}

// Every visible top-level window; for finding out what is on screen when a wait times out.
int CmdList(const Options& options) {
    options.AllowOnly({});
    for (HWND window : TopLevelWindows()) {
        if (IsWindowVisible(window)) {
            PrintWindowLine(window);
        }
    }
    return kExitOk;
}

int CmdDump(const Options& options) {
    options.AllowOnly({"hwnd"});
    HWND window = options.Window("hwnd");
    PrintWindowLine(window);
    for (HWND control : ChildWindows(window)) {
        PrintControl(control);
    }
    return kExitOk;
}

// A message box's text (its static control 0xFFFF) and its buttons.
int CmdMsgBox(const Options& options) {
    options.AllowOnly({"hwnd"});
    HWND window = options.Window("hwnd");
    HWND text = GetDlgItem(window, 0xFFFF);
    if (!IsClass(window, L"#32770") || text == nullptr) {
        throw CommandError("window " + HandleHex(window) + " is not a message box");
    }
    std::printf("msgbox hwnd=%s caption=%s text=%s\n", HandleHex(window).c_str(),
                ToHex(ToCp932(WindowText(window))).c_str(),
                ToHex(ToCp932(WindowText(text))).c_str());
    for (HWND control : ChildWindows(window)) {
        if (!IsClass(control, WC_BUTTONW)) {
            continue;
        }
        const DWORD style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
        std::printf("button id=%d default=%s enabled=%s visible=%s text=%s\n",
                    GetDlgCtrlID(control), Flag((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON).c_str(),
                    Flag(IsWindowEnabled(control)).c_str(), Flag(IsWindowVisible(control)).c_str(),
                    ToHex(ToCp932(WindowText(control))).c_str());
    }
    return kExitOk;
}

// Presses a control. Posted rather than sent: the press may open a modal window, and a sent
// message would not come back until that window closed.
int CmdClick(const Options& options) {
    options.AllowOnly({"hwnd", "id", "via"});
    HWND window = options.Window("hwnd");
    const unsigned long id = options.Number("id");
    const std::string via = options.Has("via") ? options.Text("via") : "button";
    if (via != "button" && via != "command") {
        throw UsageError("--via must be button or command");
    }
    HWND control = GetDlgItem(window, static_cast<int>(id));
    // A user cannot press what is hidden or greyed out, and neither does this.
    if (control != nullptr && (!IsWindowVisible(control) || !IsWindowEnabled(control))) {
        throw CommandError("control " + std::to_string(id) + " is disabled or hidden");
    }
    if (via == "button") {
        if (control == nullptr || !IsClass(control, WC_BUTTONW)) {
            throw CommandError("no button " + std::to_string(id) + " in window " +
                               HandleHex(window));
        }
        if (!PostMessageW(control, BM_CLICK, 0, 0)) {
            throw CommandError("could not post BM_CLICK");
        }
    } else {
        const WPARAM command = MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED);
        if (!PostMessageW(window, WM_COMMAND, command, reinterpret_cast<LPARAM>(control))) {
            throw CommandError("could not post WM_COMMAND");
        }
    }
    std::printf("clicked hwnd=%s id=%lu\n", HandleHex(window).c_str(), id);
    return kExitOk;
}

int CmdClose(const Options& options) {
    options.AllowOnly({"hwnd"});
    HWND window = options.Window("hwnd");
    if (!PostMessageW(window, WM_CLOSE, 0, 0)) {
        throw CommandError("could not post WM_CLOSE");
    }
    std::printf("closed hwnd=%s\n", HandleHex(window).c_str());
    return kExitOk;
}

struct Command {
    const char* name;
    int (*run)(const Options&);
};

const Command kCommands[] = {
    {"wait", CmdWait},     {"waitgone", CmdWaitGone}, {"list", CmdList},   {"dump", CmdDump},
    {"msgbox", CmdMsgBox}, {"click", CmdClick},       {"close", CmdClose},
};

}  // namespace

int main(int argc, char** argv) {
    // Lines end in "\n" alone, whatever reads them.
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 2) {
        std::fprintf(stderr, "usage: uidriver COMMAND [--option value]...\n");
        return kExitUsage;
    }
    const std::string name = argv[1];
    for (const Command& command : kCommands) {
        if (name != command.name) {
            continue;
        }
        int code = kExitFailed;
        try {
            code = command.run(Options(argc, argv, 2));
        } catch (const UsageError& error) {
            std::fprintf(stderr, "uidriver %s: %s\n", name.c_str(), error.what());
            code = kExitUsage;
        } catch (const CommandError& error) {
            std::fprintf(stderr, "uidriver %s: %s\n", name.c_str(), error.what());
            code = kExitFailed;
        }
        std::fflush(stdout);
        return code;
    }
    std::fprintf(stderr, "uidriver: unknown command %s\n", name.c_str());
    return kExitUsage;
}

// uidriver: works another program's windows from outside, as a user would, for the end-to-end
// tests under Wine. One command per run:
//
//   uidriver wait --caption-hex H [--class C] [--child-id N] [--pid P] [--timeout-ms N]
//   uidriver waitgone --hwnd X [--timeout-ms N]
//   uidriver list
//   uidriver dump --hwnd X [--font-hex H --font-points N]
//   uidriver msgbox --hwnd X
//   uidriver click --hwnd X --id N [--via button|command]
//   uidriver close --hwnd X
//   uidriver check --hwnd X --id N [--timeout-ms N]
//   uidriver type --hwnd X --id N --text-hex H [--timeout-ms N]
//   uidriver select --hwnd X --id N --index I [--ctrl 1 | --shift 1] [--timeout-ms N]
//   uidriver key --hwnd X --key esc|enter|tab [--timeout-ms N]
//   uidriver browse --hwnd X --path-hex H [--timeout-ms N]
//
// "wait" also takes --owner X, for a window owned by another (such as the folder browser); with
// it, the caption may be left out.
// Results are lines of the form "kind key=value key=value ...". Window handles are hex, control
// ids decimal, and every text is its CP932 bytes in hex: Wine garbles Japanese on a command line
// and on a console, so no text crosses either as characters. Texts are read with the Unicode
// messages and converted here, because the ANSI ones return only a first character when the
// window belongs to another process.
//
// With a font, "dump" also gives each control's place in the dialog's client area, in pixels
// (rect=) and in the dialog units of a template in that font at the window's DPI (du=), and the
// size its text takes in that font (text-size=): one line, or word-wrapped to the control's
// width for a static control of several lines. The driver is per-monitor DPI aware, so that it
// sees a scaled window's real pixels.
//
// Exit codes: 0 done, 1 timed out, 2 bad command line, 3 the command could not be carried out.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
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
    // Whole, on 64-bit Windows too, where a handle is wider than a long.
    char text[24];
    std::snprintf(text, sizeof text, "%08llX",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
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
        const unsigned long long value = std::strtoull(text.c_str(), &end, 16);
        if (text.empty() || *end != '\0' || value > UINTPTR_MAX) {
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
        std::printf("item id=%d index=%lld selected=%s text=%s\n", id, static_cast<long long>(i),
                    Flag(selected > 0).c_str(), ToHex(ToCp932(text)).c_str());
    }
}

// The dialog font at one DPI and the base units the dialog manager derives from it: the
// average width of the Latin letters and the font's height.
struct DialogFont {
    HFONT font = nullptr;
    int baseX = 0;
    int baseY = 0;
};

DialogFont MakeDialogFont(const std::string& face, int points, UINT dpi) {
    std::wstring wide(face.size() + 1, L'\0');
    const int length = MultiByteToWideChar(kCodePage, 0, face.data(), static_cast<int>(face.size()),
                                           &wide[0], static_cast<int>(wide.size()));
    LOGFONTW logFont = {};
    logFont.lfHeight = -MulDiv(points, static_cast<int>(dpi), 72);
    logFont.lfCharSet = SHIFTJIS_CHARSET;
    wcsncpy(logFont.lfFaceName, wide.c_str(), length > 31 ? 31 : length);
    DialogFont result;
    result.font = CreateFontIndirectW(&logFont);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, result.font);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    SIZE letters = {};
    const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    GetTextExtentPoint32W(dc, kLetters, 52, &letters);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    result.baseX = (letters.cx / 26 + 1) / 2;
    result.baseY = metrics.tmHeight;
    return result;
}

// Pixels back to dialog units, to the nearest (a unit is base/4 pixels across, base/8 down):
// exact whenever a unit is at least a pixel.
long ToUnits(long pixels, int base, int perBase) {
    return base > 0 ? (pixels * perBase + (pixels >= 0 ? base / 2 : -base / 2)) / base : 0;
}

void PrintLayout(HWND control, const std::wstring& text, const DialogFont& font) {
    RECT rect = {};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    const long width = rect.right - rect.left;
    const long height = rect.bottom - rect.top;
    std::printf(" rect=%ld,%ld,%ld,%ld du=%ld,%ld,%ld,%ld", rect.left, rect.top, width, height,
                ToUnits(rect.left, font.baseX, 4), ToUnits(rect.top, font.baseY, 8),
                ToUnits(width, font.baseX, 4), ToUnits(height, font.baseY, 8));
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, font.font);
    RECT needed = {0, 0, width, 0};
    const DWORD style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
    const bool wraps = IsClass(control, WC_STATICW) && (style & SS_TYPEMASK) == SS_LEFT &&
                       (style & SS_CENTERIMAGE) == 0;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed,
              DT_CALCRECT | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    std::printf(" text-size=%ld,%ld", needed.right - needed.left, needed.bottom - needed.top);
}

void PrintControl(HWND control, const DialogFont* font) {
    const int id = GetDlgCtrlID(control);
    std::printf("control hwnd=%s id=%d class=%s style=%s enabled=%s visible=%s text=%s",
                HandleHex(control).c_str(), id, ClassText(control).c_str(),
                StyleHex(control).c_str(), Flag(IsWindowEnabled(control)).c_str(),
                Flag(IsWindowVisible(control)).c_str(),
                ToHex(ToCp932(WindowText(control))).c_str());
    if (font != nullptr) {
        PrintLayout(control, WindowText(control), *font);
    }
    if (IsClass(control, WC_BUTTONW)) {
        std::printf(" check=%lld", static_cast<long long>(SendOrThrow(control, BM_GETCHECK, 0, 0)));
    } else if (IsClass(control, WC_LISTBOXW)) {
        std::printf(" count=%lld", static_cast<long long>(SendOrThrow(control, LB_GETCOUNT, 0, 0)));
    } else if (IsClass(control, PROGRESS_CLASSW)) {
        std::printf(" pos=%lld min=%lld max=%lld",
                    static_cast<long long>(SendOrThrow(control, PBM_GETPOS, 0, 0)),
                    static_cast<long long>(SendOrThrow(control, PBM_GETRANGE, TRUE, 0)),
                    static_cast<long long>(SendOrThrow(control, PBM_GETRANGE, FALSE, 0)));
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
    options.AllowOnly({"caption-hex", "class", "child-id", "pid", "owner", "timeout-ms"});
    // Without a caption, another criterion must say which window is meant.
    const bool byCaption = options.Has("caption-hex");
    if (!byCaption && !options.Has("owner")) {
        throw UsageError("wait needs --caption-hex or --owner");
    }
    const std::string caption = byCaption ? FromHex(options.Text("caption-hex")) : std::string();
    const bool byClass = options.Has("class");
    const std::string className = byClass ? options.Text("class") : std::string();
    const bool byChild = options.Has("child-id");
    const unsigned long childId = byChild ? options.Number("child-id") : 0;
    const bool byProcess = options.Has("pid");
    const unsigned long process = byProcess ? options.Number("pid") : 0;
    const bool byOwner = options.Has("owner");
    HWND owner = byOwner ? options.Handle("owner") : nullptr;
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
            if (byOwner && GetWindow(window, GW_OWNER) != owner) {
                continue;
            }
            if (byChild && GetDlgItem(window, static_cast<int>(childId)) == nullptr) {
                continue;
            }
            // The caption as the window manager knows it, without a message to the window.
            wchar_t text[512] = {};
            const int length = GetWindowTextW(window, text, 512);
            if (!byCaption || ToCp932(std::wstring(text, length > 0 ? length : 0)) == caption) {
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
    options.AllowOnly({"hwnd", "font-hex", "font-points"});
    HWND window = options.Window("hwnd");
    PrintWindowLine(window);
    DialogFont font;
    const bool layout = options.Has("font-hex");
    if (layout) {
        const UINT dpi = GetDpiForWindow(window);
        font = MakeDialogFont(FromHex(options.Text("font-hex")),
                              static_cast<int>(options.Number("font-points")), dpi);
        RECT client = {};
        GetClientRect(window, &client);
        std::printf("layout dpi=%u base=%d,%d client=%ld,%ld du=%ld,%ld\n", dpi, font.baseX,
                    font.baseY, client.right, client.bottom, ToUnits(client.right, font.baseX, 4),
                    ToUnits(client.bottom, font.baseY, 8));
    }
    for (HWND control : ChildWindows(window)) {
        PrintControl(control, layout ? &font : nullptr);
    }
    if (font.font != nullptr) {
        DeleteObject(font.font);
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

// A control of window that a user could work: it exists, is visible and is enabled.
HWND UsableControl(HWND window, unsigned long id) {
    HWND control = GetDlgItem(window, static_cast<int>(id));
    if (control == nullptr) {
        throw CommandError("no control " + std::to_string(id) + " in window " + HandleHex(window));
    }
    if (!IsWindowVisible(control) || !IsWindowEnabled(control)) {
        throw CommandError("control " + std::to_string(id) + " is disabled or hidden");
    }
    return control;
}

// Waits for a condition the posted input should bring about, so that the next command sees the
// result. Reports a time-out the way "wait" does.
template <typename Ready>
int AwaitEffect(const Options& options, Ready ready, const char* done) {
    const DWORD timeoutMs = options.NumberOr("timeout-ms", kDefaultTimeoutMs);
    if (!WaitUntil(timeoutMs, ready)) {
        std::printf("timeout\n");
        return kExitTimeout;
    }
    std::printf("%s\n", done);
    return kExitOk;
}

// Clicks a check box or radio button and waits until it shows checked (for a check box that
// was checked before, until it shows unchecked).
int CmdCheck(const Options& options) {
    options.AllowOnly({"hwnd", "id", "timeout-ms"});
    HWND window = options.Window("hwnd");
    HWND control = UsableControl(window, options.Number("id"));
    if (!IsClass(control, WC_BUTTONW)) {
        throw CommandError("control is not a button");
    }
    const LRESULT before = SendOrThrow(control, BM_GETCHECK, 0, 0);
    const DWORD type = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE)) & BS_TYPEMASK;
    const bool radio = type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON;
    const LRESULT wanted = radio || before != BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
    if (!PostMessageW(control, BM_CLICK, 0, 0)) {
        throw CommandError("could not post BM_CLICK");
    }
    return AwaitEffect(
        options,
        [&] {
            LRESULT state = 0;
            return Send(control, BM_GETCHECK, 0, 0, state) && state == wanted;
        },
        wanted == BST_CHECKED ? "checked" : "unchecked");
}

// Types into an edit as the keyboard would: selects what is there, then one WM_CHAR per
// character, so the typed text replaces it. Waits until the edit holds exactly the text.
int CmdType(const Options& options) {
    options.AllowOnly({"hwnd", "id", "text-hex", "timeout-ms"});
    HWND window = options.Window("hwnd");
    HWND edit = UsableControl(window, options.Number("id"));
    const std::string bytes = FromHex(options.Text("text-hex"));
    std::wstring text;
    if (!bytes.empty()) {
        const int length = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                               static_cast<int>(bytes.size()), nullptr, 0);
        if (length <= 0) {
            throw UsageError("text is not valid CP932");
        }
        text.resize(static_cast<std::size_t>(length));
        MultiByteToWideChar(kCodePage, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0],
                            length);
    }
    PostMessageW(edit, EM_SETSEL, 0, -1);
    if (text.empty()) {
        PostMessageW(edit, WM_CHAR, VK_BACK, 1);
    }
    for (const wchar_t character : text) {
        if (!PostMessageW(edit, WM_CHAR, character, 1)) {
            throw CommandError("could not post WM_CHAR");
        }
    }
    return AwaitEffect(
        options, [&] { return ToCp932(WindowText(edit)) == bytes; }, "typed");
}

// Clicks a list-box item with the mouse, at the middle of its rectangle, so that the list box's
// own selection logic runs: a plain click selects only that item, a Ctrl-click toggles it, a
// Shift-click selects the range from the last plain click. Waits until the item shows the
// selection the click should give.
int CmdSelect(const Options& options) {
    options.AllowOnly({"hwnd", "id", "index", "ctrl", "shift", "timeout-ms"});
    HWND window = options.Window("hwnd");
    HWND list = UsableControl(window, options.Number("id"));
    if (!IsClass(list, WC_LISTBOXW)) {
        throw CommandError("control is not a list box");
    }
    const WPARAM index = options.Number("index");
    const bool ctrl = options.NumberOr("ctrl", 0) != 0;
    const bool shift = options.NumberOr("shift", 0) != 0;
    if (ctrl && shift) {
        throw UsageError("--ctrl and --shift do not go together here");
    }
    if (static_cast<LRESULT>(index) >= SendOrThrow(list, LB_GETCOUNT, 0, 0)) {
        throw CommandError("no item " + std::to_string(index));
    }
    // The item must be in view to be clicked.
    SendOrThrow(list, LB_SETTOPINDEX, index, 0);
    RECT item = {};
    if (SendOrThrow(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item)) == LB_ERR) {
        throw CommandError("no rectangle for item " + std::to_string(index));
    }
    const LRESULT wasSelected = SendOrThrow(list, LB_GETSEL, index, 0);
    const bool wanted = ctrl ? wasSelected == 0 : true;
    const LPARAM point = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    const WPARAM keys = ctrl ? MK_CONTROL : shift ? MK_SHIFT : 0;
    if (!PostMessageW(list, WM_LBUTTONDOWN, keys | MK_LBUTTON, point) ||
        !PostMessageW(list, WM_LBUTTONUP, keys, point)) {
        throw CommandError("could not post the click");
    }
    return AwaitEffect(
        options,
        [&] {
            LRESULT selected = 0;
            return Send(list, LB_GETSEL, index, 0, selected) && (selected > 0) == wanted;
        },
        wanted ? "selected" : "deselected");
}

// The window that has the keyboard focus in window's thread, or window itself if none has.
HWND FocusIn(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) &&
        info.hwndFocus != nullptr) {
        return info.hwndFocus;
    }
    return window;
}

// Presses and releases a key where the keyboard would deliver it: at the focused window of the
// program that owns window. The dialog manager sees it in its own message loop. After Tab, waits
// until the focus has moved, so that the next key goes where the user would expect.
int CmdKey(const Options& options) {
    options.AllowOnly({"hwnd", "key", "timeout-ms"});
    HWND window = options.Window("hwnd");
    const std::string name = options.Text("key");
    UINT key = 0;
    if (name == "esc") {
        key = VK_ESCAPE;
    } else if (name == "enter") {
        key = VK_RETURN;
    } else if (name == "tab") {
        key = VK_TAB;
    } else {
        throw UsageError("--key must be esc, enter or tab");
    }
    HWND target = FocusIn(window);
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    if (!PostMessageW(target, WM_KEYDOWN, key, scan | 1) ||
        !PostMessageW(target, WM_KEYUP, key,
                      scan | 1 | (LPARAM{1} << 30) | static_cast<LPARAM>(0x80000000u))) {
        throw CommandError("could not post the key");
    }
    std::printf("pressed hwnd=%s id=%d key=%s\n", HandleHex(target).c_str(), GetDlgCtrlID(target),
                name.c_str());
    if (key != VK_TAB) {
        return kExitOk;
    }
    return AwaitEffect(
        options, [&] { return FocusIn(window) != target; }, "focus moved");
}

// Memory in another process, for a message whose parameter points to data.
class RemoteBuffer {
  public:
    RemoteBuffer(HWND window, const void* data, SIZE_T size) {
        DWORD process = ProcessOf(window);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, process);
        if (process_ == nullptr) {
            throw CommandError("cannot open process " + std::to_string(process));
        }
        address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
        if (address_ == nullptr || !WriteProcessMemory(process_, address_, data, size, nullptr)) {
            throw CommandError("cannot write to process " + std::to_string(process));
        }
    }
    ~RemoteBuffer() {
        if (address_ != nullptr) {
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        }
        CloseHandle(process_);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    LPARAM Address() const { return reinterpret_cast<LPARAM>(address_); }

  private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
};

// Moves the shell's folder browser to a folder, as the shell's own BFFM_SETSELECTION does, and
// waits until its tree shows a selection. The path is handed over in the browser's process.
int CmdBrowse(const Options& options) {
    options.AllowOnly({"hwnd", "path-hex", "timeout-ms"});
    HWND browser = options.Window("hwnd");
    HWND tree = FindWindowExW(browser, nullptr, WC_TREEVIEWW, nullptr);
    if (tree == nullptr) {
        throw CommandError("window " + HandleHex(browser) + " has no folder tree");
    }
    const std::string bytes = FromHex(options.Text("path-hex"));
    std::wstring path(bytes.size() + 1, L'\0');
    const int length =
        MultiByteToWideChar(kCodePage, 0, bytes.data(), static_cast<int>(bytes.size()), &path[0],
                            static_cast<int>(path.size()));
    if (length <= 0) {
        throw UsageError("path is not valid CP932");
    }
    path.resize(static_cast<std::size_t>(length) + 1);  // with its terminator
    const LRESULT before = SendOrThrow(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    RemoteBuffer remote(browser, path.data(), path.size() * sizeof(wchar_t));
    // Its answer is not relied on: Wine's browser can answer FALSE and still select.
    SendOrThrow(browser, BFFM_SETSELECTIONW, TRUE, remote.Address());
    return AwaitEffect(
        options,
        [&] {
            LRESULT caret = 0;
            return Send(tree, TVM_GETNEXTITEM, TVGN_CARET, 0, caret) && caret != 0 &&
                   caret != before;
        },
        "browsed");
}

struct Command {
    const char* name;
    int (*run)(const Options&);
};

const Command kCommands[] = {
    {"wait", CmdWait},     {"waitgone", CmdWaitGone}, {"list", CmdList},   {"dump", CmdDump},
    {"msgbox", CmdMsgBox}, {"click", CmdClick},       {"close", CmdClose}, {"check", CmdCheck},
    {"type", CmdType},     {"select", CmdSelect},     {"key", CmdKey},     {"browse", CmdBrowse},
};

}  // namespace

int main(int argc, char** argv) {
    // Real pixels of scaled windows, not the 96 DPI view of them an unaware program gets.
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
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

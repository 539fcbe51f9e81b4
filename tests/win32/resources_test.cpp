// Checks the dialogs, icon, version block and manifest inside the built FontInstaller.exe.
// The exe is opened as a data file and its templates are decoded here byte by byte, so what
// gets checked is what the resource compiler actually wrote, not what the .rc meant to say.
#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------
// Text helpers for failure messages: UTF-8, plus code points when anything is not plain ASCII,
// because full-width, half-width and ideographic-space look-alikes are easy to mix up.

std::string Utf8(const std::wstring& s) {
    if (s.empty())
        return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &out[0], n, nullptr,
                        nullptr);
    return out;
}

std::string Show(const std::wstring& s) {
    std::string out = "\"" + Utf8(s) + "\"";
    bool plain = true;
    for (wchar_t c : s) {
        if (c < 0x20 || c > 0x7E)
            plain = false;
    }
    if (!plain) {
        out += " [";
        for (size_t i = 0; i < s.size(); ++i) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%sU+%04X", i ? " " : "", static_cast<unsigned>(s[i]));
            out += buf;
        }
        out += "]";
    }
    return out;
}

std::string Hex(DWORD v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08lX", static_cast<unsigned long>(v));
    return buf;
}

// ---------------------------------------------------------------------------------------------
// Dialog templates: DLGTEMPLATE / DLGITEMTEMPLATE and their extended forms.

struct NameOrOrdinal {
    bool isOrdinal = false;
    WORD ordinal = 0;
    std::wstring name;  // empty when the field holds nothing
};

struct DialogItem {
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    int32_t id = 0;  // sign-extended from the classic template's WORD, so -1 reads as -1 in both
    NameOrOrdinal cls;
    NameOrOrdinal text;
    WORD extraBytes = 0;
};

struct Dialog {
    bool extended = false;
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal cls;
    std::wstring title;
    bool hasFont = false;
    WORD pointSize = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = 0;
    std::wstring face;
    std::vector<DialogItem> items;
};

// Bounds-checked little-endian reader: once it runs off the end every read yields zero and
// failed() stays set, so a truncated template is reported rather than read past.
class Reader {
  public:
    Reader(const BYTE* data, size_t size) : data_(data), size_(size) {}

    bool failed() const { return failed_; }
    size_t offset() const { return pos_; }

    BYTE Byte() {
        BYTE v = 0;
        Take(&v, 1);
        return v;
    }
    WORD Word() {
        BYTE b[2] = {0, 0};
        Take(b, 2);
        return static_cast<WORD>(b[0] | (b[1] << 8));
    }
    DWORD Dword() {
        DWORD lo = Word();
        DWORD hi = Word();
        return lo | (hi << 16);
    }
    int16_t Short() { return static_cast<int16_t>(Word()); }

    std::wstring String() {
        std::wstring s;
        for (;;) {
            WORD c = Word();
            if (failed_ || c == 0)
                break;
            s += static_cast<wchar_t>(c);
        }
        return s;
    }

    NameOrOrdinal NameOrOrd() {
        NameOrOrdinal r;
        WORD first = Word();
        if (first == 0xFFFF) {
            r.isOrdinal = true;
            r.ordinal = Word();
        } else if (first != 0) {
            r.name = static_cast<wchar_t>(first) + String();
        }
        return r;
    }

    void Skip(size_t n) {
        if (pos_ > size_ || size_ - pos_ < n) {
            failed_ = true;
            return;
        }
        pos_ += n;
    }

    // Items start on DWORD boundaries, counted from the start of the template.
    void AlignDword() { pos_ = (pos_ + 3) & ~static_cast<size_t>(3); }

  private:
    void Take(BYTE* out, size_t n) {
        if (failed_ || pos_ > size_ || size_ - pos_ < n) {
            failed_ = true;
            std::memset(out, 0, n);
            return;
        }
        std::memcpy(out, data_ + pos_, n);
        pos_ += n;
    }

    const BYTE* data_;
    size_t size_;
    size_t pos_ = 0;
    bool failed_ = false;
};

bool ParseDialog(const BYTE* data, size_t size, Dialog* dlg, std::string* error) {
    Reader r(data, size);
    WORD first = r.Word();
    WORD second = r.Word();
    dlg->extended = first == 1 && second == 0xFFFF;
    if (dlg->extended) {
        dlg->helpId = r.Dword();
        dlg->exStyle = r.Dword();
        dlg->style = r.Dword();
    } else {
        dlg->style = static_cast<DWORD>(first) | (static_cast<DWORD>(second) << 16);
        dlg->exStyle = r.Dword();
    }
    WORD count = r.Word();
    dlg->x = r.Short();
    dlg->y = r.Short();
    dlg->cx = r.Short();
    dlg->cy = r.Short();
    dlg->menu = r.NameOrOrd();
    dlg->cls = r.NameOrOrd();
    dlg->title = r.String();
    // DS_SHELLFONT includes DS_SETFONT, so this bit alone decides whether the font block is there.
    if (dlg->style & DS_SETFONT) {
        dlg->hasFont = true;
        dlg->pointSize = r.Word();
        if (dlg->extended) {
            dlg->weight = r.Word();
            dlg->italic = r.Byte();
            dlg->charset = r.Byte();
        }
        dlg->face = r.String();
    }
    if (r.failed()) {
        *error = "template header is cut short (" + std::to_string(size) + " bytes)";
        return false;
    }
    for (WORD i = 0; i < count; ++i) {
        r.AlignDword();
        DialogItem item;
        if (dlg->extended) {
            item.helpId = r.Dword();
            item.exStyle = r.Dword();
            item.style = r.Dword();
        } else {
            item.style = r.Dword();
            item.exStyle = r.Dword();
        }
        item.x = r.Short();
        item.y = r.Short();
        item.cx = r.Short();
        item.cy = r.Short();
        item.id = dlg->extended ? static_cast<int32_t>(r.Dword()) : r.Short();
        item.cls = r.NameOrOrd();
        item.text = r.NameOrOrd();
        item.extraBytes = r.Word();
        r.Skip(item.extraBytes);
        if (r.failed()) {
            *error = "item " + std::to_string(i + 1) + " of " + std::to_string(count) +
                     " is cut short at byte " + std::to_string(r.offset()) + " of " +
                     std::to_string(size);
            return false;
        }
        dlg->items.push_back(item);
    }
    return true;
}

// The predefined control classes that templates may store as ordinals 0x80..0x85.
std::wstring ClassName(const NameOrOrdinal& cls) {
    static const wchar_t* const kNames[] = {L"Button",  L"Edit",      L"Static",
                                            L"ListBox", L"ScrollBar", L"ComboBox"};
    if (!cls.isOrdinal)
        return cls.name;
    if (cls.ordinal >= 0x80 && cls.ordinal <= 0x85)
        return kNames[cls.ordinal - 0x80];
    return std::wstring();
}

std::string ShowField(const NameOrOrdinal& v) {
    if (!v.isOrdinal)
        return v.name.empty() ? std::string("(none)") : Show(v.name);
    char buf[32];
    std::snprintf(buf, sizeof buf, "ordinal %u", static_cast<unsigned>(v.ordinal));
    std::string out = buf;
    std::wstring known = ClassName(v);
    if (v.ordinal >= 0x80 && v.ordinal <= 0x85)
        out += " (" + Utf8(known) + ")";
    return out;
}

// Window class names compare without regard to ASCII case, as the window manager does.
bool SameClass(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        wchar_t x = a[i], y = b[i];
        if (x >= L'A' && x <= L'Z')
            x = static_cast<wchar_t>(x - L'A' + L'a');
        if (y >= L'A' && y <= L'Z')
            y = static_cast<wchar_t>(y - L'A' + L'a');
        if (x != y)
            return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// What the dialogs must be.

struct ExpectedControl {
    int32_t id;
    const wchar_t* cls;
    DWORD style;
    int16_t x, y, cx, cy;
    const wchar_t* text;  // nullptr: the text field is a resource ordinal instead
    WORD textOrdinal;
};

struct ExpectedDialog {
    WORD resourceId;
    bool extended;
    DWORD style;
    bool atOrigin;  // whether the template's own x,y must be 0,0 (centred ones may be anywhere)
    int16_t cx, cy;
    const wchar_t* title;
    WORD pointSize;
    const wchar_t* face;
    std::vector<ExpectedControl> controls;
};

constexpr bool kDialogEx = true;
constexpr bool kClassic = false;
constexpr bool kAtOrigin = true;
constexpr bool kAnywhere = false;

const wchar_t kFace[] = L"ＭＳ Ｐゴシック";
const wchar_t kMainTitle[] = L"フォントのインストール";
const wchar_t kStandardFolder[] = L"標準のフォントフォルダにコピーする(&W)";
const wchar_t kChosenFolder[] = L"コピー先を指定する(&C)";
const wchar_t kBrowse[] = L"参照(&R)...";
const wchar_t kCredit[] = L"このフォントはゼルバノ製ソフトで作成しました。";
const wchar_t kVersionLabel[] = L"Ver 1.1\u3000";
const wchar_t kInstall[] = L"インストール開始";
const wchar_t kClose[] = L"閉じる";
const wchar_t kCancel[] = L"ｷｬﾝｾﾙ";

constexpr DWORD kMainDialogStyle =
    WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_CENTER | DS_SETFONT;
// What every CONTROL statement adds to the styles it is given.
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kGroupLabel = kChild | SS_LEFT | WS_GROUP;
constexpr DWORD kPushButton = kChild | BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kFolderLabel = kChild | SS_LEFT | SS_SUNKEN | SS_CENTERIMAGE;
constexpr DWORD kDestinationEdit = kChild | ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
constexpr DWORD kFirstRadio = kChild | BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP;
constexpr DWORD kNextRadio = kChild | BS_AUTORADIOBUTTON;
constexpr DWORD kRightLabel = kChild | SS_RIGHT | WS_GROUP;

// Every dialog uses the same face and size.
ExpectedDialog Header(WORD id, bool extended, DWORD style, bool atOrigin, int16_t cx, int16_t cy,
                      const wchar_t* title) {
    return ExpectedDialog{id, extended, style, atOrigin, cx, cy, title, 9, kFace, {}};
}

ExpectedDialog FontListDialog() {
    ExpectedDialog d = Header(129, kDialogEx, kMainDialogStyle, kAnywhere, 234, 168, kMainTitle);
    d.controls = {
        {-1, L"Static", kGroupLabel, 3, 4, 50, 8, L"フォント一覧(&F):", 0},
        {1013, L"Static", kGroupLabel, 53, 4, 137, 9, L"（Ctrlキー ＋ クリックで複数選択できます）",
         0},
        {1000, L"ListBox",
         kChild | LBS_EXTENDEDSEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER |
             WS_TABSTOP,
         5, 17, 157, 72, L"", 0},
        {1, L"Button", kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 166, 17, 59, 14, kInstall, 0},
        {2, L"Button", kPushButton, 167, 36, 59, 14, kClose, 0},
        {1001, L"Button", kPushButton, 167, 56, 59, 14, L"全て選択(&A)", 0},
        {1007, L"Button", kPushButton, 167, 75, 59, 14, L"全て解除(&E)", 0},
        {1002, L"Button", kFirstRadio, 3, 96, 134, 10, kStandardFolder, 0},
        {1004, L"Button", kNextRadio, 3, 126, 128, 10, kChosenFolder, 0},
        {1009, L"Static", kFolderLabel, 14, 108, 176, 13, L"Static", 0},
        {1005, L"Edit", kDestinationEdit, 13, 139, 177, 14, L"", 0},
        {1006, L"Button", kPushButton, 191, 139, 35, 14, kBrowse, 0},
        {1016, L"Static", kGroupLabel, 1, 159, 182, 8, kCredit, 0},
        {1017, L"Static", kRightLabel, 190, 159, 38, 8, kVersionLabel, 0},
    };
    return d;
}

ExpectedDialog SingleFontDialog() {
    ExpectedDialog d = Header(132, kDialogEx, kMainDialogStyle, kAnywhere, 239, 118, kMainTitle);
    d.controls = {
        {1015, L"Static", kGroupLabel, 12, 16, 149, 15, L"Static", 0},
        {1, L"Button", kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 171, 7, 61, 14, kInstall, 0},
        {2, L"Button", kPushButton, 172, 26, 60, 14, kClose, 0},
        {1002, L"Button", kFirstRadio, 3, 45, 134, 10, kStandardFolder, 0},
        {1004, L"Button", kNextRadio, 3, 75, 128, 10, kChosenFolder, 0},
        {1009, L"Static", kFolderLabel, 14, 57, 176, 13, L"Static", 0},
        {1005, L"Edit", kDestinationEdit, 13, 88, 177, 14, L"", 0},
        {1006, L"Button", kPushButton, 191, 88, 35, 14, kBrowse, 0},
        {1016, L"Static", kGroupLabel, 0, 109, 182, 8, kCredit, 0},
        {1017, L"Static", kRightLabel, 196, 109, 40, 8, kVersionLabel, 0},
    };
    return d;
}

ExpectedDialog ProgressDialog() {
    ExpectedDialog d =
        Header(131, kClassic, WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME | DS_SETFONT,
               kAtOrigin, 227, 80, L"コピー中");
    d.controls = {
        {1014, L"Static", kChild | SS_LEFT | WS_GROUP, 7, 7, 213, 16, L"", 0},
        {1010, L"msctls_progress32", kChild | WS_BORDER, 7, 38, 213, 13, L"", 0},
        {2, L"Button", kChild | BS_PUSHBUTTON | WS_TABSTOP, 88, 59, 50, 14, kCancel, 0},
    };
    return d;
}

// This one is given as raw numbers, as they should appear in the template.
ExpectedDialog ConflictDialog() {
    ExpectedDialog d = Header(133, kClassic, 0x80C808C0, kAnywhere, 255, 78, kMainTitle);
    d.controls = {
        {1, L"Button", 0x50010001, 46, 55, 50, 14, L"上書き", 0},
        {2, L"Button", 0x50010000, 157, 55, 50, 14, kCancel, 0},
        {1021, L"Static", 0x50020000, 35, 7, 213, 25, L"Static", 0},
        {1018, L"Button", 0x50010000, 101, 55, 50, 14, L"別名で保存", 0},
        {1019, L"Static", 0x50000003, 7, 7, 20, 20, nullptr, 107},
        {1020, L"Button", 0x50010003, 21, 38, 103, 10, L"以降のフォントも同様", 0},
    };
    return d;
}

void CheckStyle(const std::string& where, const char* what, DWORD expected, DWORD actual) {
    EXPECT_EQ(expected, actual) << where << ": " << what << " is " << Hex(actual) << ", expected "
                                << Hex(expected) << " (differing bits " << Hex(expected ^ actual)
                                << ")";
}

std::string ShowText(const ExpectedControl& e) {
    return e.text != nullptr ? Show(e.text) : "ordinal " + std::to_string(e.textOrdinal);
}

void CheckControl(const std::string& dialogWhere, size_t index, const ExpectedControl& e,
                  const DialogItem& a) {
    const std::string where = dialogWhere + ", control " + std::to_string(e.id) + " (#" +
                              std::to_string(index + 1) + " in the template)";
    EXPECT_TRUE(SameClass(e.cls, ClassName(a.cls)))
        << where << ": class is " << ShowField(a.cls) << ", expected " << Show(e.cls);
    CheckStyle(where, "style", e.style, a.style);
    CheckStyle(where, "extended style", 0, a.exStyle);
    EXPECT_TRUE(e.x == a.x && e.y == a.y && e.cx == a.cx && e.cy == a.cy)
        << where << ": x,y,w,h is " << a.x << "," << a.y << "," << a.cx << "," << a.cy
        << ", expected " << e.x << "," << e.y << "," << e.cx << "," << e.cy;
    const bool textMatches = e.text != nullptr
                                 ? !a.text.isOrdinal && a.text.name == e.text
                                 : a.text.isOrdinal && a.text.ordinal == e.textOrdinal;
    EXPECT_TRUE(textMatches) << where << ": text is " << ShowField(a.text) << ", expected "
                             << ShowText(e);
}

void CheckDialog(const ExpectedDialog& e, const Dialog& a) {
    const std::string where = "dialog " + std::to_string(e.resourceId);
    EXPECT_EQ(e.extended, a.extended)
        << where << ": template is " << (a.extended ? "DIALOGEX" : "classic DIALOG")
        << ", expected " << (e.extended ? "DIALOGEX" : "classic DIALOG");
    CheckStyle(where, "style", e.style, a.style);
    CheckStyle(where, "extended style", 0, a.exStyle);
    if (e.atOrigin) {
        EXPECT_TRUE(a.x == 0 && a.y == 0)
            << where << ": position is " << a.x << "," << a.y << ", expected 0,0";
    }
    EXPECT_TRUE(e.cx == a.cx && e.cy == a.cy)
        << where << ": size is " << a.cx << "x" << a.cy << ", expected " << e.cx << "x" << e.cy;
    EXPECT_TRUE(!a.menu.isOrdinal && a.menu.name.empty())
        << where << ": has a menu, " << ShowField(a.menu);
    EXPECT_TRUE(!a.cls.isOrdinal && a.cls.name.empty())
        << where << ": has its own window class, " << ShowField(a.cls);
    EXPECT_TRUE(a.title == e.title)
        << where << ": caption is " << Show(a.title) << ", expected " << Show(e.title);
    EXPECT_TRUE(a.hasFont) << where << ": has no font block";
    EXPECT_EQ(e.pointSize, a.pointSize) << where << ": font size is " << a.pointSize << " pt";
    EXPECT_TRUE(a.face == e.face) << where << ": font is " << Show(a.face) << ", expected "
                                  << Show(e.face);

    // Template order is tab order, so the order of ids is checked as a whole...
    std::string expectedIds, actualIds;
    for (const ExpectedControl& c : e.controls)
        expectedIds += " " + std::to_string(c.id);
    for (const DialogItem& c : a.items)
        actualIds += " " + std::to_string(c.id);
    EXPECT_EQ(expectedIds, actualIds) << where << ": control ids in template order are" << actualIds
                                      << ", expected" << expectedIds;

    // ...and each control is compared with the one of the same id, so that a missing or moved
    // control gives one clear failure rather than a cascade down the rest of the list.
    std::vector<bool> matched(a.items.size(), false);
    for (const ExpectedControl& want : e.controls) {
        size_t found = a.items.size();
        for (size_t j = 0; j < a.items.size(); ++j) {
            if (!matched[j] && a.items[j].id == want.id) {
                found = j;
                break;
            }
        }
        if (found == a.items.size()) {
            ADD_FAILURE() << where << ": control " << want.id << " " << ShowText(want)
                          << " is missing";
            continue;
        }
        matched[found] = true;
        CheckControl(where, found, want, a.items[found]);
    }
    for (size_t j = 0; j < a.items.size(); ++j) {
        if (!matched[j]) {
            ADD_FAILURE() << where << ": unexpected control " << a.items[j].id << " (#" << j + 1
                          << ", class " << ShowField(a.items[j].cls) << ", text "
                          << ShowField(a.items[j].text) << ")";
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The manifest is a short file of our own; its elements are found by pattern.

using Attributes = std::map<std::string, std::string>;

// Every element of that name (any namespace prefix), with its attributes, in file order.
std::vector<Attributes> Elements(const std::string& xml, const std::string& name) {
    const std::regex element("<(?:\\w+:)?" + name + "\\b([^>]*)>");
    const std::regex attribute("([\\w:]+)\\s*=\\s*\"([^\"]*)\"");
    std::vector<Attributes> found;
    const std::sregex_iterator end;
    for (std::sregex_iterator e(xml.begin(), xml.end(), element); e != end; ++e) {
        const std::string body = (*e)[1];
        Attributes attributes;
        for (std::sregex_iterator a(body.begin(), body.end(), attribute); a != end; ++a) {
            attributes[(*a)[1]] = (*a)[2];
        }
        found.push_back(attributes);
    }
    return found;
}

void CheckAttribute(const std::string& where, const Attributes& e, const std::string& key,
                    const std::string& expected) {
    auto it = e.find(key);
    EXPECT_TRUE(it != e.end() && it->second == expected)
        << where << ": " << key << " is "
        << (it == e.end() ? std::string("(missing)") : "\"" + it->second + "\"") << ", expected \""
        << expected << "\"";
}

// ---------------------------------------------------------------------------------------------
// The exe under test, opened once as a data file.

class InstallerResources : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        wchar_t buf[MAX_PATH * 4];
        DWORD n = GetEnvironmentVariableW(L"FI_INSTALLER_EXE", buf, MAX_PATH * 4);
        if (n == 0 || n >= MAX_PATH * 4) {
            loadError_ = "FI_INSTALLER_EXE is not set to the Unix path of FontInstaller.exe";
            return;
        }
        // A Unix path reaches the exe through Wine's Z: drive.
        path_ = L"Z:";
        for (DWORD i = 0; i < n; ++i)
            path_ += buf[i] == L'/' ? L'\\' : buf[i];
        module_ = LoadLibraryExW(path_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        if (module_ == nullptr) {
            loadError_ = "cannot open " + Utf8(path_) + " as a data file, error " +
                         std::to_string(GetLastError());
        }
    }

    static void TearDownTestSuite() {
        if (module_ != nullptr)
            FreeLibrary(module_);
        module_ = nullptr;
    }

    void SetUp() override { ASSERT_NE(module_, nullptr) << loadError_; }

    // The bytes of one resource, or false when it is not there.
    static bool Resource(LPCSTR type, WORD id, const BYTE** data, size_t* size) {
        HRSRC found = FindResourceA(module_, MAKEINTRESOURCEA(id), type);
        if (found == nullptr)
            return false;
        HGLOBAL loaded = LoadResource(module_, found);
        if (loaded == nullptr)
            return false;
        *data = static_cast<const BYTE*>(LockResource(loaded));
        *size = SizeofResource(module_, found);
        return *data != nullptr;
    }

    static void CheckDialogResource(const ExpectedDialog& expected) {
        const BYTE* data = nullptr;
        size_t size = 0;
        ASSERT_TRUE(Resource(RT_DIALOG, expected.resourceId, &data, &size))
            << "dialog " << expected.resourceId << " is not in the exe";
        Dialog dialog;
        std::string error;
        ASSERT_TRUE(ParseDialog(data, size, &dialog, &error))
            << "dialog " << expected.resourceId << ": " << error;
        CheckDialog(expected, dialog);
    }

    static HMODULE module_;
    static std::wstring path_;
    static std::string loadError_;
};

HMODULE InstallerResources::module_ = nullptr;
std::wstring InstallerResources::path_;
std::string InstallerResources::loadError_;

TEST_F(InstallerResources, FontListDialog) {
    CheckDialogResource(FontListDialog());
}

TEST_F(InstallerResources, SingleFontDialog) {
    CheckDialogResource(SingleFontDialog());
}

TEST_F(InstallerResources, ProgressDialog) {
    CheckDialogResource(ProgressDialog());
}

TEST_F(InstallerResources, ConflictDialog) {
    CheckDialogResource(ConflictDialog());
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colours;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)
static_assert(sizeof(GroupIconEntry) == 14, "group icon entries are packed");

TEST_F(InstallerResources, ApplicationIcon) {
    const BYTE* group = nullptr;
    size_t groupSize = 0;
    ASSERT_TRUE(Resource(RT_GROUP_ICON, 107, &group, &groupSize))
        << "icon group 107 is not in the exe";
    ASSERT_GE(groupSize, 6u) << "icon group 107 is " << groupSize << " bytes";
    WORD reserved, type, count;
    std::memcpy(&reserved, group, 2);
    std::memcpy(&type, group + 2, 2);
    std::memcpy(&count, group + 4, 2);
    EXPECT_EQ(0, reserved) << "icon group 107: reserved word";
    EXPECT_EQ(1, type) << "icon group 107: type is not icon";
    ASSERT_GE(groupSize, 6u + 14u * count)
        << "icon group 107 lists " << count << " images in " << groupSize << " bytes";

    // Every size Windows asks for between 100 % and 200 % (small and large icons), and Explorer's
    // largest view; the dialog manager loads the size of the monitor's scale.
    const std::vector<int> wanted = {16, 20, 24, 32, 40, 48, 64, 256};
    std::vector<int> found;
    for (WORD i = 0; i < count; ++i) {
        GroupIconEntry entry;
        std::memcpy(&entry, group + 6 + 14 * i, sizeof entry);
        const int size = entry.width == 0 ? 256 : entry.width;
        const std::string where = "icon group 107, " + std::to_string(size) + " px image (icon " +
                                  std::to_string(entry.id) + ")";
        const BYTE* image = nullptr;
        size_t imageSize = 0;
        if (!Resource(RT_ICON, entry.id, &image, &imageSize)) {
            ADD_FAILURE() << where << ": the image itself is missing";
            continue;
        }
        EXPECT_EQ(entry.bytes, imageSize) << where << ": group gives its size as " << entry.bytes;
        EXPECT_EQ(entry.width, entry.height) << where << ": not square";
        EXPECT_EQ(32, entry.bitCount) << where << ": group lists " << entry.bitCount << " bpp";
        found.push_back(size);
        if (size == 256) {
            static const BYTE kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
            EXPECT_TRUE(imageSize > 8 && std::memcmp(image, kPng, 8) == 0)
                << where << ": not a PNG image";
            continue;
        }
        BITMAPINFOHEADER header;
        ASSERT_GE(imageSize, sizeof header) << where;
        std::memcpy(&header, image, sizeof header);
        ASSERT_EQ(sizeof header, header.biSize) << where << ": not a BITMAPINFOHEADER image";
        EXPECT_EQ(size, header.biWidth) << where << ": bitmap width";
        EXPECT_EQ(2 * size, header.biHeight) << where << ": bitmap height (colour plus mask)";
        ASSERT_EQ(32, header.biBitCount) << where << ": bitmap is " << header.biBitCount << " bpp";
        const size_t pixels = static_cast<size_t>(size) * size;
        ASSERT_GE(imageSize, sizeof header + 4 * pixels) << where << ": pixel data is cut short";
        // A real alpha channel: see-through around the sheet, solid on it.
        size_t clear = 0, solid = 0;
        for (size_t p = 0; p < pixels; ++p) {
            BYTE alpha = image[sizeof header + 4 * p + 3];
            clear += alpha == 0;
            solid += alpha == 255;
        }
        EXPECT_TRUE(clear > 0 && solid > 0)
            << where << ": alpha channel unused (" << clear << " clear, " << solid << " solid)";
    }
    std::sort(found.begin(), found.end());
    EXPECT_EQ(wanted, found) << "icon group 107 holds other sizes than wanted";

    // And the system makes an icon of each size from its own image, not by stretching another.
    for (int size : wanted) {
        HANDLE icon = LoadImageW(module_, MAKEINTRESOURCEW(107), IMAGE_ICON, size, size, 0);
        EXPECT_NE(nullptr, icon) << "LoadImage of icon 107 at " << size << " px failed, error "
                                 << GetLastError();
        if (icon != nullptr)
            DestroyIcon(static_cast<HICON>(icon));
    }
}

TEST_F(InstallerResources, VersionBlock) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path_.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version block, error " << GetLastError();
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(path_.c_str(), 0, size, info.data()))
        << "GetFileVersionInfo failed, error " << GetLastError();

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", &value, &length) &&
                length >= sizeof(VS_FIXEDFILEINFO))
        << "version block has no fixed file info";
    const VS_FIXEDFILEINFO* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature) << "fixed file info signature";
    auto dotted = [](DWORD ms, DWORD ls) {
        return std::to_string(HIWORD(ms)) + "." + std::to_string(LOWORD(ms)) + "." +
               std::to_string(HIWORD(ls)) + "." + std::to_string(LOWORD(ls));
    };
    const std::string fileVersion = dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
    const std::string productVersion = dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS);
    EXPECT_EQ("1.1.0.0", fileVersion) << "fixed file version is " << fileVersion;
    EXPECT_EQ("1.1.0.0", productVersion) << "fixed product version is " << productVersion;

    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", &value, &length))
        << "version block has no translation list";
    std::vector<std::pair<WORD, WORD>> translations;
    for (UINT i = 0; i + 4 <= length; i += 4) {
        const WORD* pair = reinterpret_cast<const WORD*>(static_cast<const BYTE*>(value) + i);
        translations.emplace_back(pair[0], pair[1]);
    }
    std::string listed;
    for (const auto& t : translations) {
        char buf[32];
        std::snprintf(buf, sizeof buf, " 0x%04X/%u", t.first, t.second);
        listed += buf;
    }
    EXPECT_TRUE(translations.size() == 1 && translations[0].first == 0x0411 &&
                translations[0].second == 1200)
        << "translations are" << listed << ", expected only 0x0411/1200";

    const std::pair<const wchar_t*, const wchar_t*> kStrings[] = {
        {L"Comments", L"フォントインストーラ"}, {L"InternalName", L"フォントインストーラ"},
        {L"FileDescription", L"Setup"},         {L"FileVersion", L"1, 1, 0, 0"},
        {L"ProductVersion", L"1, 1, 0, 0"},
    };
    for (const auto& s : kStrings) {
        std::wstring key = std::wstring(L"\\StringFileInfo\\041104b0\\") + s.first;
        value = nullptr;
        length = 0;
        if (!VerQueryValueW(info.data(), key.c_str(), &value, &length) || value == nullptr) {
            ADD_FAILURE() << "version string " << Utf8(s.first) << " is missing from 041104b0";
            continue;
        }
        const wchar_t* text = static_cast<const wchar_t*>(value);
        std::wstring actual(text, wcsnlen(text, length));
        EXPECT_TRUE(actual == s.second) << "version string " << Utf8(s.first) << " is "
                                        << Show(actual) << ", expected " << Show(s.second);
    }
}

TEST_F(InstallerResources, Manifest) {
    const BYTE* data = nullptr;
    size_t size = 0;
    ASSERT_TRUE(Resource(RT_MANIFEST, 1, &data, &size)) << "manifest resource 1 is not in the exe";
    const std::string text(reinterpret_cast<const char*>(data), size);

    const std::vector<Attributes> identities = Elements(text, "assemblyIdentity");
    ASSERT_EQ(identities.size(), 2u) << "the program's own identity and the common controls'";
    const Attributes& own = identities[0];
    CheckAttribute("manifest's own assemblyIdentity", own, "type", "win32");
    CheckAttribute("manifest's own assemblyIdentity", own, "processorArchitecture", "x86");
    CheckAttribute("manifest's own assemblyIdentity", own, "version", "1.1.0.0");
    EXPECT_FALSE(own.count("name") == 0 || own.at("name").empty()) << "own identity has no name";

    std::smatch description;
    ASSERT_TRUE(
        std::regex_search(text, description, std::regex("<description>([^<]*)</description>")))
        << "manifest has no description";
    EXPECT_EQ(description[1].str(), "Font Installer");

    const Attributes& controls = identities[1];
    const std::string where = "Common-Controls dependency";
    CheckAttribute(where, controls, "name", "Microsoft.Windows.Common-Controls");
    CheckAttribute(where, controls, "type", "win32");
    CheckAttribute(where, controls, "version", "6.0.0.0");
    CheckAttribute(where, controls, "processorArchitecture", "*");
    CheckAttribute(where, controls, "language", "*");
    CheckAttribute(where, controls, "publicKeyToken", "6595b64144ccf1df");
    EXPECT_NE(text.find("<dependentAssembly>"), std::string::npos);

    const std::vector<Attributes> levels = Elements(text, "requestedExecutionLevel");
    ASSERT_EQ(levels.size(), 1u) << "manifest has no requestedExecutionLevel";
    CheckAttribute("requestedExecutionLevel", levels[0], "level", "requireAdministrator");
    CheckAttribute("requestedExecutionLevel", levels[0], "uiAccess", "false");

    // Not stretched on a scaled screen: per-monitor v2, else system awareness.
    std::smatch aware;
    EXPECT_TRUE(
        std::regex_search(text, aware, std::regex("<dpiAware\\b[^>]*>([^<]*)</dpiAware>")) &&
        aware[1] == "true")
        << "dpiAware is not true";
    EXPECT_TRUE(std::regex_search(text, aware,
                                  std::regex("<dpiAwareness\\b[^>]*>([^<]*)</dpiAwareness>")) &&
                aware[1] == "PerMonitorV2, System")
        << "dpiAwareness is not \"PerMonitorV2, System\"";
    // Vista, 7, 8, 8.1 and 10/11, in that order.
    const char* const kReleases[] = {
        "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"};
    const std::vector<Attributes> supported = Elements(text, "supportedOS");
    ASSERT_EQ(supported.size(), std::size(kReleases)) << "supportedOS entries";
    for (size_t i = 0; i < supported.size(); ++i)
        CheckAttribute("supportedOS " + std::to_string(i + 1), supported[i], "Id", kReleases[i]);
}

// ---------------------------------------------------------------------------------------------
// The template reader on hand-made bytes, for the layouts the installer's own dialogs do not
// use (menus, named classes, no font), so a fault there cannot hide behind the real resources.

class TemplateWriter {
  public:
    TemplateWriter& Word(WORD v) {
        bytes.push_back(static_cast<BYTE>(v & 0xFF));
        bytes.push_back(static_cast<BYTE>(v >> 8));
        return *this;
    }
    TemplateWriter& Dword(DWORD v) { return Word(LOWORD(v)).Word(HIWORD(v)); }
    TemplateWriter& Byte(BYTE v) {
        bytes.push_back(v);
        return *this;
    }
    TemplateWriter& String(const wchar_t* s) {
        for (; *s; ++s)
            Word(static_cast<WORD>(*s));
        return Word(0);
    }
    TemplateWriter& Ordinal(WORD v) { return Word(0xFFFF).Word(v); }
    TemplateWriter& Align() {
        while (bytes.size() % 4)
            bytes.push_back(0xCC);
        return *this;
    }
    std::vector<BYTE> bytes;
};

TEST(DialogTemplateReader, ReadsClassicTemplateWithNamedClassesAndCreationData) {
    TemplateWriter w;
    w.Dword(WS_POPUP | DS_SETFONT).Dword(WS_EX_TOOLWINDOW).Word(2);
    w.Word(1).Word(2).Word(30).Word(40);
    w.Ordinal(5).String(L"MyDialogClass").String(L"Title");
    w.Word(8).String(L"Tahoma");
    w.Align().Dword(WS_CHILD | 7).Dword(WS_EX_CLIENTEDGE).Word(0xFFFE).Word(4).Word(5).Word(6);
    w.Word(0xFFFF).Ordinal(0x81).String(L"").Word(4).Dword(0xDEADBEEF);
    w.Align().Dword(WS_CHILD).Dword(0).Word(9).Word(10).Word(11).Word(12).Word(300);
    w.String(L"SysListView32").Ordinal(42).Word(0);

    Dialog d;
    std::string error;
    ASSERT_TRUE(ParseDialog(w.bytes.data(), w.bytes.size(), &d, &error)) << error;
    EXPECT_FALSE(d.extended);
    EXPECT_EQ(static_cast<DWORD>(WS_POPUP | DS_SETFONT), d.style);
    EXPECT_EQ(static_cast<DWORD>(WS_EX_TOOLWINDOW), d.exStyle);
    EXPECT_TRUE(d.x == 1 && d.y == 2 && d.cx == 30 && d.cy == 40);
    EXPECT_TRUE(d.menu.isOrdinal && d.menu.ordinal == 5);
    EXPECT_EQ(L"MyDialogClass", d.cls.name);
    EXPECT_EQ(L"Title", d.title);
    EXPECT_EQ(8, d.pointSize);
    EXPECT_EQ(L"Tahoma", d.face);
    ASSERT_EQ(2u, d.items.size());
    EXPECT_EQ(-2, d.items[0].x);
    EXPECT_EQ(-1, d.items[0].id);
    EXPECT_EQ(L"Edit", ClassName(d.items[0].cls));
    EXPECT_TRUE(!d.items[0].text.isOrdinal && d.items[0].text.name.empty());
    EXPECT_EQ(4, d.items[0].extraBytes);
    EXPECT_EQ(static_cast<DWORD>(WS_EX_CLIENTEDGE), d.items[0].exStyle);
    EXPECT_EQ(300, d.items[1].id);
    EXPECT_EQ(L"SysListView32", ClassName(d.items[1].cls));
    EXPECT_TRUE(d.items[1].text.isOrdinal && d.items[1].text.ordinal == 42);
}

TEST(DialogTemplateReader, ReadsExtendedTemplateWithoutFont) {
    TemplateWriter w;
    w.Word(1).Word(0xFFFF).Dword(77).Dword(0).Dword(WS_CHILD).Word(1);
    w.Word(0).Word(0).Word(50).Word(60).String(L"MENU").Word(0).String(L"");
    w.Align().Dword(88).Dword(WS_EX_TRANSPARENT).Dword(WS_CHILD | WS_VISIBLE);
    w.Word(1).Word(2).Word(3).Word(4).Dword(70000).Ordinal(0x80).String(L"Go").Word(0);

    Dialog d;
    std::string error;
    ASSERT_TRUE(ParseDialog(w.bytes.data(), w.bytes.size(), &d, &error)) << error;
    EXPECT_TRUE(d.extended);
    EXPECT_EQ(77u, d.helpId);
    EXPECT_FALSE(d.hasFont);
    EXPECT_EQ(L"MENU", d.menu.name);
    EXPECT_TRUE(d.title.empty());
    ASSERT_EQ(1u, d.items.size());
    EXPECT_EQ(88u, d.items[0].helpId);
    EXPECT_EQ(static_cast<DWORD>(WS_EX_TRANSPARENT), d.items[0].exStyle);
    EXPECT_EQ(70000, d.items[0].id);
    EXPECT_EQ(L"Button", ClassName(d.items[0].cls));
    EXPECT_EQ(L"Go", d.items[0].text.name);
}

TEST(DialogTemplateReader, ReportsTemplateCutShort) {
    TemplateWriter w;
    w.Dword(WS_POPUP).Dword(0).Word(2).Word(0).Word(0).Word(10).Word(10).Word(0).Word(0).Word(0);
    w.Align().Dword(WS_CHILD).Dword(0).Word(0).Word(0).Word(1).Word(1).Word(5).Ordinal(0x82);
    w.Word(0).Word(0);  // only one of the two promised items
    Dialog d;
    std::string error;
    EXPECT_FALSE(ParseDialog(w.bytes.data(), w.bytes.size(), &d, &error));
    EXPECT_NE(std::string::npos, error.find("item 2 of 2")) << error;
}

}  // namespace

#include "platform/win32/windows_api.h"

#include "platform/win32/win32_platform.h"

namespace platform::win32 {

namespace {

// The portable dialog procedure of a dialog travels with its window as a property; one Win32
// procedure forwards every message to it.
const char kProcedureProperty[] = "FontInstaller.DialogProcedure";

struct DialogStart {
    DialogProcedure procedure;
    intptr_t param;
};

INT_PTR CALLBACK ForwardingDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto procedure = reinterpret_cast<DialogProcedure>(::GetPropA(dialog, kProcedureProperty));
    if (message == WM_INITDIALOG) {
        const auto* start = reinterpret_cast<const DialogStart*>(lParam);
        procedure = start->procedure;
        ::SetPropA(dialog, kProcedureProperty, reinterpret_cast<HANDLE>(procedure));
        lParam = start->param;
    }
    if (procedure == nullptr) {
        return FALSE;  // messages that come before WM_INITDIALOG
    }
    const INT_PTR result = procedure(dialog, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::RemovePropA(dialog, kProcedureProperty);
    }
    return result;
}

}  // namespace

int Win32Ui::MessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                        unsigned style) {
    return ::MessageBoxA(static_cast<HWND>(owner), text.c_str(), caption.c_str(), style);
}

intptr_t Win32Ui::DialogBoxParam(InstanceHandle instance, int templateId, WindowHandle owner,
                                 DialogProcedure procedure, intptr_t param) {
    DialogStart start{procedure, param};
    return ::DialogBoxParamA(static_cast<HINSTANCE>(instance), MAKEINTRESOURCEA(templateId),
                             static_cast<HWND>(owner), ForwardingDialogProc,
                             reinterpret_cast<LPARAM>(&start));
}

bool Win32Ui::EndDialog(WindowHandle dialog, intptr_t result) {
    return ::EndDialog(static_cast<HWND>(dialog), result) != 0;
}

bool Win32Ui::SetDlgItemText(WindowHandle dialog, int id, const std::string& text) {
    return ::SetDlgItemTextA(static_cast<HWND>(dialog), id, text.c_str()) != 0;
}

intptr_t Win32Ui::SendDlgItemMessage(WindowHandle dialog, int id, unsigned message,
                                     uintptr_t wParam, intptr_t lParam) {
    return ::SendDlgItemMessageA(static_cast<HWND>(dialog), id, message, wParam, lParam);
}

WindowHandle Win32Ui::GetDlgItem(WindowHandle dialog, int id) {
    return ::GetDlgItem(static_cast<HWND>(dialog), id);
}

void Win32Ui::SetDialogUserData(WindowHandle dialog, intptr_t value) {
    ::SetWindowLongPtrA(static_cast<HWND>(dialog), DWLP_USER, value);
}

intptr_t Win32Ui::GetDialogUserData(WindowHandle dialog) {
    return ::GetWindowLongPtrA(static_cast<HWND>(dialog), DWLP_USER);
}

bool Win32Ui::EnableDlgItem(WindowHandle dialog, int id, bool enable) {
    return ::EnableWindow(::GetDlgItem(static_cast<HWND>(dialog), id), enable ? TRUE : FALSE) != 0;
}

WindowHandle Win32Ui::CreateDialogParam(InstanceHandle instance, int templateId, WindowHandle owner,
                                        DialogProcedure procedure, intptr_t param) {
    // WM_INITDIALOG arrives before CreateDialogParamA returns, so the start block may live here.
    DialogStart start{procedure, param};
    return ::CreateDialogParamA(static_cast<HINSTANCE>(instance), MAKEINTRESOURCEA(templateId),
                                static_cast<HWND>(owner), ForwardingDialogProc,
                                reinterpret_cast<LPARAM>(&start));
}

bool Win32Ui::DestroyWindow(WindowHandle window) {
    return ::DestroyWindow(static_cast<HWND>(window)) != 0;
}

intptr_t Win32Ui::SendMessageTimeout(WindowHandle window, unsigned message, uintptr_t wParam,
                                     intptr_t lParam, unsigned flags, unsigned timeoutMs) {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutA(static_cast<HWND>(window), message, wParam, lParam, flags,
                                 timeoutMs, &result);
}

IconHandle Win32Ui::LoadIcon(InstanceHandle instance, int id) {
    return ::LoadIconA(static_cast<HINSTANCE>(instance), MAKEINTRESOURCEA(id));
}

intptr_t Win32Ui::ShellExecute(WindowHandle owner, const std::string& verb, const std::string& file,
                               int show) {
    return reinterpret_cast<intptr_t>(::ShellExecuteA(static_cast<HWND>(owner), verb.c_str(),
                                                      file.c_str(), nullptr, nullptr, show));
}

intptr_t Win32Ui::SendMessage(WindowHandle window, unsigned message, uintptr_t wParam,
                              intptr_t lParam) {
    return ::SendMessageA(static_cast<HWND>(window), message, wParam, lParam);
}

std::string Win32Ui::GetDlgItemText(WindowHandle dialog, int id) {
    char buffer[MAX_PATH] = {};
    const UINT length = ::GetDlgItemTextA(static_cast<HWND>(dialog), id, buffer, MAX_PATH);
    return std::string(buffer, length < MAX_PATH ? length : 0);
}

}  // namespace platform::win32

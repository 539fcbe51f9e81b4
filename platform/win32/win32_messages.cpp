#include "platform/win32/windows_api.h"

#include "platform/win32/win32_platform.h"

namespace platform::win32 {

namespace {

MSG ToMsg(const Message& message) {
    MSG msg = {};
    msg.hwnd = static_cast<HWND>(message.window);
    msg.message = message.message;
    msg.wParam = message.wParam;
    msg.lParam = message.lParam;
    msg.time = message.time;
    msg.pt.x = message.x;
    msg.pt.y = message.y;
    return msg;
}

}  // namespace

bool Win32Messages::PeekMessage(Message& message) {
    MSG msg = {};
    if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        return false;
    }
    message.window = msg.hwnd;
    message.message = msg.message;
    message.wParam = msg.wParam;
    message.lParam = msg.lParam;
    message.time = msg.time;
    message.x = msg.pt.x;
    message.y = msg.pt.y;
    return true;
}

bool Win32Messages::IsDialogMessage(WindowHandle dialog, const Message& message) {
    MSG msg = ToMsg(message);
    return ::IsDialogMessageA(static_cast<HWND>(dialog), &msg) != 0;
}

bool Win32Messages::TranslateMessage(const Message& message) {
    const MSG msg = ToMsg(message);
    return ::TranslateMessage(&msg) != 0;
}

intptr_t Win32Messages::DispatchMessage(const Message& message) {
    const MSG msg = ToMsg(message);
    return ::DispatchMessageA(&msg);
}

}  // namespace platform::win32

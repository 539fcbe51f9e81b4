#include "common/cp932.h"
#include "platform/fake/fake_platform.h"

#include <cstdio>

#include "platform/win_constants.h"

namespace fake {

int FakePlatform::MessageBox(platform::WindowHandle owner, const std::string& text,
                             const std::string& caption, unsigned style) {
    Log("MessageBoxA", text);
    messageBoxes.push_back(MessageBoxCall{owner, text, caption, style});
    return messageBoxAnswer;
}

intptr_t FakePlatform::DialogBoxParam(platform::InstanceHandle, int templateId,
                                      platform::WindowHandle owner,
                                      platform::DialogProcedure procedure, intptr_t param) {
    Log("DialogBoxParamA", std::to_string(templateId));
    if (Fails("DialogBoxParamA")) {
        return -1;
    }
    dialogs.push_back(std::make_unique<FakeDialog>());
    FakeDialog& dialog = *dialogs.back();
    dialog.templateId = templateId;
    dialog.owner = owner;
    platform::WindowHandle handle = &dialog;
    procedures_[handle] = procedure;
    procedure(handle, win::kWmInitDialog, 0, param);
    if (onDialogShown && !dialog.ended) {
        onDialogShown(handle, dialog);
    }
    procedures_.erase(handle);
    return dialog.ended ? dialog.result : 0;
}

intptr_t FakePlatform::SendCommand(platform::WindowHandle dialog, int id) {
    auto found = procedures_.find(dialog);
    if (found == procedures_.end()) {
        return 0;
    }
    return found->second(dialog, win::kWmCommand, static_cast<uintptr_t>(id), 0);
}

FakeDialog* FakePlatform::DialogOf(platform::WindowHandle dialog) {
    for (const auto& open : dialogs) {
        if (open.get() == dialog) {
            return open.get();
        }
    }
    return nullptr;
}

bool FakePlatform::EndDialog(platform::WindowHandle dialog, intptr_t result) {
    Log("EndDialog", std::to_string(result));
    FakeDialog* target = DialogOf(dialog);
    if (target == nullptr) {
        return false;
    }
    target->ended = true;
    target->result = result;
    return true;
}

bool FakePlatform::SetDlgItemText(platform::WindowHandle dialog, int id, const std::string& text) {
    Log("SetDlgItemTextA", std::to_string(id));
    FakeDialog* target = DialogOf(dialog);
    if (target == nullptr) {
        return false;
    }
    target->controls[id].text = text;
    target->controls[id].texts.push_back(text);
    return true;
}

std::string FakePlatform::GetDlgItemText(platform::WindowHandle dialog, int id) {
    Log("GetDlgItemTextA", std::to_string(id));
    FakeDialog* target = DialogOf(dialog);
    if (target == nullptr) {
        return std::string();
    }
    // A 260-byte buffer holds 259 bytes and the terminator; a character is never cut in two.
    const std::string& text = target->controls[id].text;
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t next = cp932::NextCharIndex(text, end);
        if (next > win::kMaxPath - 1) {
            break;
        }
        end = next;
    }
    return text.substr(0, end);
}

intptr_t FakePlatform::SendDlgItemMessage(platform::WindowHandle dialog, int id, unsigned message,
                                          uintptr_t wParam, intptr_t lParam) {
    Log("SendDlgItemMessageA", std::to_string(id) + " " + MessageText(message, wParam, lParam));
    FakeDialog* target = DialogOf(dialog);
    if (target == nullptr) {
        return 0;
    }
    return ControlMessage(target->controls[id], message, wParam, lParam);
}

intptr_t FakePlatform::ControlMessage(FakeControl& control, unsigned message, uintptr_t wParam,
                                      intptr_t lParam) {
    switch (message) {
        case win::kLbAddString:
            control.items.emplace_back(reinterpret_cast<const char*>(lParam));
            control.selected.push_back(false);
            return static_cast<intptr_t>(control.items.size() - 1);
        case win::kLbSetSel:
            // As a multiple-selection list box: index -1 means every item.
            if (lParam == -1) {
                control.selected.assign(control.items.size(), wParam != 0);
                return 0;
            }
            if (lParam < 0 || static_cast<std::size_t>(lParam) >= control.items.size()) {
                return win::kLbErr;
            }
            control.selected[static_cast<std::size_t>(lParam)] = wParam != 0;
            return 0;
        case win::kLbGetSel:
            if (static_cast<std::size_t>(wParam) >= control.items.size()) {
                return win::kLbErr;
            }
            return control.selected[wParam] ? 1 : 0;
        case win::kLbGetCount:
            return static_cast<intptr_t>(control.items.size());
        case win::kLbGetSelCount: {
            intptr_t count = 0;
            for (bool on : control.selected) {
                count += on ? 1 : 0;
            }
            return count;
        }
        case win::kBmSetCheck:
            control.check = wParam;
            return 0;
        case win::kBmGetCheck:
            return static_cast<intptr_t>(control.check);
        case win::kPbmSetPos: {
            const intptr_t previous = control.position;
            control.position = static_cast<intptr_t>(wParam);
            control.positions.push_back(control.position);
            return previous;
        }
        case win::kPbmGetPos:
            return control.position;
        default:
            return 0;
    }
}

platform::WindowHandle FakePlatform::GetDlgItem(platform::WindowHandle dialog, int id) {
    Log("GetDlgItem", std::to_string(id));
    FakeDialog* target = DialogOf(dialog);
    if (target == nullptr) {
        return nullptr;
    }
    // A control's handle is the control itself: SendMessageA finds it again through the dialog.
    return &target->controls[id];
}

void FakePlatform::SetDialogUserData(platform::WindowHandle dialog, intptr_t value) {
    FakeDialog* target = DialogOf(dialog);
    if (target != nullptr) {
        target->userData = value;
    }
}

intptr_t FakePlatform::GetDialogUserData(platform::WindowHandle dialog) {
    const FakeDialog* target = DialogOf(dialog);
    return target == nullptr ? 0 : target->userData;
}

bool FakePlatform::EnableDlgItem(platform::WindowHandle dialog, int id, bool enable) {
    Log("EnableWindow", std::to_string(id) + (enable ? " 1" : " 0"));
    FakeDialog* target = DialogOf(dialog);
    if (target == nullptr) {
        return false;
    }
    const bool wasDisabled = !target->controls[id].enabled;
    target->controls[id].enabled = enable;
    return wasDisabled;
}

platform::WindowHandle FakePlatform::CreateDialogParam(platform::InstanceHandle, int templateId,
                                                       platform::WindowHandle owner,
                                                       platform::DialogProcedure procedure,
                                                       intptr_t param) {
    Log("CreateDialogParamA", std::to_string(templateId));
    if (Fails("CreateDialogParamA")) {
        return nullptr;
    }
    dialogs.push_back(std::make_unique<FakeDialog>());
    FakeDialog& dialog = *dialogs.back();
    dialog.templateId = templateId;
    dialog.owner = owner;
    dialog.modeless = true;
    platform::WindowHandle handle = &dialog;
    procedures_[handle] = procedure;
    procedure(handle, win::kWmInitDialog, 0, param);
    return handle;
}

bool FakePlatform::DestroyWindow(platform::WindowHandle window) {
    Log("DestroyWindow", "");
    FakeDialog* target = DialogOf(window);
    if (target == nullptr || target->destroyed) {
        return false;
    }
    target->destroyed = true;
    procedures_.erase(window);
    return true;
}

intptr_t FakePlatform::SendMessageTimeout(platform::WindowHandle window, unsigned message,
                                          uintptr_t wParam, intptr_t lParam, unsigned flags,
                                          unsigned timeoutMs) {
    const bool broadcast = window == reinterpret_cast<platform::WindowHandle>(win::kHwndBroadcast);
    const std::string what =
        message == win::kWmFontChange ? "WM_FONTCHANGE" : std::to_string(message);
    Log("SendMessageTimeoutA", (broadcast ? "HWND_BROADCAST " : "") + what + " flags " +
                                   std::to_string(flags) + " timeout " + std::to_string(timeoutMs));
    auto procedure = procedures_.find(window);
    if (procedure != procedures_.end()) {
        procedure->second(window, message, wParam, lParam);
    }
    return 1;
}

platform::IconHandle FakePlatform::LoadIcon(platform::InstanceHandle, int id) {
    Log("LoadIconA", std::to_string(id));
    if (Fails("LoadIconA")) {
        return nullptr;
    }
    return reinterpret_cast<platform::IconHandle>(0x1C0000 + id);
}

intptr_t FakePlatform::ShellExecute(platform::WindowHandle, const std::string& verb,
                                    const std::string& file, int show) {
    Log("ShellExecuteA", verb + " " + file + " " + std::to_string(show));
    return 42;
}

intptr_t FakePlatform::SendMessage(platform::WindowHandle window, unsigned message,
                                   uintptr_t wParam, intptr_t lParam) {
    Log("SendMessageA", MessageText(message, wParam, lParam));
    for (const std::unique_ptr<FakeDialog>& dialog : dialogs) {
        for (auto& [id, control] : dialog->controls) {
            if (&control == window) {
                return dialog->destroyed ? 0 : ControlMessage(control, message, wParam, lParam);
            }
        }
    }
    for (BrowseCall& browse : browses) {
        if (browse.browser != window || message != win::kBffmSetSelectionA) {
            continue;
        }
        // wParam TRUE: lParam is a path; otherwise an item list, which the fake browser does
        // not follow.
        browse.selection = wParam != 0 ? reinterpret_cast<const char*>(lParam) : "(item list)";
        return 0;
    }
    return 0;
}

std::string FakePlatform::MessageText(unsigned message, uintptr_t wParam, intptr_t lParam) {
    char number[16];
    std::snprintf(number, sizeof number, "0x%X", message);
    std::string text = number;
    text += " " + std::to_string(wParam) + " ";
    // Messages whose lParam is a string show the string, so that logs do not hold addresses.
    const bool textParameter =
        message == win::kLbAddString || (message == win::kBffmSetSelectionA && wParam != 0);
    if (textParameter && lParam != 0) {
        return text + reinterpret_cast<const char*>(lParam);
    }
    return text + std::to_string(lParam);
}

}  // namespace fake

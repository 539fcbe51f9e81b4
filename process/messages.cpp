#include "process/messages.h"

#include "platform/win_constants.h"

const char* const kAppCaption = "フォントのインストール";

int ShowWarning(const std::string& text, platform::WindowHandle owner) {
    return platform::Current().ui.MessageBox(owner, text, kAppCaption,
                                             win::kMbOk | win::kMbIconWarning);
}

int ShowInfo(const std::string& text, platform::WindowHandle owner) {
    return platform::Current().ui.MessageBox(owner, text, kAppCaption,
                                             win::kMbOk | win::kMbIconInformation);
}

#include "app/completion_message.h"

#include "process/globals.h"

std::string CompletionMessage() {
    if (OsClass == OsWin95) {
        // Windows 95 shows newly installed fonts in the Control Panel only after a restart.
        return "インストールが終了しました。\n"
               "Windows95をご使用の場合、マシンを再起動するまでコントロールパネルのフォントに"
               "インストールしたフォントが表示されないことがあります。アプリではご使用できますが、"
               "直ぐにコントロールパネルのフォントを使用したい時は、マシンを再起動してください。";
    }
    return "インストールが終了しました。";
}

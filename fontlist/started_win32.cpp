// On Windows a maker may double-click fontlist.exe or drop a package folder on it: Explorer then
// gives it a console of its own, which closes the moment it ends. A lone folder argument is made
// (no FontList.txt yet) or checked (one is there), and on a console of its own the result stays
// until Enter is pressed.
#include <windows.h>

#include <cstdio>

#include "fontlist/cli.h"
#include "fontlist/started.h"

namespace fontlist {

namespace {

void Say(const char* line) {
    std::fputs(line, stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
}

// True only when this process is the console's sole user and both ends are that console: from
// a command prompt the prompt shares it, and redirected or closed handles are no console.
bool OnConsoleOfItsOwn() {
    DWORD mode = 0;
    if (!GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) ||
        !GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) {
        return false;
    }
    DWORD processes[2] = {};
    return GetConsoleProcessList(processes, 2) == 1;
}

void WaitForEnter() {
    Say("");
    Say("Enterキーを押すとこの画面を閉じます。");
    int c = 0;
    while ((c = std::getchar()) != '\n' && c != EOF) {
    }
}

bool IsLoneFolder(const std::vector<std::string>& args) {
    return args.size() == 1 && args[0] != "make" && args[0] != "check" && args[0] != "msi" &&
           !args[0].empty() && args[0][0] != '-';
}

}  // namespace

int RunAsStarted(const std::vector<std::string>& given, Command command) {
    const bool ownConsole = OnConsoleOfItsOwn();
    std::vector<std::string> args = given;
    if (IsLoneFolder(args)) {
        const bool listed = OpenFolder(args[0])->Exists("FontList.txt");
        args.insert(args.begin(), listed ? "check" : "make");
    }
    int code = 2;
    if (args.empty() && ownConsole) {
        Say("fontlistは、フォントのパッケージのFontList.txtを作り、確かめる道具です。");
        Say("フォントファイルを入れたフォルダを、このfontlist.exeのアイコンにドラッグ＆ドロップ"
            "してください。");
        Say("FontList.txtがなければ作り（make）、あれば確かめます（check）。");
        Say("コマンドプロンプトでは fontlist --help で使い方を表示します。");
    } else {
        code = command(args);
    }
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        Say("        fontlist フォルダ    FontList.txtがなければmake、あればcheck");
        Say("        （エクスプローラーでフォルダをfontlist.exeにドラッグ＆ドロップしても同じ）");
    }
    if (ownConsole) {
        WaitForEnter();
    }
    return code;
}

}  // namespace fontlist

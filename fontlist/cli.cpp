#include "fontlist/cli.h"

#include <algorithm>

#include "fontlist/make.h"

namespace fontlist {

namespace {

const std::string kFontList = "FontList.txt";

void Usage(Host& host) {
    host.Print("使い方: fontlist make [フォルダ] [--force]");
    host.Print("        fontlist check [フォルダ]");
    host.Print(
        "        fontlist msi [フォルダ] [--output ファイル] [--product-name 製品名] "
        "[--manufacturer 製造元] [--product-version 1.0.0]");
    host.Print("        fontlist --help | --version");
}

// A folder that is not there is named as such, not taken for a folder without FontList.txt.
bool FolderMissing(Host& host) {
    if (host.FolderExists()) {
        return false;
    }
    host.Print("error: フォルダ「" + host.FolderName() + "」がありません。");
    return true;
}

int Check(Host& host) {
    if (FolderMissing(host)) {
        return 2;
    }
    std::string contents;
    if (!host.Read(kFontList, contents)) {
        host.Print("FontList.txt: error: FontList.txtを読めません。");
        return 2;
    }
    const CheckResult result = CheckFontList(contents, host, host.System());
    for (const Finding& finding : result.findings) {
        host.Print(FormatFinding(finding));
    }
    if (result.systemSkipped) {
        host.Print(
            "このWindowsのコードページは932ではないため、Windowsでの確認を省きました。日本語版"
            "（コードページ932）のWindowsで実行してください。");
    }
    if (result.systemChecked > 0) {
        host.Print("このWindowsでの確認: " + std::to_string(result.systemChecked) + "件中" +
                   std::to_string(result.systemAgreed) + "件が一致しました。");
    }
    host.Print(result.HasError() ? "結果: 直すべき点があります。" : "結果: 問題ありません。");
    return result.HasError() ? 1 : 0;
}

int Make(Host& host, bool force) {
    if (FolderMissing(host)) {
        return 2;
    }
    std::vector<std::string> names;
    if (!host.List(names)) {
        host.Print("error: フォルダを読めません。");
        return 2;
    }
    if (!force && host.Exists(kFontList)) {
        host.Print(
            "FontList.txt: error: FontList.txtがすでにあります。上書きするには --force を付けて"
            "ください。");
        return 1;
    }
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const std::string& name) { return !IsFontFileName(name); }),
                names.end());
    std::sort(names.begin(), names.end());
    FontFiles fonts(host);
    const MadeFontList made = MakeFontList(names, fonts);
    for (const MadeNote& note : made.notes) {
        host.Print((note.error ? "error: " : "warning: ") + note.message);
    }
    if (made.lines.empty()) {
        host.Print("error: フォントファイルがないため、FontList.txtを書きません。");
        return 1;
    }
    if (!host.Write(kFontList, made.contents)) {
        host.Print("FontList.txt: error: FontList.txtを書けません。");
        return 2;
    }
    for (const std::string& line : made.lines) {
        host.Print(line);
    }
    // What the written file still needs, in the words `check` uses.
    const CheckResult result = CheckFontList(made.contents, fonts, host.System());
    for (const Finding& finding : result.findings) {
        host.Print(FormatFinding(finding));
    }
    return (made.HasError() || result.HasError()) ? 1 : 0;
}

}  // namespace

int RunFontList(const std::vector<std::string>& args, Host& host) {
    if (args.empty()) {
        Usage(host);
        return 2;
    }
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        Usage(host);
        return 0;
    }
    if (args.size() == 1 && args[0] == "--version") {
        host.Print("fontlist " FONTLIST_VERSION);
        return 0;
    }
    if (args[0] == "check" && args.size() <= 2) {
        return Check(host);
    }
    if (args[0] == "make") {
        bool force = false;
        int folders = 0;
        for (std::size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "--force") {
                force = true;
            } else {
                ++folders;
            }
        }
        if (folders <= 1) {
            return Make(host, force);
        }
    }
    Usage(host);
    return 2;
}

}  // namespace fontlist

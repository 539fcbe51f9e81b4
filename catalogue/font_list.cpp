#include "catalogue/font_list.h"

#include <utility>

#include "common/cp932.h"
#include "process/messages.h"

std::vector<FontEntry> FontList;

namespace {

constexpr int kLineBufferSize = kFontListPieceSize + 1;

}  // namespace

int LoadFontList(platform::WindowHandle owner, const std::string& path) {
    std::unique_ptr<platform::TextFile> file = platform::Current().files.OpenTextFile(path);
    if (!file) {
        ShowWarning("フォント情報ファイル「FontList.txt」のオープンに失敗しました。", owner);
        return 0;
    }
    char buffer[kLineBufferSize];
    FontListLineParser parser;
    FontEntry entry;
    while (file->ReadLine(buffer, kLineBufferSize)) {
        if (parser.Parse(buffer, entry)) {
            FontList.push_back(std::move(entry));
        }
    }
    return 1;
}

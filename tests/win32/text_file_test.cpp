// The fake's text-mode reading must match the C runtime's fgets on a file opened in text mode.
#include "platform/fake/fake_platform.h"
#include "win32_test_support.h"

namespace {

using TextFileTest = Win32Test;

std::vector<std::string> ReadAll(platform::Files& files, const std::string& path, int size) {
    std::vector<std::string> lines;
    std::unique_ptr<platform::TextFile> file = files.OpenTextFile(path);
    if (!file) {
        lines.push_back("<cannot open>");
        return lines;
    }
    std::vector<char> buffer(static_cast<std::size_t>(size));
    while (file->ReadLine(buffer.data(), size)) {
        // Keep bytes past a NUL visible: fgets itself reads through them.
        lines.emplace_back(buffer.data(), std::char_traits<char>::length(buffer.data()));
    }
    return lines;
}

TEST_F(TextFileTest, FakeTextModeMatchesTheCRuntime) {
    const std::vector<std::string> samples = {
        "A,a.ttf\r\nB,b.ttf\r\n",
        "A,a.ttf\nB,b.ttf",
        "lone\rcarriage\r\r\n",
        "ends in cr\r",
        std::string("before") + '\x1A' + "after\r\n",
        std::string("nul") + '\0' + "inside\r\nnext\n",
        std::string(300, 'x') + "\r\n" + std::string(255, 'y') + "\r\n" + std::string(254, 'z') +
            "\r\n",
        "ソフト表示,表.ttf\r\n",
        "",
        "\r\n\r\n\n",
    };
    fake::FakePlatform fake;
    int index = 0;
    for (const std::string& sample : samples) {
        const std::string path = scratch / ("sample" + std::to_string(index) + ".txt");
        WriteFile(path, sample);
        fake.AddFile("C:\\sample.txt", sample);
        for (int size : {256, 4}) {
            EXPECT_EQ(ReadAll(windows.Get().files, path, size),
                      ReadAll(fake, "C:\\sample.txt", size))
                << "sample " << index << ", buffer " << size;
        }
        ++index;
    }
}

TEST_F(TextFileTest, OpeningAMissingFileOrAFolderFails) {
    EXPECT_EQ(windows.Get().files.OpenTextFile(scratch / "missing.txt"), nullptr);
    EXPECT_EQ(windows.Get().files.OpenTextFile(scratch.Path()), nullptr);
}

}  // namespace

#include "app/completion_message.h"

#include <gtest/gtest.h>

#include "process/globals.h"

namespace {

class CompletionMessageTest : public ::testing::Test {
  protected:
    ~CompletionMessageTest() override { OsClass = saved_; }

  private:
    int32_t saved_ = OsClass;
};

TEST_F(CompletionMessageTest, Windows95GetsTheRestartNoteAfterOneLineFeed) {
    OsClass = OsWin95;
    const std::string message = CompletionMessage();
    EXPECT_EQ(message,
              "インストールが終了しました。\nWindows95をご使用の場合、マシンを再起動するまでコント"
              "ロールパネルのフォントにインストールしたフォントが表示されないことがあります。アプ"
              "リではご使用できますが、直ぐにコントロールパネルのフォントを使用したい時は、マシン"
              "を再起動してください。");
    // One LF byte, no CR, right after the first sentence.
    EXPECT_EQ(message.find('\n'), std::string("インストールが終了しました。").size());
    EXPECT_EQ(message.find('\r'), std::string::npos);
    EXPECT_EQ(message.find('\n', message.find('\n') + 1), std::string::npos);
}

TEST_F(CompletionMessageTest, EveryOtherClassGetsTheOneLineText) {
    for (int32_t osClass : {0, 2, 3, 4, 5, 6, 7, 8, -1}) {
        OsClass = osClass;
        EXPECT_EQ(CompletionMessage(), "インストールが終了しました。") << "OsClass " << osClass;
    }
}

}  // namespace

// The text editor window driven as a user would: open entries, type, save, preview, close.
#include <sys/stat.h>

#include <QPlainTextEdit>
#include <filesystem>

#include "tests/support/EditorFixture.h"
#include "tests/support/TestFiles.h"
#include "textinterp/VTR_TEXT.h"

using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

class TextWindow : public testsupport::EditorFixture<VTR_TEXT> {
protected:
    void SetUp() override {
        setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
        preview = VTR_TXTHTML::TempHtmlPath();
    }
    void TearDown() override {
        for (const QPointer<VTR_TEXT>& opened : windows) delete opened.data();
    }
    // Opens a window on `bytes` as entry `entry`, open windows staying open.
    void Open(const std::string& bytes, std::int32_t entry = 7) {
        windows.push_back(window = new VTR_TEXT(*this, entry, bytes));
        window->show();
    }
    QPlainTextEdit* Editor() { return window->findChild<QPlainTextEdit*>("txt_TextWindow"); }
    // Key presses carrying the text, as a keyboard layout with these characters sends them.
    void Type(const QString& text) {
        for (const QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, Editor(), Qt::Key_unknown, QString(ch),
                                Qt::NoModifier);
    }
    std::string Saved() { return EditorFixture::Saved("File saved."); }

    testsupport::TempDir runtime;
    std::vector<QPointer<VTR_TEXT>> windows;
    std::string preview;
};

// All windows are open before the first saves: each still hands back its own entry.
TEST_F(TextWindow, WindowsOpenAtOnceKeepEveryByteOfTheirEntryAndTypeItsLineBreak) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
    // The entry, and the line break typed lines get in it.
    const std::pair<std::string, std::string> rows[] = {{"[a]\r\nb\nc\rd\r\r\n", "\r\n"},
                                                        {"one\rtwo\0\0"s + all, "\n"},
                                                        {"x\r\n" + all + "\r\n", "\r\n"},
                                                        {"second\nentry", "\n"}};
    for (int i = 0; i < 4; ++i) Open(rows[i].first, 40000 + i);
    for (int i = 0; i < 4; ++i) {
        const auto& [entry, lineBreak] = rows[i];
        SCOPED_TRACE(testing::PrintToString(entry));
        window = windows[i];
        EXPECT_EQ(Saved(), entry);
        EXPECT_EQ(replaced.back().first, 40000 + i);
        Editor()->moveCursor(QTextCursor::End);
        Type("tail \u00E9\u20AC");
        QTest::keyClick(Editor(), Qt::Key_Return);
        Type("z");
        Editor()->moveCursor(QTextCursor::Start);
        Type("head");
        EXPECT_EQ(Saved(), "head" + entry + "tail \xE9\x80" + lineBreak + "z");
    }
}

TEST_F(TextWindow, PreviewHoldsTheTextPrivatelyUntilCloseAndRefusesWhatTheCodePageCannotHold) {
    const std::string entry = "<p>\r\n\0\xFF\r</p>"s;
    Open(entry);
    Editor()->moveCursor(QTextCursor::End);
    Type("!");
    const mode_t previous = umask(0777);  // the rights must not depend on it
    Click("but_IE");
    umask(previous);
    EXPECT_EQ(dialogs->browserPaths, std::vector{QString::fromStdString(preview)});
    EXPECT_EQ(testsupport::ReadBytes(preview), entry + "!");
    EXPECT_EQ(fs::status(preview).permissions(), fs::perms(0600));
    EXPECT_EQ(fs::status(fs::path(preview).parent_path()).permissions(), fs::perms(0700));
    Type("\u4E2D");  // then a character the code page cannot hold: neither saved nor previewed
    Click("but_Save");
    Click("but_IE");
    EXPECT_TRUE(replaced.empty() && dialogs->browserPaths.size() == 1);
    ASSERT_EQ(dialogs->messages.size(), 2u);
    EXPECT_EQ(dialogs->messages[0].text,
              QString::fromUtf16(u"The character \"\u4E2D\" (U+4E2D) on line 2 cannot be stored "
                                 u"in this file's code page. Nothing was saved."));
    ExpectClosingTellsTheHostOnce();
    EXPECT_FALSE(fs::exists(preview));
}

TEST_F(TextWindow, ChangeFontTakesFaceAndSizeAndAlwaysDropsBold) {
    Open("x");
    ASSERT_TRUE(Editor()->font().bold());
    QFont chosen("Quillmark Serif", 15);
    chosen.setBold(true);
    dialogs->fontAnswers = {std::nullopt, chosen};  // cancelled first, then a bold font
    Click("but_Font");
    const QFont kept = Editor()->font();
    EXPECT_FALSE(kept.bold());
    Click("but_Font");
    EXPECT_EQ(dialogs->fontInitials.back().pointSize(), kept.pointSize());  // offers the current
    EXPECT_EQ(std::tuple(Editor()->font().family(), Editor()->font().pointSize(),
                         Editor()->font().bold()),
              std::tuple(QString("Quillmark Serif"), 15, false));
}

}  // namespace

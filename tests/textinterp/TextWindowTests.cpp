// The text editor window driven as a user would: open an entry, type, save, preview, close.
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
        VTR_TXTHTML::TextInitialise();
    }
    void Open(const std::string& bytes) {
        delete window.data();
        VTR_TXTHTML::TextFileEntry() = 7;
        VTR_TXTHTML::ReadTextData(bytes);
        window = new VTR_TEXT(*this);
        window->show();
        editor = window->findChild<QPlainTextEdit*>("txt_TextWindow");
    }
    // Key presses carrying the text, as a keyboard layout with these characters sends them.
    void Type(const QString& text) {
        for (const QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
    std::string Saved() { return EditorFixture::Saved("File saved."); }

    testsupport::TempDir runtime;
    QPlainTextEdit* editor = nullptr;
    const std::string& preview = VTR_TXTHTML::TempHtmlPath();
};

TEST_F(TextWindow, TwoWindowsEditTwoEntriesAtOnce) {
    Open("first\r\nentry");
    QPointer<VTR_TEXT> first = window;
    window = nullptr;
    VTR_TXTHTML::TextFileEntry() = 9;
    VTR_TXTHTML::ReadTextData("second\nentry");
    VTR_TEXT second(*this);
    second.show();
    // Saving the first window hands back its own entry, in its own line breaks.
    window = first;
    editor = window->findChild<QPlainTextEdit*>("txt_TextWindow");
    editor->moveCursor(QTextCursor::End);
    editor->insertPlainText("\nmore");
    EXPECT_EQ(Saved(), "first\r\nentry\r\nmore");
    EXPECT_EQ(replaced.back().first, 7);
    QTest::mouseClick(second.findChild<QPushButton*>("but_Save"), Qt::LeftButton);
    EXPECT_EQ(replaced.back(), (std::pair<std::int16_t, std::string>{9, "second\nentry"}));
}

TEST_F(TextWindow, KeepsEveryByteAndWritesTypedLinesInTheEntrysConvention) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
    const std::pair<std::string, std::string> rows[] = {
        // The entry, and the line break typed lines get in it.
        {"[a]\r\nb\nc\rd\r\r\n", "\r\n"},
        {"one\rtwo\0\0"s + all, "\n"},
        {"x\r\n" + all + "\r\n", "\r\n"},
    };
    for (const auto& [entry, lineBreak] : rows) {
        SCOPED_TRACE(testing::PrintToString(entry));
        Open(entry);
        EXPECT_EQ(Saved(), entry);
        EXPECT_EQ(replaced.back().first, 7);
        editor->moveCursor(QTextCursor::End);
        Type("tail \u00E9\u20AC");
        QTest::keyClick(editor, Qt::Key_Return);
        Type("z");
        editor->moveCursor(QTextCursor::Start);
        Type("head");
        EXPECT_EQ(Saved(), "head" + entry + "tail \xE9\x80" + lineBreak + "z");
    }
}

TEST_F(TextWindow, PreviewHoldsTheTextPrivatelyUntilCloseAndRefusesWhatTheCodePageCannotHold) {
    const std::string entry = "<p>\r\n\0\xFF\r</p>"s;
    Open(entry);
    editor->moveCursor(QTextCursor::End);
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
    EXPECT_TRUE(replaced.empty() && dialogs->browserPaths.size() == 1 &&
                dialogs->messages.size() == 2);
    EXPECT_EQ(dialogs->messages.at(0).text.toStdString(),
              QString::fromUtf16(u"The character \"\u4E2D\" (U+4E2D) on line 2 cannot be stored "
                                 u"in this file's code page. Nothing was saved.")
                  .toStdString());
    ExpectClosingTellsTheHostOnce();
    EXPECT_FALSE(fs::exists(preview));
}

TEST_F(TextWindow, ChangeFontTakesFaceAndSizeAndAlwaysDropsBold) {
    Open("x");
    ASSERT_TRUE(editor->font().bold());
    QFont chosen("DejaVu Serif", 15);
    chosen.setBold(true);
    dialogs->fontAnswers = {std::nullopt, chosen};  // cancelled first, then a bold font
    Click("but_Font");
    EXPECT_FALSE(editor->font().bold());
    const QFont before = editor->font();
    Click("but_Font");
    EXPECT_EQ(dialogs->fontInitials.back().pointSize(), before.pointSize());  // it offers the current
    EXPECT_EQ(std::pair(editor->font().family(), editor->font().pointSize()),
              std::pair(QString("DejaVu Serif"), 15));
    EXPECT_FALSE(editor->font().bold());
}

}  // namespace

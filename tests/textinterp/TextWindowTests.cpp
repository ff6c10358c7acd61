// The text editor window driven as a user would: open an entry, type, save, preview, close.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCloseEvent>
#include <QFont>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "platform/ScriptedDialogs.h"
#include "tests/support/TestFiles.h"
#include "textinterp/VTR_TEXT.h"

using namespace std::string_literals;

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// The fixture is the window's host and records what the window tells it.
class TextWindow : public testing::Test, public VTR_STR::EditorHost {
protected:
    void OnlineReplace(const std::int16_t& entry, const std::string& data) override {
        replaced.emplace_back(entry, data);
    }
    void EditorClosed() override { ++closed; }
    void SetUp() override {
        setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
        VTR_TXTHTML::TextInitialise();
    }
    void TearDown() override { delete window.data(); }
    void Open(const std::string& bytes) {
        delete window.data();
        VTR_TXTHTML::TextFileEntry() = 7;
        VTR_TXTHTML::ReadTextData(bytes);
        window = new VTR_TEXT(*this);
        window->show();
        editor = window->findChild<QPlainTextEdit*>("txt_TextWindow");
    }
    void Click(const char* name) {
        QTest::mouseClick(window->findChild<QPushButton*>(name), Qt::LeftButton);
    }
    // Key presses carrying the text, as a keyboard layout with these characters sends them.
    void Type(const QString& text) {
        for (const QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
    std::string Saved() {
        Click("but_Save");
        EXPECT_EQ(ui->messages.empty() ? "" : ui->messages.back().text, "File saved.");
        return replaced.empty() ? "" : replaced.back().second;
    }

    testsupport::TempDir runtime;
    platform::ScopedScriptedDialogs ui;
    std::vector<std::pair<std::int16_t, std::string>> replaced;
    int closed = 0;
    QPointer<VTR_TEXT> window;
    QPlainTextEdit* editor = nullptr;
    const std::string& preview = VTR_TXTHTML::TempHtmlPath();
};

TEST_F(TextWindow, KeepsEveryByteAndWritesTypedLinesInTheEntrysConvention) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
    const std::pair<std::string, std::string> rows[] = {
        // The entry, and the line break typed lines get in it.
        {"[a]\r\nb\nc\rd\r\r\n", "\r\n"},
        {"one\rtwo\0\0"s, "\n"},
        {all, "\n"},
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

TEST_F(TextWindow, RefusesCharactersTheCodePageCannotHold) {
    Open("first\r\nsecond\r\n");
    editor->moveCursor(QTextCursor::End);
    Type("third \u4E2D");
    Click("but_Save");
    Click("but_IE");
    EXPECT_TRUE(replaced.empty());
    EXPECT_TRUE(ui->browserPaths.empty());
    ASSERT_EQ(ui->messages.size(), 2u);
    EXPECT_EQ(ui->messages[0].text,
              QString::fromUtf16(u"The character \"\u4E2D\" (U+4E2D) on line 3 cannot be stored "
                                 u"in this file's code page. Nothing was saved."));
}

TEST_F(TextWindow, PreviewHoldsTheTextPrivatelyUntilClose) {
    const std::string entry = "<p>\r\n\0\xFF\r</p>"s;
    Open(entry);
    editor->moveCursor(QTextCursor::End);
    Type("!");
    const mode_t previous = umask(0777);  // the rights must not depend on it
    Click("but_IE");
    umask(previous);
    ASSERT_EQ(ui->browserPaths.size(), 1u);
    EXPECT_EQ(ui->browserPaths[0].toStdString(), preview);
    EXPECT_EQ(testsupport::ReadBytes(preview), entry + "!");
    EXPECT_EQ(ModeOf(preview), 0600u);
    EXPECT_EQ(ModeOf(std::filesystem::path(preview).parent_path()), 0700u);

    Click("but_Close");
    QCloseEvent again;  // the window system's close while it is closing
    if (window) QCoreApplication::sendEvent(window, &again);
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(std::filesystem::exists(preview));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }));
    EXPECT_TRUE(replaced.empty());
}

TEST_F(TextWindow, ChangeFontTakesFaceAndSizeButNeverBold) {
    QFont chosen("DejaVu Sans", 13);
    chosen.setBold(true);
    for (const std::optional<QFont>& answer : {std::optional<QFont>(), std::optional(chosen)}) {
        Open("text");
        ui->fontAnswers = {answer};
        Click("but_Font");
        EXPECT_TRUE(ui->fontInitials.back().bold());
        EXPECT_EQ(editor->font().family(), answer ? "DejaVu Sans" : "Terminal");
        EXPECT_EQ(editor->font().pointSizeF(), answer ? 13.0 : 6.0);
        EXPECT_FALSE(editor->font().bold());
    }
}

}  // namespace

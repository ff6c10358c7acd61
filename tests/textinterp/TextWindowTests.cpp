// The text editor window driven as a user would: open an entry, type, save, preview, close.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFont>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <utility>
#include <vector>

#include "platform/ScriptedDialogs.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/TestFiles.h"
#include "textinterp/VTR_TEXT.h"
#include "textinterp/VTR_TXTHTML.h"

using namespace std::string_literals;

namespace {

namespace fs = std::filesystem;

class FakeHost : public VTR_STR::EditorHost {
public:
    std::vector<std::pair<std::int16_t, std::string>> replaced;
    int closed = 0;
    void OnlineReplace(const std::int16_t& FileEntry, const std::string& FileData) override {
        replaced.emplace_back(FileEntry, FileData);
    }
    void EditorClosed() override { ++closed; }
};

std::string AllBytes() {
    std::string bytes;
    for (int value = 0; value < 256; ++value) bytes += static_cast<char>(value);
    return bytes;
}

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

class TextWindow : public testing::Test {
protected:
    void SetUp() override {
        oldRuntime_ = std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "";
        setenv("XDG_RUNTIME_DIR", runtime_.path().c_str(), 1);
        VTR_TXTHTML::TextInitialise();
    }
    void TearDown() override {
        delete window.data();
        setenv("XDG_RUNTIME_DIR", oldRuntime_.c_str(), 1);
    }

    void Open(const std::string& bytes, std::int16_t entry = 7) {
        VTR_TXTHTML::TextFileEntry() = entry;
        VTR_TXTHTML::ReadTextData(bytes);
        window = new VTR_TEXT(host);
        window->show();
    }
    QPushButton* Button(const char* name) { return window->findChild<QPushButton*>(name); }
    QPlainTextEdit* Editor() { return window->findChild<QPlainTextEdit*>("txt_TextWindow"); }
    void Click(const char* name) { QTest::mouseClick(Button(name), Qt::LeftButton); }
    // Key presses carrying the text, as a keyboard layout with these characters sends them.
    void Type(const QString& text) {
        for (const QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, Editor(), Qt::Key_unknown, QString(ch),
                                Qt::NoModifier);
    }
    void TypeAtEnd(const QString& text) {
        Editor()->moveCursor(QTextCursor::End);
        Type(text);
    }
    // Saves and returns the bytes the host received.
    std::string Save() {
        const std::size_t before = host.replaced.size();
        Click("but_Save");
        EXPECT_EQ(host.replaced.size(), before + 1);
        EXPECT_EQ(ui->messages.empty() ? QString() : ui->messages.back().text, "File saved.");
        return host.replaced.empty() ? std::string() : host.replaced.back().second;
    }

    testsupport::TempDir runtime_;
    std::string oldRuntime_;
    platform::ScopedScriptedDialogs ui;
    FakeHost host;
    QPointer<VTR_TEXT> window;
    const std::string& preview = VTR_TXTHTML::TempHtmlPath();
};

TEST_F(TextWindow, HasItsCaptionAndNamedControls) {
    Open("x");
    EXPECT_EQ(window->windowTitle(), "TXT parser");
    EXPECT_TRUE(window->isWindow());
    EXPECT_TRUE(window->testAttribute(Qt::WA_DeleteOnClose));
    const std::pair<const char*, const char*> buttons[] = {
        {"but_Font", "Change font"},
        {"but_IE", "Load into Internet Explorer"},
        {"but_Close", "Close"},
        {"but_Save", "Save"}};
    for (const auto& [name, caption] : buttons) {
        ASSERT_NE(Button(name), nullptr) << name;
        EXPECT_EQ(Button(name)->text(), caption);
    }
    for (const char* name : {"Label1", "Label2", "Label3", "Frame1", "Frame2", "Frame3", "Frame4"})
        EXPECT_NE(window->findChild<QWidget*>(name), nullptr) << name;
    const QFont font = Editor()->font();
    EXPECT_EQ(font.family(), "Terminal");
    EXPECT_EQ(font.pointSizeF(), 6.0);
    EXPECT_TRUE(font.bold());
}

struct EntryRow {
    const char* label;
    std::string bytes;
};

void PrintTo(const EntryRow& row, std::ostream* out) { *out << row.label; }

class EntrySave : public TextWindow, public testing::WithParamInterface<EntryRow> {};

TEST_P(EntrySave, KeepsTheUntouchedBytesBeforeAndAfterTyping) {
    Open(GetParam().bytes, 42);
    EXPECT_EQ(Save(), GetParam().bytes);
    EXPECT_EQ(host.replaced.back().first, 42);
    EXPECT_EQ(ui->messages.back().title, "Vantor");

    TypeAtEnd("tail \u00E9\u20AC");
    Editor()->moveCursor(QTextCursor::Start);
    Type("head");
    EXPECT_EQ(Save(), "head" + GetParam().bytes + "tail \xE9\x80");
}

const EntryRow kEntries[] = {
    {"Empty", ""},
    {"CrLf", "[General]\r\nName=Vantor\r\n\r\n"},
    {"LoneCr", "one\rtwo\r"},
    {"LoneLf", "one\ntwo\n"},
    {"Mixed", "a\r\nb\nc\rd\r\r\n"},
    {"Nul", "\0a\0\0b\0"s},
    {"AllBytes", AllBytes()},
    {"AllBytesCrLf", "x\r\n" + AllBytes() + "\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Entries, EntrySave, testing::ValuesIn(kEntries),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(TextWindow, TypedLinesFollowTheEntrysConvention) {
    const std::pair<std::string, std::string> rows[] = {
        {"one\r\ntwo\r\n", "one\r\ntwo\r\nthree\r\nfour"},
        {"one\ntwo\n", "one\ntwo\nthree\nfour"},
        {"no break", "no breakthree\nfour"},
    };
    for (const auto& [entry, saved] : rows) {
        Open(entry);
        TypeAtEnd("three");
        QTest::keyClick(Editor(), Qt::Key_Return);
        QTest::keyClicks(Editor(), "four");
        EXPECT_EQ(Save(), saved);
        delete window.data();
    }
}

TEST_F(TextWindow, RefusesCharactersTheCodePageCannotHold) {
    Open("first\r\nsecond\r\n");
    TypeAtEnd("third \u4E2D\u6587");
    Click("but_Save");
    EXPECT_TRUE(host.replaced.empty());
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0].title, "Vantor");
    EXPECT_TRUE(ui->messages[0].text.contains("\u4E2D")) << ui->messages[0].text.toStdString();
    EXPECT_TRUE(ui->messages[0].text.contains("U+4E2D"));
    EXPECT_TRUE(ui->messages[0].text.contains("line 3"));

    Click("but_IE");
    EXPECT_FALSE(fs::exists(preview));
    EXPECT_TRUE(ui->browserPaths.empty());
    EXPECT_EQ(ui->messages.size(), 2u);
}

TEST_F(TextWindow, PreviewHoldsTheCurrentTextPrivatelyUntilClose) {
    const std::string entry = "<p>\r\n\0\xFF\r</p>"s;
    Open(entry);
    Click("but_IE");
    ASSERT_EQ(ui->browserPaths.size(), 1u);
    EXPECT_EQ(ui->browserPaths[0].toStdString(), preview);
    EXPECT_EQ(testsupport::ReadBytes(preview), entry);
    EXPECT_EQ(ModeOf(preview), 0600u);
    EXPECT_EQ(ModeOf(fs::path(preview).parent_path().string()), 0700u);

    TypeAtEnd("!");
    Click("but_IE");
    EXPECT_EQ(testsupport::ReadBytes(preview), entry + "!");
    EXPECT_TRUE(ui->messages.empty());
    EXPECT_TRUE(host.replaced.empty());

    Click("but_Close");
    EXPECT_FALSE(fs::exists(preview));
    EXPECT_EQ(host.closed, 1);
}

TEST_F(TextWindow, ToldWhenThePreviewCannotBeShown) {
    Open("text");
    ui->browserStarts = false;
    Click("but_IE");
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0].title, "Vantor");
    EXPECT_TRUE(ui->messages[0].text.contains("No web browser could be started"));

    testsupport::ScopedFaultyFiles faulty;
    faulty.files.failAt = 3;
    Click("but_IE");
    ASSERT_EQ(ui->messages.size(), 2u);
    EXPECT_TRUE(ui->messages[1].text.startsWith("Unable to write the preview file. Reason - "));
    EXPECT_EQ(ui->browserPaths.size(), 1u);
}

struct FontRow {
    const char* label;
    std::optional<QFont> answer;
    QString family;
    double points;
};

TEST_F(TextWindow, ChangeFontTakesFaceAndSizeAndDropsBold) {
    QFont chosen("DejaVu Sans", 13);
    chosen.setBold(true);
    const FontRow rows[] = {{"cancelled", std::nullopt, "Terminal", 6.0},
                            {"chosen bold", chosen, "DejaVu Sans", 13.0}};
    for (const FontRow& row : rows) {
        Open("text");
        ui->fontAnswers.push_back(row.answer);
        Click("but_Font");
        ASSERT_EQ(ui->fontInitials.size(), 1u) << row.label;
        EXPECT_TRUE(ui->fontInitials[0].bold()) << row.label;
        const QFont font = Editor()->font();
        EXPECT_EQ(font.family(), row.family) << row.label;
        EXPECT_EQ(font.pointSizeF(), row.points) << row.label;
        EXPECT_FALSE(font.bold()) << row.label;
        ui->fontInitials.clear();
        delete window.data();
    }
}

TEST_F(TextWindow, ClosingTellsTheHostOnceAndDiscardsTheWindow) {
    for (bool byButton : {true, false}) {
        Open("text");
        Click("but_IE");
        ASSERT_TRUE(fs::exists(preview));
        host.closed = 0;
        if (byButton) {
            Click("but_Close");
        } else {
            window->close();  // the title bar's close command
        }
        if (window) window->close();
        EXPECT_EQ(host.closed, 1) << byButton;
        EXPECT_FALSE(fs::exists(preview)) << byButton;
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); })) << byButton;
    }
    EXPECT_TRUE(host.replaced.empty());
}

}  // namespace

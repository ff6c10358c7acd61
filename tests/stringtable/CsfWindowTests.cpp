// The CSF editor window driven through its controls.
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "platform/ScriptedDialogs.h"
#include "stringtable/VTR_CSF.h"
#include "stringtable/VTR_CSFWND.h"
#include "tests/stringtable/CsfBuilder.h"

using namespace csftest;

namespace {

const std::vector<std::string> kLabels = {
    Label("Zeta", u"last\nline"), Label("alpha", u"First value"), Label("Beta", u"Second VALUE"),
    Label("gamma", u"sound", "snd")};

// The fixture is the window's host and records what the window tells it.
class CsfWindow : public ::testing::Test, public VTR_STR::EditorHost {
protected:
    void OnlineReplace(const std::int16_t& entry, const std::string& data) override {
        replaced.emplace_back(entry, data);
    }
    void EditorClosed() override { ++closed; }
    void SetUp() override { Open(); }
    void TearDown() override { delete window; }
    void Open() {
        delete window;
        VTR_CSF::CsfFileEntry() = 7;
        VTR_CSF::ReadStringTable(File(kLabels));
        window = new VTR_CSFWND(*this);
        window->show();
        list = window->findChild<QListWidget*>("lst_CSFEntries");
        value = window->findChild<QPlainTextEdit*>("txt_sValue");
    }
    void Click(const char* name) {
        QTest::mouseClick(window->findChild<QPushButton*>(name), Qt::LeftButton);
    }
    std::string Saved() {
        Click("but_Save");
        EXPECT_EQ(dialogs->messages.empty() ? "" : dialogs->messages.back().text,
                  "CSF file saved.");
        return replaced.empty() ? "" : replaced.back().second;
    }

    platform::ScopedScriptedDialogs dialogs;
    std::vector<std::pair<std::int16_t, std::string>> replaced;
    int closed = 0;
    QPointer<VTR_CSFWND> window;
    QListWidget* list = nullptr;
    QPlainTextEdit* value = nullptr;
};

TEST_F(CsfWindow, EditsDeletesAndAddsReachTheHostOnlyOnSave) {
    Click("but_DeleteEntry");  // nothing selected: nothing deleted
    list->setCurrentRow(3);    // Zeta
    EXPECT_EQ(value->toPlainText(), "last\nline");
    value->setPlainText("new\ntext");
    Click("but_SaveText");
    list->setCurrentRow(0);  // alpha, emptied: saved without a string
    value->clear();
    Click("but_SaveText");
    list->setCurrentRow(3);
    EXPECT_EQ(value->toPlainText(), "new\ntext");
    list->setCurrentRow(1);  // Beta, slot 2
    Click("but_DeleteEntry");
    EXPECT_EQ(list->count(), 3);
    EXPECT_FALSE(value->isEnabled());
    EXPECT_FALSE(window->findChild<QPushButton*>("but_SaveText")->isEnabled());
    dialogs->inputAnswers = {"Added"};
    Click("but_AddEntry");  // takes the freed slot
    EXPECT_TRUE(replaced.empty());
    EXPECT_EQ(Saved(), File({Label("Zeta", u"new\ntext"), Label("alpha"),
                             Label("Added", u"(default text)"), kLabels[3]}));
    EXPECT_EQ(replaced.at(0).first, 7);
}

TEST_F(CsfWindow, AddEntryRefusesDuplicatesAndCharactersOutsideTheCodePage) {
    // The answer to the prompt, the message shown, the label added (none when empty).
    const std::tuple<QString, QString, std::string> rows[] = {
        {"Delta", "", "Delta"},
        {"ALPHA", "", "ALPHA"},
        {QString::fromUtf16(u"\u20AC"), "", "\x80"},
        {"alpha", "A label with that name already exists. Please choose another name.", ""},
        {QString::fromUtf16(u"\u4E2D"),
         QString::fromUtf16(u"The character \"\u4E2D\" cannot be used in a label name. Please "
                            u"choose another name."),
         ""},
    };
    for (const auto& [answer, message, label] : rows) {
        SCOPED_TRACE(answer.toStdString());
        Open();
        dialogs->messages.clear();
        dialogs->inputAnswers = {answer};
        Click("but_AddEntry");
        EXPECT_EQ(dialogs->messages.empty() ? "" : dialogs->messages[0].text, message);
        std::vector<std::string> labels = kLabels;
        if (!label.empty()) labels.push_back(Label(label, u"(default text)"));
        EXPECT_EQ(list->count(), static_cast<int>(labels.size()));
        EXPECT_EQ(Saved(), File(labels));
    }
}

TEST_F(CsfWindow, SearchGoesDownTheListAndWrapsOnYes) {
    auto* search = window->findChild<QLineEdit*>("txt_Search");
    QTest::keyClicks(search, "value");
    Click("but_Search");
    EXPECT_EQ(value->toPlainText(), "First value");
    Click("but_Search");
    EXPECT_EQ(value->toPlainText(), "Second VALUE");
    dialogs->yesNoAnswers = {platform::Answer::Yes};
    Click("but_Search");  // nothing further down: asked, then found again from the top
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(dialogs->messages.at(0).text,
              "No results found. Would you like to redo the search from the top of the list?");
    search->setText("absent");
    dialogs->yesNoAnswers = {platform::Answer::Yes, platform::Answer::No};
    Click("but_Search");
    EXPECT_EQ(dialogs->messages.size(), 3u);
    EXPECT_TRUE(dialogs->yesNoAnswers.empty());
}

TEST_F(CsfWindow, CloseTellsTheHostOnce) {
    Click("but_Close");
    QCloseEvent again;  // the window system's close while it is closing
    if (window) QCoreApplication::sendEvent(window, &again);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(VTR_CSF::EndMark(), 0u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }));
}

TEST_F(CsfWindow, FindFreeSlotGrowsAFullTable) {
    auto& table = VTR_CSF::StringTable();
    for (auto& record : table) record.InUse = true;
    const std::size_t size = table.size();
    EXPECT_EQ(window->FindFreeSlot(), size);
    EXPECT_EQ(table.size(), size + 1);
}

}  // namespace

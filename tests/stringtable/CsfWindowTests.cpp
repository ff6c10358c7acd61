// The CSF editor window driven through its controls.
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollBar>

#include "stringtable/VTR_CSFWND.h"
#include "tests/support/CsfBuilder.h"
#include "tests/support/EditorFixture.h"

using namespace csftest;

namespace {

const std::vector<std::string> kLabels = {
    Label("Zeta", u"last\nline"), Label("alpha", u"First value"), Label("Beta", u"Second VALUE"),
    Label("gamma", u"sound", "snd")};

class CsfWindow : public testsupport::EditorFixture<VTR_CSFWND> {
protected:
    void SetUp() override { Show(File(kLabels)); }
    void Show(const std::string& file) {
        delete window;
        window = new VTR_CSFWND(*this, 70000, file);
        window->show();
        list = window->findChild<QListWidget*>("lst_CSFEntries");
        value = window->findChild<QPlainTextEdit*>("txt_sValue");
    }
    std::string Saved() { return EditorFixture::Saved("CSF file saved."); }

    QListWidget* list = nullptr;
    QPlainTextEdit* value = nullptr;
};

TEST_F(CsfWindow, EditsDeletesAndAddsReachTheHostOnlyOnSaveAndOnlyEmptiedValuesLoseTheString) {
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
    EXPECT_FALSE(value->isEnabled() ||
                 window->findChild<QPushButton*>("but_SaveText")->isEnabled());
    // The answer to the prompt and the message shown ("": the label is added).
    const char* longLabel = "MENU:SettingsPanelAudioMixerMasterVolumeSliderTooltipSecondLine";
    const std::pair<QString, QString> rows[] = {
        {"Added", ""},  // takes the freed slot; the others grow the full table
        {longLabel, ""},
        {"ALPHA", ""},
        {QString::fromUtf16(u"\u20AC"), ""},
        {"alpha", "A label with that name already exists. Please choose another name."},
        {QString::fromUtf16(u"\u4E2D"),
         QString::fromUtf16(u"The character \"\u4E2D\" cannot be used in a label name. Please "
                            u"choose another name.")},
    };
    for (const auto& [answer, message] : rows) {
        dialogs->messages.clear();
        dialogs->inputAnswers = {answer};
        Click("but_AddEntry");
        EXPECT_EQ(dialogs->messages.empty() ? "" : dialogs->messages[0].text, message);
    }
    EXPECT_EQ(list->count(), 7);
    // The list scrolls sideways far enough to show the long label whole.
    QCoreApplication::processEvents();
    EXPECT_GE(list->horizontalScrollBar()->maximum() + list->viewport()->width(),
              list->fontMetrics().horizontalAdvance(longLabel));
    list->setCurrentItem(list->findItems("ALPHA", Qt::MatchExactly).value(0));
    Click("but_DeleteEntry");  // its slot stays empty, below labels in use
    EXPECT_TRUE(replaced.empty());
    const std::u16string added = u"(default text)";
    EXPECT_EQ(Saved(), File({Label("Zeta", u"new\ntext"), Label("alpha"), Label("Added", added),
                             kLabels[3], Label(longLabel, added), Label("\x80", added)}));
    EXPECT_EQ(replaced.at(0).first, 70000);
}

TEST_F(CsfWindow, UntouchedLabelsAreSavedExactlyAsReadAndCloseTellsTheHostOnce) {
    // A stored CR LF, empty strings, nameless labels and the language field all come back.
    const std::string file = File(
        {Label("crlf", u"a\r\nb\r"), Label("", u""), Label("empty", u""), Label("bare"), Label("")},
        std::string("\x08\0\0\0\0\0\0\0", 8));
    Show(file);
    dialogs->inputAnswers = {""};  // "Add entry" cancelled, nameless labels listed: nothing at all
    Click("but_AddEntry");
    EXPECT_TRUE(dialogs->messages.empty() && list->count() == 5);
    EXPECT_EQ(Saved(), file);
    ExpectClosingTellsTheHostOnce();
}

// "Revert" comes on with an add, a delete or "Save changes" since the window opened or last
// handed the table back, and brings that table back, edits stored but not saved dropped too.
TEST_F(CsfWindow, RevertBringsBackTheTableAsOpenedOrLastHandedBack) {
    auto* revert = window->findChild<QPushButton*>("Command1");
    const auto change = [&](const char* what) {
        const std::string action = what;
        if (action == "add") {
            dialogs->inputAnswers = {"Added"};
            Click("but_AddEntry");
        } else {
            list->setCurrentRow(0);  // alpha
            if (action == "edit") value->setPlainText("changed");
            Click(action == "edit" ? "but_SaveText" : "but_DeleteEntry");
        }
    };
    for (const char* what : {"add", "delete", "edit"}) {
        SCOPED_TRACE(what);
        EXPECT_FALSE(revert->isEnabled());
        change(what);
        EXPECT_TRUE(revert->isEnabled());
        Click("Command1");
        EXPECT_FALSE(revert->isEnabled() || value->isEnabled());
        list->setCurrentRow(0);
        EXPECT_EQ(list->count() * 100 + list->currentRow(), 400);
        EXPECT_EQ(value->toPlainText(), "First value");
    }
    EXPECT_EQ(Saved(), File(kLabels));  // as read: nothing was changed
    // After a hand-back, Revert goes back to the table handed back.
    change("delete");
    EXPECT_EQ(Saved(), File({kLabels[0], kLabels[2], kLabels[3]}));
    EXPECT_FALSE(revert->isEnabled());
    change("add");
    change("edit");  // the added label, first in the list
    Click("Command1");
    EXPECT_EQ(Saved(), File({kLabels[0], kLabels[2], kLabels[3]}));
    EXPECT_EQ(logged, std::vector<std::string>(4,
                                               "CSF file format interpreter: String table "
                                               "reverted."));
}

TEST_F(CsfWindow, SearchGoesDownTheListAndWrapsOnYes) {
    auto* search = window->findChild<QLineEdit*>("txt_Search");
    QTest::keyClicks(search, "value");
    dialogs->yesNoAnswers = {platform::Answer::Yes};  // at the end: asked, then from the top
    QStringList found;
    for (int i = 0; i < 3; ++i) {
        Click("but_Search");
        found << QString::number(list->currentRow()) + " " + value->toPlainText();
    }
    EXPECT_EQ(found.join('|'), "0 First value|1 Second VALUE|0 First value");
    EXPECT_EQ(dialogs->messages.at(0).text,
              "No results found. Would you like to redo the search from the top of the list?");
    search->setText("absent");
    dialogs->yesNoAnswers = {platform::Answer::Yes, platform::Answer::No};
    Click("but_Search");
    EXPECT_TRUE(dialogs->messages.size() == 3 && dialogs->yesNoAnswers.empty());
}

}  // namespace

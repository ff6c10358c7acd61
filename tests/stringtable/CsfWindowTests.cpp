#include <gtest/gtest.h>

#include <QComboBox>
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

// Readable failure output for Qt strings.
void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << '"' << texts.join("\", \"").toStdString() << '"';
}

namespace {

struct FakeHost : VTR_STR::EditorHost {
    std::vector<std::pair<std::int16_t, std::string>> replaced;
    int closed = 0;
    void OnlineReplace(const std::int16_t& entry, const std::string& data) override {
        replaced.emplace_back(entry, data);
    }
    void EditorClosed() override { ++closed; }
};

const QString kDuplicate =
    QStringLiteral("A label with that name already exists. Please choose another name.");
const QString kNoResults =
    QStringLiteral("No results found. Would you like to redo the search from the top of the list?");

class CsfWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        VTR_CSF::CsfInitialise();
        VTR_CSF::CsfFileEntry() = 7;
        Open({WithString("Zeta", u"last\nline"), WithString("alpha", u"First value"),
              WithString("Beta", u"Second VALUE"), WithSound("gamma", u"sound", "snd")});
    }
    void TearDown() override {
        delete window;
        VTR_CSF::ClearStringTable();
    }
    void Open(const std::vector<std::string>& records) {
        delete window;
        VTR_CSF::ReadStringTable(File(records));
        window = new VTR_CSFWND(host);
        window->show();
        list = window->findChild<QListWidget*>("lst_CSFEntries");
        value = window->findChild<QPlainTextEdit*>("txt_sValue");
    }
    QStringList Rows() const {
        QStringList rows;
        for (int r = 0; r < list->count(); ++r) rows << list->item(r)->text();
        return rows;
    }
    int SlotOfRow(int row) const { return list->item(row)->data(Qt::UserRole).toInt(); }
    void ClickRow(int row) {
        list->scrollToItem(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
    }
    void Click(const char* name) {
        QTest::mouseClick(window->findChild<QPushButton*>(name), Qt::LeftButton);
    }
    VTR_CSF::LabelRecord& Slot(int slot) { return VTR_CSF::StringTable()[slot]; }

    platform::ScopedScriptedDialogs dialogs;
    FakeHost host;
    QPointer<VTR_CSFWND> window;
    QListWidget* list = nullptr;
    QPlainTextEdit* value = nullptr;
};

TEST_F(CsfWindowTest, LoadListsLabelsSortedWithTheirSlots) {
    EXPECT_EQ(window->windowTitle(), "CSF interpreter");
    EXPECT_EQ(Rows(), QStringList({"alpha", "Beta", "gamma", "Zeta"}));
    EXPECT_EQ(SlotOfRow(0), 1);
    EXPECT_EQ(SlotOfRow(3), 0);
    const auto* flags = window->findChild<QComboBox*>("cmb_Flags");
    EXPECT_EQ(flags->count(), 1);
    EXPECT_EQ(flags->currentText(), "Label");
    EXPECT_FALSE(value->isEnabled());
    EXPECT_FALSE(window->findChild<QPushButton*>("but_SaveText")->isEnabled());
    EXPECT_FALSE(window->findChild<QPushButton*>("Command1")->isEnabled());
    EXPECT_EQ(window->findChild<QPushButton*>("but_Search")->text(),
              "Search down list for text...");
}

TEST_F(CsfWindowTest, SaveChangesKeepsTheEditPendingUntilSave) {
    ClickRow(3);
    EXPECT_TRUE(value->isEnabled());
    EXPECT_EQ(value->toPlainText(), "last\nline");
    value->setPlainText("new\ntext");
    Click("but_SaveText");
    EXPECT_EQ(Slot(0).PendingValue, u"new\r\ntext");
    EXPECT_TRUE(Slot(0).Edited);
    EXPECT_EQ(Slot(0).Value, u"last\r\nline");
    ClickRow(0);
    ClickRow(3);
    EXPECT_EQ(value->toPlainText(), "new\ntext");
    EXPECT_TRUE(host.replaced.empty());

    Click("but_Save");
    ASSERT_EQ(host.replaced.size(), 1u);
    EXPECT_EQ(host.replaced[0].first, 7);
    EXPECT_EQ(Slot(0).Value, u"new\r\ntext");
    EXPECT_FALSE(Slot(0).Edited);
    EXPECT_EQ(host.replaced[0].second,
              File({WithString("Zeta", u"new\ntext"), WithString("alpha", u"First value"),
                    WithString("Beta", u"Second VALUE"), WithSound("gamma", u"sound", "snd")}));
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].title, "Vantor");
    EXPECT_EQ(dialogs->messages[0].text, "CSF file saved.");
    EXPECT_EQ(window->but_Save->text(), "Save");
    EXPECT_TRUE(window->but_Save->isEnabled());
}

TEST_F(CsfWindowTest, EmptiedValueIsSavedWithoutString) {
    ClickRow(0);
    value->clear();
    Click("but_SaveText");
    Click("but_Save");
    EXPECT_TRUE(Slot(1).NoString);
    EXPECT_NE(host.replaced.at(0).second.find(Stringless("alpha") + " LBL"), std::string::npos);
}

struct AddRow {
    const char* name;
    QString answer;
    QString message;    // empty: no message
    std::string label;  // the name stored in the new slot; empty: nothing added
};

class CsfWindowAdd : public CsfWindowTest, public ::testing::WithParamInterface<AddRow> {};

TEST_P(CsfWindowAdd, AddsOrRefusesTheLabel) {
    dialogs->inputAnswers.push_back(GetParam().answer);
    Click("but_AddEntry");
    EXPECT_EQ(dialogs->inputPrompts, std::vector<QString>({"Enter the label for the new string:"}));
    if (GetParam().message.isEmpty()) {
        EXPECT_TRUE(dialogs->messages.empty());
    } else {
        ASSERT_EQ(dialogs->messages.size(), 1u);
        EXPECT_TRUE(dialogs->messages[0].text.startsWith(GetParam().message));
    }
    const bool added = !GetParam().label.empty();
    const int rows = added ? 5 : 4;
    ASSERT_EQ(list->count(), rows);
    EXPECT_EQ(VTR_CSF::EndMark(), static_cast<std::size_t>(rows));
    if (!added) return;
    const auto found = list->findItems(GetParam().answer, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0]->data(Qt::UserRole).toInt(), 4);
    EXPECT_TRUE(Slot(4).InUse);
    EXPECT_EQ(Slot(4).Label, GetParam().label);
    EXPECT_EQ(Slot(4).Value, u"(default text)");
    EXPECT_EQ(Slot(4).StringTag, "RTS");
    EXPECT_FALSE(Slot(4).NoString);
    const QStringList rowTexts = Rows();
    EXPECT_TRUE(std::is_sorted(
        rowTexts.begin(), rowTexts.end(),
        [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; }));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CsfWindowAdd,
    ::testing::Values(AddRow{"new_label", "Delta", "", "Delta"},
                      AddRow{"other_case", "ALPHA", "", "ALPHA"},
                      AddRow{"code_page_char", QString::fromUtf16(u"Caf\u00E9\u20AC"), "",
                             "Caf\xE9\x80"},
                      AddRow{"duplicate", "alpha", kDuplicate, ""}, AddRow{"cancelled", "", "", ""},
                      AddRow{"outside_code_page", QString::fromUtf16(u"\u4E2D"),
                             QString::fromUtf16(u"The character \"\u4E2D\""), ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CsfWindowTest, DeleteDisablesTheValueAndFreesTheSlotForTheNextAdd) {
    window->but_DeleteEntry_Click();
    EXPECT_EQ(list->count(), 4);

    ClickRow(1);  // Beta, slot 2
    Click("but_DeleteEntry");
    EXPECT_EQ(Rows(), QStringList({"alpha", "gamma", "Zeta"}));
    EXPECT_EQ(Slot(2).Label, "null");
    EXPECT_FALSE(Slot(2).InUse);
    EXPECT_TRUE(value->toPlainText().isEmpty());
    EXPECT_FALSE(value->isEnabled());
    EXPECT_FALSE(window->but_SaveText->isEnabled());
    window->but_SaveText_Click();
    EXPECT_FALSE(Slot(2).Edited);

    dialogs->inputAnswers.push_back("Added");
    Click("but_AddEntry");
    EXPECT_EQ(Slot(2).Label, "Added");
    Click("but_Save");
    EXPECT_EQ(host.replaced.at(0).second,
              File({WithString("Zeta", u"last\nline"), WithString("alpha", u"First value"),
                    WithString("Added", u"(default text)"), WithSound("gamma", u"sound", "snd")}));
}

TEST_F(CsfWindowTest, SearchFindsCaseInsensitivelyAndWrapsOnYes) {
    auto* search = window->findChild<QLineEdit*>("txt_Search");
    QTest::keyClicks(search, "value");
    Click("but_Search");
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(value->toPlainText(), "First value");
    Click("but_Search");
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(window->CurrentRecord, 2);

    dialogs->yesNoAnswers = {platform::Answer::Yes};
    Click("but_Search");  // nothing below row 1: asked, then found again in row 0
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text, kNoResults);
    EXPECT_EQ(list->currentRow(), 0);

    ClickRow(3);  // the last row: the search starts at the top
    Click("but_Search");
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(dialogs->messages.size(), 1u);
}

TEST_F(CsfWindowTest, SearchIgnoresPendingEditsAndStopsOnNo) {
    ClickRow(2);
    value->setPlainText("needle");
    Click("but_SaveText");
    window->txt_Search->setText("NEEDLE");
    dialogs->yesNoAnswers = {platform::Answer::Yes, platform::Answer::No};
    Click("but_Search");
    EXPECT_EQ(dialogs->messages.size(), 2u);
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_TRUE(dialogs->yesNoAnswers.empty());
}

TEST_F(CsfWindowTest, YesWithAnEmptyListDoesNothing) {
    Open({Header(0, 0)});
    window->txt_Search->setText("x");
    dialogs->yesNoAnswers = {platform::Answer::Yes};
    window->but_Search_Click();
    EXPECT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(list->count(), 0);
}

TEST_F(CsfWindowTest, CloseNotifiesTheHostOnceAndClearsTheTable) {
    Click("but_Close");
    EXPECT_EQ(host.closed, 1);
    EXPECT_EQ(VTR_CSF::EndMark(), 0u);
    QTRY_VERIFY(window.isNull());
}

TEST_F(CsfWindowTest, TitleBarCloseNotifiesTheHostOnce) {
    window->close();
    EXPECT_EQ(host.closed, 1);
    EXPECT_EQ(VTR_CSF::EndMark(), 4u);
    QTRY_VERIFY(window.isNull());
}

TEST_F(CsfWindowTest, FindFreeSlotGrowsAFullTable) {
    auto& table = VTR_CSF::StringTable();
    for (std::size_t slot = 0; slot < table.size(); ++slot) {
        table[slot].Label = "L" + std::to_string(slot);
        table[slot].InUse = true;
    }
    const std::size_t size = table.size();
    EXPECT_EQ(window->FindFreeSlot(), size);
    EXPECT_EQ(table.size(), size + 1);
}

}  // namespace

// One process loads the archive, replaces an entry from a loose file, edits a string in the CSF
// editor and the text in the text editor, and saves over the archive, many times over
// (VANTOR_LONG_RUN_ITERATIONS; 100 under CI, else 1000). Every saved archive must read back as
// expected, and resident memory must stay flat between iteration 10 and the end.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QPlainTextEdit>
#include <cstdlib>
#include <iostream>

#include "stringtable/VTR_CSFWND.h"
#include "tests/reliability/SampleArchive.h"
#include "tests/reliability/WindowDriver.h"
#include "textinterp/VTR_TEXT.h"

#if defined(__SANITIZE_ADDRESS__)
#define VANTOR_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANTOR_UNDER_ASAN 1
#endif
#endif

namespace reliability {
namespace {

int Iterations() {
    if (const char* count = std::getenv("VANTOR_LONG_RUN_ITERATIONS")) return std::atoi(count);
    return std::getenv("CI") ? 100 : 1000;
}

std::string Numbered(const char* text, int i) { return text + std::to_string(i); }

void EditTitle(WindowDriver& driver, int i) {
    auto* editor = qobject_cast<VTR_CSFWND*>(driver.Edit(kStringTable));
    ASSERT_NE(editor, nullptr) << "the CSF editor did not open";
    const auto rows = editor->lst_CSFEntries->findItems("GUI:Title", Qt::MatchExactly);
    ASSERT_EQ(rows.size(), 1);
    editor->lst_CSFEntries->setCurrentItem(rows.front());
    editor->lst_CSFEntries_Click();
    editor->txt_sValue->setPlainText(QString::fromStdString(Numbered("Title ", i)));
    editor->but_SaveText_Click();
    editor->but_Save_Click();
    EXPECT_EQ(driver.LastMessage(), "CSF file saved.");
    editor->but_Close_Click();
    DeleteClosedWindows();
}

void EditIni(WindowDriver& driver, int i) {
    auto* editor = qobject_cast<VTR_TEXT*>(driver.Edit(kGameIni));
    ASSERT_NE(editor, nullptr) << "the text editor did not open";
    editor->txt_TextWindow->setPlainText(QString::fromStdString(Numbered("[Game]\nSpeed=", i)));
    editor->but_Save_Click();
    EXPECT_EQ(driver.LastMessage(), "File saved.");
    editor->but_Close_Click();
    DeleteClosedWindows();
}

void ExpectSavedIteration(const std::string& archive, int i) {
    const testsupport::NamedData saved = ParseBig(testsupport::ReadBytes(archive));
    const testsupport::NamedData sample = SampleEntries();
    ASSERT_EQ(saved.size(), sample.size());
    for (std::size_t e = 0; e < sample.size(); ++e) EXPECT_EQ(saved[e].first, sample[e].first);
    // The ini keeps its CR LF line breaks.
    EXPECT_EQ(saved[kGameIni].second, Numbered("[Game]\r\nSpeed=", i));
    EXPECT_EQ(CsfValue(saved[kStringTable].second, "GUI:Title"), Numbered("Title ", i));
    EXPECT_EQ(CsfValue(saved[kStringTable].second, "GUI:Ok"), "OK");
    EXPECT_EQ(saved[kReadme].second, Numbered("Replacement ", i));
    EXPECT_EQ(saved[kEmpty].second, "");
    EXPECT_EQ(saved[kLogo].second, sample[kLogo].second);
}

TEST(LongRun, LoadReplaceEditSaveRepeatedlyKeepsDataAndMemoryFlat) {
    const int iterations = Iterations();
    ASSERT_GE(iterations, 11);
    testsupport::TempDir dir;
    const std::string archive = dir.File("game.big");
    const std::string loose = dir.File("replacement.txt");
    testsupport::WriteBytes(archive, testsupport::MakeBig(SampleEntries()));
    WindowDriver driver;
    long residentAt10 = 0;
    for (int i = 1; i <= iterations; ++i) {
        SCOPED_TRACE("iteration " + std::to_string(i));
        driver.Load(archive, i % 2 == 0);
        testsupport::WriteBytes(loose, Numbered("Replacement ", i));
        driver.Replace(kReadme, loose);
        ASSERT_EQ(driver.LastMessage(), "File replaced.");
        EditTitle(driver, i);
        EditIni(driver, i);
        driver.Save(archive);
        ASSERT_EQ(driver.LastMessage(), "File saved.");
        ASSERT_EQ(dir.List(), (std::vector<std::string>{"game.big", "replacement.txt"}));
        ExpectSavedIteration(archive, i);
        if (HasFailure()) return;
        driver.dialogs().messages.clear();
        driver.dialogs().fileDialogs.clear();
        if (i == 10) residentAt10 = ResidentKib();
    }
    const long residentAtEnd = ResidentKib();
    std::cout << "[ MEMORY   ] VmRSS after iteration 10: " << residentAt10
              << " KiB, after iteration " << iterations << ": " << residentAtEnd << " KiB\n";
    RecordProperty("rss_kib_at_10", static_cast<int>(residentAt10));
    RecordProperty("rss_kib_at_end", static_cast<int>(residentAtEnd));
#ifndef VANTOR_UNDER_ASAN
    // The event log gains one line per replacement; everything else must be given back.
    const long allowedKib = 2048 + 2L * iterations;
    EXPECT_LE(residentAtEnd - residentAt10, allowedKib);
#endif
}

}  // namespace
}  // namespace reliability

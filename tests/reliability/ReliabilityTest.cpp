// The main window driven as the user would, with scripted dialogs, under failing disks
// (FaultInjection), an archive file that changes under it (WorldChange) and a long run (LongRun).
// Saved archives are compared byte for byte with MakeBig of the expected entries.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <tuple>

#include "archive/EditLock.h"
#include "mainwindow/VTR_PROGRESS.h"
#include "stringtable/VTR_CSFWND.h"
#include "tests/mainwindow/MainWindowFixture.h"
#include "tests/support/CsfBuilder.h"
#include "tests/support/FaultyFileSystem.h"
#include "textinterp/VTR_TEXT.h"

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

NamedData SampleEntries(const std::string& title = "Vantor",
                        const std::string& readme = "Read me first.\n") {
    return {{"Data\\INI\\game.ini", "[Game]\r\nSpeed=3\r\nName=Vantor\r\n"},
            {"Data\\lang\\game.csf",
             csftest::File({csftest::Label("GUI:Ok", u"OK"),
                            csftest::Label("GUI:Title", std::u16string(title.begin(), title.end())),
                            csftest::Label("GUI:Help", u"Line one\nLine two")})},
            {"Data\\readme.txt", readme},
            {"Data\\empty.dat", ""},
            {"Art\\logo.tga", std::string("\0\x01\x80\xff tga", 8)}};
}
const NamedData kOther{{"Maps\\map1.map", std::string(500, 'm')}, {"notes.txt", "x"}};
const std::string kNewReadme = "A new readme.\r\n";

// A fresh main window, and a folder of its own holding game.big (the sample) and other.big.
struct Session : mainwindowtest::MainWindowSession {
    Session() { WriteBig(kOther, "other.big"); }
    std::string File(const std::string& name) const { return dir.File(name); }
    // "Edit file" on the node; the editor that opened, if any.
    QWidget* Edit(const QString& node) {
        Select(node);
        window->rmb_Editfile_Click();
        return window->OpenEditor();
    }
    // The files (not the edit locks' files, which stay once made); the number of messages shown,
    // the log, and the archive's tree, path and count.
    using Marks = std::pair<std::map<std::string, std::string>,
                            std::tuple<std::size_t, QString, std::string, std::string, int>>;
    Marks Mark() const {
        Marks marks;
        for (const std::string& name : dir.List())
            if (!name.ends_with(".lock")) marks.first[name] = ReadBytes(dir.File(name));
        const auto& core = window->Archive;
        marks.second = {messages.size(), Log(), mainwindowtest::Render(tree), core.ArchivePath,
                        core.EntryCount};
        return marks;
    }
    // The command since `before` failed with one message (`message`, else any "Unable to ..."),
    // logged it, changed or left no file, kept the archive, and left the window usable with no
    // editor or progress bar open.
    void ExpectFailedCleanly(const Marks& before, const QString& message = {}) {
        ASSERT_EQ(messages.size(), std::get<0>(before.second) + 1);
        const QString shown = messages.back().text;
        EXPECT_TRUE(message.isEmpty() ? shown.startsWith("Unable to") : shown == message)
            << shown.toStdString();
        Marks expected = before;
        std::get<0>(expected.second) += 1;
        std::get<1>(expected.second) += mainwindowtest::LogLine(shown);
        const Marks after = Mark();
        EXPECT_TRUE(after.first == before.first)
            << "files changed or were left: " << testing::PrintToString(dir.List());
        EXPECT_EQ(after.second, expected.second);
        EXPECT_TRUE(window->isEnabled() && Find("but_Save")->isEnabled() && !window->IsBusy());
        EXPECT_EQ(window->OpenEditor(), nullptr) << "an editor opened";
        EXPECT_TRUE(
            std::ranges::none_of(window->findChildren<VTR_PROGRESS*>(), &QWidget::isVisible));
    }
    const std::string archive = WriteBig(SampleEntries(), "game.big");
};

// Every file operation of a command fails in turn, the 1st, the 2nd, ... until it runs through;
// every command runs over an archive loaded lazily and whole, with a replacement held in memory.
// Button, file answer and node of each command; a success writes the file or changes the entries.
// Load asks about the replacement first: No.
TEST(FaultInjection, EveryFailingFileOperationLeavesFilesAndArchiveIntact) {
    const std::tuple<std::string, const char*, const char*> commands[] = {
        {"but_Save", "game.big", ""},
        {"but_Save", "new.big", ""},
        {"but_Extract", "old.ini", "game.ini"},
        {"but_Replace", "readme.new", "logo.tga"},
        {"but_Addfile", "readme.new", "INI"},
        {"but_Extract", "", "INI"},  // a folder, into the session's folder
        {"but_Load", "other.big", ""}};
    const mode_t mask = umask(022);  // a new file gets 0644; one saved over keeps its 0640
    for (const auto& [button, file, node] : commands)
        for (const bool whole : {false, true}) {
            const std::string command = button + " " + file + (whole ? ", whole" : ", lazy");
            bool succeeded = false;
            int n = 1;
            for (; !succeeded && n <= 400; ++n) {
                SCOPED_TRACE(command + ", operation " + std::to_string(n) + " fails");
                Session s;
                fs::permissions(s.archive, fs::perms(0640));
                WriteBytes(s.File("readme.new"), kNewReadme);
                WriteBytes(s.File("old.ini"), std::string(5000, 'o'));
                s.Load(s.archive, whole);
                s.ClickWithFile("but_Replace", s.File("readme.new"), "readme.txt");
                NamedData expected = SampleEntries("Vantor", kNewReadme);
                Session::Marks before = s.Mark();
                if (button == "but_Load") {
                    s.dialogs->yesNoAnswers.push_back(platform::Answer::No);
                    ++std::get<0>(before.second);  // the question is shown
                }
                bool reached = false;
                {
                    ScopedFaultyFiles faults;
                    faults.files.failAt = n;
                    s.ClickWithFile(button.c_str(), s.File(file), node);
                    reached = faults.files.operations >= n;
                }
                succeeded = !reached;
                // A save over an existing file goes on when it cannot list the folder for the
                // temporary files a killed save left: removing them is a courtesy.
                const bool failed = s.messages.size() > std::get<0>(before.second) &&
                                    s.messages.back().text.startsWith("Unable to");
                if (reached && failed) {
                    s.ExpectFailedCleanly(before);
                    EXPECT_TRUE(s.messages.back().text.contains("Injected failure of "));
                } else if (button == "but_Load") {
                    expected = kOther;
                } else if (button == "but_Replace") {
                    expected[4].second = kNewReadme;
                } else if (button == "but_Addfile") {
                    expected.emplace_back("Data\\INI\\readme.new", kNewReadme);
                } else {
                    const std::string written = s.File(*file ? file : "game.ini");
                    EXPECT_EQ(ReadBytes(written), *node ? expected[0].second : MakeBig(expected));
                    EXPECT_EQ(fs::status(written).permissions(),
                              fs::perms(written == s.archive ? 0640 : 0644));
                }
                for (const std::string& name : s.dir.List())
                    EXPECT_TRUE(before.first.count(name) || name == "new.big" ||
                                name == "game.big.lock" || name == "game.ini")
                        << name;
                s.ClickWithFile("but_Save", s.File("check.big"));
                ASSERT_EQ(s.messages.back().text, "File saved.");
                EXPECT_EQ(ReadBytes(s.File("check.big")), MakeBig(expected));
            }
            EXPECT_TRUE(succeeded && n > 2) << command;  // and failed before
        }
    umask(mask);
}

// Commands that need entries never read from a lazy archive changed since (truncated, or
// replaced) fail cleanly, saying why; what is in memory can still be extracted, and the program
// goes on working. A deleted archive fails like any file that cannot be opened (FaultInjection).
TEST(WorldChange, CommandsOnAChangedLazyArchiveFailWithAMessageAndTheProgramGoesOn) {
    const std::pair<const char*, void (*)(const std::string&)> changes[] = {
        {"truncated", [](const std::string& archive) { fs::resize_file(archive, 40); }},
        // Written aside and renamed over, as editors save: same length and layout. (A rewrite in
        // place differs only in its timestamps, which a coarse clock may leave unchanged.)
        {"replaced by a file of the same length", [](const std::string& archive) {
             WriteBytes(archive + ".new", MakeBig(SampleEntries("Vantoz")));
             fs::rename(archive + ".new", archive);
         }}};
    for (const auto& [change, apply] : changes) {
        SCOPED_TRACE(std::string("archive ") + change);
        Session s;
        s.Load(s.archive, false);
        WriteBytes(s.File("loose.txt"), kNewReadme);
        s.ClickWithFile("but_Replace", s.File("loose.txt"), "readme.txt");
        apply(s.archive);
        const QString reason = "The archive file \"" + mainwindowtest::Text(s.archive) +
                               "\" has been changed or replaced since it was loaded; load it "
                               "again to read the entries that are not in memory.";
        const std::pair<QString, std::function<void()>> commands[] = {
            {"extract file",
             [&] { s.ClickWithFile("but_Extract", s.File("logo.tga"), "logo.tga"); }},
            {"read file", [&] { s.Edit("game.ini"); }},
            {"save BIG file", [&] { s.ClickWithFile("but_Save", s.archive); }},
            {"save BIG file", [&] { s.ClickWithFile("but_Save", s.File("new.big")); }}};
        for (const auto& [what, run] : commands) {
            const Session::Marks before = s.Mark();
            run();
            s.ExpectFailedCleanly(before, "Unable to " + what + ". Reason - " + reason);
        }
        s.ClickWithFile("but_Extract", s.File("readme.out"), "readme.txt");
        EXPECT_EQ(ReadBytes(s.File("readme.out")), kNewReadme);
    }
}

// Save over the loaded archive while another program changes it: refused when the file changed
// since the load, also with every entry in memory, and after a few seconds' wait while another
// program holds the archive's edit lock. The window's edits stay, and Save under another name
// writes them.
TEST(WorldChange, SaveOverAnArchiveAnotherProgramChangesIsRefusedAndTheEditsStay) {
    // Whether loaded whole, and what the other program does: rewrite the archive, or hold its
    // lock for as long as the save waits.
    const std::tuple<bool, const char*> rows[] = {
        {true, "rewrites"}, {true, "locks"}, {false, "locks"}};
    for (const auto& [whole, other] : rows) {
        SCOPED_TRACE(std::string(whole ? "whole, " : "lazy, ") + other);
        Session s;
        s.window->SaveLockWait = std::chrono::milliseconds(300);
        s.Load(s.archive, whole);
        WriteBytes(s.File("loose.txt"), kNewReadme);
        s.ClickWithFile("but_Replace", s.File("loose.txt"), "readme.txt");
        std::optional<VTR_CORE::EditLock> held;
        if (std::string(other) == "locks")
            held.emplace(s.archive, std::chrono::milliseconds(0));
        else
            WriteBytes(s.archive, MakeBig(kOther));  // another editor's save, in place
        const Session::Marks before = s.Mark();
        const int pumps = s.dialogs->pumps;
        const auto start = std::chrono::steady_clock::now();
        s.ClickWithFile("but_Save", s.archive);
        s.ExpectFailedCleanly(before, "Unable to save BIG file. Reason - \"" +
                                          mainwindowtest::Text(s.archive) +
                                          "\" is being changed by another program.");
        if (held) {  // it waited, and the window went on meanwhile
            EXPECT_GE(std::chrono::steady_clock::now() - start, s.window->SaveLockWait);
            EXPECT_GT(s.dialogs->pumps, pumps + 5);
        }
        EXPECT_TRUE(s.window->Archive.Entries[2].Modified);
        held.reset();
        if (!whole) continue;  // the entries not in memory are gone with the old file
        s.ClickWithFile("but_Save", s.File("new.big"));
        ASSERT_EQ(s.messages.back().text, "File saved.");
        EXPECT_EQ(ReadBytes(s.File("new.big")), MakeBig(SampleEntries("Vantor", kNewReadme)));
    }
}

long ResidentKib() {
    long pages = 0, resident = -1;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Load, replace from a loose file, edit a string and a text, save over the archive, many times
// over; every save must be exact, and resident memory flat from iteration 10 to the end.
TEST(LongRun, LoadReplaceEditSaveRepeatedlyKeepsDataAndMemoryFlat) {
    const char* count = std::getenv("VANTOR_LONG_RUN_ITERATIONS");
    const int iterations = count ? std::atoi(count) : std::getenv("CI") ? 100 : 1000;
    ASSERT_GE(iterations, 11);
    Session s;
    [[maybe_unused]] long residentAt10 = 0;  // unused where the sanitizer keeps memory
    for (int i = 1; i <= iterations; ++i) {
        SCOPED_TRACE("iteration " + std::to_string(i));
        const std::string number = std::to_string(i);
        s.Load(s.archive, i % 2 == 0);
        WriteBytes(s.File("loose.txt"), "Replacement " + number);
        s.ClickWithFile("but_Replace", s.File("loose.txt"), "readme.txt");
        auto* csf = qobject_cast<VTR_CSFWND*>(s.Edit("game.csf"));
        ASSERT_NE(csf, nullptr);
        csf->lst_CSFEntries->setCurrentItem(
            csf->lst_CSFEntries->findItems("GUI:Title", Qt::MatchExactly).value(0));
        csf->lst_CSFEntries_Click();
        csf->txt_sValue->setPlainText(QString::fromStdString("Title " + number));
        csf->but_SaveText_Click();
        csf->but_Save_Click();
        csf->but_Close_Click();
        auto* text = qobject_cast<VTR_TEXT*>(s.Edit("game.ini"));
        ASSERT_NE(text, nullptr);
        text->txt_TextWindow->setPlainText(QString::fromStdString("[Game]\nRun=" + number + "\n"));
        text->but_Save_Click();
        text->but_Close_Click();
        EXPECT_EQ(mainwindowtest::Render(s.tree),
                  "[Data]\n  [INI]\n    game.ini#0*\n  [lang]\n    game.csf#1*\n  readme.txt#2*\n"
                  "  empty.dat#3\n[Art]\n  logo.tga#4\n");
        s.ClickWithFile("but_Save", s.archive);
        NamedData expected = SampleEntries("Title " + number, "Replacement " + number);
        expected[0].second = "[Game]\r\nRun=" + number + "\r\n";  // the entry's CR LF
        ASSERT_EQ(ReadBytes(s.archive), MakeBig(expected));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // closed windows
        s.dialogs.dialogs = {};  // what the user saw so far
        if (i == 10) residentAt10 = ResidentKib();
    }
#ifndef __SANITIZE_ADDRESS__  // the sanitizer holds freed memory back on purpose
    // The event log gains a line per replacement; everything else must be given back.
    EXPECT_LE(ResidentKib() - residentAt10, 2048 + 2L * iterations)
        << "KiB resident after iteration 10: " << residentAt10;
#endif
}

}  // namespace

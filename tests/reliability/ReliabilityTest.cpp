// The main window driven as the user would, with scripted dialogs, under failing disks
// (FaultInjection), an archive file that changes under it (WorldChange) and a long run (LongRun).
// Saved archives are compared byte for byte with MakeBig of the expected entries: the writer
// lays archives out exactly so, and a sample string table is laid out as the CSF writer does.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>

#include "stringtable/VTR_CSFWND.h"
#include "textinterp/VTR_TEXT.h"
#include "tests/mainwindow/MainWindowFixture.h"
#include "tests/support/CsfBuilder.h"
#include "tests/support/FaultyFileSystem.h"

namespace {

using csftest::Label;
using testsupport::MakeBig;
using testsupport::NamedData;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

enum SampleEntry { kGameIni, kStringTable, kReadme, kEmpty, kLogo };

NamedData SampleEntries(const std::string& title = "Vantor",
                        const std::string& readme = "Read me first.\n") {
    return {{"Data\\INI\\game.ini", "[Game]\r\nSpeed=3\r\nName=Vantor\r\n"},
            {"Data\\lang\\game.csf",
             csftest::File({Label("GUI:Ok", u"OK"),
                            Label("GUI:Title", std::u16string(title.begin(), title.end())),
                            Label("GUI:Help", u"Line one\nLine two")})},
            {"Data\\readme.txt", readme},
            {"Data\\empty.dat", ""},
            {"Art\\logo.tga", std::string("\0\x01\x80\xff tga", 8)}};
}

NamedData OtherEntries() { return {{"Maps\\map1.map", std::string(500, 'm')}, {"notes.txt", "x"}}; }

long ResidentKib() {
    long pages = 0, resident = -1;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// A fresh main window, and a folder of its own holding game.big (the sample) and other.big.
struct Session : mainwindowtest::MainWindowSession {
    Session() { WriteBig(OtherEntries(), "other.big"); }
    std::string File(const std::string& name) const { return dir.File(name); }
    const std::string archive = WriteBig(SampleEntries(), "game.big");
};

const std::string kNewReadme = "A new readme.\r\n";

// Button, file answer and node of a command; a success writes the file or changes the entries.
const std::tuple<std::string, const char*, const char*> kCommands[] = {
    {"but_Save", "game.big", ""},
    {"but_Save", "new.big", ""},
    {"but_Extract", "old.ini", "game.ini"},
    {"but_Replace", "readme.new", "logo.tga"},
    {"but_Load", "other.big", ""}};

// Every file operation of a command fails in turn, the 1st, the 2nd, ... until it runs through;
// every command runs over an archive loaded lazily and whole, with a replacement held in memory.
TEST(FaultInjection, EveryFailingFileOperationLeavesFilesAndArchiveIntact) {
    const mode_t mask = umask(022);  // a new file gets 0644; one saved over keeps its 0640
    for (const auto& [button, file, node] : kCommands) {
        for (const bool whole : {false, true}) {
            const std::string command = button + " " + file + (whole ? ", whole" : ", lazy");
            bool succeeded = false;
            int n = 1;
            for (; !succeeded && n <= 400; ++n) {
                SCOPED_TRACE(command + ", operation " + std::to_string(n) + " fails");
                Session s;
                std::filesystem::permissions(s.archive, std::filesystem::perms(0640));
                WriteBytes(s.File("readme.new"), kNewReadme);
                WriteBytes(s.File("old.ini"), std::string(5000, 'o'));
                s.Load(s.archive, whole);
                s.ClickWithFile("but_Replace", s.File("readme.new"), "readme.txt");
                NamedData expected = SampleEntries("Vantor", kNewReadme);
                const Session::Marks before = s.Mark();
                {
                    testsupport::ScopedFaultyFiles faults;
                    faults.files.failAt = n;
                    s.ClickWithFile(button.c_str(), s.File(file), node);
                    succeeded = faults.files.operations < n;
                }
                if (!succeeded) {
                    s.ExpectFailedCleanly(before);
                    EXPECT_TRUE(s.messages.back().text.contains("Injected failure of "));
                } else if (button == "but_Load") {
                    expected = OtherEntries();
                } else if (button == "but_Replace") {
                    expected[kLogo].second = kNewReadme;
                } else {
                    EXPECT_EQ(ReadBytes(s.File(file)),
                              *node ? expected[kGameIni].second : MakeBig(expected));
                    EXPECT_EQ(std::filesystem::status(s.File(file)).permissions(),
                              std::filesystem::perms(s.File(file) == s.archive ? 0640 : 0644));
                }
                for (const std::string& name : s.dir.List())
                    EXPECT_TRUE(before.files.count(name) || name == "new.big") << name;
                s.ClickWithFile("but_Save", s.File("check.big"));
                ASSERT_EQ(s.messages.back().text, "File saved.");
                EXPECT_EQ(ReadBytes(s.File("check.big")), MakeBig(expected));
            }
            EXPECT_TRUE(succeeded && n > 2) << command;  // and failed before
        }
    }
    umask(mask);
}

// How the archive file changes after a lazy load.
const std::pair<const char*, void (*)(const std::string& archive)> kChanges[] = {
    {"deleted", [](const std::string& archive) { std::filesystem::remove(archive); }},
    {"truncated", [](const std::string& archive) { std::filesystem::resize_file(archive, 40); }},
    // Written aside and renamed over, as editors save: a new file of the same length and layout.
    // (A rewrite in place of the same length differs only in its timestamps, which a coarse
    // file-system clock may leave unchanged; it is not tested.)
    {"replaced by a file of the same length",
     [](const std::string& archive) {
         WriteBytes(archive + ".new", MakeBig(SampleEntries("Vantoz")));
         std::filesystem::rename(archive + ".new", archive);
     }},
};

// Commands that need entries never read from a changed archive fail cleanly, saying why; what
// is in memory can still be extracted, and the program goes on working.
TEST(WorldChange, CommandsOnAChangedLazyArchiveFailWithAMessageAndTheProgramGoesOn) {
    for (const auto& [change, apply] : kChanges) {
        SCOPED_TRACE(std::string("archive ") + change);
        Session s;
        s.Load(s.archive, false);
        WriteBytes(s.File("loose.txt"), kNewReadme);
        s.ClickWithFile("but_Replace", s.File("loose.txt"), "readme.txt");
        apply(s.archive);
        const QString path = mainwindowtest::Text(s.archive),
                      reason =
                          std::string(change) == "deleted"
                              ? "Cannot open \"" + path + "\": " + std::strerror(ENOENT)
                              : "The archive file \"" + path +
                                    "\" has been changed or replaced since it was loaded; "
                                    "load it again to read the entries that are not in memory.";
        const std::pair<QString, std::function<void()>> commands[] = {
            {"extract file",
             [&] { s.ClickWithFile("but_Extract", s.File("logo.tga"), "logo.tga"); }},
            {"read file", [&] { s.Edit("game.ini"); }},
            {"save BIG file", [&] { s.ClickWithFile("but_Save", s.archive); }},
            {"save BIG file", [&] { s.ClickWithFile("but_Save", s.File("new.big")); }},
        };
        for (const auto& [what, run] : commands) {
            const Session::Marks before = s.Mark();
            run();
            s.ExpectFailedCleanly(before, "Unable to " + what + ". Reason - " + reason);
        }
        s.ClickWithFile("but_Extract", s.File("readme.out"), "readme.txt");
        EXPECT_EQ(ReadBytes(s.File("readme.out")), kNewReadme);
    }
}

// Load, replace from a loose file, edit a string, save over the archive, many
// times over; every save must be exact, and resident memory flat from iteration 10 to the end.
TEST(LongRun, LoadReplaceEditSaveRepeatedlyKeepsDataAndMemoryFlat) {
    const char* count = std::getenv("VANTOR_LONG_RUN_ITERATIONS");
    const int iterations = count ? std::atoi(count) : std::getenv("CI") ? 100 : 1000;
    ASSERT_GE(iterations, 11);
    Session s;
    long residentAt10 = 0;
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
        expected[kGameIni].second = "[Game]\r\nRun=" + number + "\r\n";  // the entry's CR LF
        ASSERT_EQ(ReadBytes(s.archive), MakeBig(expected));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // closed windows
        s.dialogs.dialogs = {};  // what the user saw so far
        if (i == 10) residentAt10 = ResidentKib();
    }
    const long residentAtEnd = ResidentKib();
    std::cout << "[ MEMORY   ] VmRSS after iteration 10: " << residentAt10
              << " KiB, after iteration " << iterations << ": " << residentAtEnd << " KiB\n";
#ifndef __SANITIZE_ADDRESS__  // the sanitizer holds freed memory back on purpose
    // The event log gains a line per replacement; everything else must be given back.
    EXPECT_LE(residentAtEnd - residentAt10, 2048 + 2L * iterations);
#endif
}

}  // namespace

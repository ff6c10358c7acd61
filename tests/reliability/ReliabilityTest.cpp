// The main window driven through its handlers, with scripted dialogs, under failing disks
// (FaultInjection), an archive file that changes under it (WorldChange) and a long run (LongRun).
// Saved archives are compared byte for byte with MakeBig of the expected entries: the writer
// lays archives out exactly so, and a sample string table is laid out as the CSF writer does.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <stdexcept>

#include "archive/VTR_CORE.h"
#include "mainwindow/VTR_MAIN.h"
#include "platform/ScriptedDialogs.h"
#include "stringtable/VTR_CSFWND.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/TestFiles.h"
#include "textinterp/VTR_TEXT.h"

namespace {

using testsupport::LittleEndian32;
using testsupport::MakeBig;
using testsupport::NamedData;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

std::string CsfBytes(const std::vector<std::pair<std::string, std::string>>& labels) {
    std::string csf = " FSC" + LittleEndian32(3) + LittleEndian32(labels.size()) +
                      LittleEndian32(labels.size() - 1) + std::string(8, '\0');
    for (const auto& [label, value] : labels) {
        csf += " LBL" + LittleEndian32(1) + LittleEndian32(label.size()) + label + " RTS" +
               LittleEndian32(value.size());
        for (char ch : value) csf += {static_cast<char>(~ch), '\xFF'};  // Latin-1, inverted
    }
    return csf;
}

enum SampleEntry { kGameIni, kStringTable, kReadme, kEmpty, kLogo };

NamedData SampleEntries(const std::string& title = "Vantor",
                        const std::string& readme = "Read me first.\n") {
    std::string logo;
    for (int i = 0; i < 256; ++i) logo += static_cast<char>(i * 7 % 256);
    return {
        {"Data\\INI\\game.ini", "[Game]\r\nSpeed=3\r\nName=Vantor\r\n"},
        {"Data\\lang\\game.csf",
         CsfBytes({{"GUI:Ok", "OK"}, {"GUI:Title", title}, {"GUI:Help", "Line one\nLine two"}})},
        {"Data\\readme.txt", readme},
        {"Data\\empty.dat", ""},
        {"Art\\logo.tga", logo}};
}

NamedData OtherEntries() { return {{"Maps\\map1.map", std::string(500, 'm')}, {"notes.txt", "x"}}; }

// The offscreen platform notes for every window shown that it cannot raise or resize it; the
// long run shows thousands of windows, so those notes are dropped and everything else kept.
void QuietOffscreenNotes(QtMsgType type, const QMessageLogContext& context, const QString& text);
const QtMessageHandler previousHandler = qInstallMessageHandler(QuietOffscreenNotes);
void QuietOffscreenNotes(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!text.startsWith("This plugin does not support")) previousHandler(type, context, text);
}

long ResidentKib() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = -1;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void DeleteClosedWindows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// A fresh main window, and a folder of its own holding game.big (the sample) and other.big.
class Session {
public:
    Session() {
        WriteBytes(archive, MakeBig(SampleEntries()));
        WriteBytes(File("other.big"), MakeBig(OtherEntries()));
        VTR_CORE::Archive() = {};  // the engine's state outlives the previous test's window
        window = std::make_unique<VTR_MAIN>();
    }
    ~Session() { delete window->OpenEditor(); }  // everything else is the window's child

    std::string File(const std::string& name) const { return dir.File(name); }
    void Load(std::string path) { Click(&VTR_MAIN::but_Load_Click, path); }
    void Load(std::string path, bool whole) {
        window->cb_Loadwhole->setChecked(whole);
        Load(path);
    }
    void Save(std::string path) { Click(&VTR_MAIN::but_Save_Click, path); }
    void Extract(int entry, std::string to) { Click(&VTR_MAIN::but_Extract_Click, to, entry); }
    void Replace(int entry, std::string from) { Click(&VTR_MAIN::but_Replace_Click, from, entry); }
    template <typename Editor>
    Editor* Edit(int entry) {
        Select(entry);
        window->rmb_Editfile_Click();
        return qobject_cast<Editor*>(window->OpenEditor());
    }

    QString LastMessage() const { return messages.empty() ? QString() : messages.back().text; }

    // What the disk and the user show before a command.
    struct Marks {
        std::map<std::string, std::string> files;
        std::size_t messages;
        qsizetype logLines;
    };
    Marks Mark() const {
        Marks marks{{}, messages.size(), window->EventLogText().count("\r\n\r\n")};
        for (const std::string& name : dir.List()) marks.files[name] = ReadBytes(File(name));
        return marks;
    }
    // The command since `before` failed with one message and one log line giving the reason,
    // changed or left no file, and left the window usable with no editor open.
    void ExpectFailedCleanly(const Marks& before, const char* reason = "") {
        EXPECT_TRUE(Mark().files == before.files)
            << "files changed or were left: " << testing::PrintToString(dir.List());
        EXPECT_EQ(messages.size(), before.messages + 1);
        EXPECT_TRUE(LastMessage().startsWith("Unable to") && LastMessage().contains(reason))
            << LastMessage().toStdString();
        EXPECT_EQ(window->EventLogText().count("\r\n\r\n"), before.logLines + 1);
        EXPECT_TRUE(window->isEnabled() && window->but_Save->isEnabled() && !window->IsBusy());
        EXPECT_EQ(window->OpenEditor(), nullptr) << "an editor opened";
    }

    testsupport::TempDir dir;
    const std::string archive = dir.File("game.big");
    platform::ScopedScriptedDialogs scripted;
    const std::vector<platform::ShownMessage>& messages = scripted.dialogs.messages;
    std::unique_ptr<VTR_MAIN> window;

private:
    void Click(void (VTR_MAIN::*handler)(), const std::string& fileAnswer, int entry = -1) {
        if (entry >= 0) Select(entry);
        scripted.dialogs.fileAnswers.push_back(QString::fromStdString(fileAnswer));
        (window.get()->*handler)();
    }
    void Select(int entry) {
        for (QTreeWidgetItemIterator it(window->tv_BIGDirectory); *it; ++it)
            if (VTR_MAIN::NodeTag(*it) == QString::number(entry))
                return window->tv_BIGDirectory->setCurrentItem(*it);
        throw std::runtime_error("no file node for entry " + std::to_string(entry));
    }
};

const std::string kNewReadme = "A new readme.\r\n";

struct Command {
    const char* name;
    void (*run)(Session&);
    // After a successful run: checks what it wrote and follows its change of the archive.
    void (*succeeded)(Session&, NamedData& expected);
};

const Command kCommands[] = {
    {"save over the loaded archive", [](Session& s) { s.Save(s.archive); },
     [](Session& s, NamedData& e) { EXPECT_EQ(ReadBytes(s.archive), MakeBig(e)); }},
    {"save to a new file", [](Session& s) { s.Save(s.File("new.big")); },
     [](Session& s, NamedData& e) { EXPECT_EQ(ReadBytes(s.File("new.big")), MakeBig(e)); }},
    {"extract onto an existing file", [](Session& s) { s.Extract(kGameIni, s.File("old.ini")); },
     [](Session& s, NamedData& e) { EXPECT_EQ(ReadBytes(s.File("old.ini")), e[kGameIni].second); }},
    {"replace", [](Session& s) { s.Replace(kLogo, s.File("readme.new")); },
     [](Session&, NamedData& e) { e[kLogo].second = kNewReadme; }},
    {"load over the loaded archive", [](Session& s) { s.Load(s.File("other.big")); },
     [](Session&, NamedData& e) { e = OtherEntries(); }},
};

// Every file operation of a command fails in turn, the 1st, the 2nd, ... until it runs through;
// every command runs over an archive loaded lazily and whole, with a replacement held in memory.
TEST(FaultInjection, EveryFailingFileOperationLeavesFilesAndArchiveIntact) {
    for (const Command& command : kCommands) {
        for (const bool whole : {false, true}) {
            QString injected;  // the operations that failed, in order
            bool succeeded = false;
            for (int n = 1; !succeeded && n <= 400; ++n) {
                SCOPED_TRACE(testing::Message() << command.name << (whole ? ", whole" : ", lazy")
                                                << ", operation " << n << " fails");
                Session s;
                WriteBytes(s.File("readme.new"), kNewReadme);
                WriteBytes(s.File("old.ini"), std::string(5000, 'o'));
                s.Load(s.archive, whole);
                s.Replace(kReadme, s.File("readme.new"));
                NamedData expected = SampleEntries("Vantor", kNewReadme);
                const Session::Marks before = s.Mark();
                {
                    testsupport::ScopedFaultyFiles faults;
                    faults.files.failAt = n;
                    command.run(s);
                    succeeded = faults.files.operations < n;
                }
                if (succeeded) {
                    command.succeeded(s, expected);
                    for (const std::string& name : s.dir.List())
                        EXPECT_TRUE(before.files.count(name) || name == "new.big") << name;
                } else {
                    s.ExpectFailedCleanly(before, "Injected failure of ");
                    injected += " " + s.LastMessage().section("failure of ", 1).section(' ', 0, 0);
                }
                s.Save(s.File("check.big"));
                ASSERT_EQ(s.LastMessage(), "File saved.");
                EXPECT_EQ(ReadBytes(s.File("check.big")), MakeBig(expected));
            }
            EXPECT_TRUE(succeeded && !injected.isEmpty()) << command.name;
            std::cout << "[ FAULTS   ] " << command.name << (whole ? ", whole:" : ", lazy:")
                      << injected.toStdString() << ", then success\n";
        }
    }
}

const std::pair<const char*, void (*)(const std::string& archive)> kChanges[] = {
    {"deleted", [](const std::string& archive) { std::filesystem::remove(archive); }},
    {"truncated", [](const std::string& archive) { std::filesystem::resize_file(archive, 40); }},
    {"replaced by another archive",
     [](const std::string& archive) { WriteBytes(archive, MakeBig(OtherEntries())); }},
    // Written aside and renamed over, as editors save: a new file of the same length and layout.
    // (A rewrite in place of the same length differs only in its timestamps, which a coarse
    // file-system clock may leave unchanged; it is not tested.)
    {"replaced by a file of the same length",
     [](const std::string& archive) {
         WriteBytes(archive + ".new", MakeBig(SampleEntries("Vantoz")));
         std::filesystem::rename(archive + ".new", archive);
     }},
};

// After a lazy load the archive file changes; commands that need entries never read then fail
// cleanly, and the program goes on working.
TEST(WorldChange, CommandsOnAChangedLazyArchiveFailWithAMessageAndTheProgramGoesOn) {
    for (const auto& [change, apply] : kChanges) {
        SCOPED_TRACE(std::string("archive ") + change);
        Session s;
        s.Load(s.archive, false);
        apply(s.archive);
        const std::pair<const char*, std::function<void()>> commands[] = {
            {"extract", [&] { s.Extract(kLogo, s.File("logo.tga")); }},
            {"edit file", [&] { s.Edit<QWidget>(kGameIni); }},
            {"save over the archive", [&] { s.Save(s.archive); }},
            {"save to a new file", [&] { s.Save(s.File("new.big")); }},
        };
        for (const auto& [name, run] : commands) {
            SCOPED_TRACE(name);
            const Session::Marks before = s.Mark();
            run();
            s.ExpectFailedCleanly(before, "game.big");
        }
        s.Load(s.File("other.big"), false);
        s.Save(s.File("resaved.big"));
        EXPECT_EQ(ReadBytes(s.File("resaved.big")), MakeBig(OtherEntries()));
    }
}

// Load, replace from a loose file, edit a string and a text file, save over the archive, many
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
        s.Replace(kReadme, s.File("loose.txt"));
        auto* csf = s.Edit<VTR_CSFWND>(kStringTable);
        ASSERT_NE(csf, nullptr);
        csf->lst_CSFEntries->setCurrentItem(
            csf->lst_CSFEntries->findItems("GUI:Title", Qt::MatchExactly).value(0));
        csf->lst_CSFEntries_Click();
        csf->txt_sValue->setPlainText(QString::fromStdString("Title " + number));
        csf->but_SaveText_Click();
        csf->but_Save_Click();
        csf->but_Close_Click();
        auto* text = s.Edit<VTR_TEXT>(kGameIni);
        ASSERT_NE(text, nullptr);
        text->txt_TextWindow->setPlainText(QString::fromStdString("[Game]\nSpeed=" + number));
        text->but_Save_Click();
        text->but_Close_Click();
        s.Save(s.archive);
        NamedData expected = SampleEntries("Title " + number, "Replacement " + number);
        expected[kGameIni].second = "[Game]\r\nSpeed=" + number;  // saved with CR LF breaks
        ASSERT_EQ(ReadBytes(s.archive), MakeBig(expected));
        DeleteClosedWindows();
        s.scripted.dialogs = {};  // what the user saw so far
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

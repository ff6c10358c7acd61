// Comparing archives: the diff of two versions and the overlay of several, against results
// worked out by hand on small archives of both signatures; how often their bytes are read; and
// failing reads, which must end in an exception rather than in an answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <map>

#include "archive/ArchiveDiff.h"
#include "archive/ArchiveOverlay.h"
#include "tests/support/CsfBuilder.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/TestFiles.h"

namespace {

using namespace testsupport;
using VTR_CORE::BigArchive;
using VTR_CORE::EntryPieces;

// Forwards to the real file system and records every read: the file, the offset, the length.
class ReadRecorder : public platform::FileSystem {
public:
    ReadRecorder() { platform::SetFiles(this); }
    ~ReadRecorder() override { platform::SetFiles(nullptr); }

    // The bytes read from `path`; fails the test when a byte of it was read twice.
    std::int64_t BytesReadOnce(const std::string& path) const {
        std::vector<std::pair<std::int64_t, std::int64_t>> ranges =
            reads_.count(path) ? reads_.at(path) : decltype(ranges){};
        std::sort(ranges.begin(), ranges.end());
        std::int64_t total = 0;
        for (std::size_t i = 0; i < ranges.size(); ++i) {
            if (i > 0) {
                EXPECT_LE(ranges[i - 1].second, ranges[i].first) << path << " read twice";
            }
            total += ranges[i].second - ranges[i].first;
        }
        return total;
    }

    platform::PathKind Kind(const std::string& path) override { return Real().Kind(path); }
    std::unique_ptr<platform::ReadableFile> OpenRead(const std::string& path) override {
        return std::make_unique<Recorded>(reads_[path], Real().OpenRead(path));
    }
    std::unique_ptr<platform::WritableFile> CreateTempBeside(const std::string& target,
                                                             std::string& temp) override {
        return Real().CreateTempBeside(target, temp);
    }
    void Rename(const std::string& from, const std::string& to, bool durable) override {
        Real().Rename(from, to, durable);
    }
    void Remove(const std::string& path) override { Real().Remove(path); }
    std::string WriteTarget(const std::string& path) override { return Real().WriteTarget(path); }
    void CreateFolder(const std::string& path) override { Real().CreateFolder(path); }
    std::vector<platform::FolderItem> ListFolder(const std::string& path) override {
        return Real().ListFolder(path);
    }
    std::unique_ptr<platform::FileLock> TryLock(const std::string& lockPath) override {
        return Real().TryLock(lockPath);
    }

private:
    using Ranges = std::vector<std::pair<std::int64_t, std::int64_t>>;
    static platform::FileSystem& Real() { return platform::RealFiles(); }

    struct Recorded : platform::ReadableFile {
        Recorded(Ranges& ranges, std::unique_ptr<platform::ReadableFile> inner)
            : ranges(ranges), inner(std::move(inner)) {}
        std::int64_t Length() override { return inner->Length(); }
        platform::FileStamp Stamp() override { return inner->Stamp(); }
        std::string Shown() const override { return inner->Shown(); }
        std::size_t ReadSome(std::int64_t at, char* out, std::size_t count) override {
            ranges.emplace_back(at, at + std::int64_t(count));
            return inner->ReadSome(at, out, count);
        }
        Ranges& ranges;
        std::unique_ptr<platform::ReadableFile> inner;
    };
    std::map<std::string, Ranges> reads_;
};

// Bytes that span three pieces of a comparison; `last` is the final byte.
std::string Large(char last) {
    std::string bytes(2 * 1024 * 1024 + 5, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 7 % 251);
    bytes.back() = last;
    return bytes;
}

// "~ NAME OLD-SIZE NEW-SIZE OLD-INDEX NEW-INDEX", with "-" for a missing index.
std::string Described(const VTR_CORE::EntryChange& change) {
    const char* kind = change.Kind == VTR_CORE::EntryChangeKind::OnlyInOld   ? "-"
                       : change.Kind == VTR_CORE::EntryChangeKind::OnlyInNew ? "+"
                                                                             : "~";
    const auto index = [](std::size_t i) {
        return i == VTR_CORE::NoEntry ? std::string("-") : std::to_string(i);
    };
    return std::string(kind) + " " + change.Name + " " + std::to_string(change.OldSize) + " " +
           std::to_string(change.NewSize) + " " + index(change.OldIndex) + " " +
           index(change.NewIndex);
}

class CompareTest : public ::testing::TestWithParam<std::string> {
protected:
    // Writes the archive and opens its directory, the data left in the file unless `whole`.
    BigArchive& Open(const std::string& name, const NamedData& entries, bool whole = false) {
        WriteBytes(dir.File(name), MakeBig(entries, 9, GetParam()));
        archives.emplace_back().Open(dir.File(name), whole);
        return archives.back();
    }
    std::vector<std::string> Diff(BigArchive& before, BigArchive& after, bool strings = false) {
        EntryPieces oldPieces(before, "old.big"), newPieces(after, "new.big");
        std::vector<std::string> lines;
        VTR_CORE::DiffOptions options;
        options.Strings = strings;
        options.Progress = [this](const VTR_CORE::Progress& done) { lastProgress = done; };
        for (const auto& change : VTR_CORE::DiffArchives(oldPieces, newPieces, options))
            lines.push_back(Described(change));
        return lines;
    }

    TempDir dir;
    std::deque<BigArchive> archives;
    VTR_CORE::Progress lastProgress;
    // Case twins ("Data\RULES" and the accented "E"), a name repeated in both archives with a
    // third copy in the new one, an entry changed in size, two in their bytes only (one in its
    // last byte, three pieces in), one only in each.
    const NamedData oldSample{{"Art\\logo.tga", Large('L')},
                              {"Data\\rules.ini", "[Rules]\r\nPace=3\r\n"},
                              {"dup.txt", "one"},
                              {"DUP.txt", "two"},
                              {"gone.txt", "x"},
                              {"size.bin", "1234"},
                              {"gfx\\\xC9mblem.tga", "emblem"},
                              {"Art\\tail.bin", Large('T')}};
    const NamedData newSample{{"data\\RULES.ini", "[Rules]\r\nPace=3\r\n"},
                              {"Art\\logo.tga", Large('L')},
                              {"Art\\tail.bin", Large('t')},
                              {"Dup.TXT", "one"},
                              {"dup.txt", "TWO"},
                              {"DUP.TXT", "three"},
                              {"size.bin", "12345"},
                              {"GFX\\\xE9MBLEM.TGA", "emblem"},
                              {"new.txt", "y"}};
    const std::vector<std::string> sampleChanges{"~ Art\\tail.bin 2097157 2097157 7 2",
                                                 "~ dup.txt 3 3 3 4",
                                                 "+ DUP.TXT 0 5 - 5",
                                                 "- gone.txt 1 0 4 -",
                                                 "+ new.txt 0 1 - 8",
                                                 "~ size.bin 4 5 5 6"};
};

INSTANTIATE_TEST_SUITE_P(Signatures, CompareTest, ::testing::Values("BIGF", "BIG4"));

TEST_P(CompareTest, DiffListsRemovedAddedAndChangedEntriesInNameOrder) {
    for (bool whole : {false, true}) {
        BigArchive& before = Open("old.big", oldSample, whole);
        BigArchive& after = Open("new.big", newSample, !whole);
        EXPECT_EQ(Diff(before, after), sampleChanges);
        EXPECT_EQ(Diff(after, after), std::vector<std::string>{});
        EXPECT_EQ(Diff(before, Open("empty.big", {})).size(), oldSample.size());
    }
}

TEST_P(CompareTest, DiffReadsEachEntryOnceAndPairsOfOtherSizesOnlyToTellStringTables) {
    // Paired entries of equal size: logo, tail, rules, the two copies of dup, the emblem.
    const std::int64_t equalSized = 2097157 * 2 + 17 + 3 + 3 + 6;
    for (bool strings : {false, true}) {
        BigArchive& before = Open("old.big", oldSample);
        BigArchive& after = Open("new.big", newSample);
        ReadRecorder recorder;
        EXPECT_EQ(Diff(before, after, strings), sampleChanges);
        // With strings, size.bin's first four bytes tell that it is no string table.
        const std::int64_t expected = equalSized + (strings ? 4 : 0);
        EXPECT_EQ(recorder.BytesReadOnce(dir.File("old.big")), expected);
        EXPECT_EQ(recorder.BytesReadOnce(dir.File("new.big")), expected);
        // Seven pairs; the progress counts the bytes of the equal-sized ones.
        EXPECT_EQ(lastProgress.entriesDone, 7);
        EXPECT_EQ(lastProgress.entriesTotal, 7);
        EXPECT_EQ(lastProgress.bytesDone, equalSized);
        EXPECT_EQ(lastProgress.bytesTotal, equalSized);
    }
}

TEST_P(CompareTest, DiffWithStringsGivesTheLabelChangesOfTablesOnBothSides) {
    using csftest::Label;
    const std::string table =
        csftest::File({Label("Menu:Start", u"Start"), Label("Menu:Quit", u"Quit")});
    const NamedData before{
        {"Lang\\game.csf", table}, {"Lang\\grow.csf", csftest::File({Label("A", u"x")})},
        {"Lang\\half.csf", table}, {"Lang\\order.csf", table},
        {"Lang\\same.csf", table}, {"note.txt", "plain"}};
    const NamedData after{
        {"LANG\\GAME.CSF",
         csftest::File({Label("MENU:START", u"Begin"), Label("Menu:Help", u"Help")})},
        {"Lang\\grow.csf", csftest::File({Label("A", u"xy")})},
        {"Lang\\half.csf", "not a table at all"},
        {"Lang\\order.csf",
         csftest::File({Label("Menu:Quit", u"Quit"), Label("Menu:Start", u"Start")})},
        {"Lang\\same.csf", table},
        {"note.txt", "PLAIN"}};
    EntryPieces oldPieces(Open("old.big", before), "old.big");
    EntryPieces newPieces(Open("new.big", after), "new.big");
    std::vector<std::string> lines;
    for (const auto& change : VTR_CORE::DiffArchives(oldPieces, newPieces, {true, {}})) {
        lines.push_back(Described(change) + (change.StringTables ? " (tables)" : ""));
        for (const std::string& label : change.LabelChanges) lines.push_back("  " + label);
    }
    const std::string tableSize = std::to_string(table.size());
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "~ LANG\\GAME.CSF " + tableSize + " " + tableSize + " 0 0 (tables)",
                  "  - Menu:Quit = \"Quit\"", "  + Menu:Help = \"Help\"",
                  "  ~ MENU:START = \"Start\" -> \"Begin\"", "~ Lang\\grow.csf 47 49 1 1 (tables)",
                  "  ~ A = \"x\" -> \"xy\"", "~ Lang\\half.csf " + tableSize + " 18 2 2",
                  "~ Lang\\order.csf " + tableSize + " " + tableSize + " 3 3 (tables)",
                  "~ note.txt 5 5 5 5"}));
}

TEST_P(CompareTest, OverlayPicksTheLaterOrFirstCopyCaseBlindAndFindsTheCopiesThatDiffer) {
    const std::string large = Large('L');
    Open("a.big", {{"Data\\a.ini", "1"},
                   {"Data\\A.INI", "a repeat, which readers never find"},
                   {"shared.bin", "same"},
                   {"size.bin", "12"},
                   {"bytes.bin", "abc"},
                   {"onlyA", "a"},
                   {"big.bin", large}});
    Open("b.big", {{"DATA\\A.ini", "1"},
                   {"Shared.bin", "same"},
                   {"size.bin", "123"},
                   {"BYTES.bin", "abd"},
                   {"tail.bin", Large('T')}});
    Open("c.big", {{"shared.BIN", "same"},
                   {"bytes.bin", "abc"},
                   {"onlyC", "c"},
                   {"big.bin", large},
                   {"TAIL.bin", Large('t')}});
    std::vector<EntryPieces> pieces;
    for (const char* name : {"a", "b", "c"}) pieces.emplace_back(archives.at(pieces.size()), name);
    // Name, the copies (archive letter and entry index), the winner later and first, conflict.
    struct Row {
        std::string later, first, copies;
        bool conflict;
    };
    const std::vector<Row> expected{{"big.bin c3", "big.bin a6", "a6 c3", false},
                                    {"bytes.bin c1", "bytes.bin a4", "a4 b3 c1", true},
                                    {"DATA\\A.ini b0", "Data\\a.ini a0", "a0 b0", false},
                                    {"onlyA a5", "onlyA a5", "a5", false},
                                    {"onlyC c2", "onlyC c2", "c2", false},
                                    {"shared.BIN c0", "shared.bin a2", "a2 b1 c0", false},
                                    {"size.bin b2", "size.bin a3", "a3 b2", true},
                                    {"TAIL.bin c4", "tail.bin b4", "b4 c4", true}};
    ReadRecorder recorder;
    const auto later = VTR_CORE::OverlayNames(pieces, VTR_CORE::OverlayRule::LaterWins);
    const auto first = VTR_CORE::OverlayNames(pieces, VTR_CORE::OverlayRule::FirstWins);
    ASSERT_EQ(later.size(), expected.size());
    ASSERT_EQ(first.size(), expected.size());
    const std::vector<bool> conflicts = VTR_CORE::FindConflicts(later, pieces);
    const auto winner = [&](const VTR_CORE::OverlayName& name) {
        return VTR_CORE::WinningEntry(name, pieces).Name.Str() + " " +
               pieces[name.WinningCopy().Archive].Shown() +
               std::to_string(name.WinningCopy().Entry);
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].later);
        std::string copies;
        for (const VTR_CORE::OverlayCopy& copy : later[i].Copies)
            copies += (copies.empty() ? "" : " ") + pieces[copy.Archive].Shown() +
                      std::to_string(copy.Entry);
        EXPECT_EQ(copies, expected[i].copies);
        EXPECT_EQ(first[i].Copies, later[i].Copies);
        EXPECT_EQ(winner(later[i]), expected[i].later);
        EXPECT_EQ(winner(first[i]), expected[i].first);
        EXPECT_EQ(conflicts[i], expected[i].conflict);
    }
    // Nothing is read twice. The large copies are read until they part; the small ones of
    // names whose copies have one size, with what lies between them, in one block per archive:
    // in a "Data\a.ini" to "bytes.bin", in b "DATA\A.ini" to "BYTES.bin", in c the first two.
    EXPECT_EQ(recorder.BytesReadOnce(dir.File("a.big")), 2097157 + 1 + 34 + 4 + 2 + 3);
    EXPECT_EQ(recorder.BytesReadOnce(dir.File("b.big")), 1 + 4 + 3 + 3 + 2097157);
    EXPECT_EQ(recorder.BytesReadOnce(dir.File("c.big")), 4 + 3 + 2097157 + 2097157);
}

TEST_P(CompareTest, AFailedReadEndsInAnErrorNamingTheArchiveAndEntryNeverInAnAnswer) {
    struct Engine {
        const char* name;
        std::function<std::string(BigArchive&, BigArchive&)> run;
    };
    const std::vector<Engine> engines{
        {"diff",
         [](BigArchive& a, BigArchive& b) {
             EntryPieces before(a, "old.big"), after(b, "new.big");
             std::string answer;
             for (const auto& change : VTR_CORE::DiffArchives(before, after, {true, {}}))
                 answer += Described(change) + "\n";
             return answer;
         }},
        {"overlay", [](BigArchive& a, BigArchive& b) {
             std::vector<EntryPieces> pieces;
             pieces.emplace_back(a, "old.big");
             pieces.emplace_back(b, "new.big");
             std::string answer;
             const auto names = VTR_CORE::OverlayNames(pieces, VTR_CORE::OverlayRule::LaterWins);
             for (const bool conflict : VTR_CORE::FindConflicts(names, pieces))
                 answer += conflict ? "1" : "0";
             return answer;
         }}};
    for (const Engine& engine : engines) {
        SCOPED_TRACE(engine.name);
        BigArchive& before = Open("old.big", oldSample);
        BigArchive& after = Open("new.big", newSample);
        const std::string right = engine.run(before, after);
        for (int failAt = 1;; ++failAt) {
            SCOPED_TRACE(failAt);
            ScopedFaultyFiles faulty;
            faulty.files.failAt = failAt;
            try {
                EXPECT_EQ(engine.run(before, after), right);
                EXPECT_LT(faulty.files.operations, failAt);
                break;
            } catch (const platform::FileError& error) {
                const std::string message = error.what();
                EXPECT_TRUE(message.starts_with("\"old.big\": entry ") ||
                            message.starts_with("\"new.big\": entry "))
                    << message;
                EXPECT_NE(message.find("\": Injected failure of "), std::string::npos) << message;
            }
        }
    }
}

}  // namespace

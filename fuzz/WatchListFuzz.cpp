// The watch list file, any bytes of it, through loading, the editor's round trip, a check and
// every ordering: nothing is lost, and descending is the exact reverse of ascending.

#include <set>

#include "FuzzSupport.h"
#include "Watch.h"
#include "WatchListFile.h"

using namespace morvane;
using morvane::fuzzing::require;

namespace {

const std::string ListPath = "/app/Filelst.txt";

std::set<std::string> seqNos(const Records& records) {
    std::set<std::string> seen;
    for (const std::string& record : records) seen.emplace(cutField(record, SeqNo));
    return seen;
}

// "00" .. the last record's number.
std::set<std::string> expectedSeqNos(std::size_t count) {
    std::set<std::string> expected;
    for (std::size_t n = 0; n < count; ++n)
        expected.insert({char('0' + n / 10), char('0' + n % 10)});
    return expected;
}

// Gives every other watched line a file at its path, its size and time from the line.
void putSomeFiles(testing::FakePlatform& fake, const WatchList& list) {
    for (std::size_t n = 0; n < list.size(); n += 2) {
        std::string native;
        const std::string path = list[n].size() > 21 ? list[n].substr(21) : std::string();
        if (!fake.platform.codec.toUtf8(path, native)) continue;
        const auto day = static_cast<int>(list[n].size() % 28) + 1;
        fake.files.put(native, list[n], {2024, 3, day, 12, 0, 0});
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    testing::FakePlatform fake;
    fake.files.put(ListPath, std::string(fuzzing::bytesOf(data, size)));

    // The editor reads every line, and what it writes reads back the same.
    const std::vector<EditorEntry> entries = loadEditorEntries(fake.files, ListPath);
    testing::FakeFileSystem written;
    saveWatchList(written, ListPath, entries);
    const std::vector<EditorEntry> again = loadEditorEntries(written, ListPath);
    require(again.size() == entries.size(), "the editor's lines all come back");
    for (std::size_t n = 0; n < entries.size(); ++n)
        require(again[n].text == entries[n].text && again[n].ticked == entries[n].ticked,
                "each line comes back as it was");

    // The watched lines are the ticked ones, in order, at most MaxWatched.
    WatchList list;
    require(loadWatchList(fake.files, ListPath, list), "an existing list loads");
    WatchList ticked;
    for (const EditorEntry& entry : entries)
        if (entry.ticked && ticked.size() < MaxWatched) ticked.push_back("1" + entry.text);
    require(list == ticked, "the watched lines are the ticked lines");

    putSomeFiles(fake, list);
    Watch watch(fake.platform, std::make_unique<LookupsAtOnce>(fake.files));
    watch.setFiles(watchedFiles(fake.platform.codec, list));
    const auto checked = [&watch](bool rebuild) {
        runCheck(watch, rebuild);
        Records records;
        for (const WatchRow& row : watch.rows()) records.push_back(row.record);
        return records;
    };
    Records records = checked(true);
    require(records.size() == list.size(), "one record per watched line");
    require(seqNos(records) == expectedSeqNos(list.size()), "every line has its record");
    records = checked(false);
    require(seqNos(records) == expectedSeqNos(list.size()), "a refresh loses no record");

    // One key per input: the real collation is slow enough to make all six a drag.
    const SortKey key = static_cast<SortKey>(size % 6);
    Records ascending = records;
    Records descending = records;
    orderRecords(ascending, {key, SortOrder::Ascending}, fake.platform.collator);
    orderRecords(descending, {key, SortOrder::Descending}, fake.platform.collator);
    require(seqNos(ascending) == expectedSeqNos(list.size()), "ordering loses no record");
    require(Records(ascending.rbegin(), ascending.rend()) == descending,
            "descending is the exact reverse of ascending");
    for (std::size_t n = 1; n < ascending.size(); ++n)
        require(fake.platform.collator.compare(ascending[n - 1], ascending[n]) < 0,
                "ascending records are in the collation's order");
    Records reordered = ascending;
    orderRecords(reordered, {key, SortOrder::Ascending}, fake.platform.collator);
    require(reordered == ascending, "ordering an ordered list changes nothing");
    return 0;
}

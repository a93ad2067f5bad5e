#include "io/lineFiles.h"

#include "support/testFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

using namespace quelvar;
namespace fs = std::filesystem;

namespace
{
std::vector<std::uint8_t> bytesOf(const std::string& text)
{
    return {text.begin(), text.end()};
}
} // namespace

TEST(LineFiles, NamesAreReadableAndSafeForAPath)
{
    EXPECT_EQ(lineFileBaseName(17, "Pattern name"), "Quelvar 17 Pattern name");
    EXPECT_EQ(lineFileBaseName(1, ""), "Quelvar 1");
    EXPECT_EQ(lineFileBaseName(64, "  acid/house\\\n\tline \x7f "), "Quelvar 64 acid-house- line");
    EXPECT_EQ(lineFileBaseName(3, "S\xC3\xA4ure"), "Quelvar 3 S\xC3\xA4ure") << "UTF-8 stays";
}

// The same bytes reuse their file; other bytes under that name take the next number, so a file
// once dropped never changes.
TEST(LineFiles, SameBytesReuseTheFileOtherBytesTakeTheNextNumber)
{
    TempDir dir;
    const std::string folder = dir.file("cache/lines");
    const std::string first = writeLineFile(folder, "Quelvar 2 bass", bytesOf("one"));
    EXPECT_EQ(first, folder + "/Quelvar 2 bass.mid") << "the folder is made";
    EXPECT_EQ(readFile(first), "one");
    EXPECT_EQ(writeLineFile(folder, "Quelvar 2 bass", bytesOf("one")), first);
    const std::string second = writeLineFile(folder, "Quelvar 2 bass", bytesOf("two"));
    EXPECT_EQ(second, folder + "/Quelvar 2 bass 2.mid");
    EXPECT_EQ(readFile(first), "one");
    EXPECT_EQ(readFile(second), "two");
    EXPECT_EQ(writeLineFile(folder, "Quelvar 2 bass", bytesOf("two")), second);
    EXPECT_EQ(namesIn(folder),
              (std::vector<std::string>{"Quelvar 2 bass 2.mid", "Quelvar 2 bass.mid"}))
        << "no scratch file stays";

    EXPECT_EQ(writeLineFile("relative/folder", "Quelvar 1", bytesOf("x")), "");
    writeFile(dir.file("plain"), std::string("a file"));
    EXPECT_EQ(writeLineFile(dir.file("plain"), "Quelvar 1", bytesOf("x")), "")
        << "a folder that cannot be made writes nothing";
}

// Ours untouched for two weeks go, then the oldest past a hundred; the file just written and
// files that are not ours stay.
TEST(LineFiles, OldAndSurplusFilesArePruned)
{
    TempDir dir;
    const std::string folder = dir.file("lines");
    fs::create_directories(folder);
    const auto now = fs::file_time_type::clock::now();
    const auto age = [&](const std::string& name, std::chrono::hours hours)
    {
        writeFile(folder + "/" + name, std::string("x"));
        fs::last_write_time(folder + "/" + name, now - hours);
    };
    age("Quelvar 1 old.mid", std::chrono::hours(24 * kLineFileDays + 1));
    age("Quelvar 1 recent.mid", std::chrono::hours(24 * kLineFileDays - 1));
    age("notes.txt", std::chrono::hours(24 * 400));
    age("Quelvar kept.mid", std::chrono::hours(24 * 400));
    pruneLineFiles(folder, now, folder + "/Quelvar kept.mid");
    EXPECT_EQ(namesIn(folder),
              (std::vector<std::string>{"Quelvar 1 recent.mid", "Quelvar kept.mid", "notes.txt"}));

    for (int i = 0; i < 120; ++i)
        age("Quelvar " + std::to_string(1000 + i) + ".mid", std::chrono::hours(i));
    const std::string latest = writeLineFile(folder, "Quelvar 9", bytesOf("new"));
    ASSERT_FALSE(latest.empty());
    std::vector<std::string> ours;
    for (const std::string& name : namesIn(folder))
        if (name.starts_with("Quelvar ") && name.ends_with(".mid"))
            ours.push_back(name);
    EXPECT_EQ(ours.size(), kLineFilesKept);
    const auto kept = [&ours](const std::string& name)
    { return std::find(ours.begin(), ours.end(), name) != ours.end(); };
    EXPECT_TRUE(kept("Quelvar 9.mid"));
    EXPECT_TRUE(kept("Quelvar 1000.mid")) << "the newest stay";
    EXPECT_FALSE(kept("Quelvar 1119.mid")) << "the oldest go";
    EXPECT_FALSE(kept("Quelvar 1 recent.mid"));
    EXPECT_TRUE(fs::exists(folder + "/notes.txt"));
}

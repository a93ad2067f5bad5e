#include "io/lineFiles.h"

#include "io/fileBytes.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

namespace quelvar
{

namespace fs = std::filesystem;

namespace
{
constexpr std::string_view kPrefix = "Quelvar ";
constexpr std::string_view kSuffix = ".mid";
constexpr int kMaxNumber = 999;

bool isOurs(const fs::directory_entry& entry)
{
    std::error_code error;
    const std::string name = entry.path().filename().string();
    return entry.is_regular_file(error) && name.starts_with(kPrefix) && name.ends_with(kSuffix);
}

bool holds(const fs::path& file, std::span<const std::uint8_t> bytes)
{
    const auto stored = readFileBytes(file.string());
    return stored && std::equal(stored->begin(), stored->end(), bytes.begin(), bytes.end());
}

// A name no other writer uses: engines in several processes and threads may write at once.
fs::path scratchFile(const fs::path& folder)
{
    static std::atomic<unsigned> made{0};
    return folder / (".line-" + std::to_string(getpid()) + "-" +
                     std::to_string(made.fetch_add(1, std::memory_order_relaxed)) + ".part");
}
} // namespace

std::string lineFileBaseName(int patternNumber, std::string_view patternName)
{
    std::string name;
    for (const char c : patternName)
    {
        const auto u = static_cast<unsigned char>(c);
        const char kept = c == '/' || c == '\\' ? '-' : (u < 0x20 || u == 0x7F ? ' ' : c);
        if (kept != ' ' || (!name.empty() && name.back() != ' '))
            name += kept;
    }
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    std::string base = std::string(kPrefix) + std::to_string(patternNumber);
    return name.empty() ? base : base + " " + name;
}

std::string writeLineFile(const std::string& folder, const std::string& baseName,
                          std::span<const std::uint8_t> bytes)
{
    std::error_code error;
    const fs::path dir(folder);
    if (!dir.is_absolute() || baseName.empty() || (!fs::create_directories(dir, error) && error))
        return {};
    fs::path scratch; // written once a new name is needed
    fs::path written;
    for (int n = 1; n <= kMaxNumber && written.empty(); ++n)
    {
        const fs::path candidate =
            dir /
            (baseName + (n > 1 ? " " + std::to_string(n) : std::string()) + std::string(kSuffix));
        if (fs::exists(candidate, error))
        {
            if (holds(candidate, bytes))
            {
                fs::last_write_time(candidate, fs::file_time_type::clock::now(), error);
                written = candidate;
            }
            continue;
        }
        if (scratch.empty())
        {
            scratch = scratchFile(dir);
            if (!writeFileBytes(scratch.string(), bytes.data(), bytes.size()))
                break;
        }
        // A link is made only where no file is: two writers never take one name.
        fs::create_hard_link(scratch, candidate, error);
        if (!error)
            written = candidate;
        else if (error == std::errc::file_exists)
            --n; // taken meanwhile: look at it again
        else
        {
            fs::rename(scratch, candidate, error);
            if (!error)
                written = candidate;
            break;
        }
    }
    if (!scratch.empty())
        fs::remove(scratch, error);
    if (written.empty())
        return {};
    pruneLineFiles(folder, fs::file_time_type::clock::now(), written.string());
    return written.string();
}

void pruneLineFiles(const std::string& folder, fs::file_time_type now, const std::string& keep)
{
    std::error_code error;
    std::vector<std::pair<fs::file_time_type, fs::path>> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error))
    {
        if (!isOurs(entry) || entry.path() == fs::path(keep))
            continue;
        const fs::file_time_type touched = entry.last_write_time(error);
        if (error)
            continue;
        if (now - touched > std::chrono::days(kLineFileDays))
            fs::remove(entry.path(), error);
        else
            files.emplace_back(touched, entry.path());
    }
    // The kept file counts among the newest.
    const std::size_t room = keep.empty() ? kLineFilesKept : kLineFilesKept - 1;
    if (files.size() <= room)
        return;
    std::sort(files.begin(), files.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    for (std::size_t i = room; i < files.size(); ++i)
        fs::remove(files[i].second, error);
}

} // namespace quelvar

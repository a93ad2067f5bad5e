// A CLAP host for the tests: loads a plugin file as hosts scan one (dlopen with RTLD_NOW, entry
// init, factory), creates and initialises its plugin, and offers thread-check (the thread that
// made the host is the main one) and params (rescans counted). Calls go straight to the plugin;
// what they must answer is the tests' business.
#pragma once

#include "clap/ClapInterface.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quelvar
{

class ClapTestHost
{
public:
    // Loads the file and reads its factory; check loaded() afterwards. No plugin yet.
    explicit ClapTestHost(const std::string& path);
    ~ClapTestHost();
    ClapTestHost(const ClapTestHost&) = delete;
    ClapTestHost& operator=(const ClapTestHost&) = delete;

    bool loaded() const { return factory != nullptr; }
    const std::string& error() const { return loadError; }
    const clap::clap_plugin_entry* entry() const { return entryPoint; }
    const clap::clap_plugin_factory* pluginFactory() const { return factory; }

    // Creates the factory's plugin (by the first descriptor's id unless another is given) and
    // initialises it; null when either fails. One plugin at a time.
    const clap::clap_plugin* create(const char* id = nullptr);
    const clap::clap_plugin* plugin() const { return instance; }
    void destroy();
    template <typename T> const T* extension(const char* id) const
    {
        return instance ? static_cast<const T*>(instance->get_extension(instance, id)) : nullptr;
    }

    // Parameters through the params extension; values set with flush, as while not processing.
    std::vector<clap::clap_param_info> parameters() const;
    double value(clap::clap_id id) const;
    std::optional<std::string> text(clap::clap_id id, double value) const;
    std::optional<double> fromText(clap::clap_id id, const std::string& text) const;
    void flush(clap::clap_id id, double value,
               std::uint16_t space = clap::CLAP_CORE_EVENT_SPACE_ID);

    // The state through streams that move at most `pieceBytes` at a time; the read stream fails
    // after `failAfterBytes` bytes when given.
    std::optional<std::vector<std::uint8_t>> save(std::size_t pieceBytes = SIZE_MAX) const;
    bool load(const std::vector<std::uint8_t>& bytes, std::size_t pieceBytes = SIZE_MAX,
              std::optional<std::size_t> failAfterBytes = std::nullopt) const;

    int rescans = 0;
    std::uint32_t lastRescanFlags = 0;

private:
    static const void* hostExtension(const clap::clap_host* host, const char* id);
    static void requestNothing(const clap::clap_host* host);
    static bool isMainThread(const clap::clap_host* host);
    static bool isAudioThread(const clap::clap_host* host);
    static void rescan(const clap::clap_host* host, std::uint32_t flags);
    static void clear(const clap::clap_host* host, clap::clap_id id, std::uint32_t flags);
    const clap::clap_plugin_params* params() const;

    void* library = nullptr;
    const clap::clap_plugin_entry* entryPoint = nullptr;
    const clap::clap_plugin_factory* factory = nullptr;
    const clap::clap_plugin* instance = nullptr;
    std::string loadError;
    std::thread::id mainThread = std::this_thread::get_id();
    clap::clap_host host{};
    clap::clap_host_thread_check threadCheck{};
    clap::clap_host_params hostParams{};
};

} // namespace quelvar

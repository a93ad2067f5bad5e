// A small LV2 host on lilv: finds a plugin by URI in a given LV2 path, connects every port, and
// runs it block by block with MIDI and a host transport (time:Position) on its event input,
// recording the MIDI it sends. Saves and restores state as lilv does. For tests and benchmarks;
// process() allocates nothing once the event lists have grown to their size.
#pragma once

#include <lilv/lilv.h>
#include <lv2/atom/forge.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

namespace quelvar
{

struct Lv2ReceivedMidi
{
    int block;
    int frame;          // within the block
    long long absolute; // frames since the first block
    std::array<std::uint8_t, 3> bytes;
};

struct Lv2Preset
{
    std::string uri;
    std::string label;
};

class Lv2TestHost
{
public:
    // maxBlock is announced through the options feature unless announceBlockLength is false.
    Lv2TestHost(const std::string& lv2Path, const char* pluginUri, double sampleRate = 44100.0,
                int maxBlock = 4096, bool announceBlockLength = true);
    ~Lv2TestHost();
    Lv2TestHost(const Lv2TestHost&) = delete;
    Lv2TestHost& operator=(const Lv2TestHost&) = delete;

    bool loaded() const { return instance != nullptr; }
    const LilvPlugin* plugin() const { return lilvPlugin; }
    LilvWorld* world() const { return lilvWorld; }
    LilvInstance* lv2Instance() const { return instance; }
    LV2_URID map(const char* uri);

    // Control input ports by symbol; the host's value, as it would save it.
    void setControl(const std::string& symbol, float value);
    float control(const std::string& symbol) const;
    // The port's value in place, to change it without looking the symbol up.
    float& controlValue(const std::string& symbol);

    // For the next block.
    void queueMidi(int frame, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    // The host transport: each change is sent as a time:Position at frame 0 of the next block,
    // as hosts do; with sendPositionEveryBlock, every block starts with one.
    void setTempo(double bpm);
    void play(double beats = 0.0);
    void stop();
    void locate(double beats);
    // A position inside the next block, for example a loop's jump; the transport goes on from it.
    void queuePosition(int frame, double beats, bool playing);
    bool sendPositionEveryBlock = false;
    // Above 0, musical positions are sent rounded to this many ticks per beat, as hosts that
    // count in ticks send them.
    int positionTicksPerBeat = 0;

    // One block into left/right (at least `frames` long each).
    void process(float* left, float* right, int frames);
    void render(int frames, int blockSize, std::vector<float>& left, std::vector<float>& right);

    std::vector<Lv2ReceivedMidi> received;

    // The state through the plugin's state interface: the value stored under `key`, with
    // its type's URI; empty when the plugin stored nothing there.
    std::vector<std::uint8_t> saveProperty(const char* key, std::string* typeUri = nullptr);
    // Restores a state holding only this property (none: an empty state). True on success.
    bool restoreProperty(const char* key, const std::vector<std::uint8_t>& value,
                         const char* typeUri);
    bool restoreEmptyState();
    // The whole state as lilv writes it (Turtle, with the port values), and back.
    std::string saveState();
    bool restoreState(const std::string& turtle);

    std::vector<Lv2Preset> presets();
    bool loadPreset(const std::string& uri);

private:
    struct QueuedEvent
    {
        int frame;
        bool isMidi;
        std::array<std::uint8_t, 3> midi;
        double beats;
        bool playing;
    };

    static LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri);
    static const char* unmapUri(LV2_URID_Unmap_Handle handle, LV2_URID urid);
    static const void* portValue(const char* symbol, void* user, std::uint32_t* size,
                                 std::uint32_t* type);
    static void setPortValue(const char* symbol, void* user, const void* value, std::uint32_t size,
                             std::uint32_t type);
    void queue(const QueuedEvent& e);
    void writePosition(double beats, bool playing);
    void writeEvents();
    void readMidiOut();

    LilvWorld* lilvWorld = nullptr;
    const LilvPlugin* lilvPlugin = nullptr;
    LilvInstance* instance = nullptr;

    std::unordered_map<std::string, LV2_URID> uris;
    std::deque<std::string> uriNames; // index = URID - 1
    LV2_URID_Map mapFeature{};
    LV2_URID_Unmap unmapFeature{};
    std::vector<LV2_Options_Option> options;
    std::int32_t blockLength = 0;
    float sampleRateOption = 0.0f;
    std::vector<LV2_Feature> featureStore;
    std::vector<const LV2_Feature*> features;

    // Mapped once, so that a block maps nothing.
    struct Urids
    {
        LV2_URID atomChunk, atomSequence, atomFloat, atomDouble, atomInt, midiEvent, position,
            frame, speed, bar, barBeat, beatUnit, beatsPerBar, beatsPerMinute;
    } urid{};

    std::vector<float> controls; // by port index
    std::vector<std::uint32_t> audioOutputs;
    std::unordered_map<std::string, std::uint32_t> controlPorts;
    std::vector<std::uint64_t> eventsIn; // 8-byte aligned atom buffers
    std::vector<std::uint64_t> eventsOut;
    LV2_Atom_Forge forge{};

    std::vector<QueuedEvent> queued;
    double rate;
    double tempo = 120.0;
    double beats = 0.0;
    bool playing = false;
    bool transportPending = false;
    int blockIndex = 0;
    long long framesDone = 0;
};

} // namespace quelvar

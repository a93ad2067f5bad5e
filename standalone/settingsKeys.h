// Keys and defaults of the settings store, shared by Host (read at start), ConfigDialog
// (written at every change) and the dialogs that remember their folders.
#pragma once

namespace quelvar::settings
{

constexpr const char* kOrganisation = "Brontavell";
constexpr const char* kDomain = "brontavell.example";
constexpr const char* kApplication = "Quelvar";

constexpr const char* kDeviceName = "audioOutputDevice/name";
constexpr const char* kDeviceType = "audioOutputDevice/type";
constexpr const char* kDeviceChannel = "audioOutputDevice/channel";
constexpr const char* kSampleRate = "audioOutputDevice/samplerate";
constexpr const char* kBufferSize = "audioOutputDevice/bufferSize";
constexpr const char* kMidiIn = "midiInDevice";
constexpr const char* kMidiOut = "midiOutDevice";
constexpr const char* kPortName = "name";
constexpr const char* kVelocityThreshold = "options/velocityThreshold";
constexpr const char* kSlideTime = "options/slideTime";
constexpr const char* kIgnoreMode = "options/ignoreMode";
constexpr const char* kMidiApi = "options/midiApi";
constexpr const char* kMidiOutOctave = "options/midiOutOctave"; // -2 to 2; absent: 0
constexpr const char* kRecentFiles = "recentFiles";
constexpr const char* kPanelScale = "view/panelScale"; // percent; absent: from the screen
// Where the last audio export went; absent: the music folder.
constexpr const char* kAudioExportFolder = "files/audioExportFolder";

constexpr int kDefaultVelocityThreshold = 82;
constexpr int kDefaultSlideTime = 0;
constexpr bool kDefaultIgnoreMode = true;
constexpr const char* kDefaultMidiApi = "ALSA";

} // namespace quelvar::settings

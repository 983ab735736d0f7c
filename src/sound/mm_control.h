// A sound channel as the play field sees it: a control driven by string properties.
#pragma once

#include "sound/sound_device.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace zelto {

/// A multimedia device control. Setting Command carries out the command, matched without
/// regard to case: "Close" stops and releases the channel, "Open" opens FileName when
/// DeviceType is "WaveAudio", "Play" starts it from the beginning. Other words do nothing.
/// No result is ever reported.
class MMControl {
public:
    explicit MMControl(SoundChannel channel) : channel_(channel) {}

    /// Gives the control its design name, the device that plays it, whoever is told of every
    /// property set (null: nobody) and the folder where wave paths resolve. Until then it
    /// plays nothing.
    void connect(std::string_view name, SoundDevice* device, SoundTrace* trace,
                 std::filesystem::path waveFolder);

    const std::string& DeviceType() const { return deviceType_; }
    const std::string& FileName() const { return fileName_; }
    const std::string& Command() const { return command_; }

    void setDeviceType(std::string value);
    void setFileName(std::string value);
    void setCommand(std::string value);

private:
    std::string_view name_;
    SoundChannel channel_;
    SoundDevice* device_ = nullptr;
    SoundTrace* trace_ = nullptr;
    std::filesystem::path waveFolder_;
    std::string deviceType_;
    std::string fileName_;
    std::string command_;
};

/// The play sequence: Close, WaveAudio, the file, Open, Play. Restarts the channel's sound.
void playSequence(MMControl& control, std::string_view file);

/// Resolves a wave path of the form "c:\wav\NAME.wav" to NAME.wav in the game's wave folder.
/// On Windows the literal path is used when it exists.
std::filesystem::path resolveWavePath(std::string_view fileName,
                                      const std::filesystem::path& waveFolder);

/// The wave folder beside the game: wav/ next to the executable (build tree), else
/// ../share/zelto/wav (installed). Empty when neither exists.
std::filesystem::path findWaveFolder(const std::filesystem::path& executableFolder);

} // namespace zelto

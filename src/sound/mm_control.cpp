#include "sound/mm_control.h"

#include "base/text.h"

#include <utility>

namespace zelto {

void MMControl::connect(std::string_view name, SoundDevice* device, SoundTrace* trace,
                        std::filesystem::path waveFolder) {
    name_ = name;
    device_ = device;
    trace_ = trace;
    waveFolder_ = std::move(waveFolder);
}

void MMControl::setDeviceType(std::string value) {
    if (trace_)
        trace_->soundPropertySet(name_, "DeviceType", value);
    deviceType_ = std::move(value);
}

void MMControl::setFileName(std::string value) {
    if (trace_)
        trace_->soundPropertySet(name_, "FileName", value);
    fileName_ = std::move(value);
}

void MMControl::setCommand(std::string value) {
    if (trace_)
        trace_->soundPropertySet(name_, "Command", value);
    command_ = std::move(value);
    if (!device_)
        return;
    if (equalsIgnoringCase(command_, "close")) {
        device_->close(channel_);
    } else if (equalsIgnoringCase(command_, "open")) {
        if (equalsIgnoringCase(deviceType_, "waveaudio"))
            device_->open(channel_, resolveWavePath(fileName_, waveFolder_));
    } else if (equalsIgnoringCase(command_, "play")) {
        device_->play(channel_);
    }
}

void playSequence(MMControl& control, std::string_view file) {
    control.setCommand("Close");
    control.setDeviceType("WaveAudio");
    control.setFileName(std::string(file));
    control.setCommand("Open");
    control.setCommand("Play");
}

} // namespace zelto

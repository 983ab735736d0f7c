// The sound device as a module of its own. The game loads it when the first game starts its
// music, so that the multimedia libraries stay out of the program's start-up.
#include "sound/qt_sound_device.h"

#include <QtGlobal>
#include <memory>

/// Makes the sound device into `device`: the one entry point of the module, found by name.
extern "C" Q_DECL_EXPORT void zeltoMakeSoundDevice(std::unique_ptr<zelto::SoundDevice>& device) {
    device = std::make_unique<zelto::QtSoundDevice>();
}

// The sound module: the notification sound on Qt Multimedia, with the audio stack it needs.
#include <QtGlobal>

#include "platform/qt/qt_sound_player.h"

extern "C" Q_DECL_EXPORT void* orvantis_make_sound_player() {
    return static_cast<orv::platform::SoundPlayer*>(new orv::qt::QtSoundPlayer);
}

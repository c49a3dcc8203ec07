#pragma once
// The notification sound on QSoundEffect. A sound file that does not exist here (the program
// has always named a Windows path) is replaced by the program's own notification sound.

#include <QObject>
#include <QSoundEffect>
#include <memory>

#include "platform/sound_player.h"

namespace orv::qt {

class QtSoundPlayer : public QObject, public platform::SoundPlayer {
    Q_OBJECT
public:
    void set_file(const std::string& file) override;
    void open() override;
    void play() override;
    void stop() override;
    void close() override;
    void beep() override;

    // What open() loads for a given file name.
    static QUrl source_for(const std::string& file);

private:
    std::string file_;
    std::unique_ptr<QSoundEffect> effect_;
};

}  // namespace orv::qt

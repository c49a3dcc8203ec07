#pragma once
// The notification sound on QSoundEffect. A sound file that does not exist here (the program
// has always named a Windows path) is replaced by the program's own notification sound.
//
// Opening the sound at start-up only names it: the sound effect, and with it the audio stack
// and its connection to the sound server, is made a moment after the window has shown (or at
// once, should the sound be played before then), so that none of it delays the first paint.

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
    // How long after the first open() the sound effect is made, if nothing needs it sooner.
    static constexpr int kPrepareDelayMs = 1500;
    // Whether the sound effect has been made yet.
    bool prepared() const { return effect_ != nullptr; }

private:
    // Makes the sound effect for the file opened last, if it is not made yet.
    void prepare();

    std::string file_;
    QUrl source_;
    bool opened_ = false;
    bool prepare_pending_ = false;
    std::unique_ptr<QSoundEffect> effect_;
};

}  // namespace orv::qt

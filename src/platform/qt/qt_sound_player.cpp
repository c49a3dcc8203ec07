#include "platform/qt/qt_sound_player.h"

#include <QApplication>
#include <QFileInfo>
#include <QUrl>

namespace orv::qt {

QUrl QtSoundPlayer::source_for(const std::string& file) {
    const QString path = QString::fromStdString(file);
    const QFileInfo info(path);
    if (!path.isEmpty() && info.isFile() && info.isReadable())
        return QUrl::fromLocalFile(info.absoluteFilePath());
    return QUrl("qrc:/sounds/notify.wav");
}

void QtSoundPlayer::set_file(const std::string& file) { file_ = file; }

void QtSoundPlayer::open() {
    if (!effect_) effect_ = std::make_unique<QSoundEffect>();
    effect_->setSource(source_for(file_));
}

void QtSoundPlayer::play() {
    if (effect_) effect_->play();
}

void QtSoundPlayer::stop() {
    if (effect_) effect_->stop();
}

void QtSoundPlayer::close() { stop(); }

void QtSoundPlayer::beep() { QApplication::beep(); }

}  // namespace orv::qt

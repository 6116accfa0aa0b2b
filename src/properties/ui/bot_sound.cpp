#include "properties/ui/bot_sound.h"

#include <utility>

#include <QCoreApplication>
#include <QDir>
#include <QtGlobal>

namespace vorlix::ui {

QStringList Sound_Module_Dirs() {
  const QString program_dir = QCoreApplication::applicationDirPath();
  return {program_dir, QDir::cleanPath(program_dir + QStringLiteral("/../lib/vorlix"))};
}

TBot_Sound::TBot_Sound(QStringList dirs) : Dirs_(std::move(dirs)) {}

TBot_Sound::~TBot_Sound() = default;

void TBot_Sound::Load() {
  Load_Tried_ = true;
  for (const QString& dir : Dirs_) {
    Library_.setFileName(dir + QLatin1Char('/') + QLatin1String(Sound_Module_Name));
    if (!Library_.load()) {
      continue;
    }
    auto create =
        reinterpret_cast<TCreate_Sound_Player>(Library_.resolve(Create_Sound_Player_Symbol));
    if (create != nullptr) {
      Player_.reset(create());
      return;
    }
    Library_.unload();
  }
  qWarning("vorlix: the sound module %s was not found; bot sounds stay silent", Sound_Module_Name);
}

void TBot_Sound::Play(const QString& file) {
  if (!Load_Tried_) {
    Load();
  }
  if (Player_) {
    Player_->Play(file);
  }
}

void TBot_Sound::Stop() {
  if (Player_) {
    Player_->Stop();
  }
}

}  // namespace vorlix::ui

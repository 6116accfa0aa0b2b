// The sound module: the bot sound player over Qt Multimedia, loaded by TBot_Sound when the first
// sound is played.

#include <QSoundEffect>
#include <QUrl>

#include "properties/ui/bot_sound.h"

namespace {

class TSound_Effect_Player final : public vorlix::ui::TSound_Player {
 public:
  TSound_Effect_Player() { Effect_.setObjectName(QStringLiteral("MediaPlayer_Bot_Sound")); }

  void Play(const QString& file) override {
    Effect_.stop();
    Effect_.setSource(QUrl::fromLocalFile(file));
    Effect_.play();
  }

  void Stop() override { Effect_.stop(); }

  [[nodiscard]] bool Loading() const override { return Effect_.status() == QSoundEffect::Loading; }

 private:
  QSoundEffect Effect_;
};

}  // namespace

// The module's one exported symbol, looked up by name (Create_Sound_Player_Symbol).
// NOLINTNEXTLINE(readability-identifier-naming)
extern "C" Q_DECL_EXPORT vorlix::ui::TSound_Player* vorlix_create_sound_player() {
  return new TSound_Effect_Player();
}

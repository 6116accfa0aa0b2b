#pragma once
// Bot sounds of the properties dialog. Qt Multimedia and its audio back ends are some two dozen
// shared libraries that most starts of the program never use, so the player lives in a module of
// its own (vorlix_sound), loaded when the first sound is played.

#include <memory>

#include <QLibrary>
#include <QString>
#include <QStringList>

namespace vorlix::ui {

// The player the module makes.
class TSound_Player {
 public:
  TSound_Player() = default;
  TSound_Player(const TSound_Player&) = delete;
  TSound_Player& operator=(const TSound_Player&) = delete;
  TSound_Player(TSound_Player&&) = delete;
  TSound_Player& operator=(TSound_Player&&) = delete;
  virtual ~TSound_Player() = default;
  // Plays the file asynchronously, replacing what is playing; silent without an audio device.
  virtual void Play(const QString& file) = 0;
  virtual void Stop() = 0;
  // Whether the file last given is still being read (Qt Multimedia reads it on a thread).
  [[nodiscard]] virtual bool Loading() const = 0;
};

// The module's factory, exported with C linkage under this name.
using TCreate_Sound_Player = TSound_Player* (*)();
inline constexpr const char* Create_Sound_Player_Symbol = "vorlix_create_sound_player";
inline constexpr const char* Sound_Module_Name = "vorlix_sound";

// The folders searched for the module: beside the executable (a build or a portable program),
// then <prefix>/lib/vorlix of an installation.
QStringList Sound_Module_Dirs();

// Plays through the module, loaded on the first Play from the first folder that holds it. Without
// the module the sounds stay silent, as they do without an audio device.
class TBot_Sound {
 public:
  explicit TBot_Sound(QStringList dirs = Sound_Module_Dirs());
  TBot_Sound(const TBot_Sound&) = delete;
  TBot_Sound& operator=(const TBot_Sound&) = delete;
  TBot_Sound(TBot_Sound&&) = delete;
  TBot_Sound& operator=(TBot_Sound&&) = delete;
  ~TBot_Sound();

  void Play(const QString& file);
  void Stop();
  // Whether a player is at hand (the module was found by an earlier Play).
  [[nodiscard]] bool Has_Player() const { return Player_ != nullptr; }
  [[nodiscard]] bool Loading() const { return Player_ != nullptr && Player_->Loading(); }

 private:
  void Load();

  QStringList Dirs_;
  bool Load_Tried_ = false;
  // The library stays loaded for the life of the process: the player's code lives in it.
  QLibrary Library_;
  std::unique_ptr<TSound_Player> Player_;
};

}  // namespace vorlix::ui

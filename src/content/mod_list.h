#pragma once
// The MOD directories of the installation (upper-case names in listing order), each with the
// bots that the MOD offers.

#include <memory>
#include <string>
#include <vector>

namespace vorlix {

class TPK3_Dateien_Verwaltung;
class TInteraction;

struct TBot_Eintrag {
  std::string Bot_Name;   // at most 255 characters; identity within its list (case-sensitive)
  std::string Bot_Model;  // model, optionally "/" and a skin
  std::string Bot_PK3;    // PK3_Filename of the archive whose bots.txt defined the bot
};

class TBot_Liste {
 public:
  explicit TBot_Liste(std::string mod_name) : MOD_Name(std::move(mod_name)) {}

  std::string MOD_Name;
  bool Has_Own_Bots = false;

  void Fuege_Bot_hinzu(const std::string& name, const std::string& model, const std::string& pk3);
  void Setze_Bot(int index, const TBot_Eintrag& bot);
  TBot_Eintrag Hole_Bot(int index) const;
  int Finde_Bot(const std::string& name) const;
  int Count() const { return static_cast<int>(Bots_.size()); }
  void Clear() { Bots_.clear(); }

 private:
  std::vector<TBot_Eintrag> Bots_;
};

class TMOD_Liste {
 public:
  // Builds the list from the game directory's sub-directories.
  // `on_mod_added` runs right after each MOD is appended (the arena-file pass).
  int Count() const { return static_cast<int>(Names_.size()); }
  const std::string& Name(int index) const { return Names_.at(static_cast<std::size_t>(index)); }
  const std::vector<std::string>& Names() const { return Names_; }
  // The attached bot list, or nullptr before the bot information was read.
  TBot_Liste* Bots(int index) const { return Bots_.at(static_cast<std::size_t>(index)).get(); }
  // Position of the first entry equal to the name ignoring case, or -1.
  int IndexOf(const std::string& name) const;
  void Append(const std::string& upper_name);
  void Attach_Bots(int index, std::unique_ptr<TBot_Liste> bots);

 private:
  std::vector<std::string> Names_;
  std::vector<std::unique_ptr<TBot_Liste>> Bots_;
};

}  // namespace vorlix

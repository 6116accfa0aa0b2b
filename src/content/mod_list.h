#pragma once
// The MOD directories of the installation (upper-case names in listing order), each with the
// bots that the MOD offers.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace vorlix {

class TPK3_Record_Store;
class TInteraction;

// Longest text each field of a bot entry holds (the packed form stores the lengths in one byte).
inline constexpr std::size_t Bot_Field_Length = 255;

struct TBot_Entry {
  std::string Bot_Name;   // at most 255 characters; identity within its list (case-sensitive)
  std::string Bot_Model;  // model, optionally "/" and a skin
  std::string Bot_PK3;    // PK3_Filename of the archive whose bots.txt defined the bot
  bool operator==(const TBot_Entry&) const = default;
};

// The bots of one MOD, in the order they were read.
class TBot_List {
 public:
  explicit TBot_List(std::string mod_name) : MOD_Name(std::move(mod_name)) {}

  std::string MOD_Name;       // the MOD list entry the list belongs to (upper case)
  bool Has_Own_Bots = false;  // an extracted bots.txt of this MOD was found

  // Appends an entry; each field is cut to 255 characters.
  void Add_Bot(const std::string& name, const std::string& model, const std::string& pk3);
  // Writes and reads the entry at a position (std::out_of_range for a bad position).
  void Set_Bot(int index, const TBot_Entry& bot);
  TBot_Entry Bot_At(int index) const;
  // Position of the first entry whose Bot_Name equals the name exactly, or -1.
  int Find_Bot(const std::string& name) const;
  int Count() const { return static_cast<int>(Bots_.size()); }
  void Clear();

 private:
  std::vector<TBot_Entry> Bots_;
  // Name -> first position; rebuilt after Set_Bot, so that reading a file of many bots stays
  // linear.
  mutable std::unordered_map<std::string, int> Index_;
  mutable bool Index_Stale_ = false;
};

class TMOD_List;

// Calls the list build makes on its way (the arena-file pass of the start-up).
struct TMOD_List_Hooks {
  // Right after a MOD was appended and before the next entry is looked at: the MOD's upper-case
  // name and its directory's path as it is on disk.
  std::function<void(const std::string& mod_name, const std::string& mod_dir)> MOD_Added;
  // When the listing is done: the number of MODs holding arena files.
  std::function<int(const TMOD_List& mods)> Count_MODs_With_Arena_Files;
};

class TMOD_List {
 public:
  TMOD_List() = default;
  TMOD_List(const TMOD_List&) = delete;
  TMOD_List& operator=(const TMOD_List&) = delete;

  // Empties the list and fills it from the game directory's sub-directories in listing order:
  // directories only (a link to one counts), names beginning with "." and EXTRAS left out, names
  // upper-cased. An unreadable directory gives an empty list. Returns the number of MODs with
  // arena files as the hook counts them (0 without that hook).
  int Build_List(const std::string& game_dir, const TMOD_List_Hooks& hooks = {});

  int Count() const { return static_cast<int>(Names_.size()); }
  const std::string& Name(int index) const { return Names_.at(static_cast<std::size_t>(index)); }
  // All entries in list order (the copy the MOD selection dialog shows).
  const std::vector<std::string>& Names() const { return Names_; }
  // The directory's name as it is on disk (the entry itself when it was appended by hand).
  const std::string& Directory_Name(int index) const {
    return Directory_Names_.at(static_cast<std::size_t>(index));
  }
  // The attached bot list, or nullptr before the bot information was read.
  TBot_List* Bots(int index) const { return Bots_.at(static_cast<std::size_t>(index)).get(); }
  // Position of the first entry equal to the name ignoring case, or -1.
  int Index_Of(const std::string& name) const;
  // Appends an entry (upper-cased) without bot list; `directory_name` defaults to the entry.
  void Append(const std::string& name, const std::string& directory_name = {});
  void Attach_Bots(int index, std::unique_ptr<TBot_List> bots);
  void Clear();

  // Gives every entry a fresh bot list read from the extracted bots.txt files of the present
  // archives of its MOD: the last archive in database order with such a file wins, so the
  // archives are looked at from the last one back and only the winner's file is read. Returns
  // the errors for the user, one for each file that could not be read, in order.
  std::vector<std::string> Determine_Bot_Information(const std::string& program_dir,
                                                     const TPK3_Record_Store& pk3_db);

 private:
  std::vector<std::string> Names_;
  std::vector<std::string> Directory_Names_;
  std::vector<std::unique_ptr<TBot_List>> Bots_;
};

// The message shown when a bots.txt cannot be read.
inline constexpr const char* Bot_Info_Error_Text =
    "Error during determining bot information. Please report to author.";

}  // namespace vorlix

#include "app/discovery.h"

#include <filesystem>
#include <set>
#include <system_error>

#include "core/interaction.h"
#include "core/letter_case.h"
#include "core/listing.h"
#include "core/paths.h"
#include "core/search_roots.h"

namespace fs = std::filesystem;

namespace vorlix {

namespace {

class TSearch {
 public:
  TSearch(TInteraction& interaction, TNotice* notice)
      : Interaction_(interaction), Notice_(notice) {}

  bool Cancelled() const { return Cancelled_; }

  // One root; "" when nothing was confirmed below it.
  std::string Search_Drive(const std::string& root) {
    Found_ = false;
    Result_.clear();
    const std::string start = platform::Without_Trailing_Separator(root);
    if (!Already_Walked(start)) {
      Search_Directory(start);
      Remember(start);
    }
    return Result_;
  }

 private:
  void Search_Directory(const std::string& dir) {
    Interaction_.Keep_Painted();
    if (Notice_ != nullptr) {
      Notice_->Progress(dir);
      if (Notice_->Cancelled()) {
        Cancelled_ = true;
      }
    }
    if (Cancelled_) {
      return;
    }
    const auto entries = platform::List_Directory(dir);
    if (!entries) {
      return;  // unreadable: contributes nothing
    }
    for (const auto& entry : *entries) {
      const std::string path = platform::Join(dir, entry.Name);
      if (platform::Upper(entry.Name) == "QUAKE3.EXE" && Ask_Q3A_Directory(Interaction_, path)) {
        Result_ = dir;
        Found_ = true;
        return;
      }
      if (entry.Is_Directory && !entry.Is_Symlink && !platform::Is_Excluded_From_Search(path) &&
          !Already_Walked(path)) {
        Search_Directory(path);
      }
      if (Found_ || Cancelled_) {
        return;
      }
    }
  }

  void Remember(const std::string& root) {
    Walked_.insert(root);
    std::error_code ec;
    const fs::path canonical = fs::canonical(fs::path(root), ec);
    if (!ec) {
      Walked_.insert(canonical.string());
    }
  }

  bool Already_Walked(const std::string& path) const { return Walked_.count(path) != 0; }

  TInteraction& Interaction_;
  TNotice* Notice_;
  bool Cancelled_ = false;
  std::set<std::string> Walked_;
  std::string Result_;
  bool Found_ = false;
};

}  // namespace

bool Ask_Q3A_Directory(TInteraction& interaction, const std::string& path) {
  return interaction.Message(TMessage_Kind::Confirmation,
                             "Is this your Quake III Arena directory?\r\n\n" + path,
                             TAnswer_Set::Yes_No) == TAnswer::Yes;
}

std::string Find_Q3A_Directory(TInteraction& interaction, const std::vector<std::string>& roots) {
  // The walk may take long: it shows where it is and stops when the user cancels it.
  const auto notice =
      interaction.Cancellable_Notice("Please wait", "Looking for Quake 3 Arena directory...");
  TSearch search(interaction, notice.get());
  for (const auto& root : roots) {
    std::string result = search.Search_Drive(root);
    if (!result.empty() || search.Cancelled()) {
      return result;
    }
  }
  return {};
}

std::string Find_Q3A_Directory(TInteraction& interaction) {
  return Find_Q3A_Directory(interaction, platform::Default_Search_Roots());
}

}  // namespace vorlix

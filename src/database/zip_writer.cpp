#include <set>

#include "core/listing.h"
#include "core/paths.h"
#include "database/zip_archive.h"
#include "database/zip_library.h"

// Writing archives: adding files and renaming members.

namespace vorlix {

using zip_detail::Error_Text;
using zip_detail::Memory_Archive_Error;
using zip_detail::Zip_Message;

std::vector<TZip_Addition> TZip_Archive::Files_Matching(const std::string& base,
                                                        const std::string& file_spec) {
  const std::vector<std::string> parts = platform::Split_Path_Components(file_spec);
  if (parts.empty() || platform::Is_Separator(file_spec[0])) {
    return {};
  }
  // Entry names relative to `base`, "/"-separated, as found on disk.
  std::vector<std::string> found{""};
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    if (parts[i] == "." || parts[i] == "..") {
      return {};
    }
    std::vector<std::string> next;
    for (const auto& prefix : found) {
      const auto listing = platform::List_Directory(platform::Join(base, prefix));
      if (!listing) {
        continue;
      }
      for (const auto& entry : *listing) {
        if (entry.Is_Directory != !last || entry.Is_Symlink) {
          continue;
        }
        if (Spec_Matches(parts[i], entry.Name)) {
          next.push_back(prefix.empty() ? entry.Name : prefix + "/" + entry.Name);
        }
      }
    }
    found = std::move(next);
  }
  std::vector<TZip_Addition> files;
  files.reserve(found.size());
  for (auto& name : found) {
    files.push_back({platform::Join(base, name), std::move(name)});
  }
  return files;
}

void TZip_Archive::Add(const std::vector<TZip_Addition>& additions) {
  if (Zip_Filename_.empty()) {
    throw TZip_Error("No archive name given.");
  }
  if (Data_) {
    throw TZip_Error(Memory_Archive_Error(Zip_Filename_));
  }
  // The same entry twice is added once.
  std::vector<TZip_Addition> files;
  std::set<std::string> seen;
  for (const auto& addition : additions) {
    if (seen.insert(addition.Entry_Name).second) {
      files.push_back(addition);
    }
  }
  if (files.empty()) {
    throw TZip_Error("No files to add to " + Zip_Filename_ + ".");
  }
  Close();
  int code = 0;
  zip_t* archive = lz::zip_open(Zip_Filename_.c_str(), ZIP_CREATE, &code);
  if (archive == nullptr) {
    throw TZip_Error(Zip_Filename_ + ": " + Error_Text(code));
  }
  for (const auto& [file, name] : files) {
    zip_source_t* source = lz::zip_source_file(archive, file.c_str(), 0, -1);
    if (source == nullptr) {
      std::string message = name;
      message.append(": ").append(Zip_Message(archive));
      lz::zip_discard(archive);
      throw TZip_Error(message);
    }
    zip_int64_t index = lz::zip_name_locate(archive, name.c_str(), ZIP_FL_NOCASE | ZIP_FL_ENC_RAW);
    bool ok = false;
    if (index >= 0) {
      ok = lz::zip_file_replace(archive, static_cast<zip_uint64_t>(index), source, 0) == 0;
      if (!ok) {
        lz::zip_source_free(source);
      }
      const char* old_name =
          lz::zip_get_name(archive, static_cast<zip_uint64_t>(index), ZIP_FL_ENC_RAW);
      if (ok && old_name != nullptr && name != old_name) {
        ok = lz::zip_file_rename(archive, static_cast<zip_uint64_t>(index), name.c_str(),
                                 ZIP_FL_ENC_GUESS) == 0;
      }
    } else {
      index = lz::zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_GUESS);
      ok = index >= 0;
      if (!ok) {
        lz::zip_source_free(source);
      }
    }
    if (ok) {
      ok = lz::zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE,
                                        9) == 0;
    }
    if (!ok) {
      std::string message = name;
      message.append(": ").append(Zip_Message(archive));
      lz::zip_discard(archive);
      throw TZip_Error(message);
    }
  }
  if (lz::zip_close(archive) != 0) {
    const std::string message = Zip_Message(archive);
    lz::zip_discard(archive);
    throw TZip_Error(Zip_Filename_ + ": " + message);
  }
  Entries_.clear();
  List();
}

void TZip_Archive::Rename_Entry(int index, const std::string& new_name) {
  if (index < 0 || index >= Count()) {
    throw TZip_Error("no such member");
  }
  if (Data_) {
    throw TZip_Error(Memory_Archive_Error(Zip_Filename_));
  }
  Close();
  int code = 0;
  zip_t* archive = lz::zip_open(Zip_Filename_.c_str(), 0, &code);
  if (archive == nullptr) {
    throw TZip_Error(Zip_Filename_ + ": " + Error_Text(code));
  }
  if (lz::zip_file_rename(archive, static_cast<zip_uint64_t>(index), new_name.c_str(),
                          ZIP_FL_ENC_GUESS) != 0 ||
      lz::zip_close(archive) != 0) {
    const std::string message = Zip_Message(archive);
    lz::zip_discard(archive);
    Entries_.clear();
    List();
    throw TZip_Error(Zip_Filename_ + ": " + message);
  }
  Entries_.clear();
  List();
}

}  // namespace vorlix

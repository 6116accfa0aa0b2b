#pragma once
// A collection check made in memory: archives with their members, and what each map and shader
// script asks for, as the two indexes would hold them.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "content/shader_script.h"
#include "database/collection_check.h"

namespace vorlix::testing {

class TCollection_Builder {
 public:
  // An archive (an empty file name: the loose files of the directory) and its members.
  TCollection_Builder& Archive(const std::string& mod, const std::string& pk3,
                               std::vector<std::string> members) {
    Archives_.push_back({mod, pk3, std::move(members)});
    Content_.Archives().push_back({.MOD_Directory = mod, .PK3_Filename = pk3});
    return *this;
  }
  // A map of the archive added last, the shaders it names and the files of its entities; its
  // own member is added to the archive.
  TCollection_Builder& Map(const std::string& map_file, const std::vector<std::string>& shaders,
                           const std::vector<std::pair<TFile_Kind, std::string>>& files = {},
                           const std::string& problem = {}) {
    TMap_Content map{.Map_File = map_file, .Problem = problem};
    for (const std::string& shader : shaders) {
      map.Shaders.push_back(Content_.Intern(Shader_Lookup_Key(shader)));
    }
    for (const auto& [kind, name] : files) {
      map.Files.emplace_back(kind, Content_.Intern(name));
    }
    Content_.Archives().back().Maps.push_back(std::move(map));
    Archives_.back().Members.push_back(map_file);
    return *this;
  }
  // A shader script of the archive added last defining one shader with its images.
  TCollection_Builder& Script(const std::string& script, const std::string& shader,
                              const std::vector<std::string>& images) {
    TShader_Content definition{.Name = Content_.Intern(Shader_Key(shader))};
    for (const std::string& image : images) {
      definition.Images.push_back(Content_.Intern(image));
    }
    const auto position = static_cast<std::uint32_t>(Archives_.back().Members.size());
    Content_.Archives().back().Scripts.push_back(
        {.Script = script, .Member_Position = position, .Definitions = {std::move(definition)}});
    Archives_.back().Members.push_back(script);
    return *this;
  }

  std::shared_ptr<TCollection_Check> Build(std::vector<std::string> bases = {"baseq3"},
                                           TContent_Rules rules = {}) {
    TMember_Index members;
    for (const TArchive& archive : Archives_) {
      members.Add_Source({.MOD_Directory = archive.MOD, .PK3_Filename = archive.PK3});
      for (const std::string& member : archive.Members) {
        members.Add_Member(member, 100, 0x1234, 8);
      }
    }
    members.Finish(bases.empty() ? std::string() : bases.front());
    auto check = std::make_shared<TCollection_Check>(std::move(members), std::move(Content_),
                                                     std::move(bases), rules);
    check->Compute_All();
    return check;
  }

 private:
  struct TArchive {
    std::string MOD;
    std::string PK3;
    std::vector<std::string> Members;
  };
  std::vector<TArchive> Archives_;
  TContent_Index Content_;
};

}  // namespace vorlix::testing

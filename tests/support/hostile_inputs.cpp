#include "hostile_inputs.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>

#include "arena/arena_script.h"
#include "browser/maps_tree.h"
#include "builders.h"
#include "content/bots_txt.h"
#include "content/bsp_references.h"
#include "content/shader_script.h"
#include "database/content_index.h"
#include "database/database_file.h"
#include "database/records.h"
#include "database/scan.h"
#include "database/stream.h"
#include "database/zip_archive.h"
#include "records_builder.h"
#include "scripted_interaction.h"

namespace vorlix::testing {

namespace fs = std::filesystem;

std::string Zip_Input_Fault(const std::string& bytes, const std::string& scratch) {
  const fs::path out = fs::path(scratch) / "out";
  std::error_code ignored;
  fs::remove_all(out, ignored);
  fs::create_directories(out);
  constexpr std::uint64_t total_limit = std::uint64_t{4} << 20;
  TZip_Archive archive;
  try {
    archive.Set_Zip_Data(bytes, "input.pk3");
    for (const TZip_Entry& entry : archive.Entries()) {
      (void)Is_Safe_Member_Name(entry.Name);
    }
    archive.Max_Member_Size = 1 << 20;
    archive.Max_Total_Size = total_limit;
    (void)archive.Extract({"*", "*/*", "*/*/*", "maps/*.bsp"}, out.string(), true);
  } catch (const TZip_Error&) {
    // damaged or hostile archive: reported
  }
  std::uintmax_t total = 0;
  for (auto it = fs::recursive_directory_iterator(out, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_symlink()) {
      return "a link was written: " + it->path().string();
    }
    total += it->is_regular_file() ? it->file_size() : 0;
  }
  if (total > total_limit) {
    return "more written than the limit allows";
  }
  for (const auto& entry : fs::directory_iterator(scratch)) {
    if (entry.path().filename() != "out") {
      return "written beside the extraction folder: " + entry.path().string();
    }
  }
  return "";
}

std::string Database_Input_Fault(const std::string& bytes, const std::string& scratch) {
  const std::string path = scratch + "/mapsdb.dat";
  Write_File(path, bytes);
  TPK3_Record_Store database(TDatabase_Paths{scratch, scratch + "/TEMP", "", "", ""});
  const TDatabase_Load_Result loaded = TDatabase_File::Load_Database(database, path);
  for (int i = 0; i < database.Count(); ++i) {
    const TPK3_Record* pk3 = database.Items(i);
    for (int m = 0; pk3->Maps && m < pk3->Maps->Count(); ++m) {
      if (pk3->Maps->Items(m)->PK3 != pk3) {
        return "a map outside the record it is listed under";
      }
    }
  }
  return loaded.Complete() || !loaded.Message.empty() ? "" : "a failed load that was not reported";
}

namespace {

// IDs 0..3 for the archives and their maps; archive 3 and map 2 of each are gone.
struct TTree_Database {
  TTree_Database() : Database(TDatabase_Paths{}) {
    for (int p = 0; p < 4; ++p) {
      TPK3_Record* pk3 = Add_PK3(Database, "baseq3", "pak" + std::to_string(p) + ".pk3", p != 3);
      pk3->ID = p;
      for (int m = 0; m < 4; ++m) {
        Add_Map(pk3, "map" + std::to_string(p) + std::to_string(m) + ".bsp", {}, m != 2)->ID = m;
      }
    }
  }
  TPK3_Record_Store Database;
};

}  // namespace

std::string Tree_Input_Fault(const std::string& bytes) {
  static const TTree_Database* const fixture = new TTree_Database;  // lives for the whole run
  TMaps_Tree tree;
  const bool loaded = tree.Load_From_Bytes(bytes, fixture->Database).Ok();
  std::string fault;
  std::size_t nodes = 0;
  tree.For_Each([&](const TMaps_Tree_Node& node, int) {
    ++nodes;
    if (!node.Is_Group() && (node.Map == nullptr || !node.Map->Present)) {
      fault = "a map that does not exist reached the tree";
    }
  });
  // Every node costs at least five bytes of the file (version and kind).
  if (fault.empty() && nodes > bytes.size() / 5 + 1) {
    fault = "more nodes than the file can hold";
  }
  if (fault.empty() && loaded) {
    TMaps_Tree again;
    if (!again.Load_From_Bytes(tree.Serialize(), fixture->Database).Ok() ||
        again.Serialize() != tree.Serialize()) {
      fault = "what loaded does not save and load to the same bytes";
    }
  }
  return fault;
}

std::string Bots_Txt_Input_Fault(const std::string& text) {
  TBot_List bots("baseq3");
  try {
    Read_BOTS_TXT_From_Text(bots, text, "bots.pk3");
  } catch (const TText_Read_Error&) {
    return "";  // a reported read error is a valid outcome
  }
  for (int i = 0; i < bots.Count(); ++i) {
    if (bots.Bot_At(i).Bot_Name.size() > text.size()) {
      return "a bot name longer than the text";
    }
  }
  return "";
}

std::string Arena_Script_Input_Fault(const std::string& text) {
  for (const TArena_Block& block : Read_Arena_Blocks(text)) {
    if (block.Map.empty() || block.Map.size() > text.size() || block.Type.size() > text.size()) {
      return "a block without a map or larger than the text";
    }
    const std::uint8_t types = Read_Game_Type_Words(block.Type);
    if (types == 0 || types > 63) {
      return "game types outside the six known ones";
    }
    const std::vector<std::string> bots = Determine_Bots(block.Bots);
    if (std::any_of(bots.begin(), bots.end(), [](const std::string& b) { return b.empty(); })) {
      return "an empty bot name";
    }
  }
  return "";
}

std::string Bsp_Input_Fault(const std::string& bytes, const std::string& scratch) {
  const std::string path = scratch + "/map.bsp";
  Write_File(path, bytes);
  try {
    return Read_Longname(path).size() > bytes.size() ? "a title longer than the file" : "";
  } catch (const TStream_Error&) {
    return "";  // too short or unreadable: reported
  }
}

std::string Shader_Script_Input_Fault(const std::string& text) {
  const TShader_Script script = Read_Shader_Script(text);
  if (script.Ignored_By_Engine && script.Error.empty()) {
    return "an ignored script without its reason";
  }
  if (script.Definitions.size() > Shader_Definition_Limit) {
    return "more definitions than the limit";
  }
  // 8 stages of 8 frames, two sky boxes of six faces.
  constexpr std::size_t image_limit = 8 * 8 + 12;
  for (const TShader_Definition& definition : script.Definitions) {
    if (definition.Name.empty() || definition.Name.size() > 1023 ||
        definition.Name.size() > text.size()) {
      return "a definition name empty or longer than a token";
    }
    if (definition.Images.size() > image_limit) {
      return "more images than stages and sky boxes can name";
    }
    for (const std::string& image : definition.Images) {
      if (image.empty() || image.size() > 1023) {
        return "an image name empty or longer than a token";
      }
    }
  }
  const TShader_Script again = Read_Shader_Script(text);
  if (again.Definitions.size() != script.Definitions.size() || again.Error != script.Error) {
    return "a second reading differs";
  }
  return "";
}

std::string Bsp_References_Input_Fault(const std::string& bytes) {
  const TBSP_References references = Read_BSP_References(bytes);
  const TBSP_Layout layout =
      Read_BSP_Layout(std::string_view(bytes).substr(0, BSP_Header_Size), bytes.size());
  const std::size_t entries = bytes.size() / 72;
  if (!layout.Is_BSP &&
      (!references.Shaders.empty() || !references.Files.empty() || references.Error.empty())) {
    return "references or no error from what is no map";
  }
  if (references.Shaders.size() > entries || references.Fog_Shaders.size() > entries ||
      references.Surface_Shaders.size() > entries) {
    return "more names than the file can hold";
  }
  for (const auto* names : {&references.Shaders, &references.Fog_Shaders}) {
    for (const std::string& name : *names) {
      if (name.empty() || name.size() > 63) {
        return "a lump name empty or longer than its field";
      }
    }
  }
  for (const auto* list : {&references.Files, &references.Shader_Keys}) {
    for (const TEntity_Reference& reference : *list) {
      if (reference.Name.empty() || reference.Name.size() > 1023) {
        return "an entity reference empty or longer than a token";
      }
    }
  }
  const TBSP_References prefix = Read_BSP_References(
      std::string_view(bytes).substr(0, BSP_Reference_Bytes(layout)), bytes.size());
  if (prefix.Shaders != references.Shaders || prefix.Fog_Shaders != references.Fog_Shaders ||
      prefix.Surface_Shaders != references.Surface_Shaders ||
      prefix.Files.size() != references.Files.size() ||
      prefix.Shader_Keys.size() != references.Shader_Keys.size() ||
      prefix.Error != references.Error) {
    return "the needed bytes alone read differently";
  }
  return "";
}

std::string Content_Index_Input_Fault(const std::string& bytes, const std::string& scratch) {
  const std::string path = scratch + "/content.dat";
  Write_File(path, bytes);
  TContent_Index index;
  if (!index.Load(path)) {
    return index.Archives().empty() && index.Name_Count() == 0 ? "" : "a refused file left data";
  }
  std::size_t names = 0;
  const auto check = [&index, &names](std::uint32_t id) {
    names += id < index.Name_Count() ? 0 : 1;
  };
  for (const TContent_Archive& archive : index.Archives()) {
    for (const TMap_Content& map : archive.Maps) {
      std::for_each(map.Shaders.begin(), map.Shaders.end(), check);
      for (const auto& file : map.Files) {
        check(file.second);
      }
    }
    for (const TScript_Content& script : archive.Scripts) {
      for (const TShader_Content& shader : script.Definitions) {
        check(shader.Name);
        std::for_each(shader.Images.begin(), shader.Images.end(), check);
      }
    }
  }
  if (names > 0) {
    return "a name outside the index's names";
  }
  const std::string again = scratch + "/content-again.dat";
  if (!index.Save(again).empty()) {
    return "a loaded index could not be written";
  }
  TContent_Index reread;
  const std::string third = scratch + "/content-third.dat";
  if (!reread.Load(again) || reread.Archives().size() != index.Archives().size() ||
      !reread.Save(third).empty() || Read_File(third) != Read_File(again)) {
    return "a loaded index reads differently once written";
  }
  return "";
}

std::vector<std::pair<std::string, std::string>> Fuzz_Inputs(const std::string& fuzz_dir,
                                                             const std::string& target) {
  std::vector<std::pair<std::string, std::string>> inputs;
  for (const auto& entry : fs::directory_iterator(fs::path(fuzz_dir) / "corpus" / target)) {
    inputs.emplace_back(entry.path().filename().string(), Read_File(entry.path().string()));
  }
  for (const auto& entry : fs::directory_iterator(fs::path(fuzz_dir) / "regressions")) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(target + "-", 0) == 0) {
      inputs.emplace_back(name, Read_File(entry.path().string()));
    }
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

}  // namespace vorlix::testing

#pragma once
// An in-memory database for the browser tests: archives with maps, built field by field; and the
// records of a tree file written by hand.

#include <memory>
#include <string>
#include <vector>

#include "browser/maps_tree.h"
#include "database/records.h"
#include "database/stream.h"
#include "records_builder.h"
#include "scripted_interaction.h"

namespace vorlix::testing {

class TTest_Database {
 public:
  TTest_Database() : Database(TDatabase_Paths{}) {}

  TPK3_Record* Add_PK3(const std::string& directory, const std::string& filename,
                       bool present = true) {
    return testing::Add_PK3(Database, directory, filename, present);
  }
  static TMap_Record* Add_Map(TPK3_Record* pk3, const std::string& filename,
                              const std::string& title = {}, bool present = true) {
    return testing::Add_Map(pk3, filename, title, present);
  }

  TScripted_Interaction Interaction;
  TPK3_Record_Store Database;
};

// The texts of the children of a tree node, in displayed order.
inline std::vector<std::string> Child_Texts(const TMaps_Tree_Node* node) {
  std::vector<std::string> texts;
  for (int i = 0; i < node->Child_Count(); ++i) {
    texts.push_back(node->Child(i)->Text);
  }
  return texts;
}

// A group record of the tree file, followed by its children.
inline void Write_Group(TByte_Writer& writer, std::int32_t children, const std::string& name,
                        std::int32_t version = Record_Version) {
  writer.Write_Integer(version);
  writer.Write_Byte(1);
  writer.Write_Integer(children);
  writer.Write_String(name);
}

inline void Write_Entry(TByte_Writer& writer, std::int32_t map_id, std::int32_t pk3_id,
                        std::int32_t version = Record_Version) {
  writer.Write_Integer(version);
  writer.Write_Byte(0);
  writer.Write_Integer(map_id);
  writer.Write_Integer(pk3_id);
}

// The same records as bytes of their own.
inline std::string Tree_Group(const std::string& name, std::int32_t children,
                              std::int32_t version = Record_Version) {
  TByte_Writer writer;
  Write_Group(writer, children, name, version);
  return writer.Data();
}
inline std::string Tree_Entry(std::int32_t map_id, std::int32_t pk3_id,
                              std::int32_t version = Record_Version) {
  TByte_Writer writer;
  Write_Entry(writer, map_id, pk3_id, version);
  return writer.Data();
}

}  // namespace vorlix::testing

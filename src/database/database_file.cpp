#include "database/database_file.h"

#include <algorithm>
#include <memory>
#include <optional>

#include <sys/stat.h>

#include "database/records.h"
#include "database/stream.h"

namespace vorlix {

namespace {

// The fewest bytes a map record can take: its numbers, booleans, three empty strings and two
// empty lists. A map count that needs more than what remains of the file is damage.
constexpr std::size_t Min_Map_Record_Size = 4 + 4 + 1 + 5 + 5 + 4 + 4 + 3 + 12 + 1 + 5 + 1 + 20 + 8;

void Write_Map(TByte_Writer& out, const TMap_Record& map) {
  out.Write_Integer(Record_Version);
  out.Write_Integer(map.ID);
  out.Write_Bool(map.Present);
  out.Write_String(map.MAP_Filename);
  out.Write_String(map.Map_Longname);
  out.Write_Cardinal(map.MAP_Filesize);
  out.Write_Integer(map.MAP_Filedate);
  out.Write_Bool(map.Has_AAS);
  out.Write_Bool(map.Has_Levelshot_TGA);
  out.Write_Bool(map.Has_Levelshot_JPG);
  out.Write_Integer(map.Min_Recomm_Players);
  out.Write_Integer(map.Max_Recomm_Players);
  out.Write_Integer(map.Rating);
  out.Write_Bool(map.Allow_Include_In_Arena_File);
  out.Write_String(map.Comment);
  out.Write_Buffer(&map.Game_Types, 1);
  out.Write_Integer(map.Limits_Frags);
  out.Write_Integer(map.Limits_Captures);
  out.Write_Integer(map.Limits_Time);
  out.Write_Integer(map.Limits_Players);
  out.Write_Integer(map.Bot_Skill);
  out.Write_Strings(map.Useable_MODs);
  out.Write_Strings(map.Assigned_Bots);
}

// Fields 2 to 23 of a map record.
void Read_Map(TByte_Reader& in, TMap_Record& map) {
  map.ID = in.Read_Integer();
  map.Present = in.Read_Bool();
  map.MAP_Filename = in.Read_String();
  map.Map_Longname = in.Read_String();
  map.MAP_Filesize = in.Read_Cardinal();
  map.MAP_Filedate = in.Read_Integer();
  map.Has_AAS = in.Read_Bool();
  map.Has_Levelshot_TGA = in.Read_Bool();
  map.Has_Levelshot_JPG = in.Read_Bool();
  map.Min_Recomm_Players = in.Read_Integer();
  map.Max_Recomm_Players = in.Read_Integer();
  map.Rating = in.Read_Integer();
  map.Allow_Include_In_Arena_File = in.Read_Bool();
  map.Comment = in.Read_String();
  in.Read_Buffer(&map.Game_Types, 1);
  map.Limits_Frags = in.Read_Integer();
  map.Limits_Captures = in.Read_Integer();
  map.Limits_Time = in.Read_Integer();
  map.Limits_Players = in.Read_Integer();
  map.Bot_Skill = in.Read_Integer();
  in.Read_Strings(map.Useable_MODs);
  in.Read_Strings(map.Assigned_Bots);
}

}  // namespace

TResult<void> TDatabase_File::Save_Database(const TPK3_Record_Store& database,
                                            const std::string& path) {
  // The records are written out piece by piece (compared with the file first, which most closes
  // leave as it is): a collection of a hundred thousand maps is never held twice in memory.
  const auto produce = [&database](TByte_Writer& out) {
    for (int i = 0; i < database.Count(); ++i) {
      const TPK3_Record& pk3 = *database.Items(i);
      out.Write_Integer(Record_Version);
      out.Write_Integer(pk3.ID);
      out.Write_Bool(pk3.Present);
      out.Write_String(pk3.MOD_Directory);
      out.Write_String(pk3.PK3_Filename);
      out.Write_Cardinal(pk3.PK3_Filesize);
      out.Write_Integer(pk3.PK3_Filedate);
      const int maps = pk3.Maps ? pk3.Maps->Count() : 0;
      out.Write_Integer(maps);
      for (int m = 0; m < maps; ++m) {
        Write_Map(out, *pk3.Maps->Items(m));
      }
    }
  };
  try {
    // A new file beside the old one replaces it only when complete.
    Write_File_Atomically(path, produce);
  } catch (const TStream_Error& error) {
    // The file and the system's reason (a full disk, no permission, a folder in the way).
    return TFailure{"Error during saving PK3 information: " + std::string(error.what()) + ". " +
                    path + " keeps its previous content."};
  }
  return {};
}

TDatabase_Load_Result TDatabase_File::Load_Database(TPK3_Record_Store& database,
                                                    const std::string& path) {
  database.Clear();
  database.Set_Load_Damaged(false);
  TDatabase_Load_Result result;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    return result;
  }
  // The bytes live in the reader alone; what could not be read is kept from there.
  std::optional<TByte_Reader> reader;
  std::string reason;
  try {
    try {
      reader.emplace(Read_Whole_File(path));
    } catch (const TStream_Error& error) {
      reason = error.what();  // no file of records at all: a FIFO, a device, a directory
      throw;
    }
    TByte_Reader& in = *reader;
    bool stopped = false;
    // The largest ID so far: a new record gets the next one, as Add_Record gives it, without a
    // walk over every record already read.
    std::int32_t largest_id = -1;
    while (!stopped && !in.At_End()) {
      auto owned = std::make_unique<TPK3_Record>();
      owned->ID = Following_ID(largest_id);
      TPK3_Record& pk3 = *owned;
      // The map manager exists from the start, so a record left by an interrupted read is whole.
      pk3.Maps = database.New_Map_Manager(&pk3);
      database.Append_Record(std::move(owned));
      if (in.Read_Integer() != Record_Version) {
        result.Status = TDatabase_Load_Status::Incompatible_Archives;
        result.Message = "Error loading pk3 information. Incompatible file format.";
        stopped = true;
        break;
      }
      pk3.ID = in.Read_Integer();
      largest_id = std::max(largest_id, pk3.ID);
      pk3.Present = in.Read_Bool();
      pk3.MOD_Directory = in.Read_String();
      pk3.PK3_Filename = in.Read_String();
      pk3.PK3_Filesize = in.Read_Cardinal();
      pk3.PK3_Filedate = in.Read_Integer();
      const std::int32_t maps = in.Read_Integer();
      if (maps < 0 || static_cast<std::size_t>(maps) > in.Remaining() / Min_Map_Record_Size) {
        throw TStream_Error("map count beyond the end of the file");
      }
      for (std::int32_t m = 0; m < maps; ++m) {
        TMap_Record& map = *pk3.Maps->Items(pk3.Maps->Add_Record());
        if (in.Read_Integer() != Record_Version) {
          result.Status = TDatabase_Load_Status::Incompatible_Maps;
          result.Message = "Error loading map information. Incompatible file format.";
          stopped = true;
          break;
        }
        Read_Map(in, map);
      }
    }
  } catch (const TStream_Error&) {
    // A file read in part must not be built on: what was not read would be lost at the next
    // save, and the maps tree would drop every entry it could not find.
    database.Set_Load_Damaged(true);
    result.Status = TDatabase_Load_Status::Damaged;
  }
  if (!result.Complete() && reader && !reader->Data().empty()) {
    // What could not be read is kept beside the file, whatever happens to the file later.
    try {
      Write_File_Atomically(path + ".bak", reader->Data());
      result.Backup_Kept = true;
    } catch (const TStream_Error&) {
      // The file itself stays as it is all the same.
    }
  }
  if (result.Damaged()) {
    result.Message = Damaged_Database_Message(path, result.Backup_Kept, reason);
  }
  return result;
}

std::string Damaged_Database_Message(const std::string& path, bool backup_kept,
                                     const std::string& reason) {
  const std::string folder = path.substr(0, path.find_last_of('/') + 1);
  std::string text = "Error during loading PK3 information: " + path +
                     " cannot be read completely. Vorlix stops without changing any of its files.";
  text += backup_kept ? " A copy of it is kept as " + path + ".bak." : " The file stays as it is.";
  text += " To start afresh, move mapsdb.dat and mapstree.dat out of " +
          (folder.empty() ? std::string(".") : folder.substr(0, folder.size() - 1)) +
          ": every archive is then read again and the maps tree starts empty.";
  if (!reason.empty()) {
    text += " The reason: " + reason + ".";
  }
  return text;
}

}  // namespace vorlix

// Load_Database on arbitrary bytes: any content ends as a loaded database or a reported load
// error, never as a crash, a sanitizer report or an allocation the size of a damaged count.

#include <cstddef>
#include <cstdint>

#include "core/session.h"
#include "database/records.h"
#include "fuzz_support.h"
#include "scripted_interaction.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vorlix;
  const std::string path = fuzz::Write_Input("mapsdb.dat", data, size);
  testing::TScripted_Interaction user;
  TPK3_Dateien_Verwaltung database(
      TDatabase_Paths{fuzz::Scratch_Dir(), fuzz::Scratch_Dir() + "/TEMP", "", "", ""}, &user);
  const bool loaded = database.Load_Database(path);
  // Whatever was read must hang together: every map belongs to the record it is listed under.
  for (int i = 0; i < database.Count(); ++i) {
    const TPK3_Datei_Eintrag* pk3 = database.Items(i);
    if (pk3->Maps) {
      for (int m = 0; m < pk3->Maps->Count(); ++m) {
        if (pk3->Maps->Items(m)->PK3 != pk3) {
          __builtin_trap();
        }
      }
    }
  }
  if (!loaded && user.Messages.empty()) {
    __builtin_trap();  // a failed load is always reported to the user
  }
  Session_Flags() = {};
  return 0;
}

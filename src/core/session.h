#pragma once
// Process-wide flags of a run.

namespace vorlix {

struct TSession_Flags {
  // When set, closing writes neither the settings nor mapsdb.dat nor mapstree.dat.
  bool Suppress_Saving = false;
  // A loader asked the application to quit; takes effect once the start-up has finished.
  bool Quit_Requested = false;
};

TSession_Flags& Session_Flags();

}  // namespace vorlix

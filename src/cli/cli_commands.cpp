// The commands of the command-line front end. Each one takes its arguments, runs the start-up,
// does its work and returns 0 or 1; the close follows in Run_Vorlix_Cli.

#include "app/startup.h"
#include "browser/maps_tree.h"
#include "browser/unsorted_list.h"
#include "cli/cli_app.h"
#include "cli/cli_output.h"
#include "content/mod_list.h"

namespace vorlix {

namespace {

// The start-up, and the check that the database it needs was built.
bool Start_With_Database(TCli_Context& context) {
  if (!context.Start()) {
    return false;
  }
  if (!context.State().PK3_Datenbank) {
    context.Error("The maps database is not available in this build of vorlix-cli.");
    return false;
  }
  return true;
}

int Command_Sync(TCli_Context& context, TCli_Args& args) {
  args.Expect_End();
  return context.Start() ? 0 : 1;
}

int Command_List(TCli_Context& context, TCli_Args& args) {
  args.Expect_End();
  if (!Start_With_Database(context)) {
    return 1;
  }
  Write_List(context.Out, context.List());
  return 0;
}

int Command_Tree(TCli_Context& context, TCli_Args& args) {
  args.Expect_End();
  if (!Start_With_Database(context)) {
    return 1;
  }
  Write_Tree(context.Out, context.Tree());
  return 0;
}

int Command_Mods(TCli_Context& context, TCli_Args& args) {
  args.Expect_End();
  if (!context.Start()) {
    return 1;
  }
  if (context.State().MOD_Liste) {
    Write_Mods(context.Out, *context.State().MOD_Liste);
  }
  return 0;
}

}  // namespace

const std::vector<TCli_Command>& Cli_Commands() {
  static const std::vector<TCli_Command> commands = {
      {"sync", "", "the start-up and the close, nothing more: brings mapsdb.dat up to date",
       &Command_Sync},
      {"list", "",
       "the unsorted maps list in display order, one map per line:\n"
       "Mapname TAB Filename TAB in PK3",
       &Command_List},
      {"tree", "",
       "the maps tree in pre-order, two blanks of indentation per depth: a group as its\n"
       "name, a map entry as its text TAB pk3 ID TAB map ID",
       &Command_Tree},
      {"mods", "",
       "the MOD list in order: name TAB own|none TAB number of bots; after each MOD one\n"
       "line per bot: TAB name TAB model TAB pk3 file",
       &Command_Mods},
  };
  return commands;
}

}  // namespace vorlix

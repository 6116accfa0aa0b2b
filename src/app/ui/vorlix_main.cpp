// The window program: parses the options, creates the windows and runs the event loop.

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QIcon>
#include <QPixmap>
#include <QTimer>

#include "app/demo_install.h"
#include "app/heap.h"
#include "app/options.h"
#include "app/program_steps.h"
#include "app/startup.h"
#include "app/ui/main_window.h"
#include "app/ui/program_windows.h"
#include "app/ui/splash_window.h"
#include "core/paths.h"
#include "core/program_lookup.h"
#include "core/relayed_interaction.h"
#include "core/ui/artwork.h"
#include "launch/engine_profiles.h"
#include "vorlix_version.h"

namespace {

// Prints the usage or the version when the options ask for one; true when it did.
bool Answer_Help_Or_Version(const vorlix::TOption_Parse& parse) {
  if (!parse.Ok() || !parse.Options.Arguments.empty()) {
    return false;
  }
  if (parse.Options.Help) {
    std::printf("Usage: vorlix [OPTIONS]\n%s", vorlix::Options_Help().c_str());
    return true;
  }
  if (parse.Options.Version) {
    std::printf("vorlix %s\n", VORLIX_VERSION);
    return true;
  }
  return false;
}

// The words of the command line without --quit-after-startup (for the benchmark: run the
// start-up, show the main window and close it normally, saving as a user's close does, as soon
// as the event loop is idle), which `quit` then says was given.
std::vector<std::string> Program_Words(const std::vector<std::string>& given, bool& quit) {
  std::vector<std::string> words;
  for (const std::string& word : given) {
    if (word == "--quit-after-startup") {
      quit = true;
    } else {
      words.push_back(word);
    }
  }
  return words;
}

// The start-up for a parsed command line, talking through `relay`, its reading ahead begun; null
// with the exit status when the program ends here (what it printed says why).
std::unique_ptr<vorlix::TStartup> Make_Startup(const vorlix::TOption_Parse& parse,
                                               vorlix::TRelayed_Interaction& relay, int& status) {
  vorlix::TProgram_Options program_options = parse.Options;
  const vorlix::TStart_Setup setup = vorlix::Apply_Engine_And_Demo(program_options);
  for (const auto& note : setup.Notes) {
    std::fprintf(stderr, "vorlix: %s\n", note.c_str());
  }
  if (setup.Exit_Status != 0) {
    std::fprintf(stderr, "vorlix: %s\n", setup.Error.c_str());
    status = setup.Exit_Status;
    return nullptr;
  }
  vorlix::TStartup_Options options;
  try {
    options.Program_Dir = vorlix::Program_Directory(program_options);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "vorlix: %s\n", error.what());
    status = 2;
    return nullptr;
  }
  options.Game_Dir = program_options.Game_Dir;
  auto startup = std::make_unique<vorlix::TStartup>(relay, vorlix::TStartup_Steps{}, options);
  startup->Read_Ahead();
  return startup;
}

}  // namespace

int main(int argc, char** argv) {
  vorlix::platform::Prepare_Heap_For_Startup();
  bool quit_after_startup = false;
  const vorlix::TOption_Parse early_parse = vorlix::Parse_Options(
      Program_Words(std::vector<std::string>(argv + 1, argv + argc), quit_after_startup));
  // --help and --version answer without a display.
  if (Answer_Help_Or_Version(early_parse)) {
    return 0;
  }
  // The locale Qt sets for itself, set before any thread of the start-up runs.
  std::setlocale(LC_ALL, "");
  // A command line of this program's own options alone: the start-up's first steps (settings,
  // folders, MOD list, database) run on a thread of their own while Qt and the windows start,
  // telling the user what they must through the relay, which the main window's dialogs serve.
  // Qt sees none of the words then, so that no value of an option is taken for one of Qt's.
  // Other command lines (Qt's own options among them) are read once Qt took its part.
  vorlix::TRelayed_Interaction relay;
  std::unique_ptr<vorlix::TStartup> startup;
  int status = 0;
  if (early_parse.Ok() && early_parse.Options.Arguments.empty()) {
    startup = Make_Startup(early_parse, relay, status);
    if (!startup) {
      return status;
    }
    vorlix::TStartup_Steps first_steps;
    vorlix::Set_Program_Steps(first_steps, relay);
    first_steps.Prepare_Views = vorlix::Views_Ahead_Offered_To(relay);
    startup->Start_First_Steps(first_steps, relay);
  }
  int qt_argc = startup ? 1 : argc;
  QApplication application(qt_argc, argv);
  // Wayland desktops match the windows to the installed desktop entry by this name.
  QGuiApplication::setDesktopFileName(QStringLiteral(VORLIX_APP_ID));
  if (!startup) {
    std::vector<std::string> words;
    const QStringList qt_left = QCoreApplication::arguments();
    for (qsizetype i = 1; i < qt_left.size(); ++i) {
      words.push_back(QFile::encodeName(qt_left[i]).toStdString());
    }
    const vorlix::TOption_Parse parse =
        vorlix::Parse_Options(Program_Words(words, quit_after_startup));
    if (!parse.Ok() || !parse.Options.Arguments.empty()) {
      const std::string usage = "Usage: vorlix [OPTIONS]\n" + vorlix::Options_Help();
      const std::string error =
          parse.Ok() ? "unexpected argument: " + parse.Options.Arguments.front() : parse.Error;
      std::fprintf(stderr, "vorlix: %s\n%s", error.c_str(), usage.c_str());
      return 2;
    }
    if (Answer_Help_Or_Version(parse)) {
      return 0;
    }
    startup = Make_Startup(parse, relay, status);
    if (!startup) {
      return status;
    }
  }

  vorlix::ui::Load_Resources();
  // Through the pixmap cache: the splash window shows the same picture, decoded once.
  QApplication::setWindowIcon(QIcon(QPixmap(vorlix::ui::Logo_Resource)));
  vorlix::ui::TForm_Main_Vorlix main_window(std::move(startup), relay);
  vorlix::ui::TForm_Splash_Screen splash;
  main_window.Set_Splash_Screen(&splash);
  vorlix::ui::TProgram_Windows windows(main_window);

  main_window.show();
  if (main_window.Quit_Without_Saving()) {
    return 1;
  }
  if (quit_after_startup) {
    QTimer::singleShot(0, &main_window, &QWidget::close);
  } else {
    // Engines found on this computer are offered once, when the user keeps none yet.
    QTimer::singleShot(0, &main_window, [&main_window, &windows] {
      vorlix::Offer_Found_Engines(main_window.Interaction(),
                                  vorlix::platform::Program_Search_Folders(),
                                  vorlix::Engine_Install_Places);
      windows.Start_Collection_Check();
    });
  }
  status = QApplication::exec();
  if (main_window.Save_Failed()) {
    status = 1;  // what the user did could not be saved
  }
  // The main window saved everything when it closed; what the windows and the records still hold
  // is memory, which the system takes back at once when the process ends, while taking it apart
  // piece by piece only makes the user wait. Qt's own ending runs only while the program still
  // owns the clipboard: Qt hands its content over to the desktop's clipboard keeper then.
  if (status == 0 && !QGuiApplication::clipboard()->ownsClipboard()) {
    std::fflush(nullptr);
    std::_Exit(0);
  }
  return status;
}

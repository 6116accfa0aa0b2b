// The window program: parses the options, creates the windows and runs the event loop.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
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
#include "app/read_ahead.h"
#include "app/startup.h"
#include "app/ui/main_window.h"
#include "app/ui/program_windows.h"
#include "app/ui/splash_window.h"
#include "core/paths.h"
#include "core/program_lookup.h"
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

// Starts reading what the start-up reads first, for the program and game directories that the
// command line names, while Qt and the windows start; nullptr when the command line is not
// understood yet.
std::unique_ptr<vorlix::TRead_Ahead> Read_Ahead_Early(int argc, char** argv) {
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) != "--quit-after-startup") {
      words.emplace_back(argv[i]);
    }
  }
  const vorlix::TOption_Parse parse = vorlix::Parse_Options(words);
  if (!parse.Ok() || !parse.Options.Arguments.empty() || parse.Options.Help ||
      parse.Options.Version) {
    return nullptr;
  }
  try {
    return std::make_unique<vorlix::TRead_Ahead>(
        vorlix::platform::Without_Trailing_Separator(vorlix::Program_Directory(parse.Options)),
        vorlix::Expected_Game_Directory(parse.Options.Game_Dir));
  } catch (const std::exception&) {
    return nullptr;  // reported when the program directory is determined for good
  }
}

}  // namespace

int main(int argc, char** argv) {
  vorlix::platform::Prepare_Heap_For_Startup();
  // --help and --version answer without a display.
  if (Answer_Help_Or_Version(
          vorlix::Parse_Options(std::vector<std::string>(argv + 1, argv + argc)))) {
    return 0;
  }
  std::unique_ptr<vorlix::TRead_Ahead> read_ahead = Read_Ahead_Early(argc, argv);
  QApplication application(argc, argv);
  // Wayland desktops match the windows to the installed desktop entry by this name.
  QGuiApplication::setDesktopFileName(QStringLiteral(VORLIX_APP_ID));
  std::vector<std::string> arguments;
  const QStringList given = QCoreApplication::arguments();
  // --quit-after-startup (for the benchmark): run the start-up, show the main window and close
  // it normally, saving as a user's close does, as soon as the event loop is idle.
  bool quit_after_startup = false;
  for (qsizetype i = 1; i < given.size(); ++i) {
    if (given[i] == QStringLiteral("--quit-after-startup")) {
      quit_after_startup = true;
      continue;
    }
    arguments.push_back(QFile::encodeName(given[i]).toStdString());
  }
  const vorlix::TOption_Parse parse = vorlix::Parse_Options(arguments);
  const std::string usage = "Usage: vorlix [OPTIONS]\n" + vorlix::Options_Help();
  if (!parse.Ok() || !parse.Options.Arguments.empty()) {
    const std::string error =
        parse.Ok() ? "unexpected argument: " + parse.Options.Arguments.front() : parse.Error;
    std::fprintf(stderr, "vorlix: %s\n%s", error.c_str(), usage.c_str());
    return 2;
  }
  if (Answer_Help_Or_Version(parse)) {
    return 0;
  }
  vorlix::TProgram_Options program_options = parse.Options;
  const vorlix::TStart_Setup setup = vorlix::Apply_Engine_And_Demo(program_options);
  for (const auto& note : setup.Notes) {
    std::fprintf(stderr, "vorlix: %s\n", note.c_str());
  }
  if (setup.Exit_Status != 0) {
    std::fprintf(stderr, "vorlix: %s\n", setup.Error.c_str());
    return setup.Exit_Status;
  }
  vorlix::TStartup_Options options;
  try {
    options.Program_Dir = vorlix::Program_Directory(program_options);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "vorlix: %s\n", error.what());
    return 2;
  }
  options.Game_Dir = program_options.Game_Dir;

  vorlix::ui::Load_Resources();
  // Through the pixmap cache: the splash window shows the same picture, decoded once.
  QApplication::setWindowIcon(QIcon(QPixmap(vorlix::ui::Logo_Resource)));
  vorlix::ui::TForm_Main_Vorlix main_window(options);
  main_window.Startup().Read_Ahead(std::move(read_ahead));
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
  int status = QApplication::exec();
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

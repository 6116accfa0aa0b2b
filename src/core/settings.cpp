#include "core/settings.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QSettings>
#include <QString>
#include <QVariant>

#include "core/case_lookup.h"
#include "core/interaction.h"
#include "core/paths.h"

namespace vorlix {

namespace {

const char* const Organization = "Tolmarine";
const char* const Application = "Vorlix";

QString Key(const char* name) {
  return QStringLiteral("Settings/") + QLatin1String(name);
}

// Removes a file of the program directory found ignoring case; a missing file counts as removed.
bool Remove_Program_File(const std::string& program_dir, const std::string& name) {
  const auto found = platform::Resolve_Ignore_Case(program_dir, name);
  if (!found) {
    return true;
  }
  return ::unlink(found->c_str()) == 0;
}

// A path as the store keeps it: text when its bytes are UTF-8, else the bytes themselves.
QVariant Path_Value(const std::string& path) {
  const QByteArray bytes(path.data(), static_cast<qsizetype>(path.size()));
  const QString text = QString::fromUtf8(bytes);
  if (text.toUtf8() == bytes) {
    return text;
  }
  return bytes;
}

std::string Path_From_Value(const QVariant& value) {
  const QByteArray bytes =
      value.typeId() == QMetaType::QByteArray ? value.toByteArray() : value.toString().toUtf8();
  return bytes.toStdString();
}

// Why a file cannot be written, as the system words it (" (reason)"); empty when not found.
std::string Write_Problem(const std::string& path) {
  if (::access(path.c_str(), F_OK) == 0) {
    return ::access(path.c_str(), W_OK) == 0 ? std::string()
                                             : " (" + std::string(std::strerror(errno)) + ")";
  }
  // The nearest folder above it that exists decides.
  std::string at = platform::Parent(path);
  for (int depth = 0; depth < 64 && !at.empty(); ++depth) {
    struct stat st {};
    if (::stat(at.c_str(), &st) == 0) {
      const int error = !S_ISDIR(st.st_mode)              ? ENOTDIR
                        : ::access(at.c_str(), W_OK) != 0 ? errno
                                                          : 0;
      return error == 0 ? std::string() : " (" + std::string(std::strerror(error)) + ")";
    }
    if (errno == ENOTDIR) {
      return " (" + std::string(std::strerror(ENOTDIR)) + ")";
    }
    const std::string above = platform::Parent(at);
    if (above == at) {
      break;
    }
    at = above;
  }
  return {};
}

// A choice kept as a number: set when it is an integer other than 0 (blanks around it allowed).
bool Flag_Value(const QVariant& value) {
  bool ok = false;
  const int number = value.toString().trimmed().toInt(&ok);
  return ok && number != 0;
}

}  // namespace

std::string Settings_File_Path() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    base = platform::Join(home, ".config");
  } else {
    base = ".config";
  }
  return platform::Join({base, Organization, std::string(Application) + ".conf"});
}

TRegistry_Values Load_Registry_Settings() {
  TRegistry_Values registry_values;
  QSettings store(QFile::decodeName(Settings_File_Path().c_str()), QSettings::IniFormat);
  if (store.status() != QSettings::NoError) {
    return registry_values;
  }
  const QVariant dir = store.value(Key("Q3A_DIR"));
  if (dir.isValid()) {
    registry_values.Q3A_Dir = Path_From_Value(dir);
  }
  registry_values.Dev_Comp = Flag_Value(store.value(Key("DEV_COMP")));
  return registry_values;
}

TResult<void> Save_Registry_Settings(const std::string& game_dir) {
  const std::string path = Settings_File_Path();
  QSettings store(QFile::decodeName(path.c_str()), QSettings::IniFormat);
  const QVariant stored = store.value(Key("Q3A_DIR"));
  if (store.status() == QSettings::NoError && stored.isValid() &&
      Path_From_Value(stored) == game_dir) {
    return {};  // remembered already: the file stays as it is
  }
  store.setValue(Key("Q3A_DIR"), Path_Value(game_dir));
  store.sync();
  if (store.status() != QSettings::NoError) {
    return TFailure{"Vorlix couldn't write its settings to " + path + Write_Problem(path) +
                    ". The game directory will not be remembered."};
  }
  return {};
}

namespace {

bool Save_Program(const char* name, const std::string& program) {
  QSettings store(QFile::decodeName(Settings_File_Path().c_str()), QSettings::IniFormat);
  if (program.empty()) {
    store.remove(Key(name));
  } else {
    store.setValue(Key(name), Path_Value(program));
  }
  store.sync();
  return store.status() == QSettings::NoError;
}

std::string Load_Program(const char* name) {
  QSettings store(QFile::decodeName(Settings_File_Path().c_str()), QSettings::IniFormat);
  const QVariant program = store.value(Key(name));
  return program.isValid() ? Path_From_Value(program) : std::string();
}

}  // namespace

bool Save_Q3A_Exe(const std::string& program) {
  return Save_Program("Q3A_EXE", program);
}

std::string Load_Q3A_Exe() {
  return Load_Program("Q3A_EXE");
}

bool Save_Q3A_Server_Exe(const std::string& program) {
  return Save_Program("Q3A_SERVER_EXE", program);
}

std::string Load_Q3A_Server_Exe() {
  return Load_Program("Q3A_SERVER_EXE");
}

namespace {

QString Text_Value(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Text_From_Value(const QVariant& value) {
  return value.toString().toStdString();
}

}  // namespace

TStored_Engines Load_Stored_Engines() {
  TStored_Engines stored;
  QSettings store(QFile::decodeName(Settings_File_Path().c_str()), QSettings::IniFormat);
  if (store.status() != QSettings::NoError) {
    return stored;
  }
  store.beginGroup(QStringLiteral("Settings"));
  const int engines = store.beginReadArray(QStringLiteral("ENGINE_PROFILES"));
  for (int i = 0; i < engines; ++i) {
    store.setArrayIndex(i);
    TStored_Engine engine{Text_From_Value(store.value(QStringLiteral("NAME"))),
                          Path_From_Value(store.value(QStringLiteral("PROGRAM"))),
                          Text_From_Value(store.value(QStringLiteral("KIND"))),
                          Text_From_Value(store.value(QStringLiteral("ARGUMENTS")))};
    if (!engine.Name.empty()) {
      stored.Engines.push_back(std::move(engine));
    }
  }
  store.endArray();
  const int defaults = store.beginReadArray(QStringLiteral("MOD_ENGINES"));
  for (int i = 0; i < defaults; ++i) {
    store.setArrayIndex(i);
    TStored_MOD_Engine pair{Path_From_Value(store.value(QStringLiteral("MOD"))),
                            Text_From_Value(store.value(QStringLiteral("ENGINE")))};
    if (!pair.Engine.empty()) {
      stored.MOD_Defaults.push_back(std::move(pair));
    }
  }
  store.endArray();
  store.endGroup();
  return stored;
}

bool Save_Stored_Engines(const TStored_Engines& engines) {
  QSettings store(QFile::decodeName(Settings_File_Path().c_str()), QSettings::IniFormat);
  store.beginGroup(QStringLiteral("Settings"));
  // An array written shorter leaves the old entries past its end: the arrays go first.
  store.remove(QStringLiteral("ENGINE_PROFILES"));
  store.remove(QStringLiteral("MOD_ENGINES"));
  store.beginWriteArray(QStringLiteral("ENGINE_PROFILES"),
                        static_cast<int>(engines.Engines.size()));
  for (std::size_t i = 0; i < engines.Engines.size(); ++i) {
    const TStored_Engine& engine = engines.Engines[i];
    store.setArrayIndex(static_cast<int>(i));
    store.setValue(QStringLiteral("NAME"), Text_Value(engine.Name));
    store.setValue(QStringLiteral("PROGRAM"), Path_Value(engine.Program));
    store.setValue(QStringLiteral("KIND"), Text_Value(engine.Kind));
    store.setValue(QStringLiteral("ARGUMENTS"), Text_Value(engine.Arguments));
  }
  store.endArray();
  store.beginWriteArray(QStringLiteral("MOD_ENGINES"),
                        static_cast<int>(engines.MOD_Defaults.size()));
  for (std::size_t i = 0; i < engines.MOD_Defaults.size(); ++i) {
    store.setArrayIndex(static_cast<int>(i));
    store.setValue(QStringLiteral("MOD"), Path_Value(engines.MOD_Defaults[i].MOD));
    store.setValue(QStringLiteral("ENGINE"), Text_Value(engines.MOD_Defaults[i].Engine));
  }
  store.endArray();
  store.endGroup();
  store.sync();
  return store.status() == QSettings::NoError;
}

bool Load_Flag_Setting(const char* name) {
  QSettings store(QFile::decodeName(Settings_File_Path().c_str()), QSettings::IniFormat);
  return Flag_Value(store.value(Key(name)));
}

bool Save_Flag_Setting(const char* name, bool value) {
  QSettings store(QFile::decodeName(Settings_File_Path().c_str()), QSettings::IniFormat);
  store.setValue(Key(name), value ? 1 : 0);
  store.sync();
  return store.status() == QSettings::NoError;
}

std::string Load_Data_Dir() {
  return Load_Program("DATA_DIR");
}

bool Save_Data_Dir(const std::string& dir) {
  return Save_Program("DATA_DIR", dir);
}

bool Check_Old_Version(const std::string& program_dir, TInteraction& interaction) {
  if (!platform::Resolve_Ignore_Case(program_dir, "mapslist.dat")) {
    return false;
  }
  const TAnswer answer = interaction.Message(
      TMessage_Kind::Confirmation,
      "You haven't uninstalled an older version of Vorlix completely before installing this one. Shall Vorlix remove the old files for you?",
      TAnswer_Set::Yes_No);
  if (answer != TAnswer::Yes) {
    return true;
  }
  // mapstree.dat goes only after mapslist.dat went; a tree file that is not there counts as gone.
  const bool removed = Remove_Program_File(program_dir, "mapslist.dat") &&
                       Remove_Program_File(program_dir, "mapstree.dat");
  if (!removed) {
    interaction.Message(
        TMessage_Kind::Error,
        "Vorlix couldn't remove the old files. Please do this by your own. Vorlix won't run otherwise.",
        TAnswer_Set::Cancel);
    return true;
  }
  return false;
}

}  // namespace vorlix

#include "launch/exec_file.h"

#include <cerrno>
#include <vector>

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include "launch/command_line.h"

namespace vorlix {

namespace {

// The error the system gives for a program that cannot be started, found before starting it
// (the process class reports only that the start failed). 0 when nothing is wrong.
std::int32_t Start_Error(const std::string& program, const std::string& working_dir) {
  if (program.empty()) {
    return ENOENT;
  }
  if (!working_dir.empty() && !QFileInfo(QString::fromStdString(working_dir)).isDir()) {
    return ENOENT;
  }
  const QString name = QString::fromStdString(program);
  if (!name.contains(QLatin1Char('/'))) {
    return QStandardPaths::findExecutable(name).isEmpty() ? ENOENT : 0;
  }
  QFileInfo info(name);
  if (!info.isRelative() || working_dir.empty()) {
    // As written.
  } else {
    info = QFileInfo(QString::fromStdString(working_dir) + QLatin1Char('/') + name);
  }
  if (!info.exists()) {
    return ENOENT;
  }
  if (info.isDir() || !info.isExecutable()) {
    return EACCES;
  }
  return 0;
}

QStringList To_Qt(const std::vector<std::string>& arguments) {
  QStringList list;
  for (const auto& argument : arguments) {
    list << QString::fromStdString(argument);
  }
  return list;
}

}  // namespace

bool TExecFile::Start(const std::string& program, const std::vector<std::string>& arguments) {
  Error_ = Start_Error(program, Working_Directory);
  if (Error_ != 0) {
    return false;
  }
  QProcess process;
  process.setProgram(QString::fromStdString(program));
  process.setArguments(To_Qt(arguments));
  if (!Working_Directory.empty()) {
    process.setWorkingDirectory(QString::fromStdString(Working_Directory));
  }
  if (!Wait) {
    // Started on its own: the game outlives this program.
    qint64 pid = 0;
    if (!process.startDetached(&pid)) {
      Error_ = ENOEXEC;
      return false;
    }
    Pid_ = pid;
    return true;
  }
  process.setProcessChannelMode(QProcess::ForwardedChannels);
  process.setInputChannelMode(QProcess::ForwardedInputChannel);
  process.start();
  if (!process.waitForStarted(-1)) {
    Error_ = ENOEXEC;
    return false;
  }
  Pid_ = process.processId();
  Busy_ = true;
  if (WaitStyle == TWaitStyle::wSuspend) {
    process.waitForFinished(-1);
  } else {
    // Keep the caller's events flowing while the process runs.
    do {
      QCoreApplication::processEvents(QEventLoop::AllEvents);
    } while (!process.waitForFinished(20) && process.state() != QProcess::NotRunning);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
  Busy_ = false;
  return true;
}

bool TExecFile::Execute() {
  const std::string joined = CommandLine + " " + Parameters;
  std::string program = Application_Name;
  std::vector<std::string> arguments = Split_Game_Arguments(joined);
  if (program.empty() && !arguments.empty()) {
    program = arguments.front();
    arguments.erase(arguments.begin());
  }
  bool started = Start(program, arguments);
  if (!started && Associate) {
    // The program the desktop associates with the file named by the command.
    const std::string file = CommandLine;
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!file.empty() && QFileInfo::exists(QString::fromStdString(file)) && !opener.isEmpty()) {
      std::vector<std::string> associated = {file};
      for (auto& parameter : Split_Game_Arguments(Parameters)) {
        associated.push_back(parameter);
      }
      const std::int32_t first_error = Error_;
      started = Start(opener.toStdString(), associated);
      if (!started && Error_ == 0) {
        Error_ = first_error;
      }
    }
  }
  if (!started) {
    if (OnFail) {
      OnFail(*this);
    }
    return false;
  }
  return true;
}

}  // namespace vorlix

#include "browser/ui/main_commands.h"

#include <QAction>
#include <QFont>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QToolBar>
#include <QUndoStack>
#include <iterator>

#include "core/ui/artwork.h"

namespace vorlix {

namespace {

struct TCommand_Text {
  TMain_Command Command;
  const char* Menu_Item;    // the menu item's name
  const char* Tool_Button;  // the toolbar button's name; null when it has none
  const char* Caption;
  const char* Hint;
  QKeySequence Key;
};

// In toolbar order; the i-th toolbar button shows the i-th picture of the strip "TOOLBAR".
const TCommand_Text* Command_Texts() {
  static const TCommand_Text texts[] = {
      // Enter and Alt+Enter are the views' own keys (acting on the view that has the focus);
      // the menu shows them after the tab.
      {TMain_Command::Launch_Map,
       "MenuItem_LaunchMap",
       "ToolButton_Launch_Map",
       "&Launch Map\tEnter",
       "Launch Map (Get Some Frags!)",
       {}},
      {TMain_Command::Map_Properties,
       "MenuItem_MapProperties",
       "ToolButton_Map_Properties",
       "Map &Properties\tAlt+Enter",
       "Map Properties",
       {}},
      {TMain_Command::Create_Arena_File, "MenuItem_CreateArenaFile", "ToolButton_Create_Arena_File",
       "&Create Arena File", "Create Arena File (out of selected branch of Maps Tree)",
       QKeySequence(Qt::ALT | Qt::Key_C)},
      {TMain_Command::Import_Arena_File, "MenuItem_ImportArenaFile", "ToolButton_Import_Arena_File",
       "&Import Arena File", "Import Arena File", QKeySequence(Qt::ALT | Qt::Key_I)},
      {TMain_Command::Activate_Arena_File, "MenuItem_ActivateArenaFile",
       "ToolButton_Activate_Arena_File", "&Activate Arena File", "Activate existing Arena File",
       QKeySequence(Qt::ALT | Qt::Key_A)},
      {TMain_Command::Remove_Arena_File, "MenuItem_RemoveArenaFile", "ToolButton_Remove_Arena_File",
       "&Remove Arena File", "Remove Arena File", QKeySequence(Qt::ALT | Qt::Key_R)},
      {TMain_Command::Print, "MenuItem_Print_Arenas", "ToolButton_Print_Maps", "&Print Arenas",
       "Print Maps", QKeySequence(Qt::ALT | Qt::Key_P)},
      {TMain_Command::Printer_Setup,
       "MenuItem_Printer_Setup",
       "ToolButton_Printer_Setup",
       "Printer &Setup",
       "Printer Setup",
       {}},
      {TMain_Command::Exit, "MenuItem_Exit", "ToolButton_Exit", "&Exit", "Exit Vorlix",
       QKeySequence(Qt::CTRL | Qt::Key_Q)},
      {TMain_Command::Info, "MenuItem_Info", nullptr, "&Info", "Info", QKeySequence(Qt::Key_F1)},
  };
  static_assert(std::size(texts) == TMain_Commands::Count);
  return texts;
}

// A stand-in for a missing toolbar picture: a tile with the command's mnemonic letter.
QIcon Drawn_Command_Icon(const QString& caption) {
  const qsizetype amp = caption.indexOf(QLatin1Char('&'));
  const QString letter = caption.mid(amp >= 0 ? amp + 1 : 0, 1).toUpper();
  QPixmap image(25, 25);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QColor(60, 60, 60));
  painter.setBrush(QColor(200, 215, 235));
  painter.drawRoundedRect(QRectF(1.5, 1.5, 22, 22), 4, 4);
  QFont font = painter.font();
  font.setBold(true);
  font.setPixelSize(14);
  painter.setFont(font);
  painter.drawText(QRect(0, 0, 25, 25), Qt::AlignCenter, letter);
  return QIcon(image);
}

}  // namespace

TMain_Commands::TMain_Commands(QUndoStack& history, QObject* parent) : QObject(parent) {
  const QList<QPixmap> images = ui::Images_From_Strip(QStringLiteral(":/TOOLBAR.bmp"), 25);
  qsizetype image = 0;
  for (std::size_t i = 0; i < Count; ++i) {
    const TCommand_Text& text = Command_Texts()[i];
    auto* action = new QAction(QString::fromLatin1(text.Caption), this);
    action->setObjectName(QString::fromLatin1(text.Menu_Item));
    action->setToolTip(QString::fromLatin1(text.Hint));
    action->setStatusTip(QString::fromLatin1(text.Hint));
    if (!text.Key.isEmpty()) {
      action->setShortcut(text.Key);
    }
    if (text.Tool_Button != nullptr) {
      const bool drawn = image >= images.size() || images[image].isNull();
      action->setIcon(drawn ? Drawn_Command_Icon(action->text()) : QIcon(images[image]));
      ++image;
    }
    action->setEnabled(Initially_Available(text.Command));
    Commands_[static_cast<std::size_t>(text.Command)] = action;
  }

  Reload_Action_ = new QAction(QStringLiteral("Re&load"), this);
  Reload_Action_->setObjectName(QStringLiteral("MenuItem_Reload"));
  Reload_Action_->setShortcut(QKeySequence(Qt::Key_F5));
  Reload_Action_->setStatusTip(QStringLiteral("Read the Quake 3 Arena directory again"));
  Undo_Action_ = history.createUndoAction(this, QStringLiteral("&Undo"));
  Undo_Action_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  Redo_Action_ = history.createRedoAction(this, QStringLiteral("&Redo"));
  Redo_Action_->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
}

void TMain_Commands::Install(QMainWindow* window, QAction* random_map) {
  QMenu* vorlix = window->menuBar()->addMenu(QStringLiteral("&Vorlix"));
  vorlix->setObjectName(QStringLiteral("Menu_Vorlix"));
  QMenu* edit = window->menuBar()->addMenu(QStringLiteral("&Edit"));
  edit->setObjectName(QStringLiteral("Menu_Edit"));
  edit->addAction(Undo_Action_);
  edit->addAction(Redo_Action_);
  QMenu* help = window->menuBar()->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("Menu_Help"));
  Tool_Bar_ = window->addToolBar(QStringLiteral("Vorlix"));
  Tool_Bar_->setObjectName(QStringLiteral("ToolBar_Vorlix"));
  Tool_Bar_->setIconSize(QSize(25, 25));
  Tool_Bar_->setMovable(false);
  // Square flat buttons that never take the keys from the view the command acts on.
  const auto add_button = [this](QAction* action, const char* name) {
    Tool_Bar_->addAction(action);
    if (QWidget* button = Tool_Bar_->widgetForAction(action)) {
      button->setObjectName(QString::fromLatin1(name));
      button->setFixedSize(30, 30);
      button->setFocusPolicy(Qt::NoFocus);
    }
  };
  const auto add = [&](TMain_Command command) {
    vorlix->addAction(Command(command));
    add_button(Command(command), Command_Texts()[static_cast<std::size_t>(command)].Tool_Button);
  };
  const auto separate = [&] {
    vorlix->addSeparator();
    Tool_Bar_->addSeparator();
  };
  add(TMain_Command::Launch_Map);
  add(TMain_Command::Map_Properties);
  // Random Map: a toolbar button (and Ctrl+R), the menu stays as it was.
  add_button(random_map, "ToolButton_Random_Map");
  separate();
  add(TMain_Command::Create_Arena_File);
  add(TMain_Command::Import_Arena_File);
  add(TMain_Command::Activate_Arena_File);
  add(TMain_Command::Remove_Arena_File);
  separate();
  add(TMain_Command::Print);
  add(TMain_Command::Printer_Setup);
  separate();
  vorlix->addAction(Reload_Action_);
  vorlix->addSeparator();
  add(TMain_Command::Exit);
  help->addAction(Command(TMain_Command::Info));
  connect(Command(TMain_Command::Exit), &QAction::triggered, window, &QWidget::close);
}

// NOLINTNEXTLINE(readability-make-member-function-const): changes the window's controls
void TMain_Commands::Apply(const TCommand_Change& change) {
  if (change.Launch_Map) {
    Command(TMain_Command::Launch_Map)->setEnabled(*change.Launch_Map);
  }
  if (change.Map_Properties) {
    Command(TMain_Command::Map_Properties)->setEnabled(*change.Map_Properties);
  }
  if (change.Create_Arena_File) {
    Command(TMain_Command::Create_Arena_File)->setEnabled(*change.Create_Arena_File);
  }
}

// NOLINTNEXTLINE(readability-make-member-function-const): changes the window's controls
void TMain_Commands::Set_Arena_Counts(int mods_with_arena_file, int most_arena_files) {
  const TArena_Command_State state = Arena_Rules(mods_with_arena_file, most_arena_files);
  Command(TMain_Command::Activate_Arena_File)->setEnabled(state.Activate_Arena_File);
  Command(TMain_Command::Remove_Arena_File)->setEnabled(state.Remove_Arena_File);
}

// NOLINTNEXTLINE(readability-make-member-function-const): changes the window's controls
void TMain_Commands::Set_Icon(TMain_Command command, const QIcon& icon) {
  Command(command)->setIcon(icon);
}

}  // namespace vorlix

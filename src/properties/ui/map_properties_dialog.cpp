#include "properties/ui/map_properties_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>
#include <string>
#include <vector>

#include "core/settings.h"
#include "core/ui/artwork.h"
#include "core/ui/image_decoder.h"
#include "core/ui/qt_text.h"
#include "database/records.h"
#include "database/stream.h"
#include "launch/engine_profiles.h"
#include "launch/launch_warnings.h"
#include "launch/ui/engine_box.h"
#include "properties/launch_choices.h"
#include "properties/ui/content_page.h"

namespace vorlix {

namespace {

constexpr int Botshot_Size = 128;
constexpr int Dialog_Code_Retry = 2;
constexpr int Dialog_Code_Yes = 3;

Qt::CheckState To_Qt(TCheck_State state) {
  switch (state) {
    case TCheck_State::Checked:
      return Qt::Checked;
    case TCheck_State::Greyed:
      return Qt::PartiallyChecked;
    case TCheck_State::Unchecked:
      break;
  }
  return Qt::Unchecked;
}

// The key codes the preview logic knows the navigation keys by.
int Key_Code(int qt_key) {
  switch (qt_key) {
    case Qt::Key_PageUp:
      return Key_Page_Up;
    case Qt::Key_PageDown:
      return Key_Page_Down;
    case Qt::Key_End:
      return Key_End;
    case Qt::Key_Home:
      return Key_Home;
    case Qt::Key_Up:
      return Key_Up;
    case Qt::Key_Down:
      return Key_Down;
    default:
      return 0;
  }
}

// Digits only, never a value above the field's range: what the user sees is what is kept. Values
// below the range may be typed on the way to a valid one (and empty text stays possible for the
// mixed values of group properties); leaving the field applies the field's own check.
class TRange_Validator : public QValidator {
 public:
  TRange_Validator(int lower, int upper, QObject* parent)
      : QValidator(parent), Lower_(lower), Upper_(upper) {}

  State validate(QString& input, int& /*position*/) const override {
    if (input.isEmpty()) {
      return Intermediate;
    }
    for (const QChar c : input) {
      if (!c.isDigit() || c.unicode() > '9') {
        return Invalid;
      }
    }
    bool number = false;
    const int value = input.toInt(&number);
    if (!number || value > Upper_) {
      return Invalid;
    }
    return value < Lower_ ? Intermediate : Acceptable;
  }

 private:
  int Lower_;
  int Upper_;
};

QPixmap Black_Square() {
  QPixmap black(Botshot_Size, Botshot_Size);
  black.fill(Qt::black);
  return black;
}

// A control of the form: its name and its hint.
template <typename Widget>
Widget* Named(Widget* widget, const char* name, const char* hint = nullptr) {
  widget->setObjectName(QString::fromLatin1(name));
  if (hint != nullptr) {
    widget->setToolTip(QString::fromLatin1(hint));
  }
  return widget;
}

QGroupBox* Group_Box(QWidget* parent, const char* caption, const char* name,
                     const char* hint = nullptr) {
  return Named(new QGroupBox(QString::fromLatin1(caption), parent), name, hint);
}

// Widgets laid over each other in one cell: the dialog shows one of them at a time.
QWidget* Stacked(QWidget* parent, std::initializer_list<QWidget*> widgets) {
  auto* area = new QWidget(parent);
  auto* stack = new QGridLayout(area);
  stack->setContentsMargins(0, 0, 0, 0);
  for (QWidget* widget : widgets) {
    stack->addWidget(widget, 0, 0);
  }
  return area;
}

}  // namespace

void TGrey_Check_Box::nextCheckState() {
  // The dialog sets the state the model gives after the click.
}

TForm_Map_Properties::TForm_Map_Properties(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form_Map_Properties"));
  Build();
  Botshot_Delay_Timer_.setInterval(50);
  Botshot_Delay_Timer_.setSingleShot(false);
  connect(&Botshot_Delay_Timer_, &QTimer::timeout, this,
          &TForm_Map_Properties::Timer_Botshot_DelayTimer);
  Refresh_All();
}

TForm_Map_Properties::~TForm_Map_Properties() {
  // The children go after the members: nothing may reach the model on the way.
  for (auto& spin : Spins_) {
    spin.Edit->removeEventFilter(this);
  }
  CheckListBox_Assigned_Bots_->removeEventFilter(this);
  Stop_Sound();
}

// ---- Building the form ------------------------------------------------------------------------

void TForm_Map_Properties::Build() {
  setWindowTitle(QString::fromLatin1(Model_.Caption()));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  Pages_ = Named(new QTabWidget(this), "PageControl");
  Page_General_ = Build_General_Page();
  Page_Arena_ = Build_Arena_Page();
  Pages_->addTab(Page_General_, QStringLiteral("General"));
  Pages_->addTab(Page_Arena_, QStringLiteral("Arena"));
  Page_Content_ = new TContent_Page;
  Pages_->addTab(Page_Content_, QStringLiteral("Content"));
  layout->addWidget(Pages_);
  // The engine of a launch, under both pages.
  Panel_Engine_ = Named(new QWidget(this), "Panel_Engine");
  auto* engine_row = new QHBoxLayout(Panel_Engine_);
  engine_row->setContentsMargins(0, 0, 0, 0);
  Label_Engine_ = Named(new QLabel(QStringLiteral("&Engine:"), Panel_Engine_), "Label_Engine");
  ComboBox_Engine_ = Named(new QComboBox(Panel_Engine_), "ComboBox_Engine",
                           "the engine to launch with: the stored one or an engine profile");
  ComboBox_Engine_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  ComboBox_Engine_->setMinimumContentsLength(20);
  Label_Engine_->setBuddy(ComboBox_Engine_);
  engine_row->addWidget(Label_Engine_);
  engine_row->addWidget(ComboBox_Engine_, 1);
  // Hidden in the other modes, it keeps its room: every mode has the one size.
  QSizePolicy keep_room = Panel_Engine_->sizePolicy();
  keep_room.setRetainSizeWhenHidden(true);
  Panel_Engine_->setSizePolicy(keep_room);
  layout->addWidget(Panel_Engine_);
  Connect_Engine_Box(*ComboBox_Engine_, Engines_, [this] { Refresh_Launch_Warnings(); });
  Label_Launch_Warnings_ = New_Warning_Label(this, "Label_Launch_Warnings");
  Label_Launch_Warnings_->setFixedWidth(Pages_->sizeHint().width());
  layout->addWidget(Label_Launch_Warnings_);
  Button_Add_Hunk_ = Named(new QPushButton(this), "Button_Add_Hunk");
  Button_Add_Hunk_->hide();
  connect(Button_Add_Hunk_, &QPushButton::clicked, this, [this] {
    const TLaunch_Choices choices = Launch_Choices_From(Model_, Model_.Context().Game_Dir);
    Engines_.Add_Words(
        Hunk_Megs_Words(Hunk_Megs_Offer(choices.MAP_Filesize, Engines_.Choice().Words)));
    Refresh_Launch_Warnings();
  });
  auto* offer_row = new QHBoxLayout;
  offer_row->addWidget(Button_Add_Hunk_);
  offer_row->addStretch();
  layout->addLayout(offer_row);
  layout->addLayout(Build_Buttons());
}

QLayout* TForm_Map_Properties::Build_Buttons() {
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  const auto button = [this, buttons](const char* caption, const char* name,
                                      TDialog_Result result) {
    auto* pushed = Named(new QPushButton(QString::fromLatin1(caption), this), name);
    connect(pushed, &QPushButton::clicked, this, [this, result] { End_With(result); });
    buttons->addWidget(pushed);
    return pushed;
  };
  // "Launch Q3A" stands where "OK" stands; only one of the two is shown.
  Button_Launch_Q3A_ = button("Launch Q3A", "Button_Launch_Q3A", TDialog_Result::OK);
  Button_OK_ = button("OK", "Button_OK", TDialog_Result::OK);
  Button_Launch_Q3A_And_Exit_ =
      button("Launch Q3A and exit", "Button_Launch_Q3A_and_exit", TDialog_Result::Yes);
  Button_Cancel_ = button("Cancel", "Button_Cancel", TDialog_Result::Cancel);
  return buttons;
}

QWidget* TForm_Map_Properties::Make_Spin(int index) {
  const TNumeric_Spec& spec = Numeric_Fields.at(static_cast<std::size_t>(index));
  const QString name = QString::fromLatin1(spec.Name);
  auto* box = new QWidget;
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  auto& spin = Spins_.at(static_cast<std::size_t>(index));
  spin.Edit = new QLineEdit(box);
  spin.Edit->setObjectName(QStringLiteral("Edit_") + name);
  spin.Edit->setToolTip(QString::fromLatin1(spec.Hint));
  spin.Edit->setFixedWidth(48);
  spin.Edit->installEventFilter(this);
  spin.Edit->setValidator(new TRange_Validator(spec.Lower, spec.Upper, spin.Edit));
  spin.Edit->setMaxLength(static_cast<int>(QString::number(spec.Upper).size()));
  spin.UpDown = new QWidget(box);
  spin.UpDown->setObjectName(QStringLiteral("UpDown_") + name);
  spin.UpDown->setToolTip(QString::fromLatin1(spec.Hint));
  auto* arrows = new QVBoxLayout(spin.UpDown);
  arrows->setContentsMargins(0, 0, 0, 0);
  arrows->setSpacing(0);
  for (const int delta : {+1, -1}) {
    auto* arrow = new QToolButton(spin.UpDown);
    arrow->setObjectName(delta > 0 ? QStringLiteral("Up") : QStringLiteral("Down"));
    arrow->setArrowType(delta > 0 ? Qt::UpArrow : Qt::DownArrow);
    arrow->setFixedSize(16, 11);
    arrow->setAutoRepeat(true);
    arrow->setFocusPolicy(Qt::NoFocus);
    arrows->addWidget(arrow);
    connect(arrow, &QToolButton::clicked, this,
            [this, index, delta] { UpDown_NumericClick(index, delta); });
  }
  row->addWidget(spin.Edit);
  row->addWidget(spin.UpDown);
  row->addStretch();
  connect(spin.Edit, &QLineEdit::textEdited, this,
          [this, index](const QString& text) { Edit_NumericChange(index, text); });
  connect(spin.Edit, &QLineEdit::returnPressed, this, [this, index] { Edit_NumericExit(index); });
  return box;
}

QWidget* TForm_Map_Properties::Build_General_Page() {
  auto* page = Named(new QWidget, "TabSheet_General");
  auto* grid = new QGridLayout(page);
  Build_Header(grid);
  int row = Build_File_Labels(grid, 1);
  row = Build_Comment(grid, row);
  grid->addLayout(Build_Numerics_Row(TDialog_Page::General), row++, 0, 1, 4);
  CheckBox_Allow_Include_In_Arena_File_ =
      Named(new TGrey_Check_Box(QStringLiteral("Allow Include In Arena File"), page),
            "CheckBox_Allow_Include_In_Arena_File",
            "allows you to exclude this map from Arena File creation");
  connect(CheckBox_Allow_Include_In_Arena_File_, &QCheckBox::clicked, this,
          &TForm_Map_Properties::CheckBox_Allow_Include_In_Arena_FileClick);
  grid->addWidget(CheckBox_Allow_Include_In_Arena_File_, row++, 0, 1, 4);
  Build_MOD_Lists(grid, row);
  return page;
}

void TForm_Map_Properties::Build_Header(QGridLayout* grid) {
  QWidget* page = grid->parentWidget();
  auto* logo = Named(new QLabel(page), "Image_Logo");
  logo->setFixedSize(32, 32);
  const QPixmap picture(ui::Logo_Resource);
  if (!picture.isNull()) {
    logo->setPixmap(picture.scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  }
  Label_Map_Longname_ = Named(new QLabel(page), "Label_Map_Longname");
  QFont bold = Label_Map_Longname_->font();
  bold.setBold(true);
  Label_Map_Longname_->setFont(bold);
  grid->addWidget(logo, 0, 0);
  grid->addWidget(Label_Map_Longname_, 0, 1, 1, 3);
}

int TForm_Map_Properties::Build_File_Labels(QGridLayout* grid, int row) {
  QWidget* page = grid->parentWidget();
  const std::pair<const char*, const char*> captions[] = {
      {"PK3:", "Label_PK3_Filename"},      {"Directory:", "Label_MOD_Directory"},
      {"Filename:", "Label_MAP_Filename"}, {"Size:", "Label_MAP_Filesize"},
      {"Date:", "Label_MAP_Filedate"},     {"Played:", "Label_Played"},
      {"Last load:", "Label_Last_Load"}};
  QLabel** labels[] = {&Label_PK3_Filename_, &Label_MOD_Directory_, &Label_MAP_Filename_,
                       &Label_MAP_Filesize_, &Label_MAP_Filedate_,  &Label_Played_,
                       &Label_Last_Load_};
  const int first = row;
  for (std::size_t i = 0; i < std::size(captions); ++i, ++row) {
    grid->addWidget(new QLabel(QString::fromLatin1(captions[i].first), page), row, 0);
    *labels[i] = Named(new QLabel(page), captions[i].second);
    (*labels[i])->setMinimumWidth(220);
    grid->addWidget(*labels[i], row, 1, 1, 2);
  }
  // An engine's error line is long: it wraps instead of widening the dialog.
  Label_Last_Load_->setWordWrap(true);
  Label_Last_Load_->setTextFormat(Qt::PlainText);
  Button_Rename_PK3_ =
      Named(new QPushButton(QStringLiteral("&Rename PK3"), page), "Button_Rename_PK3",
            "rename the pk3-file (make your directory look nicer!)");
  Button_Delete_PK3_ = Named(new QPushButton(QStringLiteral("&Delete PK3"), page),
                             "Button_Delete_PK3", "delete the pk3-file which contains this map");
  connect(Button_Rename_PK3_, &QPushButton::clicked, this,
          &TForm_Map_Properties::Rename_PK3_Requested);
  connect(Button_Delete_PK3_, &QPushButton::clicked, this,
          &TForm_Map_Properties::Delete_PK3_Requested);
  grid->addWidget(Button_Rename_PK3_, first, 3);
  grid->addWidget(Button_Delete_PK3_, first + 1, 3);
  return row;
}

int TForm_Map_Properties::Build_Comment(QGridLayout* grid, int row) {
  QWidget* page = grid->parentWidget();
  auto* caption = new QLabel(QStringLiteral("&Comment"), page);
  Memo_Comment_ = Named(new QPlainTextEdit(page), "Memo_Comment",
                        "this text-field can hold your comment on this map");
  Memo_Comment_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo_Comment_->setFixedHeight(64);
  Memo_Comment_->setTabChangesFocus(true);
  caption->setBuddy(Memo_Comment_);
  connect(Memo_Comment_, &QPlainTextEdit::textChanged, this,
          &TForm_Map_Properties::Memo_CommentChange);
  grid->addWidget(caption, row++, 0, 1, 4);
  grid->addWidget(Memo_Comment_, row++, 0, 1, 4);
  return row;
}

QLayout* TForm_Map_Properties::Build_Numerics_Row(TDialog_Page page) {
  // The general page's fields side by side, the limits one below the other.
  QHBoxLayout* row = page == TDialog_Page::General ? new QHBoxLayout : nullptr;
  QGridLayout* column = row == nullptr ? new QGridLayout : nullptr;
  int line = 0;
  for (int i = 0; i < Numeric_Count; ++i) {
    const TNumeric_Spec& spec = Numeric_Fields.at(static_cast<std::size_t>(i));
    if (spec.Page != page) {
      continue;
    }
    auto* caption = new QLabel(QString::fromLatin1(spec.Caption));
    QWidget* spin = Make_Spin(i);
    caption->setBuddy(Spins_.at(static_cast<std::size_t>(i)).Edit);
    if (row != nullptr) {
      row->addWidget(caption);
      row->addWidget(spin);
    } else {
      column->addWidget(caption, line, 0);
      column->addWidget(spin, line++, 1);
    }
  }
  return row != nullptr ? static_cast<QLayout*>(row) : column;
}

int TForm_Map_Properties::Build_MOD_Lists(QGridLayout* grid, int row) {
  QWidget* page = grid->parentWidget();
  Label_Useable_MODs_ = new QLabel(QStringLiteral("&Useable MODs"), page);
  CheckListBox_Useable_MODs_ = Named(new QListWidget(page), "CheckListBox_Useable_MODs",
                                     "specifies which modifications can be used with this map");
  CheckListBox_Useable_MODs_->setFixedHeight(90);
  Label_Useable_MODs_->setBuddy(CheckListBox_Useable_MODs_);
  connect(CheckListBox_Useable_MODs_, &QListWidget::itemChanged, this,
          &TForm_Map_Properties::CheckListBox_Useable_MODsClickCheck);
  Label_MOD_To_Use_ = new QLabel(QStringLiteral("MOD to use"), page);
  ListBox_MOD_To_Use_ = Named(new QListWidget(page), "ListBox_MOD_to_use",
                              "specifies which modification is to used when launching Q3A");
  ListBox_MOD_To_Use_->setFixedHeight(90);
  ListBox_MOD_To_Use_->setSelectionMode(QAbstractItemView::SingleSelection);
  Label_MOD_To_Use_->setBuddy(ListBox_MOD_To_Use_);
  connect(ListBox_MOD_To_Use_, &QListWidget::currentRowChanged, this,
          &TForm_Map_Properties::ListBox_MOD_To_UseClick);
  // One of the two pairs is shown, in the same place.
  grid->addWidget(Label_Useable_MODs_, row, 0, 1, 4);
  grid->addWidget(Label_MOD_To_Use_, row++, 0, 1, 4);
  grid->addWidget(CheckListBox_Useable_MODs_, row, 0, 1, 4);
  grid->addWidget(ListBox_MOD_To_Use_, row++, 0, 1, 4);
  return row;
}

QWidget* TForm_Map_Properties::Build_Arena_Page() {
  auto* page = Named(new QWidget, "TabSheet_Arena");
  auto* grid = new QGridLayout(page);
  grid->addWidget(Build_Game_Types(), 0, 0);
  grid->addWidget(Build_Limits(), 0, 1);
  grid->addWidget(Build_Bots_Area(), 1, 0, 1, 2);
  grid->addWidget(Build_Game_Facts(), 2, 0, 1, 2);
  return page;
}

QWidget* TForm_Map_Properties::Build_Game_Types() {
  // The game-type check boxes and, in launch mode, the radio buttons in their place.
  const char* suffixes[] = {"Single", "FFA", "TD", "T", "CTF", "other"};
  GroupBox_Game_Type_ = Group_Box(nullptr, "&Game Type", "GroupBox_Game_Type",
                                  "select the Game Types this map is intended for");
  GroupBox_Radio_Game_Type_ = Group_Box(nullptr, "&Game Type", "GroupBox_Radio_Game_Type",
                                        "choose the Game Type to launch Quake 3 Arena with");
  auto* checks = new QVBoxLayout(GroupBox_Game_Type_);
  auto* radios = new QVBoxLayout(GroupBox_Radio_Game_Type_);
  Radio_Game_Type_Group_ = new QButtonGroup(this);
  for (int i = 0; i < Game_Type_Count; ++i) {
    const auto at = static_cast<std::size_t>(i);
    const QString caption = QString::fromLatin1(Game_Type_Table.at(at).Caption);
    const QString suffix = QString::fromLatin1(suffixes[at]);
    auto* box = new TGrey_Check_Box(caption, GroupBox_Game_Type_);
    box->setObjectName(QStringLiteral("CheckBox_Game_Type_") + suffix);
    connect(box, &QCheckBox::clicked, this, [this, i] { CheckBox_Game_TypeClick(i); });
    checks->addWidget(box);
    CheckBox_Game_Type_.at(at) = box;
    auto* radio = new QRadioButton(caption, GroupBox_Radio_Game_Type_);
    radio->setObjectName(QStringLiteral("RadioButton_Game_Type_") + suffix);
    Radio_Game_Type_Group_->addButton(radio, i);
    radios->addWidget(radio);
    RadioButton_Game_Type_.at(at) = radio;
  }
  connect(Radio_Game_Type_Group_, &QButtonGroup::idClicked, this,
          &TForm_Map_Properties::RadioButton_Game_TypeClick);
  return Stacked(nullptr, {GroupBox_Game_Type_, GroupBox_Radio_Game_Type_});
}

QGroupBox* TForm_Map_Properties::Build_Limits() {
  auto* limits = Group_Box(nullptr, "&Limits", "GroupBox_Limits",
                           "here you can specify the most common playing limits");
  auto* layout = new QVBoxLayout(limits);
  layout->addLayout(Build_Numerics_Row(TDialog_Page::Arena));
  return limits;
}

QWidget* TForm_Map_Properties::Build_Bots_Area() {
  GroupBox_Bots_ = Group_Box(nullptr, "&Bots", "GroupBox_Bots");
  auto* bots = new QGridLayout(GroupBox_Bots_);
  bots->addWidget(new QLabel(QStringLiteral("Assigned Bots"), GroupBox_Bots_), 0, 0);
  bots->addWidget(new QLabel(QStringLiteral("Botshot"), GroupBox_Bots_), 0, 1);
  CheckListBox_Assigned_Bots_ = Named(new QListWidget(GroupBox_Bots_), "CheckListBox_Assigned_Bots",
                                      "select bots for use with this map");
  CheckListBox_Assigned_Bots_->setFixedSize(160, Botshot_Size);
  CheckListBox_Assigned_Bots_->installEventFilter(this);
  connect(CheckListBox_Assigned_Bots_, &QListWidget::itemChanged, this,
          &TForm_Map_Properties::CheckListBox_Assigned_BotsClickCheck);
  connect(CheckListBox_Assigned_Bots_, &QListWidget::currentRowChanged, this,
          &TForm_Map_Properties::CheckListBox_Assigned_BotsClick);
  Image_Botshot_ = Named(new QLabel(GroupBox_Bots_), "Image_Botshot");
  Image_Botshot_->setFixedSize(Botshot_Size, Botshot_Size);
  Image_Botshot_->setScaledContents(true);
  Image_Botshot_->setPixmap(Black_Square());
  bots->addWidget(CheckListBox_Assigned_Bots_, 1, 0);
  bots->addWidget(Image_Botshot_, 1, 1);
  bots->addWidget(Build_Skill(), 0, 2, 2, 1);

  Panel_No_AAS_ = Named(new QLabel(QStringLiteral("no AAS file available")), "Panel_No_AAS");
  Panel_No_AAS_->setAlignment(Qt::AlignCenter);
  Panel_No_AAS_->setFrameShape(QFrame::Panel);
  Panel_No_AAS_->setFrameShadow(QFrame::Sunken);
  return Stacked(nullptr, {GroupBox_Bots_, Panel_No_AAS_});
}

QGroupBox* TForm_Map_Properties::Build_Skill() {
  RadioGroup_Bot_Skill_ = Group_Box(GroupBox_Bots_, "&Skill", "RadioGroup_Bot_Skill",
                                    "specify the skill level of the above chosen bots");
  auto* skills = new QVBoxLayout(RadioGroup_Bot_Skill_);
  Skill_Group_ = new QButtonGroup(this);
  for (std::size_t i = 0; i < Skill_Captions.size(); ++i) {
    auto* radio =
        new QRadioButton(QString::fromLatin1(Skill_Captions.at(i)), RadioGroup_Bot_Skill_);
    Skill_Group_->addButton(radio, static_cast<int>(i));
    skills->addWidget(radio);
  }
  connect(Skill_Group_, &QButtonGroup::idClicked, this,
          &TForm_Map_Properties::RadioGroup_Bot_SkillClick);
  return RadioGroup_Bot_Skill_;
}

QGroupBox* TForm_Map_Properties::Build_Game_Facts() {
  GroupBox_Game_Facts_ = Group_Box(nullptr, "From the map's archives", "GroupBox_Game_Facts",
                                   "what the game itself reads for this map");
  auto* grid = new QGridLayout(GroupBox_Game_Facts_);
  Label_Loaded_From_ = Named(new QLabel(GroupBox_Game_Facts_), "Label_Loaded_From",
                             "the archive the game loads the map from");
  Label_Override_Note_ = Named(new QLabel(GroupBox_Game_Facts_), "Label_Override_Note",
                               "another archive holds a map of this name and the game takes it");
  QFont bold = Label_Override_Note_->font();
  bold.setBold(true);
  Label_Override_Note_->setFont(bold);
  Label_Read_Now_ =
      Named(new QLabel(GroupBox_Game_Facts_), "Label_Read_Now",
            "the block the game reads for this map now: while an arena file is active in the "
            "map's MOD directory, that file's block, else the block of the map's archives");
  Label_Arena_Script_ = Named(new QLabel(GroupBox_Game_Facts_), "Label_Arena_Script",
                              "the arena script of the archives whose block names this map");
  TreeWidget_Arena_Keys_ = Named(new QTreeWidget(GroupBox_Game_Facts_), "TreeWidget_Arena_Keys");
  TreeWidget_Arena_Keys_->setColumnCount(2);
  TreeWidget_Arena_Keys_->setHeaderHidden(true);
  TreeWidget_Arena_Keys_->setRootIsDecorated(false);
  TreeWidget_Arena_Keys_->setSelectionMode(QAbstractItemView::NoSelection);
  TreeWidget_Arena_Keys_->setFocusPolicy(Qt::NoFocus);
  TreeWidget_Arena_Keys_->setColumnWidth(0, 100);
  TreeWidget_Arena_Keys_->setFixedHeight(86);
  Button_Use_Arena_Settings_ =
      Named(new QPushButton(QStringLiteral("Use these settings"), GroupBox_Game_Facts_),
            "Button_Use_Arena_Settings",
            "take the game types, bots and limits of the block of the map's archives into the "
            "dialog");
  connect(Button_Use_Arena_Settings_, &QPushButton::clicked, this,
          &TForm_Map_Properties::Button_Use_Arena_SettingsClick);
  grid->addWidget(new QLabel(QStringLiteral("Loaded from:"), GroupBox_Game_Facts_), 0, 0);
  grid->addWidget(Label_Loaded_From_, 0, 1);
  grid->addWidget(Label_Override_Note_, 0, 2, Qt::AlignRight);
  grid->addWidget(new QLabel(QStringLiteral("Game reads now:"), GroupBox_Game_Facts_), 1, 0);
  grid->addWidget(Label_Read_Now_, 1, 1, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("Map's archives:"), GroupBox_Game_Facts_), 2, 0);
  grid->addWidget(Label_Arena_Script_, 2, 1, 1, 2);
  grid->addWidget(TreeWidget_Arena_Keys_, 3, 0, 1, 2);
  grid->addWidget(Button_Use_Arena_Settings_, 3, 2, Qt::AlignBottom | Qt::AlignRight);
  grid->setColumnStretch(1, 1);
  return GroupBox_Game_Facts_;
}

// ---- Loading and modes --------------------------------------------------------------------------

void TForm_Map_Properties::Load_Map(const TProperties_Context& context, TMap_Record* map) {
  Model_.Set_Context(context);
  Model_.Load_Map(map);
  Refresh_All();
}

void TForm_Map_Properties::Load_Group(const TProperties_Context& context,
                                      const std::vector<TMap_Record*>& maps) {
  Model_.Set_Context(context);
  Model_.Load_Group(maps);
  Refresh_All();
}

void TForm_Map_Properties::Set_Map_Mode() {
  Model_.Set_Map_Mode();
  Refresh_Mode();
}

void TForm_Map_Properties::Set_Group_Mode() {
  Model_.Set_Group_Mode();
  Refresh_Mode();
}

void TForm_Map_Properties::Set_Launch_Mode() {
  Model_.Set_Launch_Mode();
  // The engines as they are stored now, read once for this showing.
  Engines_.Load(Load_Engine_Profiles(), Model_.Context().Game_Dir);
  Engines_.Follow_MOD(Launch_Choices_From(Model_, Model_.Context().Game_Dir).MOD);
  Fill_Engine_Box(*ComboBox_Engine_, Engines_);
  Refresh_Mode();
}

void TForm_Map_Properties::Refresh_Mode() {
  const TDialog_Mode mode = Model_.Mode();
  const bool launch = mode == TDialog_Mode::Launch;
  setWindowTitle(QString::fromLatin1(Model_.Caption()));
  GroupBox_Radio_Game_Type_->setVisible(launch);
  GroupBox_Game_Type_->setVisible(!launch);
  Button_Launch_Q3A_->setVisible(launch);
  Button_Launch_Q3A_And_Exit_->setVisible(launch);
  Button_OK_->setVisible(!launch);
  Button_Launch_Q3A_->setEnabled(Model_.Launch_Enabled());
  Button_Launch_Q3A_And_Exit_->setEnabled(Model_.Launch_Enabled());
  Button_OK_->setDefault(!launch);
  Button_Launch_Q3A_->setDefault(launch);
  Button_Rename_PK3_->setEnabled(Model_.Rename_Delete_Enabled());
  Button_Delete_PK3_->setEnabled(Model_.Rename_Delete_Enabled());
  const bool general = Model_.General_Edits_Enabled();
  Memo_Comment_->setEnabled(general);
  for (std::size_t i = 0; i < Spins_.size(); ++i) {
    if (Numeric_Fields.at(i).Page == TDialog_Page::General) {
      Spins_.at(i).Edit->setEnabled(general);
      Spins_.at(i).UpDown->setEnabled(general);
    }
  }
  CheckBox_Allow_Include_In_Arena_File_->setEnabled(general);
  Label_Useable_MODs_->setVisible(!launch);
  CheckListBox_Useable_MODs_->setVisible(!launch);
  Label_MOD_To_Use_->setVisible(launch);
  ListBox_MOD_To_Use_->setVisible(launch);
  Panel_Engine_->setVisible(launch);
  // What the game knows is one map's: shown for the map and its launch, taken over in map mode.
  GroupBox_Game_Facts_->setVisible(mode != TDialog_Mode::Group);
  // The content is one map's too.
  Pages_->setTabVisible(Pages_->indexOf(Page_Content_), mode != TDialog_Mode::Group);
  Refresh_Content();
  Button_Use_Arena_Settings_->setVisible(mode == TDialog_Mode::Map);
  Refresh_Radios();
  Refresh_Launch_Warnings();
  Pages_->setCurrentWidget(Model_.Page == TDialog_Page::General ? Page_General_ : Page_Arena_);
}

void TForm_Map_Properties::Refresh_Launch_Warnings() {
  std::vector<std::string> warnings;
  std::uint32_t hunk_offer = 0;
  if (Model_.Mode() == TDialog_Mode::Launch) {
    const TProperties_Context& context = Model_.Context();
    const TMap_Record* map = Model_.Map();
    const TLaunch_Choices choices = Launch_Choices_From(Model_, context.Game_Dir);
    Engines_.Follow_MOD(choices.MOD);
    Show_Engine_Choice(*ComboBox_Engine_, Engines_);
    const TEngine_Choice engine = Engines_.Choice();
    hunk_offer = Hunk_Megs_Offer(choices.MAP_Filesize, engine.Words);
    warnings = Game_Launch_Warnings(
        choices, engine.Program, context.Game_Index.get(),
        context.History != nullptr ? &context.History->History() : nullptr,
        map != nullptr && map->PK3 != nullptr ? TMap_Key{map->PK3->ID, map->ID} : TMap_Key{},
        engine.Keeps_Archives_Open, engine.Words);
  }
  QStringList lines;
  for (const std::string& warning : warnings) {
    lines.append(To_QString(warning));
  }
  Label_Launch_Warnings_->setText(lines.join(QLatin1Char('\n')));
  Label_Launch_Warnings_->setVisible(!lines.isEmpty());
  if (Model_.Mode() == TDialog_Mode::Launch) {
    Show_Hunk_Offer(*Button_Add_Hunk_, hunk_offer, Engines_);
  } else {
    Button_Add_Hunk_->hide();
  }
  Fit_Warnings();
}

// ---- Showing the model -------------------------------------------------------------------------

void TForm_Map_Properties::Refresh_Radios() {
  Updating_ = true;
  Radio_Game_Type_Group_->setExclusive(false);
  for (std::size_t i = 0; i < RadioButton_Game_Type_.size(); ++i) {
    auto* radio = RadioButton_Game_Type_.at(i);
    radio->setEnabled(Model_.Radio_Enabled.at(i));
    radio->setChecked(static_cast<int>(i) == Model_.Radio_Selected);
  }
  Radio_Game_Type_Group_->setExclusive(true);
  ListBox_MOD_To_Use_->clear();
  for (const auto& name : Model_.MOD_To_Use) {
    ListBox_MOD_To_Use_->addItem(To_QString(name));
  }
  ListBox_MOD_To_Use_->setCurrentRow(Model_.MOD_To_Use_Selected);
  Updating_ = false;
}

void TForm_Map_Properties::Refresh_All() {
  Updating_ = true;
  const std::pair<QLabel*, const TText_Field*> labels[] = {
      {Label_Map_Longname_, &Model_.Map_Longname},
      {Label_PK3_Filename_, &Model_.PK3_Filename},
      {Label_MOD_Directory_, &Model_.MOD_Directory},
      {Label_MAP_Filename_, &Model_.MAP_Filename}};
  for (const auto& [label, field] : labels) {
    label->setText(To_QString(field->Text));
    label->setToolTip(label->text());
  }
  // Size and date are the locale's texts.
  Label_MAP_Filesize_->setText(QString::fromStdString(Model_.MAP_Filesize.Text));
  Label_MAP_Filedate_->setText(QString::fromStdString(Model_.MAP_Filedate.Text));
  Label_Played_->setText(QString::fromStdString(Model_.Played.Text));
  Label_Last_Load_->setText(QString::fromStdString(Model_.Last_Load.Text));
  Label_Last_Load_->setToolTip(Label_Last_Load_->text());
  Memo_Comment_->setPlainText(To_QString(Model_.Comment.Text));
  Updating_ = false;
  Refresh_Check_Boxes();
  Refresh_Numerics();
  Refresh_Skill();
  Refresh_Check_List(CheckListBox_Useable_MODs_, Model_.Useable_MODs);
  Refresh_Check_List(CheckListBox_Assigned_Bots_, Model_.Assigned_Bots);
  GroupBox_Bots_->setVisible(Model_.Bots_Visible);
  Panel_No_AAS_->setVisible(!Model_.Bots_Visible);
  Refresh_Game_Facts();
  Refresh_Mode();
}

void TForm_Map_Properties::Set_Collection(std::shared_ptr<const TCollection_Check> check) {
  TProperties_Context context = Model_.Context();
  context.Collection = std::move(check);
  Model_.Set_Context(context);
  // A hidden dialog may still point at a map of records a reload has replaced: the next
  // Load_Map shows the page.
  if (isVisible()) {
    Refresh_Content();
  }
}

void TForm_Map_Properties::Refresh_Content() {
  // A launch searches the files along the path of the MOD it starts.
  const std::string mod = Model_.Mode() == TDialog_Mode::Launch
                              ? Launch_Choices_From(Model_, Model_.Context().Game_Dir).MOD
                              : std::string();
  Page_Content_->Show(Model_.Context().Collection.get(), Model_.Map(), mod);
}

void TForm_Map_Properties::Refresh_Check_Boxes() {
  CheckBox_Allow_Include_In_Arena_File_->setCheckState(
      To_Qt(Model_.Allow_Include_In_Arena_File.State));
  for (std::size_t i = 0; i < CheckBox_Game_Type_.size(); ++i) {
    CheckBox_Game_Type_.at(i)->setCheckState(To_Qt(Model_.Game_Types.at(i).State));
  }
}

void TForm_Map_Properties::Refresh_Numerics() {
  for (int i = 0; i < Numeric_Count; ++i) {
    QLineEdit* edit = Spins_.at(static_cast<std::size_t>(i)).Edit;
    const QString text = To_QString(Numeric(i).Text);
    if (edit->text() != text) {
      edit->setText(text);
    }
  }
}

void TForm_Map_Properties::Refresh_Skill() {
  Skill_Group_->setExclusive(false);
  for (QAbstractButton* button : Skill_Group_->buttons()) {
    button->setChecked(Skill_Group_->id(button) == Model_.Bot_Skill);
  }
  Skill_Group_->setExclusive(true);
}

void TForm_Map_Properties::Refresh_Check_List(QListWidget* list, const TCheck_List& model) {
  const bool was_updating = Updating_;
  Updating_ = true;
  const QSignalBlocker blocker(list);
  const int current = list->currentRow();
  const QString current_name = current >= 0 ? list->item(current)->text() : QString();
  list->clear();
  int keep = -1;
  for (const auto& entry : model.Entries()) {
    auto* item = new QListWidgetItem(To_QString(entry.Name), list);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(To_Qt(entry.State));
    if (item->text() == current_name) {
      keep = list->count() - 1;
    }
  }
  list->setCurrentRow(keep);
  Updating_ = was_updating;
}

void TForm_Map_Properties::Refresh_Game_Facts() {
  const TGame_Facts_Of_Map& facts = Model_.Game_Facts;
  Label_Loaded_From_->setText(facts.Loaded_From.empty() ? QStringLiteral("unknown")
                                                        : To_QString(facts.Loaded_From));
  Label_Override_Note_->setText(To_QString(facts.Override_Note));
  const bool active = !facts.Active_Arena_File.empty();
  QString read_now = QStringLiteral("no arena script of the game names this map");
  if (active) {
    read_now =
        facts.Read_Now.empty()
            ? QStringLiteral("no block: the active arena file %1 does not name this map")
                  .arg(To_QString(facts.Active_Arena_File))
            : QStringLiteral("the active arena file's block, %1").arg(To_QString(facts.Read_Now));
  } else if (!facts.Read_Now.empty()) {
    read_now = QStringLiteral("the block of the map's archives");
  }
  Label_Read_Now_->setText(read_now);
  Label_Arena_Script_->setText(
      facts.Script.empty() ? QStringLiteral("no arena script of its archives names this map")
                           : To_QString(facts.Script));
  // While an arena file is active the table puts the block the game reads beside the archives'.
  TreeWidget_Arena_Keys_->clear();
  TreeWidget_Arena_Keys_->setColumnCount(active ? 3 : 2);
  TreeWidget_Arena_Keys_->setHeaderHidden(!active);
  std::vector<std::string> keys;
  for (const auto* block : {&facts.Block, &facts.Read_Now_Block}) {
    for (const auto& key_value : block->Keys) {
      if (std::find(keys.begin(), keys.end(), key_value.first) == keys.end()) {
        keys.push_back(key_value.first);
      }
    }
  }
  if (active) {
    TreeWidget_Arena_Keys_->setHeaderLabels(
        {QString(), QStringLiteral("game reads now"), QStringLiteral("map's archives")});
  }
  for (const auto& key : keys) {
    const QString archives = To_QString(facts.Block.Value(key));
    if (active) {
      new QTreeWidgetItem(TreeWidget_Arena_Keys_,
                          {To_QString(key), To_QString(facts.Read_Now_Block.Value(key)), archives});
    } else {
      new QTreeWidgetItem(TreeWidget_Arena_Keys_, {To_QString(key), archives});
    }
  }
  Button_Use_Arena_Settings_->setEnabled(facts.Usable);
}

// ---- Events ------------------------------------------------------------------------------------

void TForm_Map_Properties::Memo_CommentChange() {
  if (!Updating_) {
    Model_.Comment.Text = From_QString(Memo_Comment_->toPlainText());
  }
}

void TForm_Map_Properties::Edit_NumericChange(int index, const QString& text) {
  Numeric(index).Text = From_QString(text);
}

void TForm_Map_Properties::Edit_NumericExit(int index) {
  TNumeric_Field& field = Numeric(index);
  field.Text = From_QString(Spins_.at(static_cast<std::size_t>(index)).Edit->text());
  Model_.Leave(field);
  Refresh_Numerics();
}

void TForm_Map_Properties::UpDown_NumericClick(int index, int delta) {
  TNumeric_Field& field = Numeric(index);
  field.Text = From_QString(Spins_.at(static_cast<std::size_t>(index)).Edit->text());
  Model_.Spin(field, delta);
  Refresh_Numerics();
}

void TForm_Map_Properties::CheckBox_Allow_Include_In_Arena_FileClick() {
  Model_.Allow_Include_In_Arena_File.Click();
  Refresh_Check_Boxes();
}

void TForm_Map_Properties::CheckBox_Game_TypeClick(int index) {
  Model_.Game_Types.at(static_cast<std::size_t>(index)).Click();
  Refresh_Check_Boxes();
}

void TForm_Map_Properties::RadioButton_Game_TypeClick(int index) {
  Model_.Radio_Selected = index;
}

void TForm_Map_Properties::RadioGroup_Bot_SkillClick(int index) {
  Model_.Bot_Skill = index;
}

void TForm_Map_Properties::ListBox_MOD_To_UseClick(int row) {
  if (!Updating_) {
    Model_.MOD_To_Use_Selected = row;
    Refresh_Launch_Warnings();
    Refresh_Content();
  }
}

void TForm_Map_Properties::CheckListBox_Useable_MODsClickCheck(QListWidgetItem* item) {
  if (Updating_) {
    return;
  }
  // The list shows the model's states again: the click's own result included.
  Model_.Useable_MOD_Clicked(CheckListBox_Useable_MODs_->row(item));
  Refresh_Check_List(CheckListBox_Useable_MODs_, Model_.Useable_MODs);
  Refresh_Check_List(CheckListBox_Assigned_Bots_, Model_.Assigned_Bots);
}

void TForm_Map_Properties::CheckListBox_Assigned_BotsClickCheck(QListWidgetItem* item) {
  const int row = CheckListBox_Assigned_Bots_->row(item);
  if (Updating_ || row < 0 || row >= Model_.Assigned_Bots.Count()) {
    return;
  }
  Model_.Assigned_Bot_Clicked(row);
  const QSignalBlocker blocker(CheckListBox_Assigned_Bots_);
  item->setCheckState(To_Qt(Model_.Assigned_Bots[row].State));
}

void TForm_Map_Properties::CheckListBox_Assigned_BotsClick(int row) {
  if (!Updating_ && Model_.Bot_Selected(row)) {
    Botshot_Delay_Timer_.start();
  }
}

void TForm_Map_Properties::CheckListBox_Assigned_BotsKeyDown(const QKeyEvent& key) {
  if (!key.isAutoRepeat()) {
    Model_.Navigation_Key_Down(Key_Code(key.key()));
  }
}

void TForm_Map_Properties::CheckListBox_Assigned_BotsKeyUp(const QKeyEvent& key) {
  if (!key.isAutoRepeat()) {
    Model_.Navigation_Key_Up(Key_Code(key.key()));
  }
}

void TForm_Map_Properties::Timer_Botshot_DelayTimer() {
  if (Model_.Navigation_Key_Held()) {
    return;  // the preview follows once the user stops scrolling
  }
  Botshot_Delay_Timer_.stop();
  Stop_Sound();
  const TBot_Preview_Files files =
      Model_.Find_Bot_Preview(CheckListBox_Assigned_Bots_->currentRow());
  Show_Botshot(files.Icon);
  if (!files.Sound.empty()) {
    Play_Sound(files.Sound);
  }
}

void TForm_Map_Properties::Button_Use_Arena_SettingsClick() {
  Model_.Use_Arena_Settings();
  Refresh_Check_Boxes();
  Refresh_Numerics();
  Refresh_Check_List(CheckListBox_Assigned_Bots_, Model_.Assigned_Bots);
}

void TForm_Map_Properties::Show_Botshot(const std::string& icon) {
  QPixmap shown = Black_Square();
  std::optional<TDecoded_Image> decoded;
  if (!icon.empty()) {
    try {
      decoded = Decode_Image(Read_Whole_File(icon));
    } catch (const TStream_Error&) {
      // An unreadable icon shows as a missing one.
    }
  }
  if (decoded) {
    const QImage image(decoded->RGBA.data(), decoded->Width, decoded->Height,
                       static_cast<qsizetype>(decoded->Width) * 4, QImage::Format_RGBA8888);
    QPainter painter(&shown);
    painter.drawImage(QRect(0, 0, Botshot_Size, Botshot_Size), image);
  }
  Image_Botshot_->setPixmap(shown);
  emit Botshot_Shown(decoded ? QString::fromStdString(icon) : QString());
}

void TForm_Map_Properties::Stop_Sound() {
  MediaPlayer_Bot_Sound_.Stop();
}

void TForm_Map_Properties::Play_Sound(const std::string& path) {
  Last_Bot_Sound_ = path;
  MediaPlayer_Bot_Sound_.Play(QString::fromStdString(path));
}

bool TForm_Map_Properties::eventFilter(QObject* watched, QEvent* event) {
  if (watched == CheckListBox_Assigned_Bots_ && event->type() == QEvent::KeyPress) {
    CheckListBox_Assigned_BotsKeyDown(*static_cast<QKeyEvent*>(event));
    return false;
  }
  if (watched == CheckListBox_Assigned_Bots_ && event->type() == QEvent::KeyRelease) {
    CheckListBox_Assigned_BotsKeyUp(*static_cast<QKeyEvent*>(event));
    return false;
  }
  for (std::size_t i = 0; i < Spins_.size(); ++i) {
    if (watched != Spins_.at(i).Edit) {
      continue;
    }
    if (event->type() == QEvent::FocusOut) {
      // Leaving the field, not the window (a message box or another program taking over).
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
        Edit_NumericExit(static_cast<int>(i));
      }
    } else if (event->type() == QEvent::KeyPress && Spins_.at(i).Edit->isEnabled()) {
      // The arrow keys work the spin buttons.
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Up || key == Qt::Key_Down) {
        UpDown_NumericClick(static_cast<int>(i), key == Qt::Key_Up ? +1 : -1);
        return true;
      }
    }
    break;
  }
  return QDialog::eventFilter(watched, event);
}

// ---- Showing and ending ----------------------------------------------------------------------

void TForm_Map_Properties::Commit_Edits() {
  Model_.Comment.Text = From_QString(Memo_Comment_->toPlainText());
  for (int i = 0; i < Numeric_Count; ++i) {
    Numeric(i).Text = From_QString(Spins_.at(static_cast<std::size_t>(i)).Edit->text());
  }
}

void TForm_Map_Properties::showEvent(QShowEvent* event) {
  Model_.Reset_For_Show();
  Botshot_Delay_Timer_.stop();
  Image_Botshot_->setPixmap(Black_Square());
  {
    // No bot is shown highlighted over the black picture: the first click previews one.
    const QSignalBlocker blocker(CheckListBox_Assigned_Bots_);
    CheckListBox_Assigned_Bots_->setCurrentRow(-1);
  }
  Refresh_Numerics();
  if (!Placed_) {
    Place_Once();
  }
  QDialog::showEvent(event);
  switch (Model_.Focus) {
    case TDialog_Focus::Rename_PK3:
      Button_Rename_PK3_->setFocus();
      break;
    case TDialog_Focus::General_Page:
      Pages_->setFocus();
      break;
    case TDialog_Focus::Game_Type_Radios: {
      const int selected = Model_.Radio_Selected;
      if (selected >= 0) {
        RadioButton_Game_Type_[static_cast<std::size_t>(selected)]->setFocus();
      } else {
        GroupBox_Radio_Game_Type_->setFocus();
      }
      break;
    }
  }
}

void TForm_Map_Properties::Place_Once() {
  // A map's own texts (long names, archive paths) never widen the dialog: their labels show what
  // fits (the whole name in the tooltip), so no map makes the layout ask for more than this size.
  for (QLabel* label :
       {Label_Map_Longname_, Label_PK3_Filename_, Label_MOD_Directory_, Label_MAP_Filename_,
        Label_Loaded_From_, Label_Override_Note_, Label_Arena_Script_}) {
    QSizePolicy policy = label->sizePolicy();
    policy.setHorizontalPolicy(QSizePolicy::Ignored);
    label->setSizePolicy(policy);
  }
  // One size for both pages and every mode: the largest the layout asks for.
  const int page = Pages_->currentIndex();
  const bool bots = !GroupBox_Bots_->isHidden();
  const bool facts = !GroupBox_Game_Facts_->isHidden();
  const bool warnings = !Label_Launch_Warnings_->isHidden();
  const bool offer = !Button_Add_Hunk_->isHidden();
  GroupBox_Game_Facts_->setVisible(true);
  Label_Launch_Warnings_->hide();
  Button_Add_Hunk_->hide();
  QSize size;
  for (int shown = 0; shown < Pages_->count(); ++shown) {
    Pages_->setCurrentIndex(shown);
    for (const bool with_bots : {true, false}) {
      GroupBox_Bots_->setVisible(with_bots);
      Panel_No_AAS_->setVisible(!with_bots);
      layout()->activate();
      size = size.expandedTo(layout()->totalSizeHint());
    }
  }
  Pages_->setCurrentIndex(page);
  GroupBox_Bots_->setVisible(bots);
  Panel_No_AAS_->setVisible(!bots);
  GroupBox_Game_Facts_->setVisible(facts);
  Label_Launch_Warnings_->setVisible(warnings);
  Button_Add_Hunk_->setVisible(offer);
  layout()->setSizeConstraint(QLayout::SetDefaultConstraint);
  Placed_Size_ = size;
  Placed_ = true;
  // The warnings wrap within the placed width.
  const QMargins margins = layout()->contentsMargins();
  Label_Launch_Warnings_->setFixedWidth(size.width() - margins.left() - margins.right());
  Fit_Warnings();
  size = this->size();
  // Centred on the screen once; where the user moves it, it stays.
  const QScreen* screen =
      parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  if (screen != nullptr) {
    const QRect area = screen->availableGeometry();
    move(area.x() + (area.width() - size.width()) / 2,
         area.y() + (area.height() - size.height()) / 2);
  }
}

void TForm_Map_Properties::Fit_Warnings() {
  if (!Placed_) {
    return;
  }
  const int spacing = std::max(layout()->spacing(), 0);
  int extra = 0;
  if (!Label_Launch_Warnings_->isHidden()) {
    extra +=
        Label_Launch_Warnings_->heightForWidth(Label_Launch_Warnings_->maximumWidth()) + spacing;
  }
  if (!Button_Add_Hunk_->isHidden()) {
    extra += Button_Add_Hunk_->sizeHint().height() + spacing;
  }
  setFixedSize(Placed_Size_.width(), Placed_Size_.height() + extra);
}

void TForm_Map_Properties::End_With(TDialog_Result result) {
  switch (result) {
    case TDialog_Result::OK:
      done(QDialog::Accepted);
      break;
    case TDialog_Result::Cancel:
      done(QDialog::Rejected);
      break;
    case TDialog_Result::Retry:
      done(Dialog_Code_Retry);
      break;
    case TDialog_Result::Yes:
      done(Dialog_Code_Yes);
      break;
  }
}

void TForm_Map_Properties::done(int result) {
  switch (result) {
    case QDialog::Accepted:
      Result_ = TDialog_Result::OK;
      break;
    case Dialog_Code_Retry:
      Result_ = TDialog_Result::Retry;
      break;
    case Dialog_Code_Yes:
      Result_ = TDialog_Result::Yes;
      break;
    default:
      Result_ = TDialog_Result::Cancel;
      break;
  }
  if (Result_ != TDialog_Result::Cancel) {
    Commit_Edits();
  }
  Botshot_Delay_Timer_.stop();
  Stop_Sound();
  QDialog::done(result);
}

TDialog_Result TForm_Map_Properties::Run() {
  Result_ = TDialog_Result::Cancel;
  exec();
  return Result_;
}

}  // namespace vorlix

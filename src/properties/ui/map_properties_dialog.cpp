#include "properties/ui/map_properties_dialog.h"

#include <QButtonGroup>
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
#include <QVBoxLayout>
#include <QValidator>

#include "browser/image_decoder.h"
#include "browser/ui/browser_models.h"
#include "core/ui/artwork.h"
#include "database/records.h"

namespace vorlix {

namespace {

constexpr int Botshot_Size = 128;
constexpr int Dialog_Code_Retry = 2;
constexpr int Dialog_Code_Yes = 3;

Qt::CheckState To_Qt(Check_State state) {
  switch (state) {
    case Check_State::Checked:
      return Qt::Checked;
    case Check_State::Greyed:
      return Qt::PartiallyChecked;
    case Check_State::Unchecked:
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

}  // namespace

void TGrey_Check_Box::nextCheckState() {
  // Greyed and cleared become checked; checked becomes cleared. Greyed is never chosen by a click.
  const bool check = checkState() != Qt::Checked;
  setTristate(false);
  setCheckState(check ? Qt::Checked : Qt::Unchecked);
}

TForm_Map_Properties::TForm_Map_Properties(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form_Map_Properties"));
  Build();
  Botshot_Verzoegerer_Timer_.setInterval(50);
  Botshot_Verzoegerer_Timer_.setSingleShot(false);
  connect(&Botshot_Verzoegerer_Timer_, &QTimer::timeout, this,
          &TForm_Map_Properties::Botshot_Timer_Tick);
  Refresh_All();
  for (auto& spin : Spins_) {
    spin.Edit->setValidator(new TRange_Validator(spin.Field->Lower, spin.Field->Upper, spin.Edit));
    spin.Edit->setMaxLength(static_cast<int>(QString::number(spin.Field->Upper).size()));
  }
}

TForm_Map_Properties::~TForm_Map_Properties() {
  // The children go after the members: nothing may reach the model on the way.
  for (auto& spin : Spins_) {
    spin.Edit->removeEventFilter(this);
  }
  CheckListBox_Assigned_Bots_->removeEventFilter(this);
  Stop_Sound();
}

// ---- Building the form
// -----------------------------------------------------------------------------

void TForm_Map_Properties::Build() {
  setWindowTitle(QString::fromLatin1(Model_.Caption()));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  Pages_ = new QTabWidget(this);
  Pages_->setObjectName(QStringLiteral("PageControl"));
  Page_General_ = Build_General_Page();
  Page_Arena_ = Build_Arena_Page();
  Pages_->addTab(Page_General_, QStringLiteral("General"));
  Pages_->addTab(Page_Arena_, QStringLiteral("Arena"));
  layout->addWidget(Pages_);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  Button_Launch_Q3A_ = new QPushButton(QStringLiteral("Launch Q3A"), this);
  Button_Launch_Q3A_->setObjectName(QStringLiteral("Button_Launch_Q3A"));
  Button_OK_ = new QPushButton(QStringLiteral("OK"), this);
  Button_OK_->setObjectName(QStringLiteral("Button_OK"));
  Button_Launch_Q3A_and_exit_ = new QPushButton(QStringLiteral("Launch Q3A and exit"), this);
  Button_Launch_Q3A_and_exit_->setObjectName(QStringLiteral("Button_Launch_Q3A_and_exit"));
  Button_Cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  Button_Cancel_->setObjectName(QStringLiteral("Button_Cancel"));
  buttons->addWidget(Button_Launch_Q3A_);
  buttons->addWidget(Button_OK_);
  buttons->addWidget(Button_Launch_Q3A_and_exit_);
  buttons->addWidget(Button_Cancel_);
  layout->addLayout(buttons);

  connect(Button_OK_, &QPushButton::clicked, this, [this] { End_With(Dialog_Result::OK); });
  connect(Button_Launch_Q3A_, &QPushButton::clicked, this, [this] { End_With(Dialog_Result::OK); });
  connect(Button_Launch_Q3A_and_exit_, &QPushButton::clicked, this,
          [this] { End_With(Dialog_Result::Yes); });
  connect(Button_Cancel_, &QPushButton::clicked, this, [this] { End_With(Dialog_Result::Cancel); });
  connect(Button_Rename_PK3_, &QPushButton::clicked, this,
          &TForm_Map_Properties::Rename_PK3_Requested);
  connect(Button_Delete_PK3_, &QPushButton::clicked, this,
          &TForm_Map_Properties::Delete_PK3_Requested);
}

QWidget* TForm_Map_Properties::Make_Spin(int index, const char* edit_name, const char* updown_name,
                                         const QString& hint) {
  auto* box = new QWidget;
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  auto& spin = Spins_[static_cast<std::size_t>(index)];
  spin.Edit = new QLineEdit(box);
  spin.Edit->setObjectName(QString::fromLatin1(edit_name));
  spin.Edit->setToolTip(hint);
  spin.Edit->setFixedWidth(48);
  spin.Edit->installEventFilter(this);
  spin.UpDown = new QWidget(box);
  spin.UpDown->setObjectName(QString::fromLatin1(updown_name));
  spin.UpDown->setToolTip(hint);
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
            [this, index, delta] { Spin_Clicked(index, delta); });
  }
  row->addWidget(spin.Edit);
  row->addWidget(spin.UpDown);
  row->addStretch();
  connect(spin.Edit, &QLineEdit::textEdited, this, [this, index](const QString& text) {
    Spins_[static_cast<std::size_t>(index)].Field->Text = From_QString(text);
  });
  connect(spin.Edit, &QLineEdit::returnPressed, this, [this, index] { Leave_Field(index); });
  return box;
}

QWidget* TForm_Map_Properties::Build_General_Page() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("TabSheet_General"));
  auto* grid = new QGridLayout(page);

  auto* logo = new QLabel(page);
  logo->setObjectName(QStringLiteral("Image_Logo"));
  logo->setFixedSize(32, 32);
  const QPixmap picture(ui::Logo_Resource);
  if (!picture.isNull()) {
    logo->setPixmap(picture.scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  }
  Label_Map_Longname_ = new QLabel(page);
  Label_Map_Longname_->setObjectName(QStringLiteral("Label_Map_Longname"));
  QFont bold = Label_Map_Longname_->font();
  bold.setBold(true);
  Label_Map_Longname_->setFont(bold);
  grid->addWidget(logo, 0, 0);
  grid->addWidget(Label_Map_Longname_, 0, 1, 1, 3);

  const std::pair<const char*, QLabel**> labels[] = {{"PK3:", &Label_PK3_Filename_},
                                                     {"Directory:", &Label_MOD_Directory_},
                                                     {"Filename:", &Label_MAP_Filename_},
                                                     {"Size:", &Label_MAP_Filesize_},
                                                     {"Date:", &Label_MAP_Filedate_}};
  const char* names[] = {"Label_PK3_Filename", "Label_MOD_Directory", "Label_MAP_Filename",
                         "Label_MAP_Filesize", "Label_MAP_Filedate"};
  int row = 1;
  for (std::size_t i = 0; i < std::size(labels); ++i, ++row) {
    grid->addWidget(new QLabel(QString::fromLatin1(labels[i].first), page), row, 0);
    *labels[i].second = new QLabel(page);
    (*labels[i].second)->setObjectName(QString::fromLatin1(names[i]));
    (*labels[i].second)->setMinimumWidth(220);
    grid->addWidget(*labels[i].second, row, 1, 1, 2);
  }
  Button_Rename_PK3_ = new QPushButton(QStringLiteral("&Rename PK3"), page);
  Button_Rename_PK3_->setObjectName(QStringLiteral("Button_Rename_PK3"));
  Button_Rename_PK3_->setToolTip(
      QStringLiteral("rename the pk3-file (make your directory look nicer!)"));
  Button_Delete_PK3_ = new QPushButton(QStringLiteral("&Delete PK3"), page);
  Button_Delete_PK3_->setObjectName(QStringLiteral("Button_Delete_PK3"));
  Button_Delete_PK3_->setToolTip(QStringLiteral("delete the pk3-file which contains this map"));
  grid->addWidget(Button_Rename_PK3_, 1, 3);
  grid->addWidget(Button_Delete_PK3_, 2, 3);

  auto* comment_label = new QLabel(QStringLiteral("&Comment"), page);
  Memo_Comment_ = new QPlainTextEdit(page);
  Memo_Comment_->setObjectName(QStringLiteral("Memo_Comment"));
  Memo_Comment_->setToolTip(QStringLiteral("this text-field can hold your comment on this map"));
  Memo_Comment_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo_Comment_->setFixedHeight(64);
  Memo_Comment_->setTabChangesFocus(true);
  comment_label->setBuddy(Memo_Comment_);
  connect(Memo_Comment_, &QPlainTextEdit::textChanged, this, [this] {
    if (!Updating_) {
      Model_.Comment.Text = From_QString(Memo_Comment_->toPlainText());
    }
  });
  grid->addWidget(comment_label, row++, 0, 1, 4);
  grid->addWidget(Memo_Comment_, row++, 0, 1, 4);

  const struct {
    const char* Caption;
    const char* Edit;
    const char* UpDown;
    const char* Hint;
  } spins[] = {
      {"Mi&n Players", "Edit_Min_Recomm_Players", "UpDown_Min_Recomm_Players",
       "specifies the recommended minimum amount of players"},
      {"Ma&x Players", "Edit_Max_Recomm_Players", "UpDown_Max_Recomm_Players",
       "specifies the recommended maximum amount of players"},
      {"Ra&ting", "Edit_Rating", "UpDown_Rating", "represents your personal rating of this map"}};
  auto* numbers = new QHBoxLayout;
  for (int i = 0; i < 3; ++i) {
    auto* caption = new QLabel(QString::fromLatin1(spins[i].Caption), page);
    QWidget* spin =
        Make_Spin(i, spins[i].Edit, spins[i].UpDown, QString::fromLatin1(spins[i].Hint));
    caption->setBuddy(Spins_[static_cast<std::size_t>(i)].Edit);
    numbers->addWidget(caption);
    numbers->addWidget(spin);
  }
  grid->addLayout(numbers, row++, 0, 1, 4);

  CheckBox_Allow_Include_In_Arena_File_ =
      new TGrey_Check_Box(QStringLiteral("Allow Include In Arena File"), page);
  CheckBox_Allow_Include_In_Arena_File_->setObjectName(
      QStringLiteral("CheckBox_Allow_Include_In_Arena_File"));
  CheckBox_Allow_Include_In_Arena_File_->setToolTip(
      QStringLiteral("allows you to exclude this map from Arena File creation"));
  connect(CheckBox_Allow_Include_In_Arena_File_, &QCheckBox::clicked, this,
          [this] { Model_.Allow_Include_In_Arena_File.Click(); });
  grid->addWidget(CheckBox_Allow_Include_In_Arena_File_, row++, 0, 1, 4);

  Label_Useable_MODs_ = new QLabel(QStringLiteral("&Useable MODs"), page);
  CheckListBox_Useable_MODs_ = new QListWidget(page);
  CheckListBox_Useable_MODs_->setObjectName(QStringLiteral("CheckListBox_Useable_MODs"));
  CheckListBox_Useable_MODs_->setToolTip(
      QStringLiteral("specifies which modifications can be used with this map"));
  CheckListBox_Useable_MODs_->setFixedHeight(90);
  Label_Useable_MODs_->setBuddy(CheckListBox_Useable_MODs_);
  connect(CheckListBox_Useable_MODs_, &QListWidget::itemChanged, this,
          [this](QListWidgetItem* item) {
            Useable_MOD_Changed(CheckListBox_Useable_MODs_->row(item));
          });
  Label_MOD_to_use_ = new QLabel(QStringLiteral("MOD to use"), page);
  ListBox_MOD_to_use_ = new QListWidget(page);
  ListBox_MOD_to_use_->setObjectName(QStringLiteral("ListBox_MOD_to_use"));
  ListBox_MOD_to_use_->setToolTip(
      QStringLiteral("specifies which modification is to used when launching Q3A"));
  ListBox_MOD_to_use_->setFixedHeight(90);
  ListBox_MOD_to_use_->setSelectionMode(QAbstractItemView::SingleSelection);
  Label_MOD_to_use_->setBuddy(ListBox_MOD_to_use_);
  connect(ListBox_MOD_to_use_, &QListWidget::currentRowChanged, this, [this](int current) {
    if (!Updating_) {
      Model_.MOD_to_use_Selected = current;
    }
  });
  grid->addWidget(Label_Useable_MODs_, row, 0, 1, 4);
  grid->addWidget(Label_MOD_to_use_, row++, 0, 1, 4);
  grid->addWidget(CheckListBox_Useable_MODs_, row, 0, 1, 4);
  grid->addWidget(ListBox_MOD_to_use_, row++, 0, 1, 4);
  return page;
}

QWidget* TForm_Map_Properties::Build_Arena_Page() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("TabSheet_Arena"));
  auto* grid = new QGridLayout(page);

  // The game-type check boxes and, in launch mode, the radio buttons in their place.
  const char* suffixes[] = {"Single", "FFA", "TD", "T", "CTF", "other"};
  GroupBox_Game_Type_ = new QGroupBox(QStringLiteral("&Game Type"), page);
  GroupBox_Game_Type_->setObjectName(QStringLiteral("GroupBox_Game_Type"));
  GroupBox_Game_Type_->setToolTip(QStringLiteral("select the Game Types this map is intended for"));
  GroupBox_Radio_Game_Type_ = new QGroupBox(QStringLiteral("&Game Type"), page);
  GroupBox_Radio_Game_Type_->setObjectName(QStringLiteral("GroupBox_Radio_Game_Type"));
  GroupBox_Radio_Game_Type_->setToolTip(
      QStringLiteral("choose the Game Type to launch Quake 3 Arena with"));
  auto* checks = new QVBoxLayout(GroupBox_Game_Type_);
  auto* radios = new QVBoxLayout(GroupBox_Radio_Game_Type_);
  Radio_Game_Type_Group_ = new QButtonGroup(this);
  for (int i = 0; i < Game_Type_Count; ++i) {
    const QString caption = QString::fromLatin1(Game_Type_Captions[static_cast<std::size_t>(i)]);
    auto* box = new TGrey_Check_Box(caption, GroupBox_Game_Type_);
    box->setObjectName(QStringLiteral("CheckBox_Game_Type_") + QString::fromLatin1(suffixes[i]));
    connect(box, &QCheckBox::clicked, this,
            [this, i] { Model_.Game_Types[static_cast<std::size_t>(i)].Click(); });
    checks->addWidget(box);
    CheckBox_Game_Type_[static_cast<std::size_t>(i)] = box;
    auto* radio = new QRadioButton(caption, GroupBox_Radio_Game_Type_);
    radio->setObjectName(QStringLiteral("RadioButton_Game_Type_") +
                         QString::fromLatin1(suffixes[i]));
    Radio_Game_Type_Group_->addButton(radio, i);
    radios->addWidget(radio);
    RadioButton_Game_Type_[static_cast<std::size_t>(i)] = radio;
  }
  connect(Radio_Game_Type_Group_, &QButtonGroup::idClicked, this,
          [this](int id) { Model_.Radio_Selected = id; });
  auto* game_type = new QWidget(page);
  auto* stack = new QGridLayout(game_type);
  stack->setContentsMargins(0, 0, 0, 0);
  stack->addWidget(GroupBox_Game_Type_, 0, 0);
  stack->addWidget(GroupBox_Radio_Game_Type_, 0, 0);
  grid->addWidget(game_type, 0, 0);

  auto* limits = new QGroupBox(QStringLiteral("&Limits"), page);
  limits->setObjectName(QStringLiteral("GroupBox_Limits"));
  limits->setToolTip(QStringLiteral("here you can specify the most common playing limits"));
  auto* limit_grid = new QGridLayout(limits);
  const struct {
    const char* Caption;
    const char* Edit;
    const char* UpDown;
    const char* Hint;
  } spins[] = {
      {"Frags", "Edit_Limits_Frags", "UpDown_Limits_Frags", "specify a Fraglimit for this map"},
      {"Captures", "Edit_Limits_Captures", "UpDown_Limits_Captures",
       "specify a Capturelimit for this map"},
      {"Time", "Edit_Limits_Time", "UpDown_Limits_Time", "specify a Timelimit for this map"},
      {"Players", "Edit_Limits_Players", "UpDown_Limits_Players",
       "specify the maximum number of players for this map"}};
  for (int i = 0; i < 4; ++i) {
    limit_grid->addWidget(new QLabel(QString::fromLatin1(spins[i].Caption), limits), i, 0);
    limit_grid->addWidget(
        Make_Spin(3 + i, spins[i].Edit, spins[i].UpDown, QString::fromLatin1(spins[i].Hint)), i, 1);
  }
  grid->addWidget(limits, 0, 1);

  GroupBox_Bots_ = new QGroupBox(QStringLiteral("&Bots"), page);
  GroupBox_Bots_->setObjectName(QStringLiteral("GroupBox_Bots"));
  auto* bots = new QGridLayout(GroupBox_Bots_);
  bots->addWidget(new QLabel(QStringLiteral("Assigned Bots"), GroupBox_Bots_), 0, 0);
  bots->addWidget(new QLabel(QStringLiteral("Botshot"), GroupBox_Bots_), 0, 1);
  CheckListBox_Assigned_Bots_ = new QListWidget(GroupBox_Bots_);
  CheckListBox_Assigned_Bots_->setObjectName(QStringLiteral("CheckListBox_Assigned_Bots"));
  CheckListBox_Assigned_Bots_->setToolTip(QStringLiteral("select bots for use with this map"));
  CheckListBox_Assigned_Bots_->setFixedSize(160, Botshot_Size);
  CheckListBox_Assigned_Bots_->installEventFilter(this);
  connect(CheckListBox_Assigned_Bots_, &QListWidget::itemChanged, this,
          [this](QListWidgetItem* item) {
            Assigned_Bot_Changed(CheckListBox_Assigned_Bots_->row(item));
          });
  connect(CheckListBox_Assigned_Bots_, &QListWidget::currentRowChanged, this,
          &TForm_Map_Properties::Bot_Row_Changed);
  Image_Botshot_ = new QLabel(GroupBox_Bots_);
  Image_Botshot_->setObjectName(QStringLiteral("Image_Botshot"));
  Image_Botshot_->setFixedSize(Botshot_Size, Botshot_Size);
  Image_Botshot_->setScaledContents(true);
  Image_Botshot_->setPixmap(Black_Square());
  bots->addWidget(CheckListBox_Assigned_Bots_, 1, 0);
  bots->addWidget(Image_Botshot_, 1, 1);

  RadioGroup_Bot_Skill_ = new QGroupBox(QStringLiteral("&Skill"), GroupBox_Bots_);
  RadioGroup_Bot_Skill_->setObjectName(QStringLiteral("RadioGroup_Bot_Skill"));
  RadioGroup_Bot_Skill_->setToolTip(
      QStringLiteral("specify the skill level of the above chosen bots"));
  auto* skills = new QVBoxLayout(RadioGroup_Bot_Skill_);
  Skill_Group_ = new QButtonGroup(this);
  for (int i = 0; i < static_cast<int>(Skill_Captions.size()); ++i) {
    auto* radio = new QRadioButton(QString::fromLatin1(Skill_Captions[static_cast<std::size_t>(i)]),
                                   RadioGroup_Bot_Skill_);
    Skill_Group_->addButton(radio, i);
    skills->addWidget(radio);
  }
  connect(Skill_Group_, &QButtonGroup::idClicked, this, [this](int id) { Model_.Bot_Skill = id; });
  bots->addWidget(RadioGroup_Bot_Skill_, 0, 2, 2, 1);

  Panel_No_AAS_ = new QLabel(QStringLiteral("no AAS file available"), page);
  Panel_No_AAS_->setObjectName(QStringLiteral("Panel_No_AAS"));
  Panel_No_AAS_->setAlignment(Qt::AlignCenter);
  Panel_No_AAS_->setFrameShape(QFrame::Panel);
  Panel_No_AAS_->setFrameShadow(QFrame::Sunken);
  auto* bots_area = new QWidget(page);
  auto* bots_stack = new QGridLayout(bots_area);
  bots_stack->setContentsMargins(0, 0, 0, 0);
  bots_stack->addWidget(GroupBox_Bots_, 0, 0);
  bots_stack->addWidget(Panel_No_AAS_, 0, 0);
  grid->addWidget(bots_area, 1, 0, 1, 2);
  return page;
}

// ---- Loading and modes --------------------------------------------------------------------------

void TForm_Map_Properties::Load_Map(const TProperties_Context& context, TMAP_Datei_Eintrag* map) {
  Model_.Set_Context(context);
  Model_.Load_Map(map);
  Refresh_All();
}

void TForm_Map_Properties::Load_Group(const TProperties_Context& context,
                                      const std::vector<TMAP_Datei_Eintrag*>& maps) {
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
  Refresh_Mode();
}

void TForm_Map_Properties::Refresh_Mode() {
  const Dialog_Mode mode = Model_.Mode();
  const bool launch = mode == Dialog_Mode::Launch;
  setWindowTitle(QString::fromLatin1(Model_.Caption()));
  GroupBox_Radio_Game_Type_->setVisible(launch);
  GroupBox_Game_Type_->setVisible(!launch);
  Button_Launch_Q3A_->setVisible(launch);
  Button_Launch_Q3A_and_exit_->setVisible(launch);
  Button_OK_->setVisible(!launch);
  Button_Launch_Q3A_->setEnabled(Model_.Launch_Enabled());
  Button_Launch_Q3A_and_exit_->setEnabled(Model_.Launch_Enabled());
  Button_OK_->setDefault(!launch);
  Button_Launch_Q3A_->setDefault(launch);
  Button_Rename_PK3_->setEnabled(Model_.Rename_Delete_Enabled());
  Button_Delete_PK3_->setEnabled(Model_.Rename_Delete_Enabled());
  const bool general = Model_.General_Edits_Enabled();
  Memo_Comment_->setEnabled(general);
  for (int i = 0; i < 3; ++i) {
    Spins_[static_cast<std::size_t>(i)].Edit->setEnabled(general);
    Spins_[static_cast<std::size_t>(i)].UpDown->setEnabled(general);
  }
  CheckBox_Allow_Include_In_Arena_File_->setEnabled(general);
  Label_Useable_MODs_->setVisible(!launch);
  CheckListBox_Useable_MODs_->setVisible(!launch);
  Label_MOD_to_use_->setVisible(launch);
  ListBox_MOD_to_use_->setVisible(launch);
  Refresh_Radios();
  Pages_->setCurrentWidget(Model_.Page == Dialog_Page::General ? Page_General_ : Page_Arena_);
}

void TForm_Map_Properties::Refresh_Radios() {
  Updating_ = true;
  Radio_Game_Type_Group_->setExclusive(false);
  for (int i = 0; i < Game_Type_Count; ++i) {
    auto* radio = RadioButton_Game_Type_[static_cast<std::size_t>(i)];
    radio->setEnabled(Model_.Radio_Enabled[static_cast<std::size_t>(i)]);
    radio->setChecked(i == Model_.Radio_Selected);
  }
  Radio_Game_Type_Group_->setExclusive(true);
  ListBox_MOD_to_use_->clear();
  for (const auto& name : Model_.MOD_to_use) {
    ListBox_MOD_to_use_->addItem(To_QString(name));
  }
  ListBox_MOD_to_use_->setCurrentRow(Model_.MOD_to_use_Selected);
  Updating_ = false;
}

void TForm_Map_Properties::Refresh_All() {
  Updating_ = true;
  const std::pair<QLabel*, const TLabel_Field*> labels[] = {
      {Label_Map_Longname_, &Model_.Map_Longname},
      {Label_PK3_Filename_, &Model_.PK3_Filename},
      {Label_MOD_Directory_, &Model_.MOD_Directory},
      {Label_MAP_Filename_, &Model_.MAP_Filename}};
  for (const auto& [label, field] : labels) {
    label->setText(To_QString(field->Text));
  }
  // Size and date are the locale's texts.
  Label_MAP_Filesize_->setText(QString::fromStdString(Model_.MAP_Filesize.Text));
  Label_MAP_Filedate_->setText(QString::fromStdString(Model_.MAP_Filedate.Text));
  Memo_Comment_->setPlainText(To_QString(Model_.Comment.Text));
  CheckBox_Allow_Include_In_Arena_File_->setCheckState(
      To_Qt(Model_.Allow_Include_In_Arena_File.State));
  for (int i = 0; i < Game_Type_Count; ++i) {
    CheckBox_Game_Type_[static_cast<std::size_t>(i)]->setCheckState(
        To_Qt(Model_.Game_Types[static_cast<std::size_t>(i)].State));
  }
  Updating_ = false;
  Refresh_Numerics();
  Refresh_Skill();
  Refresh_Check_List(CheckListBox_Useable_MODs_, Model_.Useable_MODs);
  Refresh_Check_List(CheckListBox_Assigned_Bots_, Model_.Assigned_Bots);
  GroupBox_Bots_->setVisible(Model_.Bots_Visible);
  Panel_No_AAS_->setVisible(!Model_.Bots_Visible);
  Refresh_Mode();
}

void TForm_Map_Properties::Refresh_Numerics() {
  Spins_[0].Field = &Model_.Min_Recomm_Players;
  Spins_[1].Field = &Model_.Max_Recomm_Players;
  Spins_[2].Field = &Model_.Rating;
  Spins_[3].Field = &Model_.Limits_Frags;
  Spins_[4].Field = &Model_.Limits_Captures;
  Spins_[5].Field = &Model_.Limits_Time;
  Spins_[6].Field = &Model_.Limits_Players;
  Spins_[0].Leave = &TMap_Properties_Model::Leave_Min_Players;
  Spins_[1].Leave = &TMap_Properties_Model::Leave_Max_Players;
  Spins_[3].Leave = &TMap_Properties_Model::Leave_Limits_Frags;
  Spins_[4].Leave = &TMap_Properties_Model::Leave_Limits_Captures;
  Spins_[5].Leave = &TMap_Properties_Model::Leave_Limits_Time;
  Spins_[6].Leave = &TMap_Properties_Model::Leave_Limits_Players;
  for (auto& spin : Spins_) {
    const QString text = To_QString(spin.Field->Text);
    if (spin.Edit->text() != text) {
      spin.Edit->setText(text);
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

// ---- Events ------------------------------------------------------------------------------------

void TForm_Map_Properties::Useable_MOD_Changed(int row) {
  if (Updating_ || row < 0 || row >= Model_.Useable_MODs.Count()) {
    return;
  }
  const Qt::CheckState state = CheckListBox_Useable_MODs_->item(row)->checkState();
  Model_.Useable_MODs[row].State =
      state == Qt::Checked ? Check_State::Checked : Check_State::Unchecked;
  Model_.Map_Properties_Bots_zuweisen();
  Refresh_Check_List(CheckListBox_Useable_MODs_, Model_.Useable_MODs);
  Refresh_Check_List(CheckListBox_Assigned_Bots_, Model_.Assigned_Bots);
}

void TForm_Map_Properties::Assigned_Bot_Changed(int row) {
  if (Updating_ || row < 0 || row >= Model_.Assigned_Bots.Count()) {
    return;
  }
  const Qt::CheckState state = CheckListBox_Assigned_Bots_->item(row)->checkState();
  Model_.Assigned_Bots[row].State =
      state == Qt::Checked ? Check_State::Checked : Check_State::Unchecked;
  if (state == Qt::PartiallyChecked) {
    // Greyed is never chosen by the user.
    const QSignalBlocker blocker(CheckListBox_Assigned_Bots_);
    CheckListBox_Assigned_Bots_->item(row)->setCheckState(Qt::Unchecked);
  }
}

void TForm_Map_Properties::Bot_Row_Changed(int row) {
  if (Updating_) {
    return;
  }
  if (Model_.Bot_Selected(row)) {
    Botshot_Verzoegerer_Timer_.start();
  }
}

void TForm_Map_Properties::Botshot_Timer_Tick() {
  if (Model_.Navigation_Key_Held()) {
    return;  // the preview follows once the user stops scrolling
  }
  Botshot_Verzoegerer_Timer_.stop();
  Stop_Sound();
  const TBot_Preview_Files files =
      Model_.Find_Bot_Preview(CheckListBox_Assigned_Bots_->currentRow());
  Show_Botshot(files.Icon);
  if (!files.Sound.empty()) {
    Play_Sound(files.Sound);
  }
}

void TForm_Map_Properties::Show_Botshot(const std::string& icon) {
  QPixmap shown = Black_Square();
  bool found = false;
  if (!icon.empty()) {
    if (auto decoded = Decode_Image_File(icon)) {
      const QImage image(decoded->RGBA.data(), decoded->Width, decoded->Height,
                         static_cast<qsizetype>(decoded->Width) * 4, QImage::Format_RGBA8888);
      QPainter painter(&shown);
      painter.drawImage(QRect(0, 0, Botshot_Size, Botshot_Size), image);
      found = true;
    }
  }
  Image_Botshot_->setPixmap(shown);
  emit Botshot_Shown(found ? QString::fromStdString(icon) : QString());
}

void TForm_Map_Properties::Stop_Sound() {
  MediaPlayer_Bot_Sound_.Stop();
}

void TForm_Map_Properties::Play_Sound(const std::string& path) {
  Last_Bot_Sound_ = path;
  MediaPlayer_Bot_Sound_.Play(QString::fromStdString(path));
}

void TForm_Map_Properties::Leave_Field(int index) {
  auto& spin = Spins_[static_cast<std::size_t>(index)];
  spin.Field->Text = From_QString(spin.Edit->text());
  if (spin.Leave != nullptr) {
    (Model_.*spin.Leave)();
  }
  Refresh_Numerics();
}

void TForm_Map_Properties::Spin_Clicked(int index, int delta) {
  auto& spin = Spins_[static_cast<std::size_t>(index)];
  spin.Field->Text = From_QString(spin.Edit->text());
  if (index == 0) {
    Model_.Spin_Min_Players(delta);
  } else if (index == 1) {
    Model_.Spin_Max_Players(delta);
  } else {
    spin.Field->Step(delta);
  }
  Refresh_Numerics();
}

bool TForm_Map_Properties::eventFilter(QObject* watched, QEvent* event) {
  if (watched == CheckListBox_Assigned_Bots_ &&
      (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (!key->isAutoRepeat()) {
      const int code = Key_Code(key->key());
      if (event->type() == QEvent::KeyPress) {
        Model_.Navigation_Key_Down(code);
      } else {
        Model_.Navigation_Key_Up(code);
      }
    }
    return false;
  }
  for (std::size_t i = 0; i < Spins_.size(); ++i) {
    if (watched != Spins_[i].Edit) {
      continue;
    }
    if (event->type() == QEvent::FocusOut) {
      // Leaving the field, not the window (a message box or another program taking over).
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
        Leave_Field(static_cast<int>(i));
      }
    } else if (event->type() == QEvent::KeyPress && Spins_[i].Edit->isEnabled()) {
      // The arrow keys work the spin buttons.
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Up || key == Qt::Key_Down) {
        Spin_Clicked(static_cast<int>(i), key == Qt::Key_Up ? +1 : -1);
        return true;
      }
    }
    break;
  }
  return QDialog::eventFilter(watched, event);
}

// ---- Showing and ending
// ---------------------------------------------------------------------------

void TForm_Map_Properties::Commit_Edits() {
  Model_.Comment.Text = From_QString(Memo_Comment_->toPlainText());
  for (auto& spin : Spins_) {
    spin.Field->Text = From_QString(spin.Edit->text());
  }
}

void TForm_Map_Properties::showEvent(QShowEvent* event) {
  Model_.Form_Show();
  Botshot_Verzoegerer_Timer_.stop();
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
    case Dialog_Focus::Rename_PK3:
      Button_Rename_PK3_->setFocus();
      break;
    case Dialog_Focus::General_Page:
      Pages_->setFocus();
      break;
    case Dialog_Focus::Game_Type_Radios: {
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
  // One size for both pages and every mode: the largest the layout asks for.
  const int page = Pages_->currentIndex();
  const bool bots = !GroupBox_Bots_->isHidden();
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
  layout()->setSizeConstraint(QLayout::SetDefaultConstraint);
  setFixedSize(size);
  // Centred on the screen once; where the user moves it, it stays.
  const QScreen* screen =
      parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  if (screen != nullptr) {
    const QRect area = screen->availableGeometry();
    move(area.x() + (area.width() - size.width()) / 2,
         area.y() + (area.height() - size.height()) / 2);
  }
  Placed_ = true;
}

void TForm_Map_Properties::End_With(Dialog_Result result) {
  switch (result) {
    case Dialog_Result::OK:
      done(QDialog::Accepted);
      break;
    case Dialog_Result::Cancel:
      done(QDialog::Rejected);
      break;
    case Dialog_Result::Retry:
      done(Dialog_Code_Retry);
      break;
    case Dialog_Result::Yes:
      done(Dialog_Code_Yes);
      break;
  }
}

void TForm_Map_Properties::done(int result) {
  switch (result) {
    case QDialog::Accepted:
      Result_ = Dialog_Result::OK;
      break;
    case Dialog_Code_Retry:
      Result_ = Dialog_Result::Retry;
      break;
    case Dialog_Code_Yes:
      Result_ = Dialog_Result::Yes;
      break;
    default:
      Result_ = Dialog_Result::Cancel;
      break;
  }
  if (Result_ != Dialog_Result::Cancel) {
    Commit_Edits();
  }
  Botshot_Verzoegerer_Timer_.stop();
  Stop_Sound();
  QDialog::done(result);
}

Dialog_Result TForm_Map_Properties::Run() {
  Result_ = Dialog_Result::Cancel;
  exec();
  return Result_;
}

}  // namespace vorlix

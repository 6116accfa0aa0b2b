#include "browser/ui/search_bar.h"

#include <ctime>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QShortcut>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWidgetAction>
#include <array>

#include "browser/ui/browser_models.h"
#include "browser/ui/unsorted_list_view.h"
#include "content/mod_list.h"
#include "core/interaction.h"
#include "core/ui/qt_text.h"
#include "database/records.h"

namespace vorlix {

namespace {

// The choices of "added within" in days, with their names.
struct TAdded_Choice {
  int Days;
  const char* Name;
};
constexpr std::array<TAdded_Choice, 4> Added_Choices = {
    {{1, "a day"}, {7, "a week"}, {30, "a month"}, {365, "a year"}}};

// The panel's choices of the history: any, never played, played within 7 or 30 days, favourites,
// the play-later queue, failed to load.
constexpr std::array<const char*, 7> Played_Choices = {
    "any",        "never played", "within 7 days", "within 30 days",
    "favourites", "play later",   "failed to load"};

void Take_Played_Choice(int choice, TMap_Filters& filters) {
  filters.Never_Played = choice == 1;
  filters.Played_Within_Days.reset();
  if (choice == 2 || choice == 3) {
    filters.Played_Within_Days = choice == 2 ? 7 : 30;
  }
  filters.Favourite = choice == 4;
  filters.Play_Later = choice == 5;
  filters.Failed_To_Load = choice == 6;
}

int Played_Choice_Of(const TMap_Filters& filters) {
  if (filters.Never_Played) {
    return 1;
  }
  const int days = filters.Played_Within_Days.value_or(0);
  if (days == 7 || days == 30) {
    return days == 7 ? 2 : 3;
  }
  if (filters.Failed_To_Load) {
    return 6;
  }
  return filters.Favourite ? 4 : filters.Play_Later ? 5 : 0;
}

// The panel's choices of the content the collection check found: any, complete, missing some.
constexpr std::array<const char*, 3> Content_Choices = {"any", "complete only", "missing content"};

// A die for the Random Map button.
QIcon Dice_Icon() {
  QPixmap pixmap(24, 24);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(Qt::black, 1.5));
  painter.setBrush(Qt::white);
  painter.drawRoundedRect(QRectF(2.5, 2.5, 19, 19), 4, 4);
  painter.setBrush(Qt::black);
  for (const QPointF& dot : {QPointF(7.5, 7.5), QPointF(12, 12), QPointF(16.5, 16.5),
                             QPointF(16.5, 7.5), QPointF(7.5, 16.5)}) {
    painter.drawEllipse(dot, 1.8, 1.8);
  }
  return QIcon(pixmap);
}

// Visits every group of the tree. Among siblings the groups come first (the tree's order), so
// the map entries are not visited.
template <typename Visit>
void For_Each_Group(const TMaps_Tree& tree, Visit visit) {
  std::vector<const TMaps_Tree_Node*> stack{tree.Top()};
  while (!stack.empty()) {
    const TMaps_Tree_Node* holder = stack.back();
    stack.pop_back();
    for (int i = 0; i < holder->Child_Count() && holder->Child(i)->Is_Group(); ++i) {
      visit(*holder->Child(i));
      stack.push_back(holder->Child(i));
    }
  }
}

}  // namespace

TSearch_Bar::TSearch_Bar(const TBrowser_Parts& parts, const TBrowser_Context& context,
                         QWidget* parent)
    : QWidget(parent), Parts_(parts), Context_(context) {
  setObjectName(QStringLiteral("Search_Bar"));
  Field_ = new QLineEdit(this);
  Field_->setObjectName(QStringLiteral("Search_Field"));
  Field_->setPlaceholderText(QStringLiteral("Search maps (Ctrl+F)"));
  Field_->setClearButtonEnabled(true);
  Field_->installEventFilter(this);
  Filter_Button_ = new QToolButton(this);
  Filter_Button_->setObjectName(QStringLiteral("Search_Filters"));
  Filter_Button_->setText(QStringLiteral("Filters"));
  Filter_Button_->setPopupMode(QToolButton::InstantPopup);
  auto* menu = new QMenu(Filter_Button_);
  // The panel is made when the menu first opens: the window opens without it.
  connect(menu, &QMenu::aboutToShow, this, [this, menu] {
    if (Type_Box_ == nullptr) {
      auto* panel = new QWidgetAction(menu);
      panel->setDefaultWidget(Make_Panel());
      menu->addAction(panel);
    }
    Load_Panel();
  });
  Filter_Button_->setMenu(menu);

  Chip_Row_ = new QWidget(this);
  Chip_Layout_ = new QHBoxLayout(Chip_Row_);
  Chip_Layout_->setContentsMargins(0, 0, 0, 0);
  Chip_Layout_->addStretch(1);
  Chip_Row_->hide();

  auto* row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(Field_, 1);
  row->addWidget(Filter_Button_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addLayout(row);
  layout->addWidget(Chip_Row_);

  Count_Line_ = new QLabel(parent);
  Count_Line_->setObjectName(QStringLiteral("Search_Count"));

  Count_Timer_ = new QTimer(this);
  Count_Timer_->setSingleShot(true);
  Count_Timer_->setInterval(0);
  connect(Count_Timer_, &QTimer::timeout, this, [this] {
    if (!Active_) {
      Update_Count();
    }
  });
  connect(Field_, &QLineEdit::textChanged, this, [this] { Apply(); });
  auto* find = new QShortcut(QKeySequence::Find, this);
  find->setContext(Qt::WindowShortcut);
  connect(find, &QShortcut::activated, this, [this] {
    QWidget* focus = QApplication::focusWidget();
    if (focus != Field_) {
      Focus_Before_ = focus;
    }
    Field_->setFocus(Qt::ShortcutFocusReason);
    Field_->selectAll();
  });

  Random_Action_ = new QAction(Dice_Icon(), QStringLiteral("&Random Map"), this);
  Random_Action_->setObjectName(QStringLiteral("Random_Map"));
  Random_Action_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  Random_Action_->setShortcutContext(Qt::WindowShortcut);
  addAction(Random_Action_);
  connect(Random_Action_, &QAction::triggered, this, [this] { Random_Map(); });

  // A reload makes new records: the index is built again, and the search applied again.
  for (QAbstractItemModel* model : {static_cast<QAbstractItemModel*>(&Parts_.Tree_Model),
                                    static_cast<QAbstractItemModel*>(&Parts_.List_Model)}) {
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
      Index_Dirty_ = true;
      if (Active_) {
        QTimer::singleShot(0, this, [this] { Apply(); });
      } else {
        Update_Count();
      }
    });
    // Many changes in a row (a bulk drop) count once.
    for (const auto signal :
         {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
      connect(model, signal, Count_Timer_, qOverload<>(&QTimer::start));
    }
  }
  // The scope of Random Map follows the tree's selection and the names of its groups.
  connect(Parts_.Tree_View.selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this] { Update_Random_Scope(); });
  connect(&Parts_.Tree_Model, &QAbstractItemModel::dataChanged, this,
          [this] { Update_Random_Scope(); });
  connect(&Parts_.Tree_Model, &QAbstractItemModel::layoutChanged, this,
          [this] { Update_Random_Scope(); });
  connect(&Parts_.Tree_Model, &QAbstractItemModel::modelReset, this,
          [this] { Update_Random_Scope(); });
  Update_Random_Scope();
  Update_Count();
}

TSearch_Bar::~TSearch_Bar() = default;

QWidget* TSearch_Bar::Make_Panel() {
  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("Search_Filter_Panel"));
  auto* form = new QFormLayout(panel);
  Type_Box_ = new QComboBox(panel);
  Type_Box_->addItem(QStringLiteral("any"));
  for (const auto& word : Game_Type_Words()) {
    Type_Box_->addItem(QString::fromStdString(word));
  }
  Players_Box_ = new QSpinBox(panel);
  Players_Box_->setRange(0, 64);
  Players_Box_->setSpecialValueText(QStringLiteral("any"));
  Rating_Box_ = new QSpinBox(panel);
  Rating_Box_->setRange(0, 9);
  Rating_Box_->setSpecialValueText(QStringLiteral("any"));
  Bots_Box_ = new QCheckBox(QStringLiteral("the map has a bot file"), panel);
  MOD_Box_ = new QComboBox(panel);
  Added_Box_ = new QComboBox(panel);
  Added_Box_->addItem(QStringLiteral("any time"));
  for (const auto& choice : Added_Choices) {
    Added_Box_->addItem(QString::fromLatin1(choice.Name));
  }
  form->addRow(QStringLiteral("Game type"), Type_Box_);
  form->addRow(QStringLiteral("Players"), Players_Box_);
  form->addRow(QStringLiteral("Rating at least"), Rating_Box_);
  form->addRow(QStringLiteral("Bots"), Bots_Box_);
  form->addRow(QStringLiteral("MOD"), MOD_Box_);
  form->addRow(QStringLiteral("Added within"), Added_Box_);
  Played_Box_ = new QComboBox(panel);
  Played_Box_->setObjectName(QStringLiteral("ComboBox_Played"));
  for (const char* choice : Played_Choices) {
    Played_Box_->addItem(QString::fromLatin1(choice));
  }
  form->addRow(QStringLiteral("Played"), Played_Box_);
  Content_Box_ = new QComboBox(panel);
  Content_Box_->setObjectName(QStringLiteral("ComboBox_Content"));
  for (const char* choice : Content_Choices) {
    Content_Box_->addItem(QString::fromLatin1(choice));
  }
  Content_Box_->setToolTip(
      QStringLiteral("Whether the game finds every texture, model and sound the map names"));
  form->addRow(QStringLiteral("Content"), Content_Box_);

  const auto taken = [this] {
    if (Loading_Panel_) {
      return;
    }
    TMap_Filters filters;
    if (Type_Box_->currentIndex() > 0) {
      filters.Game_Type =
          Game_Type_Bit_From_Word(Type_Box_->currentText().toStdString()).value_or(0);
    }
    if (Players_Box_->value() > 0) {
      filters.Players = Players_Box_->value();
    }
    if (Rating_Box_->value() > 0) {
      filters.Min_Rating = Rating_Box_->value();
    }
    filters.Bots = Bots_Box_->isChecked();
    if (MOD_Box_->currentIndex() > 0) {
      filters.MOD = From_QString(MOD_Box_->currentText());
    }
    if (Added_Box_->currentIndex() > 0) {
      filters.Added_Within_Days =
          Added_Choices[static_cast<std::size_t>(Added_Box_->currentIndex() - 1)].Days;
    }
    Take_Played_Choice(Played_Box_->currentIndex(), filters);
    filters.Complete_Only = Content_Box_->currentIndex() == 1;
    filters.Missing_Content = Content_Box_->currentIndex() == 2;
    Set_Filters(filters);
  };
  connect(Type_Box_, &QComboBox::currentIndexChanged, this, taken);
  connect(Players_Box_, &QSpinBox::valueChanged, this, taken);
  connect(Rating_Box_, &QSpinBox::valueChanged, this, taken);
  connect(Bots_Box_, &QCheckBox::toggled, this, taken);
  connect(MOD_Box_, &QComboBox::currentIndexChanged, this, taken);
  connect(Added_Box_, &QComboBox::currentIndexChanged, this, taken);
  connect(Played_Box_, &QComboBox::currentIndexChanged, this, taken);
  connect(Content_Box_, &QComboBox::currentIndexChanged, this, taken);
  return panel;
}

// The panel shows the filters as they are (chips may have removed some) and the MODs of now.
void TSearch_Bar::Load_Panel() {
  Loading_Panel_ = true;
  int type = 0;
  for (std::size_t i = 0; i < Game_Type_Words().size(); ++i) {
    if (Game_Type_Bit_From_Word(Game_Type_Words()[i]) == Filters_.Game_Type) {
      type = static_cast<int>(i) + 1;
    }
  }
  Type_Box_->setCurrentIndex(Filters_.Game_Type != 0 ? type : 0);
  Players_Box_->setValue(Filters_.Players.value_or(0));
  Rating_Box_->setValue(Filters_.Min_Rating.value_or(0));
  Bots_Box_->setChecked(Filters_.Bots);
  MOD_Box_->clear();
  MOD_Box_->addItem(QStringLiteral("any"));
  if (const TMOD_List* mods = Context_.Mods) {
    for (int i = 0; i < mods->Count(); ++i) {
      MOD_Box_->addItem(To_QString(mods->Name(i)));
    }
  }
  if (!Filters_.MOD.empty()) {
    int found = MOD_Box_->findText(To_QString(Filters_.MOD), Qt::MatchFixedString);
    if (found < 0) {
      MOD_Box_->addItem(To_QString(Filters_.MOD));
      found = MOD_Box_->count() - 1;
    }
    MOD_Box_->setCurrentIndex(found);
  }
  int added = 0;
  for (std::size_t i = 0; i < Added_Choices.size(); ++i) {
    if (Filters_.Added_Within_Days == Added_Choices[i].Days) {
      added = static_cast<int>(i) + 1;
    }
  }
  Added_Box_->setCurrentIndex(added);
  Played_Box_->setCurrentIndex(Played_Choice_Of(Filters_));
  Content_Box_->setCurrentIndex(Filters_.Complete_Only ? 1 : Filters_.Missing_Content ? 2 : 0);
  Loading_Panel_ = false;
}

QList<QToolButton*> TSearch_Bar::Chips() const {
  return Chip_Row_->findChildren<QToolButton*>(QString(), Qt::FindDirectChildrenOnly);
}

void TSearch_Bar::Set_Filters(const TMap_Filters& filters) {
  Filters_ = filters;
  Update_Chips();
  Apply();
}

void TSearch_Bar::Update_Chips() {
  for (QToolButton* chip : Chips()) {
    delete chip;
  }
  const auto add = [this](const QString& text, auto remove) {
    auto* chip = new QToolButton(Chip_Row_);
    chip->setObjectName(QStringLiteral("Search_Chip"));
    chip->setText(text + QStringLiteral("  \u00D7"));
    chip->setToolTip(QStringLiteral("Remove this filter"));
    chip->setAutoRaise(false);
    connect(chip, &QToolButton::clicked, this, [this, remove] {
      TMap_Filters filters = Filters_;
      remove(filters);
      // Deleted after its click has been handled.
      QTimer::singleShot(0, this, [this, filters] { Set_Filters(filters); });
    });
    Chip_Layout_->insertWidget(Chip_Layout_->count() - 1, chip);
  };
  if (Filters_.Game_Type != 0) {
    QString word;
    for (const auto& name : Game_Type_Words()) {
      if (Game_Type_Bit_From_Word(name) == Filters_.Game_Type) {
        word = QString::fromStdString(name);
      }
    }
    add(QStringLiteral("type: ") + word, [](TMap_Filters& f) { f.Game_Type = 0; });
  }
  if (Filters_.Players) {
    add(QStringLiteral("players: %1").arg(*Filters_.Players),
        [](TMap_Filters& f) { f.Players.reset(); });
  }
  if (Filters_.Min_Rating) {
    add(QStringLiteral("rating \u2265 %1").arg(*Filters_.Min_Rating),
        [](TMap_Filters& f) { f.Min_Rating.reset(); });
  }
  if (Filters_.Bots) {
    add(QStringLiteral("bots"), [](TMap_Filters& f) { f.Bots = false; });
  }
  if (!Filters_.MOD.empty()) {
    add(QStringLiteral("MOD: ") + To_QString(Filters_.MOD), [](TMap_Filters& f) { f.MOD.clear(); });
  }
  if (Filters_.Added_Within_Days) {
    QString name = QStringLiteral("%1 days").arg(*Filters_.Added_Within_Days);
    for (const auto& choice : Added_Choices) {
      if (choice.Days == *Filters_.Added_Within_Days) {
        name = QString::fromLatin1(choice.Name);
      }
    }
    add(QStringLiteral("added within ") + name,
        [](TMap_Filters& f) { f.Added_Within_Days.reset(); });
  }
  if (Filters_.Never_Played) {
    add(QStringLiteral("never played"), [](TMap_Filters& f) { f.Never_Played = false; });
  }
  if (Filters_.Played_Within_Days) {
    add(QStringLiteral("played within %1 days").arg(*Filters_.Played_Within_Days),
        [](TMap_Filters& f) { f.Played_Within_Days.reset(); });
  }
  if (Filters_.Played_Min) {
    add(QStringLiteral("played \u2265 %1 times").arg(*Filters_.Played_Min),
        [](TMap_Filters& f) { f.Played_Min.reset(); });
  }
  if (Filters_.Favourite) {
    add(QStringLiteral("favourites"), [](TMap_Filters& f) { f.Favourite = false; });
  }
  if (Filters_.Play_Later) {
    add(QStringLiteral("play later"), [](TMap_Filters& f) { f.Play_Later = false; });
  }
  if (Filters_.Failed_To_Load) {
    add(QStringLiteral("failed to load"), [](TMap_Filters& f) { f.Failed_To_Load = false; });
  }
  if (Filters_.Complete_Only) {
    add(QStringLiteral("complete only"), [](TMap_Filters& f) { f.Complete_Only = false; });
  }
  if (Filters_.Missing_Content) {
    add(QStringLiteral("missing content"), [](TMap_Filters& f) { f.Missing_Content = false; });
  }
  Chip_Row_->setVisible(Filters_.Any());
}

bool TSearch_Bar::Shows(const TMap_Record* map) const {
  // The views ask in the order the index was built (list, then tree) as long as nothing moved:
  // the slot after the last one is tried before the table.
  int slot = Next_Slot_;
  if (slot >= Index_.Count() || Index_.Map(slot) != map) {
    const auto found = Slot_.find(map);
    if (found == Slot_.end()) {
      return map != nullptr && Map_Matches(*map, Query_);
    }
    slot = found->second;
  }
  Next_Slot_ = slot + 1;
  return Flags_[static_cast<std::size_t>(slot)] != 0;
}

void TSearch_Bar::Rebuild_Index() {
  Index_.Clear();
  Slot_.clear();
  Game_Facts_.reset();
  const TUnsorted_Maps_List& list = Parts_.List;
  Index_.Reserve(static_cast<std::size_t>(list.Count()) * 2);
  Slot_.reserve(static_cast<std::size_t>(list.Count()) * 2);
  const auto add = [this](const TMap_Record* map) {
    if (map != nullptr && Slot_.count(map) == 0) {
      Slot_.emplace(map, Index_.Add(map));
    }
  };
  for (const auto& item : list.Items()) {
    add(item.Map);
  }
  Parts_.Tree.For_Each([&add](const TMaps_Tree_Node& node, int /*depth*/) {
    if (node.Is_Map_Entry()) {
      add(node.Map);
    }
  });
  Index_Dirty_ = false;
}

void TSearch_Bar::Apply() {
  TMap_Filters filters = Filters_;
  if (filters.Added_Within_Days) {
    filters.Now = Local_Now();
  }
  TMap_Query query = Parse_Query(Field_->text().toUtf8().toStdString(), filters);
  QTreeView& tree_view = Parts_.Tree_View;
  if (query.Empty()) {
    if (Active_) {
      Active_ = false;
      Parts_.List_Model.Set_Filter({});
      Parts_.Tree_Model.Set_Filter({});
      Restore_Expansion();
    }
    Update_Count();
    return;
  }
  if (!Active_) {
    Save_Expansion();
  }
  if (Index_Dirty_) {
    Rebuild_Index();
  }
  if (query.Filters.Wants_Game_Facts() && Game_Source_) {
    if (!Game_Facts_) {
      if (const std::shared_ptr<const TGame_Index> game = Game_Source_()) {
        std::vector<const TMap_Record*> maps;
        maps.reserve(static_cast<std::size_t>(Index_.Count()));
        for (int slot = 0; slot < Index_.Count(); ++slot) {
          maps.push_back(Index_.Map(slot));
        }
        Game_Facts_ = std::make_shared<const TMap_Game_Facts>(*game, maps);
      }
    }
    query.Filters.Game = Game_Facts_;
  }
  if (query.Filters.Wants_History()) {
    // The keeper's own history, not a copy: the keeper lives as long as the window.
    query.Filters.History =
        Context_.History != nullptr
            ? std::shared_ptr<const TPlay_History>(std::shared_ptr<const TPlay_History>(),
                                                   &Context_.History->History())
            : std::make_shared<const TPlay_History>();
    query.Filters.Clock = static_cast<std::int64_t>(std::time(nullptr));
  }
  if (query.Filters.Wants_Content()) {
    // None yet while the check runs: no map passes until it ends (Collection_Changed).
    query.Filters.Collection = Context_.Collection;
  }
  Query_ = std::move(query);
  Index_.Match(Query_, Flags_);
  Active_ = true;
  const TMap_Filter filter = [this](const TMap_Record* map) { return Shows(map); };
  Parts_.List_Model.Set_Filter(filter);
  Parts_.Tree_Model.Set_Filter(filter);
  // The groups holding found maps are expanded; a dimmed group the search opened is closed
  // again, one the user opened stays open. Only groups are marked (the view lays out everything
  // once, later), entries never.
  const TMaps_Tree_Model& model = Parts_.Tree_Model;
  For_Each_Group(Parts_.Tree, [&](const TMaps_Tree_Node& group) {
    const QModelIndex index = model.Index_Of(&group);
    if (!index.isValid()) {
      return;
    }
    if (!model.Dimmed(&group)) {
      if (!tree_view.isExpanded(index)) {
        tree_view.expand(index);
        Opened_By_Search_.insert(&group);
      }
    } else if (Opened_By_Search_.erase(&group) != 0) {
      tree_view.collapse(index);
    }
  });
  Update_Count();
}

void TSearch_Bar::Clear() {
  Filters_ = TMap_Filters();
  Update_Chips();
  if (Field_->text().isEmpty()) {
    Apply();
  } else {
    Field_->clear();  // applies
  }
}

void TSearch_Bar::Save_Expansion() {
  Expanded_Before_.clear();
  Opened_By_Search_.clear();
  const QTreeView& tree_view = Parts_.Tree_View;
  const TMaps_Tree_Model& model = Parts_.Tree_Model;
  For_Each_Group(Parts_.Tree, [&](const TMaps_Tree_Node& group) {
    if (tree_view.isExpanded(model.Index_Of(&group))) {
      Expanded_Before_.insert(&group);
    }
  });
}

void TSearch_Bar::Restore_Expansion() {
  QTreeView& tree_view = Parts_.Tree_View;
  const TMaps_Tree_Model& model = Parts_.Tree_Model;
  For_Each_Group(Parts_.Tree, [&](const TMaps_Tree_Node& group) {
    if (group.Child_Count() > 0) {
      tree_view.setExpanded(model.Index_Of(&group), Expanded_Before_.count(&group) != 0);
    }
  });
  Expanded_Before_.clear();
  Opened_By_Search_.clear();
  for (QTreeView* view : {&tree_view, static_cast<QTreeView*>(&Parts_.List_View)}) {
    if (view->currentIndex().isValid()) {
      view->scrollTo(view->currentIndex());
    }
  }
}

void TSearch_Bar::Update_Count() {
  if (Active_) {
    Shown_ = static_cast<int>(std::count(Flags_.begin(), Flags_.end(), 1));
    All_ = Index_.Count();
  } else if (!Index_Dirty_) {
    // The maps of both views are those of the index until a reload (drops and deletions only
    // move them between the views).
    All_ = Index_.Count();
    Shown_ = All_;
  } else {
    int entries = 0;
    Parts_.Tree.For_Each([&entries](const TMaps_Tree_Node& node, int /*depth*/) {
      entries += node.Is_Map_Entry() && node.Map != nullptr ? 1 : 0;
    });
    All_ = Parts_.List.Count() + entries;
    Shown_ = All_;
  }
  QString count = QStringLiteral("%1 of %2 maps").arg(Shown_).arg(All_);
  if (Active_ && Filters_.Wants_Content() && !Context_.Collection) {
    count += QStringLiteral(" (the content check is still running)");
  }
  Count_Line_->setText(count);
}

void TSearch_Bar::Collection_Changed() {
  if (Active_ && Filters_.Wants_Content()) {
    Apply();
  }
}

const TMaps_Tree_Node* TSearch_Bar::Random_Group() const {
  const TMaps_Tree_Node* selected = Parts_.Tree.Selected();
  // The top-level group holds the whole tree: with it, the list's maps count too.
  return selected != nullptr && selected->Is_Group() && selected != Parts_.Tree.Root() ? selected
                                                                                       : nullptr;
}

void TSearch_Bar::Update_Random_Scope() {
  const TMaps_Tree_Node* group = Random_Group();
  const QString scope =
      group != nullptr
          ? QStringLiteral("of the group \"%1\" selected in the tree").arg(To_QString(group->Text))
          : QStringLiteral("of the maps shown in tree and list");
  Random_Action_->setToolTip(QStringLiteral("Random Map: one ") + scope);
  Random_Action_->setStatusTip(Random_Action_->toolTip());
}

std::vector<TMap_Record*> TSearch_Bar::Random_Candidates() const {
  const TMaps_Tree_Node* group = Random_Group();
  std::vector<TMap_Record*> maps;
  for (const TMap_Place& place : Map_Places(Parts_.List, Parts_.Tree, group)) {
    if (!Active_ || Shows(place.Map)) {
      maps.push_back(place.Map);
    }
  }
  return maps;
}

std::vector<TMap_Record*> TSearch_Bar::Found_Maps() const {
  std::vector<TMap_Place> places;
  if (Active_) {
    for (TMap_Place& place : Map_Places(Parts_.List, Parts_.Tree)) {
      if (Shows(place.Map)) {
        places.push_back(std::move(place));
      }
    }
  }
  Sort_By_Filename(places);
  std::vector<TMap_Record*> maps;
  maps.reserve(places.size());
  for (const TMap_Place& place : places) {
    maps.push_back(place.Map);
  }
  return maps;
}

TMap_Record* TSearch_Bar::Random_Map() {
  const std::vector<TMap_Record*> maps = Random_Candidates();
  const auto picked = Prefer_Unplayed && Context_.History != nullptr
                          ? Pick_Preferring_Unplayed({maps.begin(), maps.end()},
                                                     Context_.History->History(), Random_)
                          : Pick_Uniformly(maps.size(), Random_);
  if (!picked) {
    const TMaps_Tree_Node* group = Random_Group();
    const std::string text =
        group != nullptr ? "The group \"" + group->Text + "\" holds no map to pick" +
                               (Active_ ? " among the maps shown." : ".")
        : Active_ ? "No map is shown, so there is none to pick: change the search."
                  : "There is no map to pick.";
    if (TInteraction* interaction = Context_.Interaction) {
      interaction->Message(TMessage_Kind::Information, text, TAnswer_Set::OK);
    }
    return nullptr;
  }
  TMap_Record* map = maps[*picked];
  emit Map_Picked(map);
  return map;
}

bool TSearch_Bar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Field_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    Clear();
    QWidget* back = Focus_Before_ != nullptr && Focus_Before_->isVisible()
                        ? Focus_Before_.data()
                        : static_cast<QWidget*>(&Parts_.List_View);
    back->setFocus(Qt::OtherFocusReason);
    Focus_Before_ = nullptr;
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace vorlix

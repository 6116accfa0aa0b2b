#include "browser/ui/browser_view.h"

#include <QAction>
#include <QHBoxLayout>
#include <QItemSelection>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QPixmap>
#include <QSplitter>
#include <QUndoStack>
#include <QVBoxLayout>

#include "browser/ui/browser_models.h"
#include "browser/ui/search_bar.h"
#include "browser/ui/tree_history.h"
#include "browser/ui/view_state.h"
#include "core/interaction.h"
#include "core/ui/artwork.h"
#include "database/play_history.h"

namespace vorlix {

namespace {

// Stand-ins when the tree's bitmap is missing: a page for a map entry, a folder for a group.
QIcon Drawn_Tree_Icon(bool group) {
  QPixmap image(16, 16);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setPen(Qt::black);
  if (group) {
    painter.setBrush(QColor(240, 200, 80));
    painter.drawRect(1, 4, 13, 9);
    painter.drawRect(1, 2, 5, 2);
  } else {
    painter.setBrush(Qt::white);
    painter.drawRect(3, 1, 9, 13);
    painter.drawLine(5, 5, 10, 5);
    painter.drawLine(5, 8, 10, 8);
  }
  return QIcon(image);
}

QIcon Tree_Icon(const QList<QPixmap>& images, int index, bool group) {
  return index < images.size() && !images[index].isNull() ? QIcon(images[index])
                                                          : Drawn_Tree_Icon(group);
}

}  // namespace

TBrowser_View::TBrowser_View(QWidget* parent) : QWidget(parent) {
  Tree_.List = &List_;
  Tree_Model_ = new TMaps_Tree_Model(Tree_, this);
  Tree_Model_->Record_Change = [this](const std::function<bool()>& change) {
    return Change_Tree(QStringLiteral("Rename Group"), change);
  };
  List_Model_ = new TUnsorted_List_Model(List_, this);
  const QList<QPixmap> tree_images = ui::Images_From_Strip(QStringLiteral(":/TREE.bmp"), 16);
  Tree_Model_->Set_Icons(Tree_Icon(tree_images, ui::Image_Map, false),
                         Tree_Icon(tree_images, ui::Image_Group, true));

  // The drag data of this browser's views carries its address: another browser's is refused.
  const QByteArray drag_token = QByteArray::number(reinterpret_cast<quintptr>(this));
  Tree_View_ = new TMaps_Tree_View(Tree_, *Tree_Model_, drag_token, this);
  List_View_ = new TUnsorted_List_View(List_, *List_Model_, Tree_, drag_token, this);
  Preview_ = new TLevelshot_Preview(*Tree_Model_, *List_Model_, this);
  History_ = new TTree_History(Parts(), Context_, this);
  Commands_ = new TMain_Commands(*History_->Stack(), this);
  Wire_Views();

  // Layout: tree and levelshot on the left, the list on the right.
  auto* left = new QWidget(this);
  auto* left_layout = new QVBoxLayout(left);
  left_layout->setContentsMargins(0, 0, 0, 0);
  left_layout->addWidget(new QLabel(QStringLiteral("Maps Tree"), left));
  left_layout->addWidget(Tree_View_, 1);
  left_layout->addWidget(Preview_);
  auto* right = new QWidget(this);
  auto* right_layout = new QVBoxLayout(right);
  right_layout->setContentsMargins(0, 0, 0, 0);
  right_layout->addWidget(new QLabel(QStringLiteral("Unsorted Maps"), right));
  Search_Bar_ = new TSearch_Bar(Parts(), Context_, right);
  right_layout->addWidget(Search_Bar_);
  right_layout->addWidget(List_View_, 1);
  right_layout->addWidget(Search_Bar_->Count_Line());
  auto* panes = new QSplitter(this);
  panes->addWidget(left);
  panes->addWidget(right);
  panes->setStretchFactor(1, 1);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(panes);

  Wire_Commands();
  Wire_Helpers();
  Show_Focus_Look(Tree_View_, false);
  Show_Focus_Look(List_View_, false);
}

TBrowser_View::~TBrowser_View() {
  // The models go before the tree and list they observe.
  Tree_View_->setModel(nullptr);
  List_View_->setModel(nullptr);
  delete Tree_Model_;
  delete List_Model_;
}

void TBrowser_View::Wire_Views() {
  const auto record = [this](const QString& name, const std::function<bool()>& change) {
    return Change_Tree(name, change);
  };
  Tree_View_->Record_Change = record;
  List_View_->Record_Change = record;
  Tree_View_->Set_List_View(List_View_);
  Preview_->Navigation_Key_Held = [this] {
    return Tree_View_->Navigation_Key_Held() || List_View_->Navigation_Key_Held();
  };

  connect(Tree_View_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            TMaps_Tree_Node* node = Tree_Model_->Node(current);
            Tree_.Select(node);
            TreeView_MapsChange(node);
          });
  connect(Tree_View_, &TMaps_Tree_View::Entered, this, [this] { TreeView_MapsEnter(); });
  connect(
      List_View_, &TUnsorted_List_View::Item_Selected, this,
      [this](bool selected, const QModelIndex& item) { ListView_MapsSelectItem(selected, item); });
  connect(List_View_, &TUnsorted_List_View::Entered, this, [this] { ListView_MapsEnter(); });
  connect(List_View_, &TUnsorted_List_View::Changed, this, [this] { ListView_MapsChange(); });

  connect(Tree_View_, &TMaps_Tree_View::Launch_Map_Requested, this,
          &TBrowser_View::Launch_Map_Requested);
  connect(Tree_View_, &TMaps_Tree_View::Map_Properties_Requested, this,
          &TBrowser_View::Map_Properties_Requested);
  connect(Tree_View_, &TMaps_Tree_View::Group_Properties_Requested, this,
          &TBrowser_View::Group_Properties_Requested);
  connect(Tree_View_, &TMaps_Tree_View::Create_Arena_File_Requested, this,
          &TBrowser_View::Create_Arena_File_Requested);
  connect(List_View_, &TUnsorted_List_View::Launch_Map_Requested, this,
          &TBrowser_View::Launch_Map_Requested);
  connect(List_View_, &TUnsorted_List_View::Map_Properties_Requested, this,
          &TBrowser_View::Map_Properties_Requested);
}

TBrowser_Parts TBrowser_View::Parts() {
  return {Tree_, List_, *Tree_Model_, *List_Model_, *Tree_View_, *List_View_};
}

void TBrowser_View::Restore_View(const TView_Memory& memory, bool with_list) {
  vorlix::Restore_View(Parts(), memory, with_list);
  Refresh_Commands();
}

void TBrowser_View::Wire_Helpers() {
  connect(History_, &TTree_History::Restored, this, [this] { Refresh_Commands(); });
  connect(Search_Bar_, &TSearch_Bar::Map_Picked, this, [this](TMap_Record* map) {
    if (map->PK3 != nullptr) {
      Select_Map(map->PK3->ID, map->ID);
    }
    Show_Levelshot(*map);
    emit Launch_Map_Requested(map);
  });
  // Edited properties may change what a search finds.
  connect(this, &TBrowser_View::Map_Properties_Requested, Search_Bar_,
          [this] { Search_Bar_->Texts_Changed(); });
  connect(this, &TBrowser_View::Group_Properties_Requested, Search_Bar_,
          [this] { Search_Bar_->Texts_Changed(); });
}

void TBrowser_View::Wire_Commands() {
  const auto on = [this](TMain_Command command, auto handler) {
    connect(Commands_->Command(command), &QAction::triggered, this, handler);
  };
  on(TMain_Command::Launch_Map, [this] { ToolButton_Launch_MapClick(); });
  on(TMain_Command::Map_Properties, [this] { ToolButton_Map_PropertiesClick(); });
  on(TMain_Command::Create_Arena_File, [this] { ToolButton_Create_Arena_FileClick(); });
  on(TMain_Command::Import_Arena_File, [this] { emit Import_Arena_File_Requested(); });
  on(TMain_Command::Activate_Arena_File, [this] { emit Activate_Arena_File_Requested(); });
  on(TMain_Command::Remove_Arena_File, [this] { emit Remove_Arena_File_Requested(); });
  on(TMain_Command::Exit, [this] { emit Exit_Requested(); });
  on(TMain_Command::Info, [this] { emit Info_Requested(); });
  connect(Commands_->Reload_Action(), &QAction::triggered, this, &TBrowser_View::Reload_Requested);
}

void TBrowser_View::Set_Tree_Icons(const QIcon& entry, const QIcon& group) {
  Tree_Model_->Set_Icons(entry, group);
}

void TBrowser_View::Install_Commands(QMainWindow* window) {
  Commands_->Install(window, Search_Bar_->Random_Action());
}

// ---- start-up and shutdown
// --------------------------------------------------------------------------

void TBrowser_View::Set_Context(const TBrowser_Context& context) {
  const bool new_collection = Context_.Collection != context.Collection;
  Context_ = context;
  Preview_->Set_Source(Context_.Database, Context_.Levelshots_Dir, Context_.Gfx_Dir);
  THistory_Keeper* history = Context_.History;
  Tree_Model_->Set_History(history);
  List_Model_->Set_History(history);
  if (new_collection) {
    Tree_Model_->Set_Collection(Context_.Collection);
    List_Model_->Set_Collection(Context_.Collection);
    Search_Bar_->Collection_Changed();
    List_View_->viewport()->update();
    Tree_View_->viewport()->update();
  }
  List_.Sort_Number = nullptr;
  if (history != nullptr) {
    List_.Sort_Number = [history](const TMap_Record& map, int column) -> std::int64_t {
      const TMap_Play play = history->History().Of(map);
      return column == TUnsorted_Maps_List::Played_Column ? play.Count : play.Last;
    };
    // Marks and counts are drawn anew; nothing moves.
    history->Changed = [this] {
      List_View_->viewport()->update();
      Tree_View_->viewport()->update();
    };
  }
}

void TBrowser_View::Clear() {
  History_->Clear();
  Preview_->Clear();
  Tree_.Clear();
  List_.Clear();
}

void TBrowser_View::Load_Maps_List(TUnsorted_Maps_List* filled,
                                   const std::vector<std::string>& reports) {
  if (Context_.Database == nullptr || Context_.Mods == nullptr || Context_.Interaction == nullptr) {
    return;
  }
  List_View_->setUpdatesEnabled(false);
  if (filled != nullptr) {
    for (const std::string& report : reports) {
      Context_.Interaction->Message(TMessage_Kind::Confirmation, report, TAnswer_Set::OK);
    }
    List_.Take_Contents(*filled);
  } else {
    vorlix::Load_Maps_List(List_, *Context_.Database, *Context_.Mods, *Context_.Interaction);
  }
  List_View_->setUpdatesEnabled(true);
  Preview_->Forget_Pending();
  Tree_View_->Clear_Navigation_Keys();
  List_View_->Clear_Navigation_Keys();
}

bool TBrowser_View::Initialise_Maps_Tree(std::unique_ptr<TTree_File_Reading> read_ahead) {
  if (Context_.Database == nullptr || Context_.Interaction == nullptr) {
    return false;
  }
  Tree_View_->setUpdatesEnabled(false);
  const TTree_Load_Report report = vorlix::Initialise_Maps_Tree(
      Tree_, Context_.Program_Dir, *Context_.Database, std::move(read_ahead));
  Tree_View_->Sync_Selection();
  if (Tree_.Root() != nullptr) {
    Tree_View_->expand(Tree_Model_->Index_Of(Tree_.Root()));
    Tree_View_->scrollToTop();
  }
  Tree_View_->setUpdatesEnabled(true);
  return Show_Tree_Load_Report(report, *Context_.Interaction);
}

bool TBrowser_View::Save_Tree_File() {
  if (Context_.Interaction == nullptr) {
    return false;
  }
  const TResult<void> saved = Tree_.Save_Tree_File(Tree_File_Path(Context_.Program_Dir));
  if (!saved) {
    Context_.Interaction->Message(TMessage_Kind::Error, saved.Message(), TAnswer_Set::OK);
  }
  return saved.Ok();
}

// ---- selection and availability
// ---------------------------------------------------------------------

TBrowser_View::TFocus_Target TBrowser_View::Focused() const {
  const QWidget* focus = window()->focusWidget();
  if (focus == nullptr) {
    return TFocus_Target::None;
  }
  if (focus == Tree_View_ || Tree_View_->isAncestorOf(focus)) {
    return TFocus_Target::Tree;
  }
  if (focus == List_View_ || List_View_->isAncestorOf(focus)) {
    return TFocus_Target::List;
  }
  return TFocus_Target::None;
}

bool TBrowser_View::Change_Tree(const QString& name, const std::function<bool()>& change) {
  const bool done = History_->Record(name, change);
  Refresh_Commands();
  return done;
}

void TBrowser_View::Refresh_Commands() {
  const TFocus_Target target = Focused() != TFocus_Target::None ? Focused() : Last_Focus_;
  if (target == TFocus_Target::Tree) {
    // The view's current node is the selected one, and is drawn selected.
    if (TMaps_Tree_Node* current = Tree_Model_->Node(Tree_View_->currentIndex())) {
      Tree_.Select(current);
    }
    Tree_View_->Sync_Selection();
    TreeView_MapsEnter();
  } else if (target == TFocus_Target::List) {
    ListView_MapsEnter();
  }
}

TMap_Record* TBrowser_View::Focused_Map() const {
  const TFocus_Target target = Focused() != TFocus_Target::None ? Focused() : Last_Focus_;
  if (target == TFocus_Target::Tree) {
    const TMaps_Tree_Node* node = Tree_Model_->Node(Tree_View_->currentIndex());
    return node != nullptr && node->Is_Map_Entry() ? node->Map : nullptr;
  }
  return target == TFocus_Target::List ? List_View_->Selected_Map() : nullptr;
}

bool TBrowser_View::Select_Map(std::int32_t pk3_id, std::int32_t map_id) {
  return Select_Maps([pk3_id, map_id](const TMap_Record& map) {
    return map.ID == map_id && map.PK3 != nullptr && map.PK3->ID == pk3_id;
  });
}

bool TBrowser_View::Select_Maps(const std::function<bool(const TMap_Record&)>& wanted) {
  const auto shows = [&wanted](const TMap_Record* map) { return map != nullptr && wanted(*map); };
  const TMaps_Tree_Node* entry = nullptr;
  Tree_.For_Each([&](const TMaps_Tree_Node& node, int /*depth*/) {
    if (entry == nullptr && node.Is_Map_Entry() && shows(node.Map)) {
      entry = &node;
    }
  });
  if (entry != nullptr) {
    const QModelIndex index = Tree_Model_->Index_Of(entry);
    Tree_View_->scrollTo(index);
    Tree_View_->setCurrentIndex(index);
  }
  QItemSelection items;
  QModelIndex first;
  for (int row = 0; row < List_Model_->rowCount(); ++row) {
    if (shows(List_Model_->Map(List_Model_->index(row, 0)))) {
      const QModelIndex index = List_Model_->index(row, 0);
      items.select(index, index);
      if (!first.isValid()) {
        first = index;
      }
    }
  }
  if (first.isValid()) {
    List_View_->selectionModel()->select(
        items, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    List_View_->selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
    List_View_->scrollTo(first);
  }
  return entry != nullptr || first.isValid();
}

// ---- events of the views
// ----------------------------------------------------------------------------

void TBrowser_View::TreeView_MapsChange(TMaps_Tree_Node* node) {
  if (node == nullptr) {
    return;
  }
  Commands_->Apply(
      Selection_Rule(TBrowser_Event::Tree_Selection_Changed, Tree_View_->Describe(node), false));
  if (node->Is_Map_Entry()) {
    Preview_->Schedule(Tree_Model_->Index_Of(node));
  } else {
    Preview_->Cancel();
  }
}

void TBrowser_View::TreeView_MapsEnter() {
  Last_Focus_ = TFocus_Target::Tree;
  const TMaps_Tree_Node* node = Tree_.Selected();
  Commands_->Apply(Selection_Rule(TBrowser_Event::Tree_Focus, Tree_View_->Describe(node), false));
  if (node != nullptr && node->Is_Map_Entry()) {
    Preview_->Schedule(Tree_Model_->Index_Of(node));
  }
}

void TBrowser_View::ListView_MapsSelectItem(bool selected, const QModelIndex& item) {
  Commands_->Apply(Selection_Rule(
      selected ? TBrowser_Event::List_Item_Selected : TBrowser_Event::List_Item_Deselected,
      Tree_View_->Describe(Tree_.Selected()), selected));
  if (selected && item.isValid()) {
    Preview_->Schedule(item);
  }
}

void TBrowser_View::ListView_MapsEnter() {
  Last_Focus_ = TFocus_Target::List;
  QItemSelectionModel* selection = List_View_->selectionModel();
  const bool has_selection = selection->hasSelection();
  Commands_->Apply(Selection_Rule(TBrowser_Event::List_Focus,
                                  Tree_View_->Describe(Tree_.Selected()), has_selection));
  if (has_selection) {
    QModelIndex current = selection->currentIndex();
    if (!current.isValid() || !selection->isRowSelected(current.row())) {
      current = selection->selectedRows().front();
    }
    Preview_->Schedule(current);
  }
}

void TBrowser_View::ListView_MapsChange() {
  if (!List_View_->selectionModel()->hasSelection()) {
    Commands_->Apply(Selection_Rule(TBrowser_Event::List_Changed_Nothing_Selected,
                                    Tree_View_->Describe(nullptr), false));
  }
}

// ---- main commands
// --------------------------------------------------------------------------------------

void TBrowser_View::ToolButton_Launch_MapClick() {
  switch (Focused()) {
    case TFocus_Target::Tree:
      Tree_View_->TreeView_MapsDblClick();
      break;
    case TFocus_Target::List:
      List_View_->ListView_MapsDblClick();
      break;
    case TFocus_Target::None:
      break;
  }
}

void TBrowser_View::ToolButton_Map_PropertiesClick() {
  switch (Focused()) {
    case TFocus_Target::Tree:
      Tree_View_->Menu_PropertiesClick();
      break;
    case TFocus_Target::List:
      List_View_->Menu_PropertiesClick();
      break;
    case TFocus_Target::None:
      break;
  }
}

void TBrowser_View::ToolButton_Create_Arena_FileClick() {
  if (Focused() == TFocus_Target::Tree) {
    Tree_View_->TreeView_Maps_Create_Arena_FileClick();
  }
}

}  // namespace vorlix

#pragma once
// The search of the maps browser: a field above the unsorted list, a button opening the filters
// and the active filters as removable chips, and the line "N of M maps" under the list. Typing
// filters both views at once (the list shows the matching maps, the tree the matching map entries
// with the groups above them, expanded); clearing shows the tree as it was, expanded groups
// included; groups without a found map stay, dimmed, as drop targets. "Random Map" picks one of
// the maps shown, or of those of the group selected in the tree (whichever view has the keys).

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "browser/map_search.h"
#include "browser/ui/browser_parts.h"

class QAction;
class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTimer;
class QToolButton;

namespace vorlix {

class TGame_Index;
class TMap_Record;
class TMaps_Tree_Node;

class TSearch_Bar : public QWidget {
  Q_OBJECT
 public:
  // Lives in the view's list column; the count line is placed by the view. `context` gives the
  // MODs of the filter panel and the interaction (read when used).
  TSearch_Bar(const TBrowser_Parts& parts, const TBrowser_Context& context, QWidget* parent);
  ~TSearch_Bar() override;

  QLineEdit* Field() const { return Field_; }
  QToolButton* Filter_Button() const { return Filter_Button_; }
  QLabel* Count_Line() const { return Count_Line_; }
  QAction* Random_Action() const { return Random_Action_; }
  // The chips of the active filters, in the order of the panel.
  QList<QToolButton*> Chips() const;

  const TMap_Filters& Filters() const { return Filters_; }
  void Set_Filters(const TMap_Filters& filters);
  // Filters both views by the field's text and the filters now (typing does it at once too).
  void Apply();
  // Empties the field and removes every filter.
  void Clear();
  bool Active() const { return Active_; }
  // Maps shown and maps of both views.
  int Shown_Maps() const { return Shown_; }
  int All_Maps() const { return All_; }

  // Picks a map uniformly (see the header comment) and reports it (Map_Picked); with nothing to
  // pick tells the user. Returns the map, or null.
  // Random Map picks maps never launched first (when the history is known).
  bool Prefer_Unplayed = false;
  TMap_Record* Random_Map();
  void Seed(std::uint64_t seed) { Random_.seed(seed); }
  // The group Random_Map picks from: the group selected in the tree, whichever view has the
  // focus, unless it is the top-level group; null for every map shown. The button's tooltip names
  // it. And the maps it picks from.
  const TMaps_Tree_Node* Random_Group() const;
  std::vector<TMap_Record*> Random_Candidates() const;
  // While a search is active: the maps found in list and tree, ordered by Filename, then in PK3
  // (as vorlix-cli find orders them).
  std::vector<TMap_Record*> Found_Maps() const;

  // The collection check of the context has ended or was dropped: the content filters are
  // applied again.
  void Collection_Changed();

  // The texts of the maps may have changed (properties edited): the next query reads them again.
  void Texts_Changed() { Index_Dirty_ = true; }

  // Where the game's own facts for the game-type and bots filters come from (set by the
  // composition; asked when such a filter is first applied after the maps changed). Without it
  // those filters go by the records alone.
  using TGame_Index_Source = std::function<std::shared_ptr<const TGame_Index>()>;
  void Set_Game_Index_Source(TGame_Index_Source source) {
    Game_Source_ = std::move(source);
    Game_Facts_.reset();
  }

 signals:
  // Random Map picked this map: to be selected, shown and launched.
  void Map_Picked(vorlix::TMap_Record* map);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool Shows(const TMap_Record* map) const;
  void Rebuild_Index();
  void Save_Expansion();
  void Restore_Expansion();
  void Update_Chips();
  void Update_Count();
  void Update_Random_Scope();
  void Load_Panel();
  QWidget* Make_Panel();

  TBrowser_Parts Parts_;
  const TBrowser_Context& Context_;
  QLineEdit* Field_ = nullptr;
  QToolButton* Filter_Button_ = nullptr;
  QWidget* Chip_Row_ = nullptr;
  QHBoxLayout* Chip_Layout_ = nullptr;
  QLabel* Count_Line_ = nullptr;
  QAction* Random_Action_ = nullptr;
  QTimer* Count_Timer_ = nullptr;
  QPointer<QWidget> Focus_Before_;

  // The panel's fields.
  QComboBox* Type_Box_ = nullptr;
  QSpinBox* Players_Box_ = nullptr;
  QSpinBox* Rating_Box_ = nullptr;
  QCheckBox* Bots_Box_ = nullptr;
  QComboBox* MOD_Box_ = nullptr;
  QComboBox* Added_Box_ = nullptr;
  QComboBox* Played_Box_ = nullptr;
  QComboBox* Content_Box_ = nullptr;
  bool Loading_Panel_ = false;

  TMap_Filters Filters_;
  TMap_Query Query_;
  TMap_Search_Index Index_;
  TGame_Index_Source Game_Source_;
  std::shared_ptr<const TMap_Game_Facts> Game_Facts_;  // for the index's maps
  std::unordered_map<const TMap_Record*, int> Slot_;
  std::vector<char> Flags_;
  mutable int Next_Slot_ = 0;
  bool Index_Dirty_ = true;
  bool Active_ = false;
  int Shown_ = 0;
  int All_ = 0;
  std::unordered_set<const TMaps_Tree_Node*> Expanded_Before_;
  std::unordered_set<const TMaps_Tree_Node*> Opened_By_Search_;  // while a search is active
  std::mt19937_64 Random_{std::random_device{}()};
};

}  // namespace vorlix

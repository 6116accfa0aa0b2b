#include "browser/ui/view_state.h"

#include <QApplication>
#include <QItemSelection>
#include <QTreeView>
#include <algorithm>

#include "browser/ui/browser_models.h"
#include "browser/ui/unsorted_list_view.h"
#include "database/records.h"

namespace vorlix {

namespace {

std::vector<int> Rows_Of(const TMaps_Tree_Node* node) {
  std::vector<int> rows;
  for (; node != nullptr && node->Row() >= 0; node = node->Parent()) {
    rows.push_back(node->Row());
  }
  std::reverse(rows.begin(), rows.end());
  return rows;
}

const TMaps_Tree_Node* Group_At(const TMaps_Tree& tree, const std::vector<int>& rows) {
  const TMaps_Tree_Node* node = tree.Top();
  for (int row : rows) {
    if (row < 0 || row >= node->Child_Count() || !node->Child(row)->Is_Group()) {
      return nullptr;
    }
    node = node->Child(row);
  }
  return node == tree.Top() ? nullptr : node;
}

std::optional<TView_Memory::TMap_IDs> IDs_Of(const TMap_Record* map) {
  if (map == nullptr || map->PK3 == nullptr) {
    return std::nullopt;
  }
  return TView_Memory::TMap_IDs{map->PK3->ID, map->ID};
}

}  // namespace

TView_Memory Remember_View(const TBrowser_Parts& parts) {
  TView_Memory memory;
  const TMaps_Tree& tree = parts.Tree;
  tree.For_Each([&](const TMaps_Tree_Node& node, int /*depth*/) {
    if (node.Is_Group() && parts.Tree_View.isExpanded(parts.Tree_Model.Index_Of(&node))) {
      memory.Expanded.push_back(Rows_Of(&node));
    }
  });
  if (const TMaps_Tree_Node* selected = tree.Selected()) {
    if (selected->Is_Group()) {
      memory.Selected_Group = Rows_Of(selected);
    } else {
      memory.Selected_Entry = IDs_Of(selected->Map);
    }
  }
  for (const TMap_Record* map : parts.List_View.Selected_Maps()) {
    if (const auto ids = IDs_Of(map)) {
      memory.List_Selection.push_back(*ids);
    }
  }
  return memory;
}

void Restore_View(const TBrowser_Parts& parts, const TView_Memory& memory, bool with_list) {
  const TMaps_Tree& tree = parts.Tree;
  QTreeView& tree_view = parts.Tree_View;
  for (const std::vector<int>& rows : memory.Expanded) {
    if (const TMaps_Tree_Node* group = Group_At(tree, rows)) {
      tree_view.expand(parts.Tree_Model.Index_Of(group));
    }
  }
  const TMaps_Tree_Node* selected = nullptr;
  if (memory.Selected_Group) {
    selected = Group_At(tree, *memory.Selected_Group);
  } else if (memory.Selected_Entry) {
    tree.For_Each([&](const TMaps_Tree_Node& node, int /*depth*/) {
      if (selected == nullptr && node.Is_Map_Entry() && IDs_Of(node.Map) == memory.Selected_Entry) {
        selected = &node;
      }
    });
  }
  if (selected != nullptr) {
    const QModelIndex index = parts.Tree_Model.Index_Of(selected);
    tree_view.setCurrentIndex(index);
    tree_view.scrollTo(index);
  }
  if (with_list) {
    // The model's rows (a search may show a part of the list).
    const TUnsorted_List_Model& list = parts.List_Model;
    QItemSelection items;
    QModelIndex first;
    for (int row = 0; row < list.rowCount(); ++row) {
      const QModelIndex index = list.index(row, 0);
      const auto ids = IDs_Of(list.Map(index));
      if (ids && std::find(memory.List_Selection.begin(), memory.List_Selection.end(), *ids) !=
                     memory.List_Selection.end()) {
        items.select(index, index);
        if (!first.isValid()) {
          first = index;
        }
      }
    }
    if (first.isValid()) {
      QItemSelectionModel* selection = parts.List_View.selectionModel();
      selection->select(items, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
      selection->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
      parts.List_View.scrollTo(first);
    }
  }
}

void Show_Focus_Look(QAbstractItemView* view, bool focused) {
  QPalette palette = QApplication::palette(view);
  if (!focused) {
    const QColor muted = palette.color(QPalette::Active, QPalette::Window).darker(118);
    const QColor text = palette.color(QPalette::Active, QPalette::Text);
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
      palette.setColor(group, QPalette::Highlight, muted);
      palette.setColor(group, QPalette::HighlightedText, text);
    }
  }
  view->setPalette(palette);
}

void Show_Focus_Lost(QAbstractItemView* view, Qt::FocusReason reason) {
  // A menu or another window does not take the keys away from the view for good.
  if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
    Show_Focus_Look(view, false);
  }
}

}  // namespace vorlix

#pragma once
// What the user sees of the maps browser beyond the data: which groups of the tree are open,
// which node is selected and which list items are selected, remembered by position and by the
// maps' pairs of IDs, so that it can be shown again after the tree or the whole database was
// rebuilt (undo, reload). Also the look that tells the focused view from the other one.

#include <Qt>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "browser/ui/browser_parts.h"

class QAbstractItemView;

namespace vorlix {

struct TView_Memory {
  using TMap_IDs = std::pair<std::int32_t, std::int32_t>;  // pk3 ID, map ID
  // Groups by their rows from the top (groups stand before map entries, so their rows survive
  // the loss of entries).
  std::vector<std::vector<int>> Expanded;
  std::optional<std::vector<int>> Selected_Group;
  std::optional<TMap_IDs> Selected_Entry;
  std::vector<TMap_IDs> List_Selection;
};

TView_Memory Remember_View(const TBrowser_Parts& parts);
// Shows the remembered state again as far as its groups and maps still exist; the list's
// selection only when `with_list` is set. The caller sets the commands that follow the
// selection afterwards.
void Restore_View(const TBrowser_Parts& parts, const TView_Memory& memory, bool with_list);

// The selection of a view that has the keyboard focus is drawn in the highlight colour, that of
// a view without it in a muted grey.
void Show_Focus_Look(QAbstractItemView* view, bool focused);
// The look of a view that lost the focus for that reason.
void Show_Focus_Lost(QAbstractItemView* view, Qt::FocusReason reason);

}  // namespace vorlix

#pragma once
// "Collection Report...": what the collection check found, one tab a finding with its number of
// lines in the caption (maps missing content, maps in several archives, archives replacing other
// archives' files, archives of which the game reads nothing, and what could not be read). Each
// tab's columns sort (a third click on a header gives the report's own order back), and one
// search field filters the lines of every tab. A line names a map or an archive: a double click,
// Enter, "Select", "Properties..." and "Delete PK3..." hand it to the caller's functions, so that
// the dialog knows nothing of the records or the views.

#include <QDialog>
#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "database/collection_check.h"

class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTabWidget;
class QTreeView;

namespace vorlix {

// What a line of the report leads to: a map of an archive (or of a directory's loose files), or
// the archive itself when Map_File is empty.
struct TReport_Target {
  TContent_Place Place;
  std::string Map_File;  // the member as stored ("maps/q3dm17.bsp")
  bool Is_Map() const { return !Map_File.empty(); }
  bool operator==(const TReport_Target&) const = default;
};

// The report without what it says of the archive at `place` (once that archive is deleted): its
// maps, its copies of duplicate maps (a map left with one copy is no duplicate any more), its
// overriding and its dead entry.
TCollection_Report Report_Without(TCollection_Report report, const TContent_Place& place);

class TForm_Collection_Report : public QDialog {
  Q_OBJECT

 public:
  enum class TPage : int { Missing = 0, Duplicates, Overrides, Dead, Problems };
  static constexpr std::size_t Page_Count = 5;

  explicit TForm_Collection_Report(QWidget* parent = nullptr);
  ~TForm_Collection_Report() override;

  // Fills every tab anew; the search and the tab shown stay.
  void Set_Report(TCollection_Report report);
  const TCollection_Report& Report() const { return Report_; }

  // The target of the current line of the tab shown; nullopt when it names none.
  std::optional<TReport_Target> Current_Target() const;
  // The view of a tab (its model is the tab's sort and filter proxy).
  QTreeView* View(TPage page) const { return Pages_[static_cast<std::size_t>(page)].View; }
  int Tab_Index(TPage page) const;

  // Shows the map (the loaded copy for a duplicate's line) or the archive's maps.
  std::function<void(const TReport_Target&)> Select;
  std::function<void(const TReport_Target&)> Show_Properties;
  // Asks and deletes the archive; true when it is gone (its lines then leave the report).
  std::function<bool(const TContent_Place&)> Delete_PK3;

  QLineEdit* Edit_Search;
  QTabWidget* Tabs;
  QLabel* Label_Explanation;
  QPushButton* Button_Select;
  QPushButton* Button_Properties;
  QPushButton* Button_Delete_PK3;
  QPushButton* Button_Close;

 private:
  struct TPage_Parts {
    QString Caption;
    QString Explanation;
    QStandardItemModel* Model = nullptr;
    QSortFilterProxyModel* Proxy = nullptr;
    QTreeView* View = nullptr;
  };

  void Make_Page(TPage page, const QString& caption, const QString& explanation,
                 const QStringList& headers);
  void Fill_Missing();
  void Fill_Duplicates();
  void Fill_Overrides();
  void Fill_Dead();
  void Fill_Problems();
  // The target's number kept on a line's first cell.
  int Add_Target(TReport_Target target);
  std::optional<TReport_Target> Target_Of(const QModelIndex& index) const;
  void Update_Captions();
  void Update_Buttons() const;

  void Edit_SearchChange(const QString& text);
  void Button_SelectClick() const;
  void Button_PropertiesClick() const;
  void Button_Delete_PK3Click();

  TCollection_Report Report_;
  std::vector<TReport_Target> Targets_;
  std::array<TPage_Parts, Page_Count> Pages_{};
};

}  // namespace vorlix

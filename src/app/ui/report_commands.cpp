// "Collection Report..." of the menu Vorlix: the collection check's report in a window of its
// own, whose lines lead to the records: Select shows the map or the archive's maps in the tree
// and the list, Properties... opens the map's properties dialog, Delete PK3... deletes the
// archive as the properties dialog does (asking first) and reloads.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <string>

#include "app/ui/main_window.h"
#include "app/ui/program_windows.h"
#include "browser/ui/browser_view.h"
#include "core/letter_case.h"
#include "core/text.h"
#include "database/collection_check.h"
#include "database/pk3_rename.h"
#include "database/records.h"
#include "dialogs/ui/collection_report.h"

namespace vorlix::ui {

namespace {

bool Holds_Maps(const TPK3_Record& pk3) {
  for (int i = 0; pk3.Maps && i < pk3.Maps->Count(); ++i) {
    if (pk3.Maps->Items(i)->Present) {
      return true;
    }
  }
  return false;
}

}  // namespace

void TProgram_Windows::Wire_Report_Command() {
  Collection_Report_Action_ = new QAction(QStringLiteral("Collection &Report..."), &Main_);
  Collection_Report_Action_->setObjectName(QStringLiteral("MenuItem_CollectionReport"));
  Collection_Report_Action_->setStatusTip(QStringLiteral(
      "Collection Report (maps missing content, maps in several archives, archives replacing "
      "other archives' files, archives of which the game reads nothing)"));
  QObject::connect(Collection_Report_Action_, &QAction::triggered, &Main_,
                   [this] { MenuItem_CollectionReportClick(); });
  if (QMenu* vorlix = Main_.menuBar()->findChild<QMenu*>(QStringLiteral("Menu_Vorlix"))) {
    QAction* print = Browser_->Commands()->Command(TMain_Command::Print);
    vorlix->insertAction(print, Collection_Report_Action_);
    vorlix->insertSeparator(print);
    QObject::connect(vorlix, &QMenu::aboutToShow, &Main_, [this] {
      Collection_Report_Action_->setEnabled(Main_.State().PK3_Database != nullptr);
    });
  }
}

void TProgram_Windows::MenuItem_CollectionReportClick() {
  const std::shared_ptr<const TCollection_Check> check = Collection_Check_For_Report();
  if (!check) {
    return;
  }
  if (!Collection_Report_) {
    Collection_Report_ = std::make_unique<TForm_Collection_Report>(&Main_);
    TForm_Collection_Report& report = *Collection_Report_;
    report.Select = [this](const TReport_Target& target) {
      const TMap_Record* map = target.Is_Map() ? Report_Map(target) : nullptr;
      const TPK3_Record* pk3 = map != nullptr ? map->PK3 : Report_Archive(target.Place);
      if (pk3 == nullptr || (target.Is_Map() && map == nullptr)) {
        return;  // told
      }
      const bool shown = Browser_->Select_Maps([pk3, map](const TMap_Record& shown_map) {
        return map != nullptr ? &shown_map == map : shown_map.PK3 == pk3 && shown_map.Present;
      });
      if (shown) {
        Main_.activateWindow();  // the selection is what the commands act on
        return;
      }
      std::string text;
      if (!Holds_Maps(*pk3)) {
        text = Format_Message("%s holds no map.", Place_Text(target.Place));
      } else if (target.Is_Map()) {
        text = Format_Message(
            "The views do not show %s of %s: the search may hide it, and the list shows one map of a name in each MOD directory.",
            target.Map_File, Place_Text(target.Place));
      } else {
        text = Format_Message(
            "The views show no map of %s: the search may hide them, and the list shows one map of a name in each MOD directory.",
            Place_Text(target.Place));
      }
      Main_.Interaction().Message(TMessage_Kind::Information, text, TAnswer_Set::OK);
    };
    report.Show_Properties = [this](const TReport_Target& target) {
      if (TMap_Record* map = Report_Map(target)) {
        Open_Map_Properties(map);
      }
    };
    report.Delete_PK3 = [this](const TContent_Place& place) {
      TPK3_Record* pk3 = Report_Archive(place);
      if (pk3 == nullptr) {
        return false;
      }
      const std::int32_t map_id = pk3->Maps && pk3->Maps->Count() > 0 ? pk3->Maps->Items(0)->ID : 0;
      const TPK3_Action_Result result = Delete_PK3_File(Main_.State().PK3_Database->Paths(), *pk3,
                                                        map_id, *History_, Main_.Interaction());
      if (result.Action != TPK3_Action::Deleted) {
        return false;
      }
      // Its maps are gone from the installation: the views show it as it now is.
      if (!Reload()) {
        Collection_Report_->close();
      }
      return true;
    };
  }
  Collection_Report_->Set_Report(check->Report());
  Collection_Report_->show();
  Collection_Report_->raise();
  Collection_Report_->activateWindow();
}

TPK3_Record* TProgram_Windows::Report_Archive(const TContent_Place& place) {
  const TMain_State& state = Main_.State();
  const int index = state.PK3_Database && !place.PK3_Filename.empty()
                        ? state.PK3_Database->Find_PK3(place.MOD_Directory, place.PK3_Filename)
                        : -1;
  TPK3_Record* pk3 = index >= 0 ? state.PK3_Database->Items(index) : nullptr;
  if (pk3 == nullptr || !pk3->Present) {
    Main_.Interaction().Message(
        TMessage_Kind::Information,
        Format_Message("The database holds no %s: it may have changed since the report was made.",
                       Place_Text(place)),
        TAnswer_Set::OK);
    return nullptr;
  }
  return pk3;
}

TMap_Record* TProgram_Windows::Report_Map(const TReport_Target& target) {
  TPK3_Record* pk3 = Report_Archive(target.Place);
  if (pk3 == nullptr || !pk3->Maps) {
    return nullptr;
  }
  const std::size_t slash = target.Map_File.find_last_of("/\\");
  const std::string stem = platform::Map_Stem(
      slash == std::string::npos ? target.Map_File : target.Map_File.substr(slash + 1));
  for (int i = 0; i < pk3->Maps->Count(); ++i) {
    TMap_Record* map = pk3->Maps->Items(i);
    if (map->Present && platform::Map_Stem(map->MAP_Filename) == stem) {
      return map;
    }
  }
  Main_.Interaction().Message(
      TMessage_Kind::Information,
      Format_Message(
          "The database holds no map %s in %s: it may have changed since the report was made.",
          target.Map_File, Place_Text(target.Place)),
      TAnswer_Set::OK);
  return nullptr;
}

}  // namespace vorlix::ui

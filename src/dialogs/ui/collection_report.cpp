#include "dialogs/ui/collection_report.h"

#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "core/letter_case.h"
#include "core/ui/qt_text.h"

namespace vorlix {

namespace {

// The number of a line's target in Targets_, on the line's first cell (-1: none).
constexpr int Target_Role = Qt::UserRole + 1;

QStandardItem* Text_Item(const QString& text) {
  auto* item = new QStandardItem(text);
  item->setEditable(false);
  return item;
}

QStandardItem* Number_Item(std::uint64_t number) {
  auto* item = new QStandardItem;
  // A number sorts as a number.
  item->setData(QVariant::fromValue<qulonglong>(number), Qt::DisplayRole);
  item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  item->setEditable(false);
  return item;
}

void Set_Bold(QStandardItem* item) {
  QFont font = item->font();
  font.setBold(true);
  item->setFont(font);
}

// "q3dm17" of "maps/Q3DM17.bsp".
QString Map_Name(const std::string& map_file) {
  const std::size_t slash = map_file.find_last_of("/\\");
  const std::string name = slash == std::string::npos ? map_file : map_file.substr(slash + 1);
  return To_QString(platform::Lower(platform::Map_Stem(name)));
}

QString Place_Caption(const TContent_Place& place) {
  return To_QString(Place_Text(place));
}

QString Capitalised(const char* text) {
  QString caption = QString::fromLatin1(text);
  if (!caption.isEmpty()) {
    caption[0] = caption[0].toUpper();
  }
  return caption;
}

}  // namespace

TCollection_Report Report_Without(TCollection_Report report, const TContent_Place& place) {
  std::erase_if(report.Missing, [&](const TMap_Missing& map) { return map.Place == place; });
  for (TDuplicate_Map& duplicate : report.Duplicates) {
    std::erase_if(duplicate.Copies, [&](const TMap_Copy& copy) { return copy.Place == place; });
    if (duplicate.Copies.empty()) {
      continue;
    }
    const TMap_Copy& first = duplicate.Copies.front();
    duplicate.Identical = std::all_of(duplicate.Copies.begin(), duplicate.Copies.end(),
                                      [&first](const TMap_Copy& copy) {
                                        return copy.CRC32 == first.CRC32 && copy.Size == first.Size;
                                      });
  }
  std::erase_if(report.Duplicates,
                [](const TDuplicate_Map& duplicate) { return duplicate.Copies.size() < 2; });
  std::erase_if(report.Overriding,
                [&](const TOverriding_Archive& archive) { return archive.Place == place; });
  // What another archive replaced of the deleted one is the game's choice anyway.
  for (TOverriding_Archive& archive : report.Overriding) {
    std::erase(archive.Overridden, place);
  }
  std::erase(report.Dead, place);
  return report;
}

TForm_Collection_Report::TForm_Collection_Report(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form_Collection_Report"));
  setWindowTitle(QStringLiteral("Collection Report"));
  resize(960, 540);
  Edit_Search = new QLineEdit(this);
  Edit_Search->setObjectName(QStringLiteral("Edit_Search"));
  Edit_Search->setPlaceholderText(QStringLiteral("Search every tab (map, archive, MOD)"));
  Edit_Search->setClearButtonEnabled(true);
  auto* search_label = new QLabel(QStringLiteral("&Search:"), this);
  search_label->setBuddy(Edit_Search);
  Tabs = new QTabWidget(this);
  Tabs->setObjectName(QStringLiteral("Tabs"));
  Label_Explanation = new QLabel(this);
  Label_Explanation->setObjectName(QStringLiteral("Label_Explanation"));
  Label_Explanation->setWordWrap(true);

  QStringList missing_headers{QStringLiteral("Map"), QStringLiteral("Archive")};
  for (std::size_t kind = 0; kind < Content_Kind_Count; ++kind) {
    missing_headers << Capitalised(Content_Kind_Plural(static_cast<TContent_Kind>(kind)));
  }
  missing_headers << QStringLiteral("Total");
  Make_Page(TPage::Missing, QStringLiteral("Missing content"),
            QStringLiteral("Maps asking for textures, shader images, models or sounds that the "
                           "game cannot find on their search path: it draws its pattern for a "
                           "missing image in their place and leaves the models and sounds out."),
            missing_headers);
  Make_Page(TPage::Duplicates, QStringLiteral("Duplicates"),
            QStringLiteral("The same map in several archives of one MOD: the game loads the copy "
                           "of the archive it searches first (in bold), never the others."),
            {QStringLiteral("Map / copy"), QStringLiteral("Copies"), QStringLiteral("Versions"),
             QStringLiteral("The game loads"), QStringLiteral("MOD directory")});
  Make_Page(
      TPage::Overrides, QStringLiteral("Overrides"),
      QStringLiteral("Archives whose files the game takes in place of other archives' "
                     "copies. Those replacing game modules, menus, shader scripts or maps "
                     "(in bold, first) change how the game or other maps look and play."),
      {QStringLiteral("Archive"), QStringLiteral("Files replaced"), QStringLiteral("Game modules"),
       QStringLiteral("Menus"), QStringLiteral("Shader scripts"), QStringLiteral("Maps"),
       QStringLiteral("Other"), QStringLiteral("Replaces files of")});
  Make_Page(TPage::Dead, QStringLiteral("Dead weight"),
            QStringLiteral("Archives of which the game reads nothing."),
            {QStringLiteral("Archive"), QStringLiteral("MOD directory")});
  Make_Page(TPage::Problems, QStringLiteral("Not read"),
            QStringLiteral("Archives or maps that could not be read: what they hold is not "
                           "in the report."),
            {QStringLiteral("Problem")});
  // A column of numbers sorts the most first at its first click, its caption over its digits.
  const auto numbers = [this](TPage page, int from, int to) {
    QStandardItemModel& model = *Pages_[static_cast<std::size_t>(page)].Model;
    for (int column = from; column <= to; ++column) {
      model.setHeaderData(column, Qt::Horizontal, static_cast<int>(Qt::DescendingOrder),
                          Qt::InitialSortOrderRole);
      model.setHeaderData(column, Qt::Horizontal,
                          QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter)),
                          Qt::TextAlignmentRole);
    }
  };
  numbers(TPage::Missing, 2, 2 + static_cast<int>(Content_Kind_Count));
  numbers(TPage::Duplicates, 1, 1);
  numbers(TPage::Overrides, 1, 6);
  View(TPage::Missing)->header()->setStretchLastSection(false);
  View(TPage::Duplicates)->setRootIsDecorated(true);
  // A parent line stays with its copies, and a copy found shows its map.
  Pages_[static_cast<std::size_t>(TPage::Duplicates)].Proxy->setRecursiveFilteringEnabled(true);
  Pages_[static_cast<std::size_t>(TPage::Duplicates)].Proxy->setAutoAcceptChildRows(true);

  Button_Select = new QPushButton(QStringLiteral("S&elect"), this);
  Button_Select->setObjectName(QStringLiteral("Button_Select"));
  Button_Select->setToolTip(
      QStringLiteral("Select the map (or the archive's maps) in the tree and the list"));
  Button_Properties = new QPushButton(QStringLiteral("&Properties..."), this);
  Button_Properties->setObjectName(QStringLiteral("Button_Properties"));
  Button_Delete_PK3 = new QPushButton(QStringLiteral("&Delete PK3..."), this);
  Button_Delete_PK3->setObjectName(QStringLiteral("Button_Delete_PK3"));
  Button_Delete_PK3->setToolTip(QStringLiteral("Delete the line's archive with all its maps"));
  Button_Close = new QPushButton(QStringLiteral("Close"), this);
  Button_Close->setObjectName(QStringLiteral("Button_Close"));

  // Enter in the search field selects nothing; in a list it selects the line's map.
  for (QPushButton* button : {Button_Select, Button_Properties, Button_Delete_PK3, Button_Close}) {
    button->setAutoDefault(false);
  }
  auto* search = new QHBoxLayout;
  search->addWidget(search_label);
  search->addWidget(Edit_Search, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Button_Select);
  buttons->addWidget(Button_Properties);
  buttons->addWidget(Button_Delete_PK3);
  buttons->addStretch();
  buttons->addWidget(Button_Close);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(search);
  layout->addWidget(Tabs, 1);
  layout->addWidget(Label_Explanation);
  layout->addLayout(buttons);

  connect(Edit_Search, &QLineEdit::textChanged, this,
          [this](const QString& text) { Edit_SearchChange(text); });
  connect(Tabs, &QTabWidget::currentChanged, this, [this](int index) {
    if (index >= 0 && static_cast<std::size_t>(index) < Page_Count) {
      Label_Explanation->setText(Pages_[static_cast<std::size_t>(index)].Explanation);
    }
    Update_Buttons();
  });
  connect(Button_Select, &QPushButton::clicked, this, [this] { Button_SelectClick(); });
  connect(Button_Properties, &QPushButton::clicked, this, [this] { Button_PropertiesClick(); });
  connect(Button_Delete_PK3, &QPushButton::clicked, this, [this] { Button_Delete_PK3Click(); });
  connect(Button_Close, &QPushButton::clicked, this, &QDialog::reject);
  Label_Explanation->setText(Pages_[0].Explanation);
  Set_Report({});
}

TForm_Collection_Report::~TForm_Collection_Report() = default;

void TForm_Collection_Report::Make_Page(TPage page, const QString& caption,
                                        const QString& explanation, const QStringList& headers) {
  TPage_Parts& parts = Pages_[static_cast<std::size_t>(page)];
  parts.Caption = caption;
  parts.Explanation = explanation;
  parts.Model = new QStandardItemModel(this);
  parts.Model->setHorizontalHeaderLabels(headers);
  parts.Proxy = new QSortFilterProxyModel(this);
  parts.Proxy->setSourceModel(parts.Model);
  parts.Proxy->setFilterKeyColumn(-1);
  parts.Proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
  parts.Proxy->setSortCaseSensitivity(Qt::CaseInsensitive);
  parts.View = new QTreeView(this);
  parts.View->setObjectName(QStringLiteral("View_%1").arg(static_cast<int>(page)));
  parts.View->setModel(parts.Proxy);
  parts.View->setRootIsDecorated(false);
  parts.View->setUniformRowHeights(true);
  parts.View->setAllColumnsShowFocus(true);
  parts.View->setAlternatingRowColors(true);
  parts.View->setSelectionBehavior(QAbstractItemView::SelectRows);
  parts.View->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Ascending, descending, then the report's own order again.
  parts.View->header()->setSortIndicatorClearable(true);
  parts.View->header()->setSortIndicator(-1, Qt::AscendingOrder);
  parts.View->setSortingEnabled(true);
  Tabs->addTab(parts.View, caption);
  connect(parts.View, &QTreeView::activated, this, [this] { Button_SelectClick(); });
  connect(parts.View->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this] { Update_Buttons(); });
}

int TForm_Collection_Report::Tab_Index(TPage page) const {
  return Tabs->indexOf(View(page));
}

void TForm_Collection_Report::Set_Report(TCollection_Report report) {
  Report_ = std::move(report);
  Targets_.clear();
  for (TPage_Parts& parts : Pages_) {
    parts.Model->setRowCount(0);
  }
  Fill_Missing();
  Fill_Duplicates();
  Fill_Overrides();
  Fill_Dead();
  Fill_Problems();
  View(TPage::Duplicates)->expandAll();
  for (TPage_Parts& parts : Pages_) {
    for (int column = 0; column + 1 < parts.Model->columnCount(); ++column) {
      parts.View->resizeColumnToContents(column);
    }
  }
  for (TPage_Parts& parts : Pages_) {
    parts.View->setCurrentIndex(parts.Proxy->index(0, 0));
  }
  Tabs->setTabVisible(Tab_Index(TPage::Problems), !Report_.Problems.empty());
  Update_Captions();
  Update_Buttons();
}

int TForm_Collection_Report::Add_Target(TReport_Target target) {
  Targets_.push_back(std::move(target));
  return static_cast<int>(Targets_.size()) - 1;
}

void TForm_Collection_Report::Fill_Missing() {
  QStandardItemModel& model = *Pages_[static_cast<std::size_t>(TPage::Missing)].Model;
  for (const TMap_Missing& map : Report_.Missing) {
    QStandardItem* name = Text_Item(Map_Name(map.Map_File));
    name->setToolTip(To_QString(map.Map_File));
    name->setData(Add_Target({map.Place, map.Map_File}), Target_Role);
    QList<QStandardItem*> row{name, Text_Item(Place_Caption(map.Place))};
    for (const std::uint32_t count : map.Counts.Missing) {
      row << Number_Item(count);
    }
    row << Number_Item(map.Counts.Total());
    model.appendRow(row);
  }
}

void TForm_Collection_Report::Fill_Duplicates() {
  QStandardItemModel& model = *Pages_[static_cast<std::size_t>(TPage::Duplicates)].Model;
  for (const TDuplicate_Map& duplicate : Report_.Duplicates) {
    if (duplicate.Copies.empty()) {
      continue;
    }
    const TMap_Copy& loaded = duplicate.Copies.front();
    QStandardItem* name = Text_Item(To_QString(duplicate.Map));
    name->setData(Add_Target({loaded.Place, loaded.Map_File}), Target_Role);
    const QList<QStandardItem*> row{
        name, Number_Item(duplicate.Copies.size()),
        Text_Item(duplicate.Identical ? QStringLiteral("identical") : QStringLiteral("different")),
        Text_Item(Place_Caption(loaded.Place)), Text_Item(To_QString(duplicate.MOD_Directory))};
    for (const TMap_Copy& copy : duplicate.Copies) {
      QStandardItem* place = Text_Item(Place_Caption(copy.Place));
      place->setToolTip(To_QString(copy.Map_File));
      place->setData(Add_Target({copy.Place, copy.Map_File}), Target_Role);
      const bool first = &copy == &loaded;
      if (first) {
        Set_Bold(place);
      }
      name->appendRow({place, Text_Item({}),
                       Text_Item(QStringLiteral("CRC-32 %1, %2 bytes")
                                     .arg(copy.CRC32, 8, 16, QLatin1Char('0'))
                                     .arg(copy.Size)),
                       Text_Item(first ? QStringLiteral("this copy") : QString()), Text_Item({})});
    }
    model.appendRow(row);
  }
}

void TForm_Collection_Report::Fill_Overrides() {
  QStandardItemModel& model = *Pages_[static_cast<std::size_t>(TPage::Overrides)].Model;
  for (const TOverriding_Archive& archive : Report_.Overriding) {
    QStandardItem* name = Text_Item(Place_Caption(archive.Place));
    name->setData(Add_Target({archive.Place, {}}), Target_Role);
    if (archive.Important()) {
      Set_Bold(name);
    }
    QStringList overridden;
    for (const TContent_Place& place : archive.Overridden) {
      overridden << Place_Caption(place);
    }
    QStandardItem* places = Text_Item(overridden.join(QStringLiteral("; ")));
    places->setToolTip(overridden.join(QLatin1Char('\n')));
    model.appendRow({name, Number_Item(archive.Files), Number_Item(archive.Game_Modules),
                     Number_Item(archive.Menus), Number_Item(archive.Shader_Scripts),
                     Number_Item(archive.Maps), Number_Item(archive.Other), places});
  }
}

void TForm_Collection_Report::Fill_Dead() {
  QStandardItemModel& model = *Pages_[static_cast<std::size_t>(TPage::Dead)].Model;
  for (const TContent_Place& place : Report_.Dead) {
    QStandardItem* name = Text_Item(place.PK3_Filename.empty() ? Place_Caption(place)
                                                               : To_QString(place.PK3_Filename));
    name->setData(Add_Target({place, {}}), Target_Role);
    model.appendRow({name, Text_Item(To_QString(place.MOD_Directory))});
  }
}

void TForm_Collection_Report::Fill_Problems() {
  QStandardItemModel& model = *Pages_[static_cast<std::size_t>(TPage::Problems)].Model;
  for (const std::string& problem : Report_.Problems) {
    model.appendRow(Text_Item(To_QString(problem)));
  }
}

std::optional<TReport_Target> TForm_Collection_Report::Target_Of(const QModelIndex& index) const {
  if (!index.isValid()) {
    return std::nullopt;
  }
  const auto* proxy = qobject_cast<const QSortFilterProxyModel*>(index.model());
  const QModelIndex source = proxy != nullptr ? proxy->mapToSource(index) : index;
  const QVariant number = source.siblingAtColumn(0).data(Target_Role);
  if (!number.isValid()) {
    return std::nullopt;
  }
  const int at = number.toInt();
  if (at < 0 || static_cast<std::size_t>(at) >= Targets_.size()) {
    return std::nullopt;
  }
  return Targets_[static_cast<std::size_t>(at)];
}

std::optional<TReport_Target> TForm_Collection_Report::Current_Target() const {
  const int tab = Tabs->currentIndex();
  if (tab < 0 || static_cast<std::size_t>(tab) >= Page_Count) {
    return std::nullopt;
  }
  return Target_Of(Pages_[static_cast<std::size_t>(tab)].View->currentIndex());
}

void TForm_Collection_Report::Update_Captions() {
  for (std::size_t page = 0; page < Page_Count; ++page) {
    const TPage_Parts& parts = Pages_[page];
    const int all = parts.Model->rowCount();
    const int shown = parts.Proxy->rowCount();
    Tabs->setTabText(Tabs->indexOf(parts.View),
                     shown == all
                         ? QStringLiteral("%1 (%2)").arg(parts.Caption).arg(all)
                         : QStringLiteral("%1 (%2 of %3)").arg(parts.Caption).arg(shown).arg(all));
  }
}

void TForm_Collection_Report::Update_Buttons() const {
  const std::optional<TReport_Target> target = Current_Target();
  // The records know the maps of archives only, not a directory's loose files.
  const bool archive = target && !target->Place.PK3_Filename.empty();
  Button_Select->setEnabled(archive);
  Button_Properties->setEnabled(archive && target->Is_Map());
  Button_Delete_PK3->setEnabled(archive);
  Button_Delete_PK3->setToolTip(
      archive ? QStringLiteral("Delete %1 with all its maps")
                    .arg(To_QString(target->Place.PK3_Filename))
              : QStringLiteral("Delete the line's archive with all its maps"));
}

void TForm_Collection_Report::Edit_SearchChange(const QString& text) {
  for (TPage_Parts& parts : Pages_) {
    parts.Proxy->setFilterFixedString(text);
    if (!parts.View->currentIndex().isValid()) {
      parts.View->setCurrentIndex(parts.Proxy->index(0, 0));
    }
  }
  View(TPage::Duplicates)->expandAll();
  Update_Captions();
  Update_Buttons();
}

void TForm_Collection_Report::Button_SelectClick() const {
  const std::optional<TReport_Target> target = Current_Target();
  if (target && !target->Place.PK3_Filename.empty() && Select) {
    Select(*target);
  }
}

void TForm_Collection_Report::Button_PropertiesClick() const {
  const std::optional<TReport_Target> target = Current_Target();
  if (target && target->Is_Map() && !target->Place.PK3_Filename.empty() && Show_Properties) {
    Show_Properties(*target);
  }
}

void TForm_Collection_Report::Button_Delete_PK3Click() {
  const std::optional<TReport_Target> target = Current_Target();
  if (!target || target->Place.PK3_Filename.empty() || !Delete_PK3) {
    return;
  }
  if (Delete_PK3(target->Place)) {
    Set_Report(Report_Without(std::move(Report_), target->Place));
  }
}

}  // namespace vorlix

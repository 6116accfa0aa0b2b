#include "properties/ui/content_page.h"

#include <QHeaderView>
#include <QLabel>
#include <QStringList>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/ui/qt_text.h"
#include "database/collection_check.h"
#include "database/records.h"

namespace vorlix {

namespace {

// "Textures (2)" for the group of a kind's missing files.
QString Kind_Caption(TContent_Kind kind, std::size_t files) {
  QString plural = QString::fromLatin1(Content_Kind_Plural(kind));
  if (!plural.isEmpty()) {
    plural[0] = plural[0].toUpper();
  }
  return QStringLiteral("%1 (%2)").arg(plural).arg(files);
}

// What the tree says beside a missing file: the shader needing it, a place holding it.
QString Missing_Note(const TMissing_File& file) {
  QStringList notes;
  if (!file.Shader.empty()) {
    notes << QStringLiteral("for the shader ") + To_QString(file.Shader);
  }
  if (file.Found_In) {
    notes << QStringLiteral("found in ") + To_QString(Place_Text(*file.Found_In));
  }
  return notes.join(QStringLiteral("; "));
}

// A file's row; the tooltips show what a narrow column cuts off.
void Add_File_Row(QTreeWidgetItem* group, const QString& file, const QString& where) {
  auto* row = new QTreeWidgetItem(group, {file, where});
  row->setToolTip(0, file);
  row->setToolTip(1, where);
}

}  // namespace

TContent_Page::TContent_Page(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TabSheet_Content"));
  auto* layout = new QVBoxLayout(this);
  Label_Content_Summary_ = new QLabel(this);
  Label_Content_Summary_->setObjectName(QStringLiteral("Label_Content_Summary"));
  Label_Content_Summary_->setWordWrap(true);
  Label_Content_Summary_->setTextFormat(Qt::PlainText);
  QFont bold = Label_Content_Summary_->font();
  bold.setBold(true);
  Label_Content_Summary_->setFont(bold);
  TreeWidget_Content_ = new QTreeWidget(this);
  TreeWidget_Content_->setObjectName(QStringLiteral("TreeWidget_Content"));
  TreeWidget_Content_->setColumnCount(2);
  TreeWidget_Content_->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Where")});
  TreeWidget_Content_->header()->setSectionResizeMode(0, QHeaderView::Interactive);
  TreeWidget_Content_->setColumnWidth(0, 230);
  TreeWidget_Content_->setRootIsDecorated(true);
  TreeWidget_Content_->setSelectionMode(QAbstractItemView::SingleSelection);
  Label_Content_Problem_ = new QLabel(this);
  Label_Content_Problem_->setObjectName(QStringLiteral("Label_Content_Problem"));
  Label_Content_Problem_->setWordWrap(true);
  Label_Content_Problem_->setTextFormat(Qt::PlainText);
  Label_Content_Problem_->setStyleSheet(QStringLiteral("QLabel { color: #a00000; }"));
  layout->addWidget(Label_Content_Summary_);
  layout->addWidget(TreeWidget_Content_, 1);
  layout->addWidget(Label_Content_Problem_);
  Show(nullptr, nullptr);
}

void TContent_Page::Show(const TCollection_Check* check, const TMap_Record* map,
                         const std::string& launch_mod) {
  TreeWidget_Content_->clear();
  Label_Content_Problem_->clear();
  Label_Content_Problem_->hide();
  if (check == nullptr) {
    Label_Content_Summary_->setText(
        QStringLiteral("Not checked yet: the check of the collection's content is still running."));
    return;
  }
  if (map == nullptr || map->PK3 == nullptr) {
    Label_Content_Summary_->setText(QStringLiteral("Not checked."));
    return;
  }
  const TMap_Content_State state = check->Map_State(map->PK3->MOD_Directory, map->PK3->PK3_Filename,
                                                    map->MAP_Filename, launch_mod);
  if (!state.Counts.Known) {
    Label_Content_Summary_->setText(
        QStringLiteral("Not checked: the content index holds no record of this map."));
  } else if (state.Counts.Complete()) {
    Label_Content_Summary_->setText(
        QStringLiteral("Complete: the game finds every texture, model and sound this map names."));
  } else {
    Label_Content_Summary_->setText(QString::fromStdString(Counts_Text(state.Counts)));
  }
  QTreeWidgetItem* group = nullptr;
  std::size_t index = 0;
  for (const TMissing_File& file : state.Missing) {
    if (group == nullptr || index == 0 || state.Missing[index - 1].Kind != file.Kind) {
      const auto files = static_cast<std::size_t>(
          std::count_if(state.Missing.begin(), state.Missing.end(),
                        [&file](const TMissing_File& other) { return other.Kind == file.Kind; }));
      group = new QTreeWidgetItem(TreeWidget_Content_, {Kind_Caption(file.Kind, files)});
      group->setFirstColumnSpanned(true);
    }
    Add_File_Row(group, To_QString(file.Name), Missing_Note(file));
    ++index;
  }
  if (!state.Overridden.empty()) {
    group =
        new QTreeWidgetItem(TreeWidget_Content_, {QStringLiteral("Overridden by other archives:")});
    group->setFirstColumnSpanned(true);
    for (const TOverridden_File& file : state.Overridden) {
      Add_File_Row(group, To_QString(file.Name), To_QString(Place_Text(file.By)));
    }
  }
  TreeWidget_Content_->expandAll();
  // The file names as wide as they are, within bounds: the places beside them are long too (the
  // page may be hidden, so the view cannot measure its rows yet).
  int widest = 0;
  for (const TMissing_File& file : state.Missing) {
    widest = std::max(widest, fontMetrics().horizontalAdvance(To_QString(file.Name)));
  }
  for (const TOverridden_File& file : state.Overridden) {
    widest = std::max(widest, fontMetrics().horizontalAdvance(To_QString(file.Name)));
  }
  TreeWidget_Content_->setColumnWidth(
      0, std::clamp(widest + 2 * TreeWidget_Content_->indentation() + 12, 160, 280));
  if (!state.Problem.empty()) {
    Label_Content_Problem_->setText(QStringLiteral("Problem: ") + To_QString(state.Problem));
    Label_Content_Problem_->show();
  }
}

}  // namespace vorlix

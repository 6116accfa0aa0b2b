#include "browser/ui/levelshot_preview.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

#include "browser/levelshot.h"
#include "browser/ui/browser_models.h"
#include "core/ui/image_decoder.h"
#include "core/ui/qt_text.h"
#include "database/records.h"
#include "database/stream.h"

namespace vorlix {

TLevelshot_Preview::TLevelshot_Preview(const TMaps_Tree_Model& tree,
                                       const TUnsorted_List_Model& list, QWidget* parent)
    : QWidget(parent), Tree_Model_(tree), List_Model_(list) {
  auto* frame = new QFrame(this);
  frame->setObjectName(QStringLiteral("Shape_Levelshot_Hintergrund"));
  frame->setFixedSize(260, 260);
  frame->setAutoFillBackground(true);
  QPalette black = frame->palette();
  black.setColor(QPalette::Window, Qt::black);
  frame->setPalette(black);
  Image_ = new QLabel(frame);
  Image_->setObjectName(QStringLiteral("Image_Levelshot"));
  Image_->setGeometry(2, 2, 256, 256);
  Image_->setScaledContents(true);
  auto* caption = new QLabel(QStringLiteral("Levelshot"), this);
  Name_ = new QLabel(this);
  Name_->setObjectName(QStringLiteral("Label_Levelshot_Name"));
  Timer_ = new QTimer(this);
  Timer_->setObjectName(QStringLiteral("Timer_Levelshot_Delay"));
  Timer_->setInterval(50);
  connect(Timer_, &QTimer::timeout, this, [this] { Timer_Levelshot_DelayTimer(); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* name_row = new QHBoxLayout;
  name_row->addWidget(caption);
  name_row->addWidget(Name_, 1);
  layout->addLayout(name_row);
  layout->addWidget(frame, 0, Qt::AlignLeft | Qt::AlignBottom);
  Show_White();
}

void TLevelshot_Preview::Set_Source(const TPK3_Record_Store* database, std::string levelshots_dir,
                                    std::string gfx_dir) {
  Database_ = database;
  Levelshots_Dir_ = std::move(levelshots_dir);
  Gfx_Dir_ = std::move(gfx_dir);
}

void TLevelshot_Preview::Schedule(const QModelIndex& index) {
  Pending_ = QPersistentModelIndex(index.siblingAtColumn(0));
  if (!Timer_->isActive()) {
    Timer_->start();
  }
}

void TLevelshot_Preview::Cancel() {
  Forget_Pending();
  Timer_->stop();
}

void TLevelshot_Preview::Clear() {
  Cancel();
  Shown_Map_ = nullptr;
}

void TLevelshot_Preview::Timer_Levelshot_DelayTimer() {
  if (Navigation_Key_Held && Navigation_Key_Held()) {
    return;  // the timer keeps running; the next tick checks again
  }
  // A pending item or node that was removed meanwhile is no longer valid and shows nothing.
  if (Pending_.isValid()) {
    const TMap_Record* map = nullptr;
    if (Pending_.model() == &List_Model_) {
      map = List_Model_.Map(Pending_);
    } else if (const TMaps_Tree_Node* node = Tree_Model_.Node(Pending_)) {
      map = node->Map;
    }
    if (map != nullptr) {
      Show_Levelshot(*map);
    }
  }
  Timer_->stop();
}

void TLevelshot_Preview::Show_White() {
  QPixmap white(256, 256);
  white.fill(Qt::white);
  Image_->setPixmap(white);
}

void TLevelshot_Preview::Show_Levelshot(const TMap_Record& map) {
  if (Database_ == nullptr) {
    return;
  }
  const TLevelshot_Choice choice = Choose_Levelshot(*Database_, map, Levelshots_Dir_, Gfx_Dir_);
  Shown_Map_ = choice.Used_Map;
  Shown_Path_ = choice.Path.value_or(std::string());
  if (!choice.Path) {
    Show_White();
    Name_->clear();
    return;
  }
  std::optional<TDecoded_Image> decoded;
  try {
    decoded = Decode_Image(Read_Whole_File(*choice.Path));
  } catch (const TStream_Error&) {
    // An unreadable file shows as a picture that cannot be decoded.
  }
  if (decoded) {
    const QImage image(decoded->RGBA.data(), decoded->Width, decoded->Height,
                       static_cast<qsizetype>(decoded->Width) * 4, QImage::Format_RGBA8888);
    Image_->setPixmap(QPixmap::fromImage(image.copy()));
  } else {
    Show_White();
  }
  Name_->setText(To_QString(choice.Label));
}

}  // namespace vorlix

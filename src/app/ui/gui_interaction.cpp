#include "app/ui/gui_interaction.h"

#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui/splash_window.h"
#include "core/paths.h"

namespace vorlix::ui {

namespace {

class TGui_Notice : public TNotice {
 public:
  explicit TGui_Notice(std::unique_ptr<QWidget> window) : Window_(std::move(window)) {
    Window_->show();
    Window_->raise();
    Paint_Now(Window_.get());
  }
  ~TGui_Notice() override { Window_->hide(); }

 private:
  std::unique_ptr<QWidget> Window_;
};

// A window with a text, a progress line and a Cancel button, modal to the whole program: while
// the work runs, only its button takes input.
class TGui_Cancellable_Notice : public TNotice {
 public:
  TGui_Cancellable_Notice(const QString& caption, const QString& text, QWidget* parent)
      : Window_(parent) {
    Window_.setObjectName(QStringLiteral("Form_Cancellable_Notice"));
    Window_.setWindowTitle(caption);
    Window_.setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(&Window_);
    auto* label = new QLabel(text, &Window_);
    label->setObjectName(QStringLiteral("Label_Text"));
    layout->addWidget(label);
    Label_Progress_ = new QLabel(&Window_);
    Label_Progress_->setObjectName(QStringLiteral("Label_Progress"));
    Label_Progress_->setMinimumWidth(420);
    Label_Progress_->setTextFormat(Qt::PlainText);
    layout->addWidget(Label_Progress_);
    auto* button = new QPushButton(QStringLiteral("Cancel"), &Window_);
    button->setObjectName(QStringLiteral("Button_Cancel"));
    layout->addWidget(button, 0, Qt::AlignRight);
    QObject::connect(button, &QPushButton::clicked, [this] { Cancelled_ = true; });
    QObject::connect(&Window_, &QDialog::rejected, [this] { Cancelled_ = true; });
    Window_.show();
    Window_.raise();
    Paint_Now(&Window_);
    Last_Events_.start();
  }
  ~TGui_Cancellable_Notice() override { Window_.hide(); }
  TGui_Cancellable_Notice(const TGui_Cancellable_Notice&) = delete;
  TGui_Cancellable_Notice& operator=(const TGui_Cancellable_Notice&) = delete;

  void Progress(const std::string& text) override {
    if (Last_Events_.elapsed() < 50) {
      return;
    }
    Label_Progress_->setText(Label_Progress_->fontMetrics().elidedText(
        TGui_Interaction::Display_Text(text), Qt::ElideMiddle, Label_Progress_->width()));
    // The window is modal: the button is the only input taken.
    QCoreApplication::processEvents();
    Last_Events_.restart();
  }
  bool Cancelled() override { return Cancelled_; }

 private:
  QDialog Window_;
  QLabel* Label_Progress_ = nullptr;
  QElapsedTimer Last_Events_;
  bool Cancelled_ = false;
};

std::string To_Bytes(const QString& text) {
  return QFile::encodeName(text).toStdString();
}

}  // namespace

TGui_Interaction::TGui_Interaction(TForm_Splash_Screen* splash) : Splash_(splash) {
  Last_Paint_.start();
}

QString TGui_Interaction::Display_Text(const std::string& text) {
  QString shown = QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QChar('\r'), QChar('\n'));
  return shown;
}

QWidget* TGui_Interaction::Parent_Window() const {
  return (Owner_ != nullptr && Owner_->isVisible()) ? Owner_.data() : nullptr;
}

TAnswer TGui_Interaction::Message(TMessage_Kind kind, const std::string& text,
                                  TAnswer_Set buttons) {
  QMessageBox::Icon icon = QMessageBox::Critical;
  QString caption = QStringLiteral("Error");
  switch (kind) {
    case TMessage_Kind::Error:
      break;
    case TMessage_Kind::Information:
      icon = QMessageBox::Information;
      caption = QStringLiteral("Information");
      break;
    case TMessage_Kind::Confirmation:
      icon = QMessageBox::Question;
      caption = QStringLiteral("Confirm");
      break;
    case TMessage_Kind::Warning:
      icon = QMessageBox::Warning;
      caption = QStringLiteral("Warning");
      break;
  }
  QMessageBox box(icon, caption, Display_Text(text), QMessageBox::NoButton, Parent_Window());
  switch (buttons) {
    case TAnswer_Set::OK:
      box.setStandardButtons(QMessageBox::Ok);
      box.setDefaultButton(QMessageBox::Ok);
      box.setEscapeButton(QMessageBox::Ok);
      break;
    case TAnswer_Set::Cancel:
      box.setStandardButtons(QMessageBox::Cancel);
      box.setDefaultButton(QMessageBox::Cancel);
      box.setEscapeButton(QMessageBox::Cancel);
      break;
    case TAnswer_Set::Yes_No:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(QMessageBox::Yes);
      box.setEscapeButton(QMessageBox::No);
      break;
  }
  box.exec();
  switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok:
      return TAnswer::OK;
    case QMessageBox::Cancel:
      return TAnswer::Cancel;
    case QMessageBox::Yes:
      return TAnswer::Yes;
    case QMessageBox::No:
      return TAnswer::No;
    default:
      return Default_Answer(buttons);
  }
}

void TGui_Interaction::Status_Line(int line, const std::string& text) {
  if (Splash_ != nullptr) {
    Splash_->Set_Status_Line(line, Display_Text(text));
  }
}

std::unique_ptr<TNotice> TGui_Interaction::Notice(const std::string& caption,
                                                  const std::string& text) {
  return std::make_unique<TGui_Notice>(Make_Wait_Window(Display_Text(caption), Display_Text(text)));
}

int TGui_Interaction::Choose(const TChoice_Request& request) {
  QMessageBox::Icon icon = QMessageBox::Critical;
  QString caption = QStringLiteral("Error");
  if (request.Kind == TMessage_Kind::Warning) {
    icon = QMessageBox::Warning;
    caption = QStringLiteral("Warning");
  } else if (request.Kind != TMessage_Kind::Error) {
    icon = QMessageBox::Question;
    caption = QStringLiteral("Confirm");
  }
  QMessageBox box(icon, caption, Display_Text(request.Text), QMessageBox::NoButton,
                  Parent_Window());
  box.setObjectName(QStringLiteral("Form_Choice"));
  std::vector<QPushButton*> buttons;
  for (const auto& choice : request.Choices) {
    buttons.push_back(box.addButton(Display_Text(choice), QMessageBox::AcceptRole));
  }
  if (request.Fallback >= 0 && request.Fallback < static_cast<int>(buttons.size())) {
    box.setEscapeButton(buttons[static_cast<std::size_t>(request.Fallback)]);
  }
  if (!buttons.empty()) {
    box.setDefaultButton(buttons.front());
  }
  box.exec();
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    if (box.clickedButton() == buttons[i]) {
      return static_cast<int>(i);
    }
  }
  return request.Fallback;
}

std::unique_ptr<TNotice> TGui_Interaction::Cancellable_Notice(const std::string& caption,
                                                              const std::string& text) {
  return std::make_unique<TGui_Cancellable_Notice>(Display_Text(caption), Display_Text(text),
                                                   Parent_Window());
}

std::optional<std::string> TGui_Interaction::Choose_File(const TFile_Request& request) {
  const QString start =
      QFile::decodeName(platform::Join(request.Initial_Dir, request.Initial_Name).c_str());
  const QString title = Display_Text(request.Title);
  if (request.Directory) {
    const QString folder = QFileDialog::getExistingDirectory(
        Parent_Window(), title, QFile::decodeName(request.Initial_Dir.c_str()));
    if (folder.isEmpty()) {
      return std::nullopt;
    }
    return To_Bytes(folder);
  }
  const QString filter = Display_Text(request.Filter);
  const QString chosen = request.Save
                             ? QFileDialog::getSaveFileName(Parent_Window(), title, start, filter)
                             : QFileDialog::getOpenFileName(Parent_Window(), title, start, filter);
  if (chosen.isEmpty()) {
    return std::nullopt;
  }
  return To_Bytes(chosen);
}

std::optional<std::vector<int>> TGui_Interaction::Select_Items(const TSelection_Request& request) {
  // Forwarding point: the selection dialogs are connected by the program entry.
  if (Select_Items_Handler) {
    return Select_Items_Handler(request);
  }
  return std::nullopt;
}

std::optional<std::string> TGui_Interaction::Specify_Arena_Name(
    const std::string& directory_name, const std::optional<std::string>& preset) {
  // Forwarding point: the arena-name dialog is connected by the program entry.
  if (Specify_Arena_Name_Handler) {
    return Specify_Arena_Name_Handler(directory_name, preset);
  }
  return std::nullopt;
}

void TGui_Interaction::Keep_Painted() {
  if (Last_Paint_.elapsed() < 100) {
    return;
  }
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  Last_Paint_.restart();
}

}  // namespace vorlix::ui

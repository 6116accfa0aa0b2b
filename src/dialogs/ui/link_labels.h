#pragma once
// Labels that look and act like hyperlinks: underlined with a hand cursor while the mouse is over
// them, and a click hands the address to the desktop's default program (mail client, browser).

#include <QCursor>
#include <QFont>
#include <QLabel>

class QEnterEvent;
class QMouseEvent;

namespace vorlix {

class TLink_Label : public QLabel {
  Q_OBJECT

 public:
  explicit TLink_Label(const QString& text, QWidget* parent, const QColor& colour);

  // The address a click opens.
  virtual QString Target() const = 0;

 signals:
  // Named as the signal of Qt's buttons, which the label stands in for.
  void clicked();  // NOLINT(readability-identifier-naming)

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QCursor Saved_Cursor_;
  QFont Saved_Font_;
  bool Hovered_ = false;
};

// An e-mail address: a click opens "Mailto:" + caption. Blue when created.
class TEmail_Link_Label : public TLink_Label {
  Q_OBJECT

 public:
  explicit TEmail_Link_Label(const QString& text = {}, QWidget* parent = nullptr);
  QString Target() const override;
};

// A web address: a click opens the caption, with "Http://" (or "Https://" when SecureHttp is set)
// in front when it has neither scheme. Purple when created.
class THttp_Link_Label : public TLink_Label {
  Q_OBJECT
  Q_PROPERTY(bool SecureHttp MEMBER SecureHttp)

 public:
  explicit THttp_Link_Label(const QString& text = {}, QWidget* parent = nullptr);
  QString Target() const override;

  bool SecureHttp = false;
};

}  // namespace vorlix

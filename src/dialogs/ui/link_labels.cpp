#include "dialogs/ui/link_labels.h"

#include <QDesktopServices>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QUrl>

namespace vorlix {

TLink_Label::TLink_Label(const QString& text, QWidget* parent, const QColor& colour)
    : QLabel(text, parent) {
  QPalette palette = this->palette();
  palette.setColor(QPalette::WindowText, colour);
  setPalette(palette);
}

void TLink_Label::enterEvent(QEnterEvent* event) {
  QLabel::enterEvent(event);
  if (Hovered_) {
    return;
  }
  Hovered_ = true;
  Saved_Cursor_ = cursor();
  Saved_Font_ = font();
  setCursor(Qt::PointingHandCursor);
  QFont underlined = font();
  underlined.setUnderline(true);
  setFont(underlined);
}

void TLink_Label::leaveEvent(QEvent* event) {
  QLabel::leaveEvent(event);
  if (!Hovered_) {
    return;
  }
  Hovered_ = false;
  setCursor(Saved_Cursor_);
  setFont(Saved_Font_);
}

void TLink_Label::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) {
    return;
  }
  emit clicked();
  // The desktop's result is not looked at: a failing open shows nothing.
  QDesktopServices::openUrl(QUrl(Target()));
}

TEmail_Link_Label::TEmail_Link_Label(const QString& text, QWidget* parent)
    : TLink_Label(text, parent, QColor(0, 0, 255)) {}

QString TEmail_Link_Label::Target() const {
  return QStringLiteral("Mailto:") + text();
}

THttp_Link_Label::THttp_Link_Label(const QString& text, QWidget* parent)
    : TLink_Label(text, parent, QColor(128, 0, 128)) {}

QString THttp_Link_Label::Target() const {
  QString caption = text();
  if (caption.left(7).toUpper() == QLatin1String("HTTP://") ||
      caption.left(8).toUpper() == QLatin1String("HTTPS://")) {
    return caption;
  }
  return (SecureHttp ? QStringLiteral("Https://") : QStringLiteral("Http://")) + caption;
}

}  // namespace vorlix

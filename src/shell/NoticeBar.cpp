#include "shell/NoticeBar.h"

namespace kivra::shell {

TNoticeBar::TNoticeBar(const QString& objectName, QWidget* parent) : QLabel(parent) {
  setObjectName(objectName);
  setWordWrap(true);
  setTextFormat(Qt::PlainText);
  setTextInteractionFlags(Qt::TextSelectableByMouse);
  setStyleSheet(QStringLiteral("QLabel { background: #FFF6D5; color: #3A3000; border: 1px solid #E0C060; "
                               "padding: 6px; }"));
  hide();
}

void TNoticeBar::SetNotice(const QString& text) {
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace('\r', '\n');
  setText(shown);
  setVisible(!shown.isEmpty());
}

}  // namespace kivra::shell

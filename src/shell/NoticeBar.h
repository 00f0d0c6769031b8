// A notice above a list that tells the user what is missing and where to set it (an empty
// archive, an empty prize table); hidden while there is nothing to say.
#pragma once

#include <QLabel>

namespace kivra::shell {

class TNoticeBar : public QLabel {
  Q_OBJECT
 public:
  explicit TNoticeBar(const QString& objectName, QWidget* parent = nullptr);
  // Shows the text (engine texts: CR is a line break), or hides the bar when it is empty.
  void SetNotice(const QString& text);
};

}  // namespace kivra::shell

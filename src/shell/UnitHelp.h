// The help viewer: the window "Описание методики расчета" with the local help page of one
// statistic, and the same window titled "Справка" with the help index (F1).
#pragma once

#include <QDialog>
#include <QString>
#include <QUrl>
#include <filesystem>

class QTextBrowser;
class QPushButton;

namespace kivra {
class TStatList;
}

namespace kivra::shell {

class TDescriptionViewer : public QDialog {
  Q_OBJECT
 public:
  // An empty or missing page shows an empty window.
  TDescriptionViewer(QWidget* parent, const QString& pageFile,
                     const QString& title = QStringLiteral("Описание методики расчета"));

  // Shows the local page (with an optional "#anchor"); false, with nothing changed, when the file
  // does not exist.
  bool OpenPage(const QUrl& page);
  QUrl CurrentPage() const;

 private:
  void FollowLink(const QUrl& link);

  QTextBrowser* browser_ = nullptr;
  QPushButton* back_ = nullptr;
  QPushButton* contents_ = nullptr;
};

// The page of a registry entry, <helpDir>/Filters_1049_<help code>.htm (the class's help code
// formatted with the entry's parameter), when that file exists; otherwise empty.
QString StatHelpPage(const std::filesystem::path& helpDir, const TStatList& stats, int entry);

// The text of the about box: the program, its version and the folders it uses.
QString AboutText(const QString& version, const std::filesystem::path& dataDir, const std::filesystem::path& helpDir);

}  // namespace kivra::shell

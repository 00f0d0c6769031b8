// The window "Описание методики расчета": the local help page of one statistic.
#pragma once

#include <QDialog>
#include <QString>
#include <filesystem>

namespace kivra {
class TStatList;
}

namespace kivra::shell {

class TDescriptionViewer : public QDialog {
  Q_OBJECT
 public:
  // An empty or missing page shows an empty window.
  TDescriptionViewer(QWidget* parent, const QString& pageFile);
};

// The page of a registry entry, <helpDir>/Filters_1049_<help code>.htm (the class's help code
// formatted with the entry's parameter), when that file exists; otherwise empty.
QString StatHelpPage(const std::filesystem::path& helpDir, const TStatList& stats, int entry);

}  // namespace kivra::shell

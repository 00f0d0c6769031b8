// The dialog "Менеджер избранных методов расчета статистики": marks the favourite statistics,
// renames them, carries the names to and from other names files and sets the selector options.
// Marks and names change only the tree until the dialog is confirmed.
#pragma once

#include <QDialog>
#include <filesystem>
#include <functional>

class QCheckBox;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace kivra {
class TStatList;
class TUserPort;
}  // namespace kivra

namespace kivra::shell {

class TFavoritesDialog : public QDialog {
  Q_OBJECT
 public:
  TFavoritesDialog(QWidget* parent, TStatList& stats, std::filesystem::path namesFile, std::filesystem::path programDir,
                   TUserPort& port, std::function<void(int entry)> showDescription);

  // Item data: the registry index of an entry node; group nodes hold -1.
  static constexpr int EntryRole = Qt::UserRole;

 public slots:
  // Writes the marks, the names and the three options into the registry.
  void accept() override;

 private:
  // Fills the tree from the registry; with keepMarks the marks of the nodes shown so far stay.
  void FillTree(bool keepMarks);
  QTreeWidgetItem* SelectedEntry() const;
  QTreeWidgetItem* SelectedGroup() const;
  void SetMarks(QTreeWidgetItem* group, bool on);  // every entry node when group is null
  void Toggle(QTreeWidgetItem* item);
  void Rename();
  void RestoreName();
  void ShowDescription();
  void ImportNames();
  void ExportNames();
  void UpdateButtons();

  TStatList& stats_;
  std::filesystem::path namesFile_;
  std::filesystem::path programDir_;
  TUserPort& port_;
  std::function<void(int)> showDescription_;

  QLabel* total_;
  QTreeWidget* tree_;
  QCheckBox* ordered_;
  QCheckBox* showGroupName_;
  QCheckBox* showMethodFlags_;
};

}  // namespace kivra::shell

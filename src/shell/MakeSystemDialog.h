// The dialog "Создать систему": N, the guarantee "T если M" and a time limit; the search runs on
// the window's thread, processing events between its rounds so that "Стоп" is heard; then the
// result (blocks, lower bound, the check passed), "Сохранить" as the local system for N and
// "Опубликовать..." through the catalogue's dialog.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "stakes/CoverDesign.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace kivra {
class TWorkspace;
}

namespace kivra::shell {

class TMakeSystemDialog : public QDialog {
  Q_OBJECT
 public:
  // `publish` opens the catalogue's "Добавить" dialog with the system filled in; null: no catalogue.
  TMakeSystemDialog(QWidget* parent, TWorkspace& ws, std::function<void(const TCoverSpec&, const std::vector<TComb>&)> publish);

  // The result of the last search that passed its check; empty when there is none.
  const std::vector<TComb>& Blocks() const { return blocks_; }
  TCoverSpec Wanted() const;
  bool Running() const { return running_; }

 signals:
  // The search reported its progress (blocks: the best design so far, 0 while it starts).
  void ProgressShown(qint64 blocks);
  // A search ended (ok: a checked design is shown).
  void SearchFinished(bool ok);
  // The design was written as the local system for N.
  void Saved();

 protected:
  void reject() override;

 private:
  void Start();
  void Save();
  void FollowState();

  TWorkspace& ws_;
  std::function<void(const TCoverSpec&, const std::vector<TComb>&)> publish_;
  QSpinBox* edNums_;
  QSpinBox* edGuarantee_;
  QSpinBox* edDrawn_;
  QSpinBox* edSeconds_;
  QPushButton* btnStart_;
  QPushButton* btnStop_;
  QPushButton* btnSave_;
  QPushButton* btnPublish_;
  QPushButton* btnClose_;
  QProgressBar* progress_;
  QLabel* lbProgress_;
  QLabel* lbResult_;
  QPlainTextEdit* edBlocks_;
  bool running_ = false;
  bool stop_ = false;
  bool closeAfterStop_ = false;
  TCoverSpec made_;
  std::vector<TComb> blocks_;
};

}  // namespace kivra::shell

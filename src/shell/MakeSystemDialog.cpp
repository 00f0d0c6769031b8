#include "shell/MakeSystemDialog.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <thread>

#include "core/SysFormat.h"
#include "shell/ShellPort.h"
#include "workspace/Workspace.h"

namespace kivra::shell {

namespace {

QSpinBox* SpinBox(const char* name, int low, int high, int value) {
  auto* box = new QSpinBox;
  box->setObjectName(name);
  box->setRange(low, high);
  box->setValue(value);
  return box;
}

QPushButton* Button(const char* name, const QString& caption) {
  auto* button = new QPushButton(caption);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

// Hands each report of the search to the dialog.
class TDialogObserver : public TCoverObserver {
 public:
  explicit TDialogObserver(std::function<bool(const TCoverProgress&)> report) : report_(std::move(report)) {}
  bool Progress(const TCoverProgress& p) override { return report_(p); }

 private:
  std::function<bool(const TCoverProgress&)> report_;
};

}  // namespace

TMakeSystemDialog::TMakeSystemDialog(QWidget* parent, TWorkspace& ws,
                                     std::function<void(const TCoverSpec&, const std::vector<TComb>&)> publish)
    : QDialog(parent), ws_(ws), publish_(std::move(publish)) {
  setObjectName("MakeSystemDialog");
  setWindowTitle(QStringLiteral("Создать систему"));
  resize(560, 520);
  // N defaults to the count of distinct numbers of the combination list.
  const int listed = ws.Systems().ListNumberCount();
  edNums_ = SpinBox("edNums", 6, MaxNumber, std::clamp(listed, 6, MaxNumber));
  edGuarantee_ = SpinBox("edGuarantee", 2, CombSize, 3);
  edDrawn_ = SpinBox("edDrawn", 2, CombSize, 4);
  edSeconds_ = SpinBox("edSeconds", 1, 3600, 10);
  edSeconds_->setSuffix(QStringLiteral(" с"));

  auto* form = new QFormLayout;
  auto* numsRow = new QHBoxLayout;
  numsRow->addWidget(edNums_);
  numsRow->addWidget(new QLabel(QStringLiteral("(чисел в списке комбинаций: %1)").arg(listed)), 1);
  form->addRow(QStringLiteral("Количество чисел:"), numsRow);
  auto* guaranteeRow = new QHBoxLayout;
  guaranteeRow->addWidget(edGuarantee_);
  guaranteeRow->addWidget(new QLabel(QStringLiteral("если")));
  guaranteeRow->addWidget(edDrawn_);
  guaranteeRow->addStretch(1);
  form->addRow(QStringLiteral("Гарантия:"), guaranteeRow);
  auto* secondsRow = new QHBoxLayout;
  secondsRow->addWidget(edSeconds_);
  secondsRow->addStretch(1);
  form->addRow(QStringLiteral("Время поиска:"), secondsRow);

  btnStart_ = Button("btnStart", QStringLiteral("Создать"));
  btnStop_ = Button("btnStop", QStringLiteral("Стоп"));
  progress_ = new QProgressBar;
  progress_->setObjectName("pbProgress");
  progress_->setRange(0, 100);
  progress_->setValue(0);
  lbProgress_ = new QLabel;
  lbProgress_->setObjectName("lbProgress");
  lbProgress_->setWordWrap(true);
  // Two lines kept for the progress and for the result, so that the list below never squeezes them.
  lbProgress_->setMinimumHeight(fontMetrics().lineSpacing() * 2 + 4);
  auto* runRow = new QHBoxLayout;
  runRow->addWidget(btnStart_);
  runRow->addWidget(btnStop_);
  runRow->addWidget(progress_, 1);

  lbResult_ = new QLabel;
  lbResult_->setObjectName("lbResult");
  lbResult_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lbResult_->setMinimumHeight(fontMetrics().lineSpacing() * 2 + 4);
  edBlocks_ = new QPlainTextEdit;
  edBlocks_->setObjectName("edBlocks");
  edBlocks_->setReadOnly(true);
  edBlocks_->setLineWrapMode(QPlainTextEdit::NoWrap);
  edBlocks_->setFont(QFont(QStringLiteral("Monospace")));

  btnSave_ = Button("btnSave", QStringLiteral("Сохранить"));
  btnSave_->setToolTip(QStringLiteral("Записать как локальную систему для N чисел (папка Systems)"));
  btnPublish_ = Button("btnPublish", QStringLiteral("Опубликовать..."));
  btnPublish_->setToolTip(QStringLiteral("Опубликовать систему в online-каталоге"));
  btnClose_ = Button("btnClose", QStringLiteral("Закрыть"));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnSave_);
  buttons->addWidget(btnPublish_);
  buttons->addStretch(1);
  buttons->addWidget(btnClose_);

  auto* v = new QVBoxLayout(this);
  v->addLayout(form);
  v->addLayout(runRow);
  v->addWidget(lbProgress_);
  v->addWidget(lbResult_);
  v->addWidget(edBlocks_, 1);
  v->addLayout(buttons);

  connect(btnStart_, &QPushButton::clicked, this, &TMakeSystemDialog::Start);
  connect(btnStop_, &QPushButton::clicked, this, [this] { stop_ = true; });
  connect(btnSave_, &QPushButton::clicked, this, &TMakeSystemDialog::Save);
  connect(btnPublish_, &QPushButton::clicked, this, [this] {
    if (publish_ && !blocks_.empty()) publish_(made_, blocks_);
  });
  connect(btnClose_, &QPushButton::clicked, this, &TMakeSystemDialog::reject);
  FollowState();
}

TCoverSpec TMakeSystemDialog::Wanted() const { return {edNums_->value(), edGuarantee_->value(), edDrawn_->value()}; }

void TMakeSystemDialog::FollowState() {
  for (QWidget* w : {static_cast<QWidget*>(edNums_), static_cast<QWidget*>(edGuarantee_),
                     static_cast<QWidget*>(edDrawn_), static_cast<QWidget*>(edSeconds_),
                     static_cast<QWidget*>(btnStart_), static_cast<QWidget*>(btnClose_)})
    w->setEnabled(!running_);
  btnStop_->setEnabled(running_);
  btnSave_->setEnabled(!running_ && !blocks_.empty());
  btnPublish_->setEnabled(!running_ && !blocks_.empty() && publish_ != nullptr);
}

void TMakeSystemDialog::Start() {
  if (running_) return;
  const TCoverSpec wanted = Wanted();
  TCoverOptions options;
  options.Seconds = edSeconds_->value();
  options.Threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  blocks_.clear();
  edBlocks_->clear();
  lbResult_->clear();
  progress_->setValue(0);
  running_ = true;
  stop_ = closeAfterStop_ = false;
  FollowState();
  // The progress shown, then the window's events processed: "Стоп" (or closing the dialog) ends
  // the search with the best design so far.
  TDialogObserver observer([this, seconds = options.Seconds](const TCoverProgress& p) {
    progress_->setValue(static_cast<int>(std::min(100.0, 100.0 * p.Seconds / seconds)));
    lbProgress_->setText(ToQ(CoverProgressText(p)));
    emit ProgressShown(p.Blocks);
    QApplication::processEvents();
    return !stop_;
  });
  const auto result = ws_.Systems().Make(wanted, options, &observer);
  running_ = false;
  const bool ok = result && result->Verified;
  if (ok) {
    made_ = wanted;
    blocks_ = result->Blocks;
    progress_->setValue(100);
    lbProgress_->setText(result->Stopped ? QStringLiteral("Поиск остановлен: показана лучшая найденная система.")
                                         : QStringLiteral("Поиск завершен."));
    lbResult_->setText(ToQ(SysFormat("Система \"%s\" для %d чисел.\n%s", {GuaranteeText(wanted.Guarantee, wanted.Drawn),
                                                                          wanted.Nums,
                                                                          CoverResultText(blocks_.size(),
                                                                                          result->LowerBound)})));
    QString text;
    for (const TComb& b : blocks_) text += QStringLiteral("%1 %2 %3 %4 %5\n").arg(b[0]).arg(b[1]).arg(b[2]).arg(b[3]).arg(b[4]);
    edBlocks_->setPlainText(text);
  } else {
    lbProgress_->clear();
  }
  FollowState();
  emit SearchFinished(ok);
  if (closeAfterStop_) QDialog::reject();
}

void TMakeSystemDialog::Save() {
  if (running_ || blocks_.empty()) return;
  if (!ws_.Systems().SaveOwn(made_, blocks_)) return;
  lbProgress_->setText(ToQ(SysFormat("Система сохранена в файле \"%s\".", {ws_.Systems().OwnFile(made_.Nums).string()})));
  emit Saved();
}

void TMakeSystemDialog::reject() {
  // Closing while the search runs stops it; the dialog closes when the search has returned.
  if (running_) {
    stop_ = closeAfterStop_ = true;
    return;
  }
  QDialog::reject();
}

}  // namespace kivra::shell

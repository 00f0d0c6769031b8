#include "shell/UnitUpdate.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "core/Version.h"
#include "shell/DialogUtil.h"
#include "shell/ShellPort.h"
#include "workspace/ProgramFiles.h"
#include "workspace/Workspace.h"

namespace kivra::shell {

namespace {

// The check's windows over the main window.
class TShellUpdateUi : public TUpdateUi {
 public:
  explicit TShellUpdateUi(QWidget* owner) : owner_(owner) {}

  void ProgressOpen(std::string_view text, int steps) override {
    progress_ = std::make_unique<TUpdateProgress>(ToQ(text), steps, owner_);
    progress_->show();
    QApplication::processEvents();
  }
  void ProgressStep() override {
    if (progress_) progress_->Step();
    QApplication::processEvents();
  }
  void ProgressClose() override { progress_.reset(); }
  bool OfferUpdate(const TUpdateOffer& offer) override {
    TUpdateDialog dialog(offer, owner_);
    return dialog.exec() == QDialog::Accepted;
  }
  void Pump() override { QApplication::processEvents(); }

 private:
  QWidget* owner_;
  std::unique_ptr<TUpdateProgress> progress_;
};

QLineEdit* ReadOnlyField(const std::string& text, const char* name, QWidget* parent) {
  auto* field = new QLineEdit(ToQ(text), parent);
  field->setObjectName(name);
  field->setReadOnly(true);
  field->setCursorPosition(0);
  return field;
}

}  // namespace

TUpdateDialog::TUpdateDialog(const TUpdateOffer& offer, QWidget* parent) : QDialog(parent) {
  setObjectName("UpdateDialog");
  setWindowTitle(QStringLiteral("Найдена новая версия программы"));
  auto* layout = new QVBoxLayout(this);
  auto* versions = new QFormLayout;
  versions->addRow(QStringLiteral("Текущая версия программы:"),
                   ReadOnlyField(offer.RunningVersion, "edCurrentVersion", this));
  versions->addRow(QStringLiteral("Новая версия программы:"), ReadOnlyField(offer.Description, "edNewVersion", this));
  layout->addLayout(versions);
  layout->addWidget(new QLabel(QStringLiteral("Описание версии:"), this));
  auto* text = new QPlainTextEdit(this);
  text->setObjectName("memDescription");
  text->setReadOnly(true);
  QStringList lines;
  for (const std::string& line : offer.Text) lines << ToQ(line);
  text->setPlainText(lines.join('\n'));
  layout->addWidget(text, 1);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* install = buttons->addButton(QStringLiteral("Установить"), QDialogButtonBox::AcceptRole);
  install->setObjectName("btnInstall");
  install->setToolTip(QStringLiteral("Установить это обновление"));
  install->setStatusTip(install->toolTip());
  install->setDefault(true);
  QPushButton* cancel = buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
  cancel->setObjectName("btnCancel");
  cancel->setToolTip(QStringLiteral("Отказаться от обновления"));
  cancel->setStatusTip(cancel->toolTip());
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  resize(520, 380);
}

TUpdateProgress::TUpdateProgress(const QString& text, int steps, QWidget* parent) : QDialog(parent) {
  setObjectName("UpdateProgress");
  setWindowTitle(QStringLiteral("Обновление программы"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setWindowFlag(Qt::WindowCloseButtonHint, false);
  setWindowModality(Qt::ApplicationModal);
  auto* layout = new QVBoxLayout(this);
  text_ = new QLabel(text, this);
  text_->setObjectName("lbProgress");
  text_->setMinimumWidth(360);
  layout->addWidget(text_);
  gauge_ = new QProgressBar(this);
  gauge_->setObjectName("pbProgress");
  gauge_->setRange(0, steps);
  gauge_->setValue(0);
  layout->addWidget(gauge_);
}

void TUpdateProgress::Step() { gauge_->setValue(std::min(gauge_->value() + 1, gauge_->maximum())); }
QString TUpdateProgress::Text() const { return text_->text(); }
int TUpdateProgress::Position() const { return gauge_->value(); }
int TUpdateProgress::Steps() const { return gauge_->maximum(); }

std::string UpdateAddress(const TWorkspace& ws) { return UpdateDescriptionAddress(ws.Online().UpdateUrl()); }

int RunUpdateCheck(TWorkspace& ws, QWidget* owner, const TUpdateContext& context, bool quiet) {
  TSelfUpdateParams params;
  params.Address = UpdateAddress(ws);
  params.Quiet = quiet;
  params.LanguageId = context.Language ? context.Language() : 1049;
  params.ProgramDir = context.ProgramDir;
  params.RunningVersion = KIVRA_FILE_VERSION;
  params.CaFile = ws.Online().CaFile();
  TShellUpdateUi ui(owner);
  return CheckForUpdate(params, ws.Port(), ui);
}

bool StartUpUpdateCheck(TWorkspace& ws, QWidget* owner, const TUpdateContext& context) {
  if (!ws.Settings().ReadSetting(StateSettingsSection, "AutoUpdates", true) || UpdateAddress(ws).empty()) return false;
  if (RunUpdateCheck(ws, owner, context, true) != 1) return false;
  context.Restart();
  return true;
}

void AddUpdateCommands(TCommandMap& commands, TWorkspace& ws, QWidget* owner, TUpdateContext context) {
  commands.Add({"AutoSelfUpdate",
                QStringLiteral("Автоматическое обновление"),
                QStringLiteral("Поиск обновлений программы при запуске"),
                {},
                [&ws] {
                  const bool on = ws.Settings().ReadSetting(StateSettingsSection, "AutoUpdates", true);
                  ws.Settings().WriteSetting(StateSettingsSection, "AutoUpdates", !on, &ws.Port());
                },
                nullptr,
                [&ws] { return ws.Settings().ReadSetting(StateSettingsSection, "AutoUpdates", true); }});
  commands.Add({"CheckUpdate",
                QStringLiteral("Поиск обновлений"),
                QStringLiteral("Поиск обновлений программы"),
                {},
                [&ws, owner, context] {
                  if (RunUpdateCheck(ws, owner, context, false) == 1) context.Restart();
                },
                [&ws] { return !UpdateAddress(ws).empty(); },
                nullptr});
}

}  // namespace kivra::shell

#include "shell/UnitGen.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include "core/UserPort.h"
#include "shell/DialogUtil.h"
#include "shell/ShellPort.h"

namespace kivra::shell {

TGenerateDialog::TGenerateDialog(QWidget* parent, const TGenParams& defaults, TUserPort* port)
    : QDialog(parent), port_(port) {
  setObjectName("GenerateDialog");
  setWindowTitle(QStringLiteral("Создание нового списка комбинаций"));

  mode_ = new QComboBox(this);
  mode_->setObjectName("cbMode");
  mode_->addItems({
      QStringLiteral("Полный список (все возможные для данного лото варианты)"),
      QStringLiteral("Мои числа - должно присутствовать любое из указанных"),
      QStringLiteral("Мои числа - комбинации только из списка указанных"),
      QStringLiteral("Мои числа - исключить комбинации с любым из указанных"),
      QStringLiteral("Загрузить список из заранее подготовленного CSV-файла"),
  });
  // Modes outside 1..4 generate the full set, which is what the first line says.
  mode_->setCurrentIndex(defaults.Mode <= GenFromFile ? int{defaults.Mode} : int{GenFullSet});

  param_ = new QLineEdit(ToQ(defaults.Param), this);
  param_->setObjectName("edParam");
  param_->setToolTip(
      QStringLiteral("Список \"моих чисел\" через пробел, запятую или точку с запятой или имя файла для режима "
                     "\"Загрузка из файла\""));

  browse_ = new QToolButton(this);
  browse_->setObjectName("btnBrowse");
  browse_->setText(QStringLiteral("..."));
  browse_->setToolTip(QStringLiteral("Выбор файла"));

  saveDefaults_ =
      new QCheckBox(QStringLiteral("Сохранить эти параметры для генерации комбинаций \"по умолчанию\""), this);
  saveDefaults_->setObjectName("chkSaveDefaults");

  auto* modeLabel = new QLabel(QStringLiteral("Режим генерации списка комбинаций:"), this);
  modeLabel->setBuddy(mode_);
  auto* paramLabel = new QLabel(QStringLiteral("Мои числа или имя файла для загрузки:"), this);
  paramLabel->setBuddy(param_);

  auto* grid = new QGridLayout(this);
  grid->addWidget(modeLabel, 0, 0, 1, 2);
  grid->addWidget(mode_, 1, 0, 1, 2);
  grid->addWidget(paramLabel, 2, 0, 1, 2);
  grid->addWidget(param_, 3, 0);
  grid->addWidget(browse_, 3, 1);
  grid->addWidget(saveDefaults_, 4, 0, 1, 2);
  grid->setRowMinimumHeight(5, 8);
  grid->addWidget(MakeOkCancel(this), 6, 0, 1, 2);
  grid->setSizeConstraint(QLayout::SetFixedSize);

  setTabOrder(mode_, param_);
  setTabOrder(param_, browse_);
  setTabOrder(browse_, saveDefaults_);

  connect(mode_, &QComboBox::currentIndexChanged, this, &TGenerateDialog::UpdateEnabled);
  connect(browse_, &QToolButton::clicked, this, &TGenerateDialog::BrowseFile);
  UpdateEnabled();
  mode_->setFocus();
}

TGenParams TGenerateDialog::Params() const {
  TGenParams params;
  params.Mode = static_cast<uint8_t>(mode_->currentIndex());
  params.Param = CutGenParam(FromQ(param_->text()));
  return params;
}

bool TGenerateDialog::SaveAsDefaults() const { return saveDefaults_->isChecked(); }

void TGenerateDialog::accept() {
  if (port_) {
    if (const std::string problem = GenNumbersProblem(Params()); !problem.empty()) {
      port_->ShowError(problem);
      param_->setFocus();
      return;
    }
  }
  QDialog::accept();
}

void TGenerateDialog::UpdateEnabled() {
  const int mode = mode_->currentIndex();
  param_->setEnabled(mode >= GenAnyOfMine && mode <= GenFromFile);
  browse_->setEnabled(mode == GenFromFile);
}

void TGenerateDialog::BrowseFile() {
  QFileDialog dialog(this);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(QStringLiteral("Файлы комбинаций (*.lcv)"));
  dialog.setDefaultSuffix(QStringLiteral("lcv"));
  const QFileInfo current(param_->text().trimmed());
  if (!param_->text().trimmed().isEmpty()) {
    dialog.setDirectory(current.absolutePath());
    dialog.selectFile(current.fileName());
  }
  SizeFileDialog(dialog);
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
    param_->setText(QDir::toNativeSeparators(dialog.selectedFiles().first()));
}

}  // namespace kivra::shell

#include "shell/UnitOnline.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

#include "shell/CommandMap.h"
#include "shell/DialogUtil.h"
#include "shell/ShellPort.h"
#include "workspace/Workspace.h"

namespace kivra::shell {

TOnlineDialog::TOnlineDialog(QWidget* parent, const TWorkspace& ws) : QDialog(parent) {
  setObjectName("OnlineDialog");
  setWindowTitle(QStringLiteral("Параметры online-сервисов"));
  auto* form = new QFormLayout;
  edName_ = new QLineEdit(ToQ(ws.Online().UserName()));
  edName_->setObjectName("edName");
  edName_->setMaxLength(64);
  edMail_ = new QLineEdit(ToQ(ws.Online().UserMail()));
  edMail_->setObjectName("edMail");
  edMail_->setMaxLength(128);
  form->addRow(QStringLiteral("Ваше имя:"), edName_);
  form->addRow(QStringLiteral("Электронная почта:"), edMail_);
  const std::string url = ws.Online().CatalogUrl();
  auto* address = new QLabel(url.empty() ? QStringLiteral("не указан") : ToQ(url));
  address->setObjectName("lbCatalog");
  address->setTextInteractionFlags(Qt::TextSelectableByMouse);
  form->addRow(QStringLiteral("Адрес каталога:"), address);
  auto* note =
      new QLabel(QStringLiteral("Имя и адрес электронной почты видны другим пользователям каталога "
                                "рядом с опубликованными системами, сценариями и оценками."));
  note->setWordWrap(true);
  auto* v = new QVBoxLayout(this);
  v->addLayout(form);
  v->addWidget(note);
  v->addWidget(MakeOkCancel(this));
  resize(460, sizeHint().height());
}

QString TOnlineDialog::Name() const { return edName_->text().trimmed(); }
QString TOnlineDialog::Mail() const { return edMail_->text().trimmed(); }

void TOnlineDialog::accept() {
  QString refusal;
  QLineEdit* field = nullptr;
  if (Name().isEmpty()) {
    refusal = QStringLiteral("Имя должно быть указано обязательно!");
    field = edName_;
  } else if (Mail().isEmpty()) {
    refusal = QStringLiteral("Укажите адрес электронной почты!");
    field = edMail_;
  } else if (!PlausibleMail(FromQ(Mail()))) {
    // Filled in, but not an address: say what is wrong with it.
    refusal = QStringLiteral("Адрес электронной почты указан неверно!\nАдрес пишется так: имя@домен, например "
                             "ivanov@example.ru.");
    field = edMail_;
  }
  if (field) {
    QMessageBox::warning(this, QStringLiteral("Внимание!"), refusal);
    field->setFocus();
    field->selectAll();
    return;
  }
  QDialog::accept();
}

bool EditOnlineIdentity(TWorkspace& ws, QWidget* parent) {
  TOnlineDialog dialog(parent, ws);
  if (dialog.exec() != QDialog::Accepted) return false;
  if (!ws.Online().SaveIdentity(FromQ(dialog.Name()), FromQ(dialog.Mail()))) {
    ws.Port().ShowError("Не удалось сохранить параметры online-сервисов!");
    return false;
  }
  return true;
}

bool EnsureIdentity(TWorkspace& ws, QWidget* parent) {
  return ws.Catalog().HasIdentity() || EditOnlineIdentity(ws, parent);
}

void AddOnlineCommand(TCommandMap& commands, TWorkspace& ws, QWidget* parent) {
  commands.Add({"EditOnline",
                QStringLiteral("Параметры online-сервисов"),
                QStringLiteral("Ваше имя и адрес электронной почты для online-каталогов"),
                {},
                [&ws, parent] { EditOnlineIdentity(ws, parent); },
                nullptr,
                nullptr});
}

}  // namespace kivra::shell

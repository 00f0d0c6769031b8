#include "shell/UnitProxy.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "shell/DialogUtil.h"
#include "shell/ShellPort.h"

namespace kivra::shell {

TEditProxyDialog::TEditProxyDialog(QWidget* parent, const TProxyConfig& proxy) : QDialog(parent) {
  setObjectName("EditProxyDialog");
  setWindowTitle(QStringLiteral("Параметры proxy-сервера"));

  none_ = new QRadioButton(QStringLiteral("Не использовать proxy-сервер"), this);
  none_->setObjectName("rbNoProxy");
  automatic_ = new QRadioButton(QStringLiteral("Автоматический поиск сервера (возможны задержки)"), this);
  automatic_->setObjectName("rbAutoProxy");
  manual_ = new QRadioButton(QStringLiteral("Ручной выбор proxy-сервера:"), this);
  manual_->setObjectName("rbManualProxy");
  auto* choice = new QButtonGroup(this);
  choice->addButton(none_, 0);
  choice->addButton(automatic_, 1);
  choice->addButton(manual_, 2);
  // Any other mode is shown as "no proxy".
  (proxy.Mode == 1 ? automatic_ : proxy.Mode == 2 ? manual_ : none_)->setChecked(true);

  server_ = new QLineEdit(ToQ(proxy.Server), this);
  server_->setObjectName("edServer");
  port_ = new QSpinBox(this);
  port_->setObjectName("sePort");
  port_->setRange(1, 65535);
  port_->setValue(proxy.Port >= 1 && proxy.Port <= 65535 ? proxy.Port : 80);
  user_ = new QLineEdit(ToQ(proxy.Username), this);
  user_->setObjectName("edUser");
  password_ = new QLineEdit(ToQ(proxy.Password), this);
  password_->setObjectName("edPassword");
  password_->setEchoMode(QLineEdit::Password);
  server_->setMinimumWidth(220);

  // The fields sit in one box under the manual choice, so that they and their labels are enabled
  // together.
  manualBox_ = new QWidget(this);
  manualBox_->setObjectName("manualBox");
  auto* fields = new QFormLayout(manualBox_);
  fields->setContentsMargins(24, 0, 0, 0);
  auto addRow = [&](const QString& text, QWidget* field) {
    auto* label = new QLabel(text, manualBox_);
    label->setBuddy(field);
    fields->addRow(label, field);
  };
  addRow(QStringLiteral("Имя или адрес сервера:"), server_);
  addRow(QStringLiteral("Порт:"), port_);
  addRow(QStringLiteral("Имя пользователя:"), user_);
  addRow(QStringLiteral("Пароль:"), password_);

  auto* main = new QVBoxLayout(this);
  main->addWidget(none_);
  main->addWidget(automatic_);
  main->addWidget(manual_);
  main->addWidget(manualBox_);
  main->addSpacing(8);
  main->addWidget(MakeOkCancel(this));
  main->setSizeConstraint(QLayout::SetFixedSize);

  connect(choice, &QButtonGroup::idToggled, this, [this](int, bool) { UpdateEnabled(); });
  UpdateEnabled();
}

void TEditProxyDialog::UpdateEnabled() { manualBox_->setEnabled(manual_->isChecked()); }

TProxyConfig TEditProxyDialog::Result() const {
  TProxyConfig proxy;
  proxy.Server = FromQ(server_->text());
  proxy.Port = port_->value();
  proxy.Username = FromQ(user_->text());
  proxy.Password = FromQ(password_->text());
  if (manual_->isChecked()) {
    proxy.Mode = 2;
  } else if (automatic_->isChecked()) {
    proxy.Mode = 1;
    proxy.Server.clear();
    proxy.Username.clear();
    proxy.Password.clear();
    proxy.Port = 0;
  } else {
    proxy.Mode = 0;
  }
  return proxy;
}

}  // namespace kivra::shell

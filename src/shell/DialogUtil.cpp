#include "shell/DialogUtil.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLibraryInfo>
#include <QPushButton>
#include <QScreen>
#include <QTranslator>
#include <QTreeView>

#include "core/SysFormat.h"

namespace kivra::shell {

QDialogButtonBox* MakeOkCancel(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  buttons->setObjectName("buttons");
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
  ok->setText(QStringLiteral("OK"));
  ok->setObjectName("btnOk");
  cancel->setText(QStringLiteral("Отмена"));
  cancel->setObjectName("btnCancel");
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

QLocale NumberLocale() {
  // Russian writes "1 234,56"; the C locale "1,234.56".
  QLocale locale = DecimalSeparator() == ',' ? QLocale(QLocale::Russian, QLocale::Russia) : QLocale::c();
  locale.setNumberOptions(QLocale::DefaultNumberOptions);
  return locale;
}

QValidator::State TCountField::validate(QString& text, int& pos) const {
  return text.trimmed().isEmpty() ? QValidator::Acceptable : QSpinBox::validate(text, pos);
}

int TCountField::valueFromText(const QString& text) const {
  return text.trimmed().isEmpty() ? 0 : QSpinBox::valueFromText(text);
}

std::optional<int> TypedCount(QSpinBox* field) {
  field->interpretText();
  if (field->value() <= 0) return std::nullopt;
  return field->value();
}

void SizeFileDialog(QFileDialog& dialog) {
  QSize size(900, 540);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    size = size.boundedTo(screen->availableGeometry().size() - QSize(40, 60));
  dialog.resize(size);
  // Qt's own dialog: the name column takes what the others leave, the others fit their contents.
  if (auto* tree = dialog.findChild<QTreeView*>("treeView")) {
    QHeaderView* header = tree->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int c = 1; c < header->count(); ++c) header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
  }
}

bool InstallQtTranslations() {
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  return true;
}

}  // namespace kivra::shell

#include "shell/DialogUtil.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
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

namespace {

// The columns of Qt's own file dialog in Russian: the library's texts for types and sizes are
// English whatever its translations, and its dates follow the system's locale. Numbers elsewhere in
// the program keep their own format.
class TRussianFileColumns : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;

  QVariant data(const QModelIndex& index, int role) const override {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || !files || index.column() < 1 || index.column() > 3)
      return QIdentityProxyModel::data(index, role);
    const QModelIndex source = mapToSource(index);
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    switch (index.column()) {
      case 1: {
        if (files->isDir(source)) return QString();
        const double size = static_cast<double>(files->size(source));
        if (size < 1024) return QStringLiteral("%1 байт").arg(static_cast<qint64>(size));
        if (size < 1024.0 * 1024) return QStringLiteral("%1 КБ").arg(russian.toString(size / 1024, 'f', 1));
        if (size < 1024.0 * 1024 * 1024) return QStringLiteral("%1 МБ").arg(russian.toString(size / 1048576, 'f', 1));
        return QStringLiteral("%1 ГБ").arg(russian.toString(size / 1073741824, 'f', 1));
      }
      case 2: {
        if (files->isDir(source)) return QStringLiteral("Папка");
        const QString suffix = files->fileInfo(source).suffix();
        return suffix.isEmpty() ? QStringLiteral("Файл") : QStringLiteral("Файл %1").arg(suffix);
      }
      default: return russian.toString(files->lastModified(source), QStringLiteral("dd.MM.yyyy HH:mm"));
    }
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    static const QStringList captions = {QStringLiteral("Имя"), QStringLiteral("Размер"), QStringLiteral("Тип"),
                                         QStringLiteral("Дата изменения")};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < captions.size())
      return captions[section];
    return QIdentityProxyModel::headerData(section, orientation, role);
  }
};

}  // namespace

void SizeFileDialog(QFileDialog& dialog) {
  if (!dialog.proxyModel()) dialog.setProxyModel(new TRussianFileColumns(&dialog));
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

QString AskFileName(QWidget* parent, const QString& caption, const QString& filter, bool save) {
  QFileDialog dialog(parent, caption, QString(), filter);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  SizeFileDialog(dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
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

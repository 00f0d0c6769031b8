#include "shell/SystemDialog.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFile>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QUrl>
#include <QVBoxLayout>
#include <cerrno>

#include "core/FileUtils.h"
#include "core/SysFormat.h"
#include "shell/DialogUtil.h"
#include "shell/ShellPort.h"
#include "workspace/CatalogState.h"

namespace kivra::shell {

TSystemDialog::TSystemDialog(QWidget* parent, const TSystemData& data, bool editable, TUserPort& port)
    : QDialog(parent), data_(data), editable_(editable), port_(port) {
  setObjectName("SystemDialog");
  setWindowTitle(QStringLiteral("Система"));
  resize(640, 560);
  auto* form = new QFormLayout;
  edTitle_ = AddLine("edTitle", ToQ(data.Title), !editable);
  // The catalogue server's limits (a read-only view keeps what it shows whole).
  if (editable) edTitle_->setMaxLength(64);
  form->addRow(QStringLiteral("Наименование:"), edTitle_);
  edDescr_ = new QPlainTextEdit(ToQ(data.Description));
  edDescr_->setObjectName("edDescr");
  edDescr_->setReadOnly(!editable);
  edDescr_->setMaximumHeight(70);
  form->addRow(QStringLiteral("Описание:"), edDescr_);
  edAuthor_ = AddLine("edAuthor", ToQ(data.Author), !editable);
  form->addRow(QStringLiteral("Автор:"), edAuthor_);
  edUrl_ = AddLine("edUrl", ToQ(data.Url), !editable);
  if (editable) edUrl_->setMaxLength(1024);
  btnUrl_ = new QPushButton(QStringLiteral("Открыть"));
  btnUrl_->setObjectName("btnUrl");
  auto* urlRow = new QHBoxLayout;
  urlRow->addWidget(edUrl_, 1);
  urlRow->addWidget(btnUrl_);
  form->addRow(QStringLiteral("Ссылка:"), urlRow);
  auto followUrl = [this] { btnUrl_->setEnabled(!edUrl_->text().trimmed().isEmpty()); };
  connect(edUrl_, &QLineEdit::textChanged, this, followUrl);
  followUrl();
  connect(btnUrl_, &QPushButton::clicked, this, [this] {
    const std::string url = FromQ(edUrl_->text().trimmed());
    // Only web pages: a catalogue entry must not make the desktop open local files or programs.
    if (!OpenableLink(url)) {
      port_.ShowError("Открывать можно только ссылки http:// и https://");
      return;
    }
    QDesktopServices::openUrl(QUrl(ToQ(url)));
  });

  edContent_ = new QPlainTextEdit(ToQ(data.Content));
  edContent_->setObjectName("edContent");
  edContent_->setReadOnly(!editable);
  edContent_->setLineWrapMode(QPlainTextEdit::NoWrap);
  edContent_->setFont(QFont(QStringLiteral("Monospace")));
  edContent_->installEventFilter(this);
  edContent_->setContextMenuPolicy(Qt::ActionsContextMenu);
  auto addMenu = [this](const QString& caption, bool edits, auto run) {
    auto* a = new QAction(caption, edContent_);
    a->setEnabled(!edits || editable_);
    connect(a, &QAction::triggered, this, run);
    edContent_->addAction(a);
  };
  addMenu(QStringLiteral("Копировать в буфер обмена"), false, [this] {
    QApplication::clipboard()->setText(edContent_->textCursor().hasSelection()
                                           ? edContent_->textCursor().selectedText().replace(QChar(0x2029), '\n')
                                           : edContent_->toPlainText());
  });
  addMenu(QStringLiteral("Вставить из буфера обмена"), true, [this] {
    edContent_->insertPlainText(QApplication::clipboard()->text());
    NormaliseContent();
  });
  addMenu(QStringLiteral("Выделить все"), false, [this] { edContent_->selectAll(); });
  addMenu(QStringLiteral("Загрузить из файла"), true, [this] {
    const QString name = AskFileName(this, QStringLiteral("Загрузить из файла"),
                                     QStringLiteral("Системы (*.dat *.txt);;Все файлы (*)"), false);
    if (name.isEmpty()) return;
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
      port_.ShowError(SysFormat("Ошибка чтения файла \"%s\"!\r\r%s", {FromQ(name), SystemErrorText(errno)}));
      return;
    }
    edContent_->setPlainText(QString::fromUtf8(file.readAll()));
    NormaliseContent();
  });
  addMenu(QStringLiteral("Сохранить в файле"), false, [this] {
    const QString name = AskFileName(this, QStringLiteral("Сохранить в файле"),
                                     QStringLiteral("Системы (*.dat *.txt);;Все файлы (*)"), true);
    if (name.isEmpty()) return;
    try {
      WriteFileAtomic(std::filesystem::path(FromQ(name)), FromQ(edContent_->toPlainText().replace('\n', QStringLiteral("\r\n"))));
    } catch (const std::exception& e) {
      port_.ShowError(SysFormat("Ошибка записи в файл \"%s\"!\r\r%s", {FromQ(name), ErrorText(e)}));
    }
  });

  // The read-only facts and the three numbers.
  auto* facts = new QGridLayout;
  auto fact = [&](int row, int column, const QString& caption, QLineEdit* edit) {
    facts->addWidget(new QLabel(caption), row, column * 2);
    facts->addWidget(edit, row, column * 2 + 1);
  };
  edCreated_ = AddLine("edCreated", ToQ(DateTimeToText(data.Created)), true);
  edCount_ = AddLine("edCount", QString::number(data.Count), true);
  edNums_ = AddLine("edNums", QString::number(data.Nums), true);
  edBlock_ = AddLine("edBlock", QString::number(data.Block), !editable);
  edBlock_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), edBlock_));
  fact(0, 0, QStringLiteral("Создана:"), edCreated_);
  fact(0, 1, QStringLiteral("Комбинаций:"), edCount_);
  fact(0, 2, QStringLiteral("Числа:"), edNums_);
  fact(1, 0, QStringLiteral("Загрузок:"), AddLine("edDownloads", QString::number(data.Downloads), true));
  fact(1, 1, QStringLiteral("Последняя:"), AddLine("edLast", ToQ(DateTimeToText(data.LastDownload)), true));
  fact(1, 2, QStringLiteral("Длина:"), AddLine("edLength", QStringLiteral("5"), true));
  fact(2, 2, QStringLiteral("Блок:"), edBlock_);

  auto* v = new QVBoxLayout(this);
  v->addLayout(form);
  v->addWidget(new QLabel(QStringLiteral("Список комбинаций:")));
  v->addWidget(edContent_, 1);
  v->addLayout(facts);
  if (editable) {
    v->addWidget(MakeOkCancel(this));
  } else {
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close);
    close->setObjectName("buttons");
    close->button(QDialogButtonBox::Close)->setText(QStringLiteral("Закрыть"));
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    v->addWidget(close);
  }
}

QLineEdit* TSystemDialog::AddLine(const char* name, const QString& text, bool readOnly) {
  auto* edit = new QLineEdit(text);
  edit->setObjectName(name);
  edit->setReadOnly(readOnly);
  return edit;
}

void TSystemDialog::NormaliseContent() {
  if (!editable_) return;
  const TNormalisedSystem normal = NormaliseSystemContent(FromQ(edContent_->toPlainText()));
  edContent_->setPlainText(ToQ(normal.Content).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  edNums_->setText(QString::number(normal.Nums));
  edCount_->setText(QString::number(normal.Count));
}

bool TSystemDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edContent_ && event->type() == QEvent::FocusOut) NormaliseContent();
  return QDialog::eventFilter(watched, event);
}

void TSystemDialog::accept() {
  NormaliseContent();
  TSystemData data = data_;
  data.Title = FromQ(edTitle_->text().trimmed());
  data.Description = FromQ(edDescr_->toPlainText());
  data.Author = FromQ(edAuthor_->text().trimmed());
  data.Url = FromQ(edUrl_->text().trimmed());
  data.Content = FromQ(edContent_->toPlainText().replace('\n', QStringLiteral("\r\n")));
  data.Nums = static_cast<uint8_t>(std::clamp(edNums_->text().toInt(), 0, 255));
  data.Count = edCount_->text().toInt();
  data.Block = static_cast<uint8_t>(std::clamp(edBlock_->text().toInt(), 0, 255));
  if (const auto error = CheckSystemData(data)) {
    port_.ShowError(error->Message);
    QWidget* fields[] = {edTitle_, edNums_, edBlock_, edAuthor_, edDescr_, edContent_};
    fields[error->Field]->setFocus();
    return;
  }
  if (data.Created <= 0) data.Created = Now();
  if (saver_ && !saver_(data)) return;
  data_ = std::move(data);
  QDialog::accept();
}

}  // namespace kivra::shell

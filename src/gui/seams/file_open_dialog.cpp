#include "gui/seams/file_open_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include "app/window_ids.h"

namespace brindle {

namespace {

struct NextAnswer {
  bool set = false;
  std::optional<std::string> path;
};

NextAnswer& Next() {
  static NextAnswer next;
  return next;
}

// Window-thread state: where the last chosen file lies.
QString& LastFolder() {
  static QString folder;
  return folder;
}

int Chosen(const std::string& path) {
  LastFolder() = QFileInfo(QString::fromStdString(path)).absolutePath();
  return IDOK;
}

}  // namespace

QString QtFileFilter(const std::string& windowsFilter) {
  const QStringList parts = QString::fromStdString(windowsFilter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString name = parts[i];
    const QString patterns = parts[i + 1];
    if (name.isEmpty() && patterns.isEmpty()) break;  // the closing "||"
    QStringList qtPatterns;
    for (const QString& p : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts))
      qtPatterns << (p.trimmed() == QLatin1String("*.*") ? QStringLiteral("*") : p.trimmed());
    const QString tail = QLatin1Char('(') + patterns + QLatin1Char(')');
    if (name.endsWith(tail)) name.chop(tail.size());
    filters << name.trimmed() + QStringLiteral(" (") + qtPatterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return filters.join(QStringLiteral(";;"));
}

int CFileOpenDialog::Show(QWidget* parent, const std::string& defaultExtension, const std::string& filter,
                          std::string& path) {
  if (Next().set) {
    Next().set = false;
    if (!Next().path) return IDCANCEL;
    path = *Next().path;
    return Chosen(path);
  }
  const std::unique_ptr<QFileDialog> dialog = Make(parent, defaultExtension, filter);
  if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return IDCANCEL;
  path = dialog->selectedFiles().first().toStdString();
  return Chosen(path);
}

QString CFileOpenDialog::StartFolder() {
  const QString& folder = LastFolder();
  return !folder.isEmpty() && QDir(folder).exists() ? folder : QString();
}

std::unique_ptr<QFileDialog> CFileOpenDialog::Make(QWidget* parent, const std::string& defaultExtension,
                                                   const std::string& filter) {
  auto dialog = std::make_unique<QFileDialog>(parent);
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  dialog->setFileMode(QFileDialog::ExistingFile);
  dialog->setNameFilter(QtFileFilter(filter));
  dialog->setDefaultSuffix(QString::fromStdString(defaultExtension));
  const QString start = StartFolder();
  if (!start.isEmpty()) dialog->setDirectory(start);
  return dialog;
}

void CFileOpenDialog::SetNextFileName(std::optional<std::string> path) { Next() = {true, std::move(path)}; }

}  // namespace brindle

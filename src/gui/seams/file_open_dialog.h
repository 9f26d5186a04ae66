#pragma once
// The file-open dialog of the window seam. Filters come in the Windows form
// "Name|patterns|Name|patterns||" and are shown in Qt's "Name (patterns)"
// form. Tests choose the file through SetNextFileName.
#include <QString>
#include <memory>
#include <optional>
#include <string>

class QFileDialog;
class QWidget;

namespace brindle {

// "Update File(*.dwm)|*.dwm|All File(*.*)|*.*||" gives
// "Update File (*.dwm);;All File (*)": a name's own "(patterns)" tail is
// replaced by Qt's, ';' between patterns becomes a blank, and "*.*", which
// on Windows matches every name, becomes "*".
QString QtFileFilter(const std::string& windowsFilter);

class CFileOpenDialog {
 public:
  // The dialog Show runs, not yet shown: it starts in StartFolder() when
  // that is set.
  static std::unique_ptr<QFileDialog> Make(QWidget* parent, const std::string& defaultExtension,
                                           const std::string& filter);
  // The folder of the file chosen last in this run, when it still exists;
  // empty before the first choice (Qt's own dialog then starts where it
  // remembers).
  static QString StartFolder();

  // IDOK with the chosen full path, or IDCANCEL.
  static int Show(QWidget* parent, const std::string& defaultExtension, const std::string& filter,
                  std::string& path);
  // Tests: the next dialog is not shown and answers with path (nullopt:
  // cancelled).
  static void SetNextFileName(std::optional<std::string> path);
};

}  // namespace brindle

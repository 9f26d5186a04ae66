#pragma once
// CAboutDlg: the About box, 170 x 62 dialog units, with the application
// icon, two lines of text and an OK button.
#include <QDialog>

namespace brindle {

class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace brindle

#include "gui/about_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "core/version.h"
#include "gui/drawn_art.h"
#include "gui/seams/dialog_units.h"

namespace brindle {

namespace {
constexpr QSize kAboutSize(170, 62);
constexpr int kAboutFontPoints = 9;
constexpr int kAboutIconPixels = 32;
}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("100"));
  setFont(DialogFont(kAboutFontPoints));
  setWindowTitle(QStringLiteral("关于 Brindle"));
  const DialogBaseUnits base = BaseUnitsOf(font());
  setFixedSize(DialogUnitsToPixels(kAboutSize, base));

  auto* icon = new QLabel(this);
  icon->setPixmap(DrawAppIcon(kAboutIconPixels, devicePixelRatioF()));
  icon->setGeometry(DialogUnitsToPixels(QRect(14, 14, 20, 20), base));

  auto* name = new QLabel(QStringLiteral("Brindle，2.0 版"), this);
  name->setObjectName(QStringLiteral("aboutName"));
  name->setTextFormat(Qt::PlainText);
  name->setGeometry(DialogUnitsToPixels(QRect(42, 14, 114, 8), base));

  // The first line is the product's name and number as the device's makers
  // print it; this one names the tool and this program's own version.
  auto* purpose = new QLabel(QStringLiteral("更新与设置工具 %1").arg(QString::fromLatin1(kVersion)), this);
  purpose->setObjectName(QStringLiteral("aboutPurpose"));
  purpose->setTextFormat(Qt::PlainText);
  purpose->setGeometry(DialogUnitsToPixels(QRect(42, 26, 114, 8), base));

  auto* ok = new QPushButton(QStringLiteral("确定"), this);
  ok->setObjectName(QStringLiteral("1"));
  ok->setDefault(true);
  ok->setGeometry(DialogUnitsToPixels(QRect(114, 35, 50, 14), base));
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace brindle

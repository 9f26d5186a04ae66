#pragma once
// What assistive technology sees of a CTextProgressCtrl: a progress bar
// whose value is the position within its range and whose value text is
// the text drawn on the bar.
#include <QAccessibleWidget>

namespace brindle {

class CTextProgressCtrl;

class CTextProgressAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit CTextProgressAccessible(CTextProgressCtrl* bar);

  void* interface_cast(QAccessible::InterfaceType type) override;
  QString text(QAccessible::Text which) const override;

  QVariant currentValue() const override;
  void setCurrentValue(const QVariant& value) override;  // read only: ignored
  QVariant maximumValue() const override;
  QVariant minimumValue() const override;
  QVariant minimumStepSize() const override;

  // The factory QAccessible asks for the interface of a bar.
  static QAccessibleInterface* Factory(const QString& className, QObject* object);

 private:
  CTextProgressCtrl* Bar() const;
};

}  // namespace brindle

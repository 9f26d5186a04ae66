#include "gui/controls/text_progress_accessible.h"

#include "gui/controls/text_progress_ctrl.h"

namespace brindle {

CTextProgressAccessible::CTextProgressAccessible(CTextProgressCtrl* bar)
    : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

CTextProgressCtrl* CTextProgressAccessible::Bar() const { return static_cast<CTextProgressCtrl*>(widget()); }

void* CTextProgressAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
  return QAccessibleWidget::interface_cast(type);
}

QString CTextProgressAccessible::text(QAccessible::Text which) const {
  if (which == QAccessible::Value) return Bar()->DisplayedText();
  return QAccessibleWidget::text(which);
}

QVariant CTextProgressAccessible::currentValue() const { return Bar()->Pos(); }
void CTextProgressAccessible::setCurrentValue(const QVariant&) {}
QVariant CTextProgressAccessible::maximumValue() const { return Bar()->Max(); }
QVariant CTextProgressAccessible::minimumValue() const { return Bar()->Min(); }
QVariant CTextProgressAccessible::minimumStepSize() const { return 0; }

QAccessibleInterface* CTextProgressAccessible::Factory(const QString&, QObject* object) {
  if (auto* bar = qobject_cast<CTextProgressCtrl*>(object)) return new CTextProgressAccessible(bar);
  return nullptr;
}

}  // namespace brindle

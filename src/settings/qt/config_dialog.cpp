#include "settings/qt/config_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/qt/dialog_units.h"
#include "app/qt/message_box.h"
#include "app/window_ids.h"
#include "settings/config_dialog_ids.h"
#include "settings/edit_integer.h"

namespace brindle {

namespace cd = config_dialog;

namespace {

constexpr QSize kTemplateSize(406, 191);
constexpr int kTemplateFontPoints = 8;
// Band boxes: each box's top is the previous box's bottom plus this gap.
constexpr int kBoxGapPixels = 15;
// The framework's prompt for an edit that holds no integer carries this icon.
constexpr uint32_t kIconWarning = 0x30;

struct EditPlace {
  QRect label;
  QRect edit;
};
// In the order of SettingsEditField: time zone, daytime, nighttime.
constexpr EditPlace kEditPlaces[] = {
    {QRect(264, 7, 98, 14), QRect(366, 7, 32, 14)},
    {QRect(264, 30, 98, 23), QRect(366, 30, 32, 14)},
    {QRect(264, 57, 98, 23), QRect(366, 57, 32, 14)},
};

constexpr QRect kOkRect(71, 161, 69, 23);
constexpr QRect kCancelRect(266, 162, 69, 22);
constexpr QRect kFirstMarkerRect(7, 7, 122, 10);
constexpr QRect kSecondMarkerRect(136, 7, 122, 10);
constexpr QRect kTwelveHourRect(256, 131, 142, 10);
constexpr QRect kFrequencyRect(6, 142, 142, 10);

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CConfigDialog::CConfigDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint) {
  setObjectName(QString::number(cd::kResourceId));
  setFont(DialogFont(kTemplateFontPoints));
  const DialogBaseUnits base = BaseUnitsOf(font());
  setFixedSize(DialogUnitsToPixels(kTemplateSize, base));

  const auto place = [&](QWidget* w, int id, const QRect& du) {
    w->setObjectName(QString::number(id));
    w->setGeometry(DialogUnitsToPixels(du, base));
  };
  m_firstMarker = new QCheckBox(this);
  place(m_firstMarker, cd::kFirstColumnMarker, kFirstMarkerRect);
  m_firstMarker->hide();
  m_secondMarker = new QCheckBox(this);
  place(m_secondMarker, cd::kSecondColumnMarker, kSecondMarkerRect);
  m_secondMarker->hide();

  const int labelIds[] = {cd::kTimeZoneLabel, cd::kDayStartLabel, cd::kNightStartLabel};
  const int editIds[] = {cd::kTimeZoneEdit, cd::kDayStartEdit, cd::kNightStartEdit};
  for (int i = 0; i < 3; ++i) {
    m_labels[i] = new QLabel(this);
    m_labels[i]->setTextFormat(Qt::PlainText);
    m_labels[i]->setWordWrap(true);
    // The time-zone label is centred vertically; the two hour labels start at the top.
    m_labels[i]->setAlignment(Qt::AlignRight | (i == 0 ? Qt::AlignVCenter : Qt::AlignTop));
    place(m_labels[i], labelIds[i], kEditPlaces[i].label);
    m_edits[i] = new QLineEdit(this);
    place(m_edits[i], editIds[i], kEditPlaces[i].edit);
  }
  auto* twelveHour = new QCheckBox(this);
  place(twelveHour, cd::kTwelveHourBox, kTwelveHourRect);
  twelveHour->hide();
  m_frequencyBox = new QCheckBox(this);
  place(m_frequencyBox, cd::kFrequencyBox, kFrequencyRect);

  auto* ok = new QPushButton(Text(kOkText), this);
  place(ok, cd::kIdOk, kOkRect);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &CConfigDialog::OnOK);
  auto* cancel = new QPushButton(Text(kCancelText), this);
  place(cancel, cd::kIdCancel, kCancelRect);
  connect(cancel, &QPushButton::clicked, this, &CConfigDialog::OnCancel);
}

CConfigDialog::~CConfigDialog() = default;

int CConfigDialog::ShowSettings(const std::string& title, int layout,
                                const IdentityBlock& identity, SettingsBlock* settings) {
  if (!settings) return IDCANCEL;
  Prepare(title, layout, identity, settings);
  const int result = exec();
  ClearBandBoxes();
  m_settings = nullptr;
  return result == IDOK ? IDOK : IDCANCEL;
}

void CConfigDialog::Prepare(const std::string& title, int layout, const IdentityBlock& identity,
                            SettingsBlock* settings) {
  ClearBandBoxes();
  m_settings = settings;
  if (!settings) return;
  m_form = std::make_unique<CSettingsForm>(title, layout, identity, *settings);
  setWindowTitle(QString::fromStdString(m_form->Caption()));

  // Boxes go down from the first marker, the second column from the
  // second marker, each at the marker's height.
  const QRect first = m_firstMarker->geometry();
  const QRect second = m_secondMarker->geometry();
  const int step = first.height() + kBoxGapPixels;
  for (const SettingsBox& b : m_form->Boxes()) {
    const QRect column = b.column == 0 ? first : second;
    QCheckBox* box =
        m_bandBoxes.emplace_back(std::make_unique<QCheckBox>(QString::fromStdString(b.caption), this))
            .get();
    box->setObjectName(QString::number(b.id));
    box->setGeometry(column.left(), column.top() + b.row * step, column.width(), first.height());
    box->setChecked(b.checked);
    box->show();
  }

  for (size_t i = 0; i < m_form->Edits().size(); ++i) {
    const SettingsEdit& e = m_form->Edits()[i];
    m_labels[i]->setText(QString::fromStdString(e.label));
    m_labels[i]->setVisible(e.visible);
    m_edits[i]->setVisible(e.visible);
    m_edits[i]->setText(QString::number(e.value));
  }
  const FrequencyBox& f = m_form->Frequency();
  m_frequencyBox->setText(QString::fromStdString(f.caption));
  m_frequencyBox->setChecked(f.checked);
  m_frequencyBox->setVisible(f.visible);
}

void CConfigDialog::OnOK() {
  if (!m_form || !m_settings) return;
  for (size_t i = 0; i < m_form->Edits().size(); ++i) {
    if (!m_form->Edits()[i].visible) continue;
    int32_t value = 0;
    if (!ParseEditInteger(m_edits[i]->text().toStdString(), &value)) {
      CMessageBoxes::Show(this, std::string(kNotAnIntegerPrompt), {}, MB_OK | kIconWarning);
      m_edits[i]->setFocus();
      m_edits[i]->selectAll();
      return;
    }
    m_form->SetEditValue(static_cast<SettingsEditField>(i), value);
  }
  for (size_t i = 0; i < m_bandBoxes.size(); ++i)
    m_form->SetBoxChecked(i, m_bandBoxes[i]->isChecked());
  m_form->SetFrequencyChecked(m_frequencyBox->isChecked());
  const std::string_view refusal = m_form->Validate();
  if (!refusal.empty()) {
    CMessageBoxes::Show(this, std::string(refusal), {}, MB_OK | MB_ICONERROR);
    return;
  }
  m_form->Apply(*m_settings);
  done(IDOK);
}

void CConfigDialog::OnCancel() { done(IDCANCEL); }

// Esc and closing the window take the Cancel path.
void CConfigDialog::reject() { OnCancel(); }

void CConfigDialog::ClearBandBoxes() {
  m_bandBoxes.clear();
}

}  // namespace brindle

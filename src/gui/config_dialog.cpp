#include "gui/config_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "app/window_ids.h"
#include "gui/seams/dialog_units.h"
#include "gui/seams/message_box.h"
#include "settings/config_dialog_ids.h"
#include "settings/edit_integer.h"

namespace brindle {

namespace cd = config_dialog;

namespace {

constexpr QSize kTemplateSize(406, 191);
constexpr int kTemplateFontPoints = 8;
// Band boxes: each box's top is the previous box's bottom plus this gap.
// It also keeps the last row off the controls below when the dialog grows.
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
  m_templateSize = DialogUnitsToPixels(kTemplateSize, base);
  setFixedSize(m_templateSize);

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
  m_twelveHourBox = new QCheckBox(this);
  place(m_twelveHourBox, cd::kTwelveHourBox, kTwelveHourRect);
  m_twelveHourBox->hide();
  m_frequencyBox = new QCheckBox(this);
  place(m_frequencyBox, cd::kFrequencyBox, kFrequencyRect);

  m_ok = new QPushButton(Text(kOkText), this);
  place(m_ok, cd::kIdOk, kOkRect);
  m_ok->setDefault(true);
  connect(m_ok, &QPushButton::clicked, this, &CConfigDialog::OnOK);
  m_cancel = new QPushButton(Text(kCancelText), this);
  place(m_cancel, cd::kIdCancel, kCancelRect);
  connect(m_cancel, &QPushButton::clicked, this, &CConfigDialog::OnCancel);
  for (QWidget* w : {static_cast<QWidget*>(m_frequencyBox), static_cast<QWidget*>(m_twelveHourBox),
                     static_cast<QWidget*>(m_ok), static_cast<QWidget*>(m_cancel)})
    m_belowBands.emplace_back(w, w->geometry());
}

CConfigDialog::~CConfigDialog() = default;

int CConfigDialog::ShowSettings(const std::string& title, int layout, const IdentityBlock& identity,
                                SettingsBlock* settings) {
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

  for (const SettingsBox& b : m_form->Boxes()) {
    QCheckBox* box =
        m_bandBoxes.emplace_back(std::make_unique<QCheckBox>(QString::fromStdString(b.caption), this)).get();
    box->setObjectName(QString::number(b.id));
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
  PlaceBandBoxes();
  ChainTabOrder();

  // Typing replaces the first value at once.
  for (QLineEdit* edit : m_edits) {
    if (edit->isHidden()) continue;
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    return;
  }
  if (!m_bandBoxes.empty()) m_bandBoxes.front()->setFocus(Qt::OtherFocusReason);
}

void CConfigDialog::PlaceBandBoxes() {
  setFixedSize(m_templateSize);
  for (auto& [widget, place] : m_belowBands) widget->setGeometry(place);

  // The template's places: down from the first marker, the second column
  // from the second marker, each at the marker's height.
  const QRect first = m_firstMarker->geometry();
  const QRect second = m_secondMarker->geometry();
  const int step = first.height() + kBoxGapPixels;
  const auto at = [&](int column, int row) {
    const QRect origin = column == 0 ? first : second;
    return QRect(origin.left(), origin.top() + row * step, origin.width(), first.height());
  };
  std::vector<QRect> places;
  for (const SettingsBox& b : m_form->Boxes()) places.push_back(at(b.column, b.row));

  // Many band entries run the second column under OK and Cancel and past
  // the dialog's edge: then the boxes share two even columns and the
  // controls below them, and the dialog's bottom, move down.
  int grow = 0;
  if (!BandBoxesFit(places)) {
    const int rows = static_cast<int>((places.size() + 1) / 2);
    for (size_t i = 0; i < places.size(); ++i) {
      const int index = static_cast<int>(i);
      places[i] = index < rows ? at(0, index) : at(1, index - rows);
    }
    const int bandsBottom = places.empty() ? 0 : places[static_cast<size_t>(rows) - 1].bottom();
    grow = std::max(0, bandsBottom + 1 + kBoxGapPixels - m_frequencyBox->geometry().top());
  }
  for (size_t i = 0; i < places.size(); ++i) m_bandBoxes[i]->setGeometry(places[i]);
  if (grow == 0) return;
  for (auto& [widget, place] : m_belowBands) widget->setGeometry(place.translated(0, grow));
  setFixedSize(m_templateSize + QSize(0, grow));
}

bool CConfigDialog::BandBoxesFit(const std::vector<QRect>& places) const {
  const QRect dialog(QPoint(0, 0), m_templateSize);
  std::vector<QRect> taken;
  for (QWidget* w :
       {static_cast<QWidget*>(m_frequencyBox), static_cast<QWidget*>(m_ok), static_cast<QWidget*>(m_cancel)})
    if (!w->isHidden()) taken.push_back(w->geometry());
  for (int i = 0; i < 3; ++i) {
    if (m_edits[i]->isHidden()) continue;
    taken.push_back(m_edits[i]->geometry());
    taken.push_back(m_labels[i]->geometry());
  }
  for (const QRect& place : places) {
    if (!dialog.contains(place)) return false;
    for (const QRect& t : taken)
      if (place.intersects(t)) return false;
  }
  return true;
}

void CConfigDialog::ChainTabOrder() {
  std::vector<QWidget*> chain;
  for (const auto& box : m_bandBoxes) chain.push_back(box.get());
  chain.push_back(m_frequencyBox);
  for (QLineEdit* edit : m_edits) chain.push_back(edit);
  chain.push_back(m_ok);
  chain.push_back(m_cancel);
  for (size_t i = 1; i < chain.size(); ++i) setTabOrder(chain[i - 1], chain[i]);
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
  for (size_t i = 0; i < m_bandBoxes.size(); ++i) m_form->SetBoxChecked(i, m_bandBoxes[i]->isChecked());
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

void CConfigDialog::ClearBandBoxes() { m_bandBoxes.clear(); }

}  // namespace brindle

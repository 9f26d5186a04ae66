#pragma once
// CConfigDialog: the settings dialog. It renders a CSettingsForm at the
// positions of the dialog's template and hands the user's input back to the
// form, which decides what OK writes.
#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "settings/settings_form.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace brindle {

class CConfigDialog : public QDialog {
  Q_OBJECT
 public:
  explicit CConfigDialog(QWidget* parent = nullptr);
  ~CConfigDialog() override;

  // Runs the dialog on settings: 1 when the user confirmed (settings holds
  // the user's values, blockChecksum not updated), 2 when the user cancelled
  // or closed it (settings unchanged, also when settings is null: then no
  // dialog is shown).
  int ShowSettings(const std::string& title, int layout, const IdentityBlock& identity,
                   SettingsBlock* settings);
  // Builds the controls for one run without showing the dialog.
  void Prepare(const std::string& title, int layout, const IdentityBlock& identity, SettingsBlock* settings);

 public slots:
  // OK: reads the edits, validates through the form, writes the block and
  // ends with 1; any refusal leaves the dialog open with the block unchanged.
  void OnOK();
  void OnCancel();
  void reject() override;

 private:
  void ClearBandBoxes();
  // Places the band boxes; grows the dialog when the template has no room.
  void PlaceBandBoxes();
  bool BandBoxesFit(const std::vector<QRect>& places) const;
  // Tab order: band boxes, frequency box, edits, OK, Cancel.
  void ChainTabOrder();

  std::unique_ptr<CSettingsForm> m_form;
  SettingsBlock* m_settings = nullptr;  // the caller's copy; not owned
  // Made per run; children of the dialog, released when the run ends.
  std::vector<std::unique_ptr<QCheckBox>> m_bandBoxes;
  QCheckBox* m_frequencyBox = nullptr;
  QCheckBox* m_firstMarker = nullptr;
  QCheckBox* m_secondMarker = nullptr;
  QLabel* m_labels[3] = {};
  QLineEdit* m_edits[3] = {};
  QCheckBox* m_twelveHourBox = nullptr;
  QPushButton* m_ok = nullptr;
  QPushButton* m_cancel = nullptr;
  // The template's size and the places of the controls below the band
  // area, which move down when the dialog grows.
  QSize m_templateSize;
  std::vector<std::pair<QWidget*, QRect>> m_belowBands;
};

}  // namespace brindle

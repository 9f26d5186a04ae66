#include "gui/brindle_dlg.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QStringDecoder>
#include <QTimer>
#include <climits>
#include <functional>

#include "app/system_menu_entry.h"
#include "gui/about_dlg.h"
#include "gui/config_dialog.h"
#include "gui/controls/shade_button_st.h"
#include "gui/controls/text_progress_ctrl.h"
#include "gui/drawn_art.h"
#include "gui/group_box.h"
#include "gui/seams/dialog_units.h"
#include "gui/seams/file_open_dialog.h"
#include "gui/seams/message_box.h"
#include "gui/status_text.h"

namespace brindle {

namespace {

enum class Kind { kPicture, kGroup, kStatic, kButton, kProgress };

struct TemplateControl {
  int id;
  Kind kind;
  QRect dialogUnits;
  bool visible;
};

// The main window's template: 283 x 255 dialog units, 9-point dialog font;
// controls in creation (and tab) order.
constexpr QSize kTemplateSize(283, 255);
constexpr int kTemplateFontPoints = 9;
constexpr TemplateControl kTemplate[] = {
    {kIdBanner, Kind::kPicture, QRect(0, 0, 283, 134), true},
    {kIdFileGroup, Kind::kGroup, QRect(6, 138, 270, 36), true},
    {kIdStatusText, Kind::kStatic, QRect(12, 150, 210, 18), true},
    {kIdOpenButton, Kind::kButton, QRect(228, 150, 42, 20), true},
    {kIdProgressGroup, Kind::kGroup, QRect(6, 180, 270, 36), true},
    {kIdProgress, Kind::kProgress, QRect(12, 192, 258, 16), true},
    {kIdSettingButton, Kind::kButton, QRect(6, 222, 84, 28), true},
    {kIdUpdateButton, Kind::kButton, QRect(99, 222, 84, 28), true},
    {kIdCloseButton, Kind::kButton, QRect(192, 222, 84, 28), true},
    {kIdUnusedStatic, Kind::kStatic, QRect(12, 12, 258, 18), false},
    {kIdUnusedGroup, Kind::kGroup, QRect(6, 0, 270, 36), false},
};

// Icon sizes: the Open button is a row lower than the other three.
constexpr int kSmallIcon = 24;
constexpr int kLargeIcon = 32;

// A window message on its way to the window's thread.
class CWindowMessageEvent final : public QEvent {
 public:
  static QEvent::Type Type() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }
  CWindowMessageEvent(uint32_t msg, WPARAM wParam, LPARAM lParam)
      : QEvent(Type()), m_msg(msg), m_wParam(wParam), m_lParam(lParam) {}
  const uint32_t m_msg;
  const WPARAM m_wParam;
  const LPARAM m_lParam;
};

// Company texts are in the device's code page (GBK); plain ASCII decodes
// the same everywhere.
QString DecodeCompanyText(const std::string& bytes) {
  QStringDecoder gbk("GBK");
  if (gbk.isValid()) return gbk.decode(QByteArray::fromStdString(bytes));
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

int ClampToInt(uint32_t value) { return value > INT_MAX ? INT_MAX : static_cast<int>(value); }

}  // namespace

CBrindleDlg::CBrindleDlg(std::shared_ptr<IHidBackend> backend, const CBuildConfig& config, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      CBrindleWindow(std::move(backend), config) {
  setObjectName(QStringLiteral("UPDATE_FLASH_CLASS"));
  setFont(DialogFont(kTemplateFontPoints));
  setWindowTitle(QStringLiteral("Update"));
  setWindowIcon(AppIconSet());
  CreateControls();
}

// The worker may still call the window's operations: stop it while they exist.
CBrindleDlg::~CBrindleDlg() { Shutdown(); }

void CBrindleDlg::CreateControls() {
  const DialogBaseUnits base = BaseUnitsOf(font());
  setFixedSize(DialogUnitsToPixels(kTemplateSize, base));
  for (const TemplateControl& c : kTemplate) {
    QWidget* widget = nullptr;
    switch (c.kind) {
      case Kind::kPicture:
        widget = m_banner = new QLabel(this);
        m_banner->setAlignment(Qt::AlignCenter);
        break;
      case Kind::kGroup: widget = new CGroupBox(this); break;
      case Kind::kStatic: {
        if (c.id == kIdStatusText) {
          widget = m_statusText = new CStatusText(this);
          break;
        }
        auto* label = new QLabel(this);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        widget = label;
        break;
      }
      case Kind::kButton: {
        auto* button = new CShadeButtonST(this);
        connect(button, &QPushButton::clicked, this, [this, id = c.id] {
          // Close ends the dialog the way OK does; the others go to the
          // window's message map as button clicks.
          if (id == kIdCloseButton) {
            accept();
          } else {
            HandleMessage(WM_COMMAND, static_cast<WPARAM>(id), 0);
          }
        });
        if (c.id == kIdOpenButton) m_openButton = button;
        if (c.id == kIdUpdateButton) m_updateButton = button;
        if (c.id == kIdCloseButton) m_closeButton = button;
        if (c.id == kIdSettingButton) m_settingButton = button;
        widget = button;
        break;
      }
      case Kind::kProgress: widget = m_progress = new CTextProgressCtrl(this); break;
    }
    widget->setObjectName(QString::number(c.id));
    widget->setGeometry(DialogUnitsToPixels(c.dialogUnits, base));
    widget->setVisible(c.visible);
    m_controls[c.id] = widget;
  }
  RenderArt();
}

void CBrindleDlg::RenderArt() {
  const qreal ratio = devicePixelRatioF();
  if (ratio == m_artRatio) return;
  m_artRatio = ratio;
  m_banner->setPixmap(DrawBanner(m_banner->size(), ratio));
  if (!m_initialised) return;
  // Open shows a grey copy of its icon until the mouse is over it.
  m_openButton->SetIcons(DrawOpenIcon(kSmallIcon, ratio), AUTO_GRAY);
  m_closeButton->SetIcons(DrawCloseIcon(kLargeIcon, ratio));
  m_settingButton->SetIcons(DrawSettingIcon(kLargeIcon, ratio));
  m_updateButton->SetIcons(DrawUpdateIcon(kLargeIcon, ratio));
}

void CBrindleDlg::InitDialog() {
  if (m_initialised) return;
  m_initialised = true;
  // Faces, then icons, in the order Open, Close, Setting, Update.
  for (CShadeButtonST* button : {m_openButton, m_closeButton, m_settingButton, m_updateButton})
    button->BuildShade();
  m_artRatio = 0;
  RenderArt();
  m_updateButton->setFocus();
  OnInitDialog();
}

int CBrindleDlg::DoModal() {
  InitDialog();
  return exec();
}

template <typename Fn>
bool CBrindleDlg::CarriedToWindowThread(Fn&& call) {
  if (IsWindowThread()) return false;
  RunOnWindowThread(std::function<void()>(std::forward<Fn>(call)));
  return true;
}

void CBrindleDlg::SetTitle(const std::string& title) {
  if (CarriedToWindowThread([&] { SetTitle(title); })) return;
  setWindowTitle(QString::fromStdString(title));
}

std::string CBrindleDlg::GetControlText(int id) {
  std::string text;
  if (CarriedToWindowThread([&] { text = GetControlText(id); })) return text;
  QWidget* w = Control(id);
  if (id == kIdProgress) return m_progress->WindowText().toStdString();
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text().toStdString();
  if (auto* group = qobject_cast<QGroupBox*>(w)) return group->title().toStdString();
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text().toStdString();
  return {};
}

void CBrindleDlg::SetControlText(int id, const std::string& text) {
  if (CarriedToWindowThread([&] { SetControlText(id, text); })) return;
  const QString value = QString::fromStdString(text);
  QWidget* w = Control(id);
  if (id == kIdProgress) {
    m_progress->SetWindowText(value);
  } else if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setText(value);
    // A long path is shown shortened; the whole text stays in the tooltip.
    if (id == kIdStatusText) label->setToolTip(value);
  } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
    group->setTitle(value);
    // The bar's frame names it for assistive technology.
    if (id == kIdProgressGroup) m_progress->setAccessibleName(value);
  } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    button->setText(value);
  }
}

void CBrindleDlg::EnableControl(int id, bool enable) {
  if (CarriedToWindowThread([&] { EnableControl(id, enable); })) return;
  if (QWidget* w = Control(id)) w->setEnabled(enable);
}

void CBrindleDlg::SetProgressRange(uint32_t low, uint32_t high) {
  if (CarriedToWindowThread([&] { SetProgressRange(low, high); })) return;
  m_progress->SetRange(ClampToInt(low), ClampToInt(high));
}

void CBrindleDlg::SetProgressPos(uint32_t pos) {
  if (CarriedToWindowThread([&] { SetProgressPos(pos); })) return;
  m_progress->SetPos(ClampToInt(pos));
}

int CBrindleDlg::MessageBox(const std::string& text, const std::string& caption, uint32_t flags) {
  int answer = 0;  // the answer of a box that could not be shown
  if (CarriedToWindowThread([&] { answer = MessageBox(text, caption, flags); })) return answer;
  return CMessageBoxes::Show(this, text, caption, flags);
}

int CBrindleDlg::ShowFileOpenDialog(const std::string& defaultExtension, const std::string& filter,
                                    std::string& path) {
  int answer = IDCANCEL;
  if (CarriedToWindowThread([&] { answer = ShowFileOpenDialog(defaultExtension, filter, path); }))
    return answer;
  return CFileOpenDialog::Show(this, defaultExtension, filter, path);
}

int CBrindleDlg::RunSettingsDialog(const std::string& captionPrefix, int32_t layout,
                                   const IdentityBlock& identity, SettingsBlock& block) {
  int answer = 0;
  if (CarriedToWindowThread([&] { answer = RunSettingsDialog(captionPrefix, layout, identity, block); }))
    return answer;
  CConfigDialog dialog(this);
  return dialog.ShowSettings(captionPrefix, layout, identity, &block);
}

void CBrindleDlg::SetTimer(uint32_t id, uint32_t periodMs) {
  if (CarriedToWindowThread([&] { SetTimer(id, periodMs); })) return;
  std::unique_ptr<QTimer>& timer = m_timers[id];
  if (!timer) {
    timer = std::make_unique<QTimer>();
    timer->setObjectName(QStringLiteral("timer%1").arg(id));
    // The progress tick promises 166 ms; a coarse timer may be 5% late.
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer.get(), &QTimer::timeout, this, [this, id] { HandleMessage(WM_TIMER, id, 0); });
  }
  // Arming an armed timer restarts its period.
  timer->start(static_cast<int>(periodMs));
}

void CBrindleDlg::KillTimer(uint32_t id) {
  if (CarriedToWindowThread([&] { KillTimer(id); })) return;
  const auto it = m_timers.find(id);
  if (it != m_timers.end()) it->second->stop();
}

bool CBrindleDlg::IsTimerArmed(uint32_t id) const {
  const auto it = m_timers.find(id);
  return it != m_timers.end() && it->second->isActive();
}

void CBrindleDlg::PostMessage(uint32_t msg, WPARAM wParam, LPARAM lParam) {
  // postEvent is thread-safe and takes ownership of the event.
  QCoreApplication::postEvent(this, std::make_unique<CWindowMessageEvent>(msg, wParam, lParam).release());
}

bool CBrindleDlg::event(QEvent* event) {
  if (event->type() == CWindowMessageEvent::Type()) {
    const auto* m = static_cast<const CWindowMessageEvent*>(event);
    HandleMessage(m->m_msg, m->m_wParam, m->m_lParam);
    return true;
  }
  // Moved to a screen of another pixel ratio, or first shown on one.
  if (event->type() == QEvent::ScreenChangeInternal || event->type() == QEvent::Show) RenderArt();
  return QDialog::event(event);
}

bool CBrindleDlg::focusNextPrevChild(bool next) {
  // Qt moves the focus on from a widget it has just disabled through here.
  QWidget* focused = focusWidget();
  if (focused && !focused->isEnabled()) return MoveFocusOffDisabled(focused);
  return QDialog::focusNextPrevChild(next);
}

bool CBrindleDlg::MoveFocusOffDisabled(QWidget* disabled) {
  for (QWidget* w = disabled->nextInFocusChain(); w && w != disabled; w = w->nextInFocusChain()) {
    const bool harmless = w == m_openButton || w == m_settingButton || w == m_updateButton;
    if (harmless && w->isEnabled() && !w->isHidden()) {
      w->setFocus(Qt::OtherFocusReason);
      return true;
    }
  }
  return false;
}

QWidget* CBrindleDlg::Control(int id) const {
  const auto it = m_controls.find(id);
  return it == m_controls.end() ? nullptr : it->second;
}

void CBrindleDlg::OnDevicesChanged() { PostMessage(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0); }

void CBrindleDlg::OnSysCommand(uint32_t command) {
  const uint32_t id = command & 0xFFFF;
  if (id < kSysCommandAboutFirst || id > kSysCommandAboutLast) return;
  CAboutDlg about(this);
  about.exec();
}

void CBrindleDlg::AddWindowMenuActions(const QList<QAction*>& actions) { m_extraMenuActions += actions; }

QList<QAction*> CBrindleDlg::WindowMenuActions() {
  // Built once; the actions are children of the dialog.
  static const char* const kBuilt = "brindleWindowMenu";
  if (!property(kBuilt).toBool()) {
    setProperty(kBuilt, true);
    const QString entry = VersionEntryText();
    if (!entry.isEmpty() && !m_versionInSystemMenu) {
      auto* version = new QAction(entry, this);
      version->setObjectName(QStringLiteral("versionEntry"));
      connect(version, &QAction::triggered, this, [this] { OnSysCommand(kVersionEntryCommand); });
      addAction(version);
    }
    // Reads every block back after an update before it counts as done.
    auto* verify = new QAction(QStringLiteral("Verify after update"), this);
    verify->setObjectName(QStringLiteral("verifyAfterUpdateEntry"));
    verify->setCheckable(true);
    verify->setChecked(VerifyAfterUpdate());
    connect(verify, &QAction::toggled, this, [this](bool on) { SetVerifyAfterUpdate(on); });
    addAction(verify);
    auto* about = new QAction(QStringLiteral("About Brindle..."), this);
    about->setObjectName(QStringLiteral("aboutEntry"));
    connect(about, &QAction::triggered, this, [this] { OnSysCommand(kSysCommandAboutFirst); });
    addAction(about);
  }
  return actions() + m_extraMenuActions;
}

QString CBrindleDlg::VersionEntryText() const { return DecodeCompanyText(VersionMenuEntry(Config())); }

void CBrindleDlg::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  menu.addActions(WindowMenuActions());
  menu.exec(event->globalPos());
}

void CBrindleDlg::BringToFront(const QString& activationToken) {
  // Qt's Wayland plugin activates with the token it finds here, once.
  // Elsewhere nothing reads it, and the archiver must not inherit it.
  if (!activationToken.isEmpty() && QGuiApplication::platformName() == QLatin1String("wayland"))
    qputenv("XDG_ACTIVATION_TOKEN", activationToken.toLatin1());
  if (isMinimized()) {
    showNormal();
  } else {
    show();
  }
  raise();
  activateWindow();
}

}  // namespace brindle

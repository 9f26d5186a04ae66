#include "gui/seams/message_box.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QSpacerItem>
#include <deque>

#include "app/window_ids.h"

namespace brindle {

namespace {

// Window-thread state of the test seam.
std::deque<int>& NextAnswers() {
  static std::deque<int> answers;
  return answers;
}

std::vector<CMessageBoxes::Shown>& AnsweredBoxes() {
  static std::vector<CMessageBoxes::Shown> boxes;
  return boxes;
}

}  // namespace

MessageBoxLook MessageBoxLookFor(const std::string& caption, uint32_t flags) {
  using B = QMessageBox;
  MessageBoxLook look;
  look.title = QString::fromStdString(caption.empty() ? kDefaultMessageBoxCaption : caption);
  QList<B::StandardButton> order;
  switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL: order = {B::Ok, B::Cancel}; break;
    case MB_ABORTRETRYIGNORE: order = {B::Abort, B::Retry, B::Ignore}; break;
    case MB_YESNOCANCEL: order = {B::Yes, B::No, B::Cancel}; break;
    case MB_YESNO: order = {B::Yes, B::No}; break;
    case MB_RETRYCANCEL: order = {B::Retry, B::Cancel}; break;
    default: order = {B::Ok}; break;
  }
  for (B::StandardButton b : order) look.buttons |= b;
  const qsizetype defaultIndex = (flags & MB_DEFMASK) >> 8;
  look.defaultButton = order.value(defaultIndex < order.size() ? defaultIndex : 0);
  switch (flags & MB_ICONMASK) {
    case MB_ICONERROR: look.icon = B::Critical; break;
    case MB_ICONQUESTION: look.icon = B::Question; break;
    case MB_ICONWARNING: look.icon = B::Warning; break;
    case MB_ICONINFORMATION: look.icon = B::Information; break;
    default: look.icon = B::NoIcon; break;
  }
  return look;
}

int AnswerOf(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Ok: return IDOK;
    case QMessageBox::Cancel: return IDCANCEL;
    case QMessageBox::Abort: return IDABORT;
    case QMessageBox::Retry: return IDRETRY;
    case QMessageBox::Ignore: return IDIGNORE;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    default: return IDCANCEL;
  }
}

int CMessageBoxes::Show(QWidget* parent, const std::string& text, const std::string& caption,
                        uint32_t flags) {
  const MessageBoxLook look = MessageBoxLookFor(caption, flags);
  if (!NextAnswers().empty()) {
    const int answer = NextAnswers().front();
    NextAnswers().pop_front();
    AnsweredBoxes().push_back({text, caption, flags, look});
    return answer;
  }
  const std::unique_ptr<QMessageBox> box = Make(parent, text, caption, flags);
  return AnswerOf(static_cast<QMessageBox::StandardButton>(box->exec()));
}

int CMessageBoxes::TitleBarWidth(const QString& caption, const QFont& font) {
  QFont bold = font;
  bold.setBold(true);
  const QFontMetrics metrics(bold);
  // Icon, close button and the margins of a centred title on both sides.
  return metrics.horizontalAdvance(caption) + 8 * metrics.height();
}

std::unique_ptr<QMessageBox> CMessageBoxes::Make(QWidget* parent, const std::string& text,
                                                 const std::string& caption, uint32_t flags) {
  const MessageBoxLook look = MessageBoxLookFor(caption, flags);
  auto box = std::make_unique<QMessageBox>(look.icon, look.title, QString::fromStdString(text), look.buttons,
                                           parent);
  box->setDefaultButton(look.defaultButton);
  // QMessageBox sizes itself to its text and fixes that size when shown; a
  // spacer across its grid is the one width it keeps to. Added last: some
  // setters rebuild the grid.
  if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
    grid->addItem(
        new QSpacerItem(TitleBarWidth(look.title, box->font()), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
        grid->rowCount(), 0, 1, grid->columnCount());
  }
  return box;
}

void CMessageBoxes::SetNextAnswer(int answer) { NextAnswers().push_back(answer); }
void CMessageBoxes::ClearAnswers() { NextAnswers().clear(); }
const std::vector<CMessageBoxes::Shown>& CMessageBoxes::Answered() { return AnsweredBoxes(); }
void CMessageBoxes::ClearAnswered() { AnsweredBoxes().clear(); }

}  // namespace brindle

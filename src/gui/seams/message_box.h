#pragma once
// Message boxes of the window seam: flags and caption as the window's
// handlers give them, turned into a QMessageBox. Tests answer boxes through
// SetNextAnswer instead of a person (one answer per box, in order).
#include <QMessageBox>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace brindle {

struct MessageBoxLook {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
  QString title;
};

// The caption the system shows when the handler gives none.
inline constexpr const char* kDefaultMessageBoxCaption = "Error";

// Buttons from the low four bits, icon from bits 4..7, default button from
// bits 8..11 of flags; an empty caption gives the default caption.
MessageBoxLook MessageBoxLookFor(const std::string& caption, uint32_t flags);
// IDOK, IDCANCEL, IDYES, ... for the button the user chose.
int AnswerOf(QMessageBox::StandardButton button);

class CMessageBoxes {
 public:
  struct Shown {
    std::string text;
    std::string caption;
    uint32_t flags;
    MessageBoxLook look;
  };

  // The box Show runs, not yet shown. It is at least as wide as its
  // caption needs in a title bar, beside the title bar's icon and buttons.
  static std::unique_ptr<QMessageBox> Make(QWidget* parent, const std::string& text,
                                           const std::string& caption, uint32_t flags);
  // What a title bar needs for caption: the caption in a bold face plus
  // room for the window icon and buttons.
  static int TitleBarWidth(const QString& caption, const QFont& font);

  // Shows the box modally over parent and returns the answer (IDOK, ...).
  static int Show(QWidget* parent, const std::string& text, const std::string& caption, uint32_t flags);

  // Tests: the next box is not shown but recorded and answered with answer.
  static void SetNextAnswer(int answer);
  static void ClearAnswers();
  // Every box answered through SetNextAnswer, oldest first.
  static const std::vector<Shown>& Answered();
  static void ClearAnswered();
};

}  // namespace brindle

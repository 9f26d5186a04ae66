// brindle: the desktop program.
#include <QApplication>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif
#include <cstdio>
#include <string_view>

#include "core/version.h"
#include "gui/brindle_app.h"
#include "online/working_folder.h"

namespace {

// --help and --version alone are answered before Qt starts, so they work
// without a display (the manual pages are made from them at build time).
bool IsProgramQuestion(int argc, char** argv) {
  if (argc != 2) return false;
  const std::string_view a = argv[1];
  return a == "--help" || a == "-h" || a == "--version";
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // Answers and errors keep their line ends as written (text mode would
  // make every \n a \r\n).
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  if (IsProgramQuestion(argc, argv)) {
    brindle::GuiOptions options;
    bool showHelp = false;
    std::string text;
    brindle::ParseGuiOptions(argc, argv, options, showHelp, text);
    std::fputs(text.c_str(), stdout);
    return 0;
  }
  // Qt takes its own arguments (-platform, ...) out of argv first.
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("brindle"));
  QApplication::setDesktopFileName(QStringLiteral("brindle"));
  QApplication::setApplicationVersion(QString::fromLatin1(brindle::kVersion));
  brindle::GuiOptions options;
  bool showHelp = false;
  std::string text;
  const int status = brindle::ParseGuiOptions(argc, argv, options, showHelp, text);
  if (status != 0 || showHelp) {
    std::fputs(text.c_str(), status != 0 ? stderr : stdout);
    return status;
  }
  const brindle::CRunFolderScope runFolder;  // this run's working files go with it
  brindle::CBrindleApp theApp(std::move(options));
  theApp.InitInstance();
  return theApp.ExitInstance();
}

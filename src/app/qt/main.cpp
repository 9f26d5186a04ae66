// brindle: the desktop program.
#include <QApplication>
#include <cstdio>

#include "app/qt/brindle_app.h"
#include "online/working_folder.h"

int main(int argc, char** argv) {
  // Qt takes its own arguments (-platform, ...) out of argv first.
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("brindle"));
  QApplication::setDesktopFileName(QStringLiteral("brindle"));
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

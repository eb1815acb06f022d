// make_icons OUT NAME: writes the application icon as PNG files for the
// desktop's icon theme, OUT/<size>x<size>/apps/NAME.png, one per size the
// theme gets. Runs at build time, without a screen.
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>

#include "ledgerfen/shell/appearance.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_icons OUT NAME\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  const QString out = QString::fromLocal8Bit(argv[1]);
  const QString name = QString::fromLocal8Bit(argv[2]);
  for (int size : ledgerfen::shell::kApplicationIconSizes) {
    const QString folder = QStringLiteral("%1/%2x%2/apps").arg(out).arg(size);
    const QString file = QStringLiteral("%1/%2.png").arg(folder, name);
    if (!QDir().mkpath(folder) || !ledgerfen::shell::drawApplicationIcon(size).save(file, "PNG")) {
      std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
